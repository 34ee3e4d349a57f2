#include "DesktopNotices.h"

#include "CallEvents.h"
#include "CallScreening.h"
#include "CallTexts.h"
#include "CallView.h"
#include "DataFiles.h"
#include "DesktopIdentity.h"
#include "Log.h"
#include "ModemLine.h"
#include "frmMain.h"

#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString CallBack = QStringLiteral("call-back");
const QString Block = QStringLiteral("block");

} // namespace

DesktopNotices::DesktopNotices(ModemLine &line, DataFiles &files, CallView &view, CallEvents &events, frmMain &window)
    : QObject(&window), m_line(line), m_files(files), m_view(view), m_events(events), m_window(window),
      m_icon(programIcon(files))
{
    connect(&events, &CallEvents::announced, this, &DesktopNotices::announce);
    connect(&m_notifier, &DesktopNotifier::actionInvoked, this, &DesktopNotices::act);
    connect(&events, &CallEvents::ended, this, &DesktopNotices::callEnded);
}

DesktopNotice DesktopNotices::callNotice(const CallNotice &call, const QString &icon)
{
    DesktopNotice n;
    n.summary = call.refused() ? QStringLiteral("Refused: ") + call.name : call.name;
    // A refusal by one of the user's own rules says which: the user may want to change it.
    if (call.refusal == Refusal::Pattern || call.refusal == Refusal::NotOnAllowList)
        n.summary += QStringLiteral(" (") + CallScreening::reasonText(call.refusal, call.rule) + QLatin1Char(')');
    n.body = call.number + QLatin1Char('\n') + QString(call.when).replace(QLatin1String("\r\n"), QLatin1String(" "));
    if (!call.line.isEmpty())
        n.body += QStringLiteral("\nLine ") + call.line;
    n.icon = icon;
    // A withheld number can be neither called back nor blocked; a refused call is already dealt with.
    if (!call.refused() && call.number.startsWith(QLatin1Char('(')))
        n.actions = {{CallBack, QStringLiteral("Call back")}, {Block, QStringLiteral("Block")}};
    return n;
}

QString DesktopNotices::programIcon(const DataFiles &files)
{
    const QString themed = DesktopIdentity::desktopId();
    if (!QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                QStringLiteral("icons/hicolor/48x48/apps/") + themed + QStringLiteral(".png"))
             .isEmpty())
        return themed;
    return QFileInfo(files.shippedFile(QStringLiteral("ringlark.ico"))).absoluteFilePath();
}

void DesktopNotices::announce(const CallNotice &call)
{
    if (!m_files.options.notifications)
        return;
    m_ringingNotice = callNotice(call, m_icon);
    m_ringingNotice.timeoutMs = 0; // until the call has ended
    // The same call again with its name (a server's update): its notice is changed, not doubled.
    if (m_ringing != 0)
        m_notifier.replace(m_ringing, m_ringingNotice);
    else
        m_ringing = m_notifier.notify(m_ringingNotice, QStringList{call.number, call.name, call.when});
}

void DesktopNotices::callEnded()
{
    if (m_ringing != 0) {
        DesktopNotice stored = m_ringingNotice;
        stored.timeoutMs = -1;
        m_notifier.replace(m_ringing, stored);
        m_ringing = 0;
    }
    // After the end of the call is done (the call stored, the pager dialled).
    if (m_pending)
        QTimer::singleShot(0, this, &DesktopNotices::actWhenFree);
}

bool DesktopNotices::lineBusy() const
{
    return m_line.modemBusy() || m_line.Timer1.Interval() != 0;
}

void DesktopNotices::act(const QVariant &tag, const QString &action)
{
    const QStringList call = tag.toStringList();
    if (call.size() != 3 || (action != CallBack && action != Block))
        return;
    const bool shownCaller = m_view.display.number() == call.at(0) && m_view.display.name() == call.at(1);
    if (!lineBusy() || (action == Block && shownCaller && !m_line.modemBusy())) {
        m_pending.reset();
        m_view.display.setAll(call.at(0), call.at(1), call.at(2));
        m_window.popUp();
        (action == CallBack ? m_window.ui.cmdDial : m_window.ui.cmdBlock)->click();
        return;
    }
    // The display is the ringing call's, and the buttons would refuse: done when the line is free.
    qCDebug(lcCalls).noquote() << "notice action" << action << "for" << call.at(0) << "when the line is free";
    m_pending = std::pair{tag, action};
}

void DesktopNotices::actWhenFree()
{
    if (!m_pending)
        return;
    if (lineBusy()) {
        // A service still has the modem (the pager after the call): asked again shortly.
        if (m_line.Timer1.Interval() == 0)
            QTimer::singleShot(500, this, &DesktopNotices::actWhenFree);
        return; // else a new call rings: its end comes back here
    }
    const auto [tag, action] = *m_pending;
    m_pending.reset();
    act(tag, action);
}
