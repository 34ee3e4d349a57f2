#include "MsgBox.h"

#include "Log.h"
#include "Waits.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace {
MsgBoxScript *g_script = nullptr;
int g_deferrals = 0;
QList<MsgRecord> g_deferred;

bool isYesNo(MsgStyle s)
{
    return s == MsgStyle::Question || s == MsgStyle::CriticalYesNo || s == MsgStyle::InfoYesNo;
}
} // namespace

QString crLines(const QStringList &lines)
{
    return lines.join(QChar(13));
}

MsgBoxScript::MsgBoxScript()
{
    g_script = this;
}

MsgBoxScript::~MsgBoxScript()
{
    if (g_script == this)
        g_script = nullptr;
}

QStringList MsgBoxScript::titles() const
{
    QStringList t;
    for (const MsgRecord &r : shown)
        t << r.title;
    return t;
}

MsgAnswer MsgBoxScript::next(const MsgRecord &r)
{
    shown.append(r);
    if (onShow)
        onShow(r);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return isYesNo(r.style) ? vbNo : vbOK;
}

MsgBoxDeferral::MsgBoxDeferral()
{
    ++g_deferrals;
}

MsgBoxDeferral::~MsgBoxDeferral()
{
    if (--g_deferrals > 0 || g_deferred.isEmpty())
        return;
    QTimer::singleShot(0, QCoreApplication::instance(), [boxes = std::exchange(g_deferred, {})] {
        for (const MsgRecord &r : boxes)
            MsgBox(r.text, r.style, r.title);
    });
}

MsgAnswer MsgBox(const QString &text, MsgStyle style, const QString &title)
{
    if (ProgramEnd::underway())
        return isYesNo(style) ? vbNo : vbOK;
    if (g_deferrals > 0 && !isYesNo(style)) {
        g_deferred.append({text, style, title});
        return vbOK;
    }
    if (g_script)
        return g_script->next({text, style, title});

    // Every box is also named in the log: a box nobody sees (no display, a hidden tray program)
    // otherwise leaves no trace, a user reading the journal learns what the window said, and
    // the kill test tells a quiet start by it.
    qCWarning(lcUi).noquote() << "message box:" << title;
    QMessageBox box;
    box.setWindowTitle(title);
    // The stored texts separate lines with a bare carriage return; Qt wants line feeds.
    QString shownText = text;
    shownText.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QChar(13), QChar(10));
    box.setText(shownText);
    switch (style) {
    case MsgStyle::Critical:
    case MsgStyle::CriticalYesNo:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgStyle::Information:
    case MsgStyle::InfoYesNo:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgStyle::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgStyle::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgStyle::Plain:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if (isYesNo(style)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(style == MsgStyle::Question ? QMessageBox::No : QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // A tray program may have no visible window: keep the box in front of everything.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int r = box.exec();
    if (r == QMessageBox::Yes)
        return vbYes;
    if (r == QMessageBox::No)
        return vbNo;
    return vbOK;
}
