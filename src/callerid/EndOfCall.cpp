#include "EndOfCall.h"

#include "CallEvents.h"
#include "CallExport.h"
#include "CallLog.h"
#include "CallRecord.h"
#include "CallScreening.h"
#include "CallState.h"
#include "CallTexts.h"
#include "CallView.h"
#include "Clock.h"
#include "DataFiles.h"
#include "Log.h"
#include "LogBrowser.h"
#include "ModemLine.h"
#include "ScreenSaver.h"
#include "Screening.h"

#include <QScopedValueRollback>

EndOfCall::EndOfCall(ModemLine &line, DataFiles &files, CallView &view, CallEvents &events, CallState &call,
                     CallLog &log, LogBrowser &browser, QObject *parent)
    : QObject(parent), m_line(line), m_files(files), m_view(view), m_events(events), m_call(call), m_log(log),
      m_browser(browser)
{
}

int EndOfCall::ringCount(const QString &buffer, qsizetype reportAt)
{
    // Without a report, every ring heard; with one, the ring before it and every ring after it.
    return (reportAt >= 0 ? 1 : 0) + CallerIdParser::ringLines(buffer, std::max<qsizetype>(reportAt, 0));
}

EndOfCall::EndedCall EndOfCall::takeCall()
{
    EndedCall ended;
    const bool handled = m_call.ReportProcessed;
    ended.rings = ringCount(m_call.buffer, handled ? m_call.report.startsAt : -1);
    if (handled) {
        m_call.callsWithoutCallerId = 0;
        ended.recordLine = m_call.report.recordLine();
        ended.refusal = m_call.refusal;
        ended.rule = m_call.rule;
        ended.ruleId = m_call.ruleId;
        ended.alias = m_call.alias;
    } else {
        // Rang without a caller-ID report: stored as such, with its own date and time; never
        // with the previous caller's fields.
        ++m_call.callsWithoutCallerId;
        const QDateTime now = Clock::current().now();
        m_call.report = CallerIdParser::Report();
        m_call.report.callerName = NoCallerIdName;
        m_call.report.callerNumber = CallerIdParser::UnknownNumber;
        ended.recordLine = QStringLiteral("DT=") + CallTexts::shortDate(now.date()) + QStringLiteral("TM=") +
                           CallTexts::amPm(now.time()) + QStringLiteral("NM=") + NoCallerIdName +
                           QStringLiteral("NB=") + CallerIdParser::UnknownNumber;
    }
    ended.callerNumber = m_call.report.callerNumber;
    ended.numberReceived = m_call.NumberReceived;
    ended.ringSeen = m_call.RingSeen;
    ended.line = m_call.line;

    // Ready for the next call before anything below can open a message box or wait: a box runs
    // its own event loop, and the next caller's rings and report arrive in it.
    m_call.buffer.clear();
    m_line.Timer1.off();
    m_call.ReportProcessed = false;
    m_call.refusal = Refusal::None;
    m_call.rule.clear();
    m_call.ruleId = 0;
    m_call.alias.clear();
    m_call.NumberReceived = false;
    m_call.RingSeen = false;
    m_call.rulesRead = false;
    m_call.heardAt = QDateTime();
    m_call.ringsTold = 0;
    m_call.line.clear();
    m_line.networkCall = false;
    return ended;
}

void EndOfCall::finishCall()
{
    // Timer1 is switched off before anything here waits, so a second end of the same call
    // cannot start; a later one belongs to the next call.
    const EndedCall ended = takeCall();
    // Neither rang nor brought a report that was handled: no call happened. (A number-only
    // report before any ring arms this end; line noise after it can leave it incomplete.)
    if (!ended.ringSeen && !ended.numberReceived) {
        Display_List(ended);
        SetScreenSaverActive(true);
        return;
    }
    emit m_events.ended();
    QString writeError;
    bool stored = false;
    {
        // Timer1 is off from here on, so the guards that wait for a ringing call would let the
        // services in while the pager dials: this keeps them waiting until the call is done.
        const QScopedValueRollback<bool> ending(m_line.callEnding, true);
        stored = m_log.AppendCallRecord(ended.recordLine, ended.rings, &writeError, ended.refused());
        const CallRecord::Fields call = CallRecord::fields(CallRecord::build(0, ended.recordLine, ended.rings));
        if (stored)
            recordScreening(ended, RefusedCalls::callKeyOf(call));
        if (stored)
            qCDebug(lcCalls).noquote() << "stored:" << call.name << call.number << call.date << call.time << call.rings
                                       << "rings" << (ended.refused() ? "(refused)" : "");
        else
            qCWarning(lcCalls).noquote() << "not stored yet:" << call.name << call.number << writeError;
        if (!ended.refused())
            Display_List(ended);
        // The pager is dialled through the modem: never while another service has the port.
        // A program that takes its calls from the network has no modem to page through.
        if (m_files.settings.CallSendToPagerStatus && notifyPager && !m_line.flags.any() && !m_files.callsFromServer())
            notifyPager(ended.callerNumber);
    }
    if (m_files.settings.CallerIdMinimize && !m_view.windowsOpen() && !m_line.ModemDetectionRunning &&
        !m_line.flags.ModemSearchInProgress)
        m_view.Timer2.restart(m_files.settings.minimizeDelayMs());
    // Also after a refused call: the screen saver was switched off by its first ring.
    SetScreenSaverActive(true);
    if (!stored)
        reportWriteFailure(m_log.failedPath(), writeError);
}

void EndOfCall::recordScreening(const EndedCall &ended, const QString &callKey)
{
    // What Array.bin's record has no room for; a call with nothing of it is not written twice.
    Screening *screening = Screening::current();
    if (!screening || (!ended.refused() && ended.alias.isEmpty() && ended.line.isEmpty() && ended.ruleId == 0))
        return;
    ScreenedCall screened;
    screened.record = callKey;
    screened.refused = ended.refused();
    screened.reason = CallScreening::reasonText(ended.refusal, ended.rule);
    screened.line = ended.line;
    screened.alias = ended.alias;
    screened.ruleId = ended.ruleId;
    screened.byRules = ended.refusal == Refusal::Pattern || ended.refusal == Refusal::NotOnAllowList;
    screening->recordCall(screened);
}

void EndOfCall::Display_List(const EndedCall &ended)
{
    if (ended.numberReceived) {
        // The call is already in the list (it was stored with the next call number): show it.
        m_view.LogPosition = m_view.calls.nextRecord();
        m_browser.GetFromLogTopToBottom();
    } else if (!ended.ringSeen) {
        DisplayFinalList();
    } else if (m_call.callsWithoutCallerId >= NoCallerIdNotice) {
        m_view.display.setAll(CallerDisplay::NoticeLine1, CallerDisplay::NoticeLine2, CallerDisplay::NoticeLine3);
    }
}

void EndOfCall::DisplayFinalList()
{
    m_log.DisplayFinalList();
    m_view.LogPosition = m_view.calls.nextRecord();
    SetScreenSaverActive(true);
}
