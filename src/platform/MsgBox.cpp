#include "MsgBox.h"

#include "Log.h"
#include "Waits.h"

#include <QCoreApplication>
#include <QTimer>
#include <utility>

namespace {
MsgBoxScript *g_script = nullptr;
MessageBoxes *g_boxes = nullptr;
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
    return safeAnswer(r.style);
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
        return safeAnswer(style);
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
    return g_boxes ? g_boxes->show({text, style, title}) : safeAnswer(style);
}

MsgAnswer safeAnswer(MsgStyle style)
{
    return isYesNo(style) ? vbNo : vbOK;
}

void installMessageBoxes(MessageBoxes *boxes)
{
    g_boxes = boxes;
}
