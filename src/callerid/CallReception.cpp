#include "CallReception.h"

#include "BlockCommand.h"
#include "CallAnnouncer.h"
#include "CallEvents.h"
#include "CallScreening.h"
#include "CallState.h"
#include "CallTexts.h"
#include "CallView.h"
#include "Clock.h"
#include "DataFiles.h"
#include "EndOfCall.h"
#include "IMainWindow.h"
#include "Log.h"
#include "ModemLine.h"
#include "MsgBox.h"
#include "ScreenSaver.h"
#include "Screening.h"
#include "Waits.h"
#include "clsModemFunctions.h"

#include <algorithm>

CallReception::CallReception(ModemLine &line, DataFiles &files, CallView &view, CallEvents &events, IMainWindow &window,
                             CallState &call, clsModemFunctions &modem, BlockedFile &blocked, ICallAnnouncer &voice,
                             EndOfCall &end, QObject *parent)
    : QObject(parent), m_modemLine(line), m_files(files), m_view(view), m_events(events), m_window(window),
      m_call(call), m_modem(modem), m_blocked(blocked), m_voice(voice), m_end(end)
{
}

void CallReception::reportArrived()
{
    // Only the last characters of a report, after the call's first ring has been handled, and
    // never inside the handler itself or while a modem dialogue reads the port.
    MSComm &port = m_modemLine.MSComm1;
    if (m_depth > 0 || m_modemHeld || m_modemLine.flags.any() || m_call.ReportProcessed || !m_call.RingSeen ||
        !m_call.rulesRead || port.CommEvent() != MSComm::comEvReceive || port.InputLen() != 0)
        return;
    // A report ends with a line end; a ring the new characters bring (or complete) is the
    // handler's, told before the caller as always.
    const QByteArray waiting = port.peekInput();
    if (!waiting.contains('\r') && !waiting.contains('\n'))
        return;
    QString candidate = m_call.buffer + QLatin1String(waiting);
    const qsizetype tail = std::max<qsizetype>(0, m_call.buffer.size() - 8);
    if (CallerIdParser::ringLines(candidate, tail) != CallerIdParser::ringLines(m_call.buffer, tail) ||
        !CallerIdParser::isComplete(candidate))
        return;
    const Frame frame(*this);
    // The ring's bookkeeping (end-of-call timer, screen saver) waits until the caller is out.
    port.takePeeked(QStringView(candidate).sliced(m_call.buffer.size()));
    m_call.buffer = std::move(candidate);
    takeReport(LineState::Ringing);
    append(QString());
    // The rest shows, speaks or refuses, and so runs from the event loop.
    m_presentPending = true;
    QMetaObject::invokeMethod(this, &CallReception::presentPending, Qt::QueuedConnection);
}

void CallReception::presentPending()
{
    if (!std::exchange(m_presentPending, false) || !m_call.ReportProcessed)
        return;
    const Frame frame(*this);
    presentReport();
}

void CallReception::MSComm1_OnComm()
{
    const Frame frame(*this);
    // A running service reads the modem's replies itself.
    if (m_modemLine.flags.any())
        return;
    MSComm &port = m_modemLine.MSComm1;
    if (port.InBufferCount() == 0)
        return;
    if (port.CommEvent() == MSComm::comEvReceive) {
        if (m_modemHeld) {
            // Another line's call has the reception: the modem's text waits for its end.
            m_heldModemText += port.Input();
            if (m_heldModemText.size() > MaxBufferWithoutRing)
                m_heldModemText = m_heldModemText.right(MaxBufferWithoutRing);
            return;
        }
        append(port.Input());
    }
    examine();
}

void CallReception::receive(const QString &text)
{
    const Frame frame(*this);
    append(text);
    examine();
}

void CallReception::holdModem(bool hold)
{
    const Frame frame(*this);
    m_modemHeld = hold;
    if (hold || m_heldModemText.isEmpty())
        return;
    append(std::exchange(m_heldModemText, QString()));
    examine();
}

void CallReception::append(const QString &text)
{
    m_call.buffer += text;
    if (CallerIdParser::hasRing(m_call.buffer)) {
        SetScreenSaverActive(false);
        m_view.Timer2.stop();
        m_modemLine.Timer1.restart(EndOfCallMs);
        m_call.RingSeen = true;
        // What screening reads is read at the first ring, not between the report's last byte
        // and its record: a rule edited while a call rings applies from the next call, and
        // the blocked list is then only asked whether it changed.
        prepareScreening();
        tellRings();
    } else if (m_call.buffer.size() > MaxBufferWithoutRing) {
        m_call.buffer = m_call.buffer.right(KeptWithoutRing);
    }
}

void CallReception::prepareScreening()
{
    if (std::exchange(m_call.rulesRead, true))
        return;
    // The clock is read once for the call, here: each reading looks the time zone up again,
    // which the report's last byte need not wait for.
    m_call.heardAt = Clock::current().now();
    if (Screening *s = Screening::current())
        s->refresh();
    m_blocked.prepare();
}

