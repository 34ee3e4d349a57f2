#include "HelpWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(true);
    m_contents = new QToolButton(this);
    m_contents->setText(QStringLiteral("&Contents"));
    m_back = new QToolButton(this);
    m_back->setText(QStringLiteral("&Back"));
    m_back->setEnabled(false);
    connect(m_contents, &QToolButton::clicked, m_browser, &QTextBrowser::home);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    // The title of the page shown, as a help viewer names its window.
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        if (!title.isEmpty())
            setWindowTitle(title);
    });

    auto *bar = new QHBoxLayout;
    bar->addWidget(m_contents);
    bar->addWidget(m_back);
    bar->addStretch();
    auto *all = new QVBoxLayout(this);
    all->addLayout(bar);
    all->addWidget(m_browser);
    resize(640, 560);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.right() - width() - 40, s.top() + 40);
    }
}

bool HelpWindow::showContents(const QString &helpFile)
{
    // The file has the help file's name, not an HTML one: say what it holds.
    const bool readable = QFileInfo(helpFile).isReadable();
    if (readable) {
        m_browser->setSearchPaths({QFileInfo(helpFile).absolutePath()});
        m_browser->setSource(QUrl::fromLocalFile(helpFile), QTextDocument::HtmlResource);
    } else {
        m_browser->setPlainText(
            QStringLiteral("The help file %1 could not be read.").arg(QDir::toNativeSeparators(helpFile)));
        setWindowTitle(QStringLiteral("Ringlark Talking Caller ID Help"));
    }
    return readable;
}
