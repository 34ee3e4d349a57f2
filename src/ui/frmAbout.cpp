#include "frmAbout.h"

#include "CallView.h"
#include "DataFiles.h"
#include "Twips.h"
#include "WindowColor.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

frmAbout::frmAbout(DataFiles &files, CallView &view, QWidget *parent) : Form(parent), m_files(files), m_view(view)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Ringlark Talking Caller ID"));
    setFixedSize(twips(6600), twips(2355));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twipsRect(120, 120, 1140, 1995));
    Image1->setAlignment(Qt::AlignCenter);
    const QIcon icon(m_files.shippedFile(QStringLiteral("ringlark.ico")));
    Image1->setPixmap(icon.pixmap(Image1->width() - 8, Image1->width() - 8));
    Image1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(1440, 120, 5000, 1400));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont title = Label2->font();
    title.setPointSizeF(title.pointSizeF() * 1.3);
    title.setBold(true);
    Label2->setFont(title);
    const QString version = QCoreApplication::applicationVersion();
    Label2->setText(QStringLiteral("Ringlark Talking Caller ID\nVersion %1")
                        .arg(version.isEmpty() ? QStringLiteral(RINGLARK_VERSION) : version));

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(QStringLiteral("Click here to Quit"));
    cmdOK->setGeometry(twipsRect(5160, 1800, 1200, 375));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);

    m_view.Timer2.stop();
    if (m_files.settings.colorNumber() > 0)
        setBackColor(m_files.settings.colorNumber());
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.left() + (s.width() - frameGeometry().width()) / 2,
             s.top() + int((s.height() - frameGeometry().height()) / 4.5));
    }
}

void frmAbout::setBackColor(int bgr)
{
    setFormBackColor(this, bgr);
}
