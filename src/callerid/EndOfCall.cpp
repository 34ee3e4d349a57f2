#include "EndOfCall.h"

#include "AppState.h"
#include "CallLog.h"
#include "CallState.h"
#include "CallTexts.h"
#include "Clock.h"
#include "LogBrowser.h"
#include "ScreenSaver.h"

EndOfCall::EndOfCall(AppState &state, CallState &call, CallLog &log, LogBrowser &browser, QObject *parent)
    : QObject(parent), m_state(state), m_call(call), m_log(log), m_browser(browser)
{
}

int EndOfCall::ringCount(const QString &buffer, bool reportHandled)
{
    int rings = 0;
    if (!reportHandled)
        return int(buffer.count(QLatin1String("RING")));
    qsizetype at = buffer.indexOf(QLatin1String("DATE"));
    while (at >= 0) {
        ++rings;
        at = buffer.indexOf(QLatin1String("RING"), at + 1);
    }
    return rings;
}

void EndOfCall::Timer1_Timer()
{
    // The end of a call pumps events while it works; a timer falling due meanwhile must not
    // start a second end of the same call.
    if (m_running)
        return;
    m_running = true;

    const bool handled = m_call.ReportProcessed;
    const int rings = ringCount(m_call.buffer, handled);
    QString recordLine;
    if (handled) {
        m_call.callsWithoutCallerId = 0;
        recordLine = m_call.report.recordLine();
    } else {
        // Rang without a caller-ID report: stored as such, with its own date and time; never
        // with the previous caller's fields.
        ++m_call.callsWithoutCallerId;
        const QDateTime now = Clock::current().now();
        m_call.report = CallerIdParser::Report();
        m_call.report.callerName = NoCallerIdName;
        m_call.report.callerNumber = CallerIdParser::UnknownNumber;
        m_call.IncomingBlocked = false;
        recordLine = QStringLiteral("DT=") + CallTexts::shortDate(now.date()) + QStringLiteral("TM=") +
                     CallTexts::amPm(now.time()) + QStringLiteral("NM=") + NoCallerIdName + QStringLiteral("NB=") +
                     CallerIdParser::UnknownNumber;
    }
    m_call.buffer.clear();
    m_log.AppendCallRecord(recordLine, rings);

    const bool zappedTelemarketer =
        m_call.report.callerName == CallerIdParser::UnknownName && m_state.settings.BlockTeleMarketersStatus;
    if (zappedTelemarketer || m_call.IncomingBlocked) {
        m_call.NumberReceived = false;
        m_call.RingSeen = false;
    } else {
        Display_List();
    }
    if (m_state.settings.CallerIdMinimize && !m_state.windows.any() && !m_state.flags.ModemSearchInProgress)
        m_state.Timer2.restart(m_state.settings.minimizeDelayMs());

    m_state.Timer1.off();
    m_call.ReportProcessed = false;
    m_call.IncomingBlocked = false;
    // Also after a refused call: the screen saver was switched off by its first ring.
    SetScreenSaverActive(true);
    m_running = false;
}

void EndOfCall::Display_List()
{
    if (m_call.NumberReceived) {
        // The call is already in the list (it was stored with the next call number): show it.
        m_state.LogPosition = m_state.calls.nextRecord();
        m_browser.GetFromLogTopToBottom();
    } else if (!m_call.RingSeen) {
        DisplayFinalList();
        return;
    } else if (m_call.callsWithoutCallerId >= NoCallerIdNotice) {
        m_state.display.setAll(QStringLiteral("Your Modem or "), QStringLiteral("Phone Company do"),
                               QStringLiteral("not show Caller ID !!"));
    }
    m_state.Timer1.off();
    m_call.NumberReceived = false;
    m_call.RingSeen = false;
    SetScreenSaverActive(true);
}

void EndOfCall::DisplayFinalList()
{
    m_log.DisplayFinalList();
    m_call.RingSeen = false;
    m_state.LogPosition = m_state.calls.nextRecord();
    m_state.Timer1.off();
    SetScreenSaverActive(true);
}