void CallReception::tellRings()
{
    const int rings = EndOfCall::ringCount(m_call.buffer);
    while (m_call.ringsTold < rings)
        emit m_events.ring(++m_call.ringsTold);
}

void CallReception::examine()
{
    if (m_call.ReportProcessed)
        return;
    if (CallerIdParser::isComplete(m_call.buffer)) {
        handleReport(LineState::Ringing);
    } else if (m_modemLine.Timer1.Interval() < 1 && CallerIdParser::isComplete(m_call.buffer, true)) {
        // A number-only report before the first ring: if the caller hangs up before any ring,
        // only the end of the call can tell that the report is whole, so that end must come.
        m_modemLine.Timer1.restart(EndOfCallMs);
    }
}

void CallReception::lineWentQuiet()
{
    const Frame frame(*this);
    // A number-only report that no ring followed (the caller hung up first, or the line sends
    // the report before the first ring) is whole now that the call is over: it is the caller's,
    // shown, announced and stored as such rather than as a call without caller ID.
    if (!m_call.ReportProcessed && !m_modemLine.flags.any() && CallerIdParser::isComplete(m_call.buffer, true)) {
        // The call is over: no second end of it while it is announced.
        m_modemLine.Timer1.off();
        handleReport(LineState::Ended);
    }
    m_end.finishCall();
}

void CallReception::renameCaller(const QString &receivedName)
{
    CallerIdParser::Report &r = m_call.report;
    const QString name = CallerIdParser::nameOf(receivedName);
    // A refused call stays refused and unshown: its caller was dealt with. A caller the user
    // named keeps the user's name.
    if (!m_call.ReportProcessed || m_call.refusal != Refusal::None || name == r.callerName || !m_call.alias.isEmpty())
        return;
    r.receivedName = receivedName;
    r.callerName = name;
    r.nameLine = QStringLiteral("NM=") + name;
    m_view.display.setName(name);
    qCDebug(lcCalls).noquote() << "renamed:" << name << m_view.display.number();
    emit m_events.announced(
        CallNotice{name, m_view.display.number(), m_view.display.time(), Refusal::None, m_call.line});
}

void CallReception::handleReport(LineState line)
{
    takeReport(line);
    presentReport();
}

void CallReception::takeReport(LineState line)
{
    m_call.ReportProcessed = true;
    m_line = line;
    // Some lines send the report before the first ring: the call has begun all the same, and
    // its end must come (else this report would be taken for the next call's).
    if (line == LineState::Ringing && m_modemLine.Timer1.Interval() < 1)
        m_modemLine.Timer1.restart(EndOfCallMs);
    m_call.DateSeen = m_call.TimeSeen = m_call.NameSeen = m_call.NumberSeen = true;
    m_call.NumberReceived = true;

    // The report is cut once; refused or not is decided on it once, and kept on the call. A call
    // that is shown has its report on disk next, one small positioned write before anything that
    // formats, paints or waits. A failure is told once the caller is on the screen.
    m_call.report = CallerIdParser::read(m_call.buffer);
    screenCall();
    const CallerIdParser::Report &r = m_call.report;
    const bool refused = m_call.refusal != Refusal::None;
    m_taken.writeError.clear();
    m_taken.kept = refused || m_files.setupFile.WriteSetupRecord(Settings::LastReportRecord, r.lastReport,
                                                                 m_files.settings, &m_taken.writeError);
    // The network hears of the caller once the report is on the disk.
    m_taken.now = m_call.heardAt;
    // Whoever the record or the line woke reads it before the caller is painted and spoken.
    tellCaller(refused, m_taken.now);
    yieldToReaders();
    // The call's record is whole from here, whatever ends the call before the rest is done.
    CallerIdParser::formatRecord(m_call.report, m_call.buffer, m_files.settings.DateValue, m_taken.now.date());
    m_files.settings.LastCallerIdReport = r.lastReport;
}

void CallReception::presentReport()
{
    const CallerIdParser::Report &r = m_call.report;
    const bool refused = m_call.refusal != Refusal::None;
    const QDateTime now = m_taken.now;
    CallNotice notice{r.callerName, CallTexts::displayPattern(r.callerNumber), QString(), m_call.refusal, m_call.line};
    if (refused) {
        notice.when = r.dateLine.mid(3) + QStringLiteral("\r\n") + r.timeLine.mid(3);
        notice.rule = m_call.rule;
        qCDebug(lcCalls).noquote() << "refused:" << notice.name << notice.number
                                   << "(" + CallScreening::reasonText(m_call.refusal, m_call.rule) + ")";
        emit m_events.announced(notice);
        refuseCall();
        return;
    }
    const CallerIdParser::Classification c = showCall(now.date());
    notice.when = m_view.display.time();
    qCDebug(lcCalls).noquote() << "shown:" << notice.name << notice.number
                               << QString(notice.when).replace(QLatin1String("\r\n"), QLatin1String(" "))
                               << c.callClass;
    emit m_events.announced(notice);
    if (!m_taken.kept)
        reportWriteFailure(m_files.setupFile.path(), m_taken.writeError);
    if (m_files.settings.Talking_Call) {
        pumpOnce(); // the caller is drawn before the first word
        m_voice.TellPhonenumber(c.callClass, c.spokenNumber,
                                m_files.options.speakNames ? m_call.report.callerName : QString());
    }
}

void CallReception::screenCall()
{
    CallerIdParser::Report &r = m_call.report;
    prepareScreening(); // a report before the first ring
    const CallScreening::Decision d = CallScreening::decide(r, m_files.settings.BlockTeleMarketersStatus, m_blocked,
                                                            m_call.refusal, Screening::current());
    m_call.refusal = d.refusal;
    m_call.rule = d.rule;
    m_call.ruleId = d.ruleId;
    m_call.alias = d.alias;
    if (d.allowed)
        qCDebug(lcCalls).noquote() << "allowed by pattern" << d.rule;
    // The user's own name for the caller is the caller's name from here on: shown, spoken,
    // stored, notified and passed on.
    if (!d.alias.isEmpty()) {
        r.callerName = d.alias;
        r.receivedName = d.alias;
        r.nameLine = QStringLiteral("NM=") + d.alias;
    }
}

CallerIdParser::Classification CallReception::showCall(const QDate &today)
{
    const Settings &s = m_files.settings;
    CallerIdParser::Report &r = m_call.report;
    if (s.PopUpWindow)
        m_window.popUp();
    m_call.NameSeen = m_call.NumberSeen = m_call.DateSeen = m_call.TimeSeen = false;
    QDate date = today;
    if (s.DateValue == QLatin1String("Caller Id Date"))
        date = QDate(today.year(), r.callDateText.left(2).toInt(), r.callDateText.mid(3, 2).toInt());
    const QString shownDate = date.isValid() ? CallTexts::displayDate(date, s.DateFormat) : r.callDateText;
    const QTime time = QTime::fromString(r.callTimeText, QStringLiteral("HH:mm"));
    // The whole call is on the display before the window shows it: the service logs the caller
    // there, and the previous call's time must not go with the new caller.
    m_view.display.setNumber(CallTexts::displayPattern(r.callerNumber));
    m_view.display.setName(r.callerName);
    m_view.display.setTime(shownDate + QStringLiteral("\r\n") +
                           (time.isValid() ? CallTexts::amPm(time) : r.callTimeText));
    m_window.showWindow();
    r.callDateText = shownDate;
    if (s.DateValue == QLatin1String("System Date"))
        m_window.showWindow();
    const CallerIdParser::Classification c = CallerIdParser::classify(r.callerNumber, s.LocalAreaCode);
    m_call.callClass = c.callClass;
    return c;
}

void CallReception::tellCaller(bool refused, const QDateTime &now)
{
    const CallerIdParser::Report &r = m_call.report;
    const QDate today = now.date();
    const QString date = QString(r.receivedDate).remove(QLatin1Char(' '));
    const QString time = QString(r.receivedTime).remove(QLatin1Char(' ')).left(4);
    const QStringView d(date), t(time);
    ReportedCall call;
    call.date = QDate(today.year(), d.left(2).toInt(), d.mid(2, 2).toInt());
    if (!call.date.isValid())
        call.date = today;
    // Read by hand: the format parser is slow the first time in a while, and the line waits.
    const bool digits =
        time.size() == 4 && std::all_of(time.begin(), time.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    call.time = digits && QTime::isValid(t.left(2).toInt(), t.mid(2).toInt(), 0)
                    ? time
                    : now.time().toString(QStringLiteral("HHmm"));
    call.number = r.receivedNumber;
    call.name = r.receivedName;
    emit m_events.caller(call, refused);
}

void CallReception::refuseCall()
{
    m_call.NameSeen = m_call.NumberSeen = m_call.DateSeen = m_call.TimeSeen = false;
    m_view.Timer2.stop();
    // A caller who has already hung up is not answered: the end of the call stores the call as
    // a refused one. Calls taken from the network cannot be answered here at all: refused,
    // they are stored as such and not announced, and end as the server tells.
    if (m_line == LineState::Ended || m_modemLine.networkCall)
        return;
    // A modem that fails under the drop is told of once the call is stored.
    MsgBoxDeferral later;
    if (!m_modem.ZapIncomingCall())
        return; // not dropped (modem refused): it rings on and ends as any call does, stored as refused
    m_modemLine.Timer1.off();
    // The call is over for us: store it and get ready for the next one now, not at the next
    // ring, whose report would otherwise be taken for this call's.
    m_end.finishCall();
}
