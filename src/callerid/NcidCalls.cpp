#include "NcidCalls.h"

#include "CallEvents.h"
#include "CallExport.h"
#include "CallReception.h"
#include "CallRecord.h"
#include "CallState.h"
#include "CallTexts.h"
#include "CallView.h"
#include "CallerIdParser.h"
#include "Clock.h"
#include "DataFiles.h"
#include "ModemLine.h"
#include "TrayStatus.h"

#include <QScopedValueRollback>
#include <QTimer>

namespace {

// A field as a modem's report line can hold it: nothing of it may make a line or a field of
// its own in the report.
QString reportValue(const QString &v)
{
    QString t = v;
    for (QChar &c : t) {
        if (c.unicode() < 32 || c.unicode() == 127 || c == QLatin1Char('='))
            c = QLatin1Char(' ');
    }
    return t.trimmed();
}

// A withheld field as the record keeps it, in the word the live line sent for it.
QString sentWord(const QString &stored, const QString &privateWord, const QString &unknownWord)
{
    if (stored == privateWord)
        return Ncid::sentField(QStringLiteral("P"));
    if (stored == unknownWord)
        return Ncid::sentField(QStringLiteral("O"));
    return stored;
}

} // namespace

NcidCalls::NcidCalls(ModemLine &line, DataFiles &files, CallView &view, CallEvents &events, TrayStatus &tray,
                     IMainWindow &window, CallState &call, CallReception &reception, QObject *parent)
    : QObject(parent), m_modemLine(line), m_files(files), m_view(view), m_events(events), m_tray(tray),
      m_window(window), m_call(call), m_reception(reception)
{
    connect(&m_client, &NcidClient::message, this, &NcidCalls::onMessage);
    connect(&m_client, &NcidClient::connectedChanged, this, &NcidCalls::onConnectedChanged);
    connect(&m_server, &NcidServer::messageReceived, this, [this](const QString &text) { m_tray.setTip(text); });
    connect(&m_server, &NcidServer::gatewayLines, this, &NcidCalls::fromGateway);
    connect(&m_events, &CallEvents::ring, this, &NcidCalls::modemCallHeard);
    connect(&m_events, &CallEvents::caller, this, &NcidCalls::modemCallHeard);
    // A call also ends without a word from the server (ten seconds of silence).
    connect(&m_events, &CallEvents::ended, this, &NcidCalls::lineFree);
}

bool NcidCalls::start(QString *error)
{
    const ProgramSettings &o = m_files.options;
    if (o.ncidClientEnabled)
        takeCallsFrom(o.ncidClientHost, o.ncidClientPort);
    if (!o.ncidServerEnabled)
        return true;
    applyAccess();
    publish();
    return m_server.listen(o.ncidServerAddress, o.ncidServerPort, error);
}

void NcidCalls::applyAccess()
{
    m_server.setListsFrom(m_files.options.ncidListsFrom);
    m_server.setClientsFrom(m_files.options.ncidClientsFrom);
}

void NcidCalls::takeCallsFrom(const QString &host, quint16 port)
{
    m_files.options.ncidClientEnabled = true;
    m_files.options.ncidClientHost = host;
    m_files.options.ncidClientPort = port;
    // Said at once: calls come only once the server is there.
    m_tray.show(TrayStatus::ReleasedIcon, DisconnectedTip);
    m_client.connectTo(host, port);
}

QString NcidCalls::lineName() const
{
    const QString name = m_files.options.ncidLineName.trimmed();
    return name.isEmpty() ? Ncid::DefaultLine : name;
}

void NcidCalls::publish()
{
    m_server.callLog = [this] { return storedCalls(); };
    m_server.lineName = lineName();
    auto now = [] { return Clock::current().now().time().toString(QStringLiteral("HH:mm:ss")); };
    CallEvents &events = m_events;
    // The modem's calls only: a gateway's went out as the gateway sent them.
    connect(&events, &CallEvents::ring, &m_server, [this, now](int count) {
        if (m_modemLine.networkCall)
            return;
        m_published = true;
        m_server.sendRing(lineName(), count, now());
    });
    connect(&events, &CallEvents::caller, &m_server, [this](const ReportedCall &reported, bool refused) {
        if (m_modemLine.networkCall)
            return;
        m_published = true;
        Ncid::Call call;
        call.date = Ncid::dateField(reported.date);
        call.time = reported.time;
        call.number = Ncid::sentField(reported.number);
        call.name = Ncid::sentField(reported.name);
        call.line = lineName();
        m_server.sendCall(call, refused);
    });
    connect(&events, &CallEvents::ended, &m_server, [this, now] {
        if (std::exchange(m_published, false))
            m_server.sendRing(lineName(), 0, now());
    });
}

QList<Ncid::Call> NcidCalls::storedCalls() const
{
    const QStringList &records = m_view.calls.records();
    // The refused calls are sent as the server sent them live: hung up on.
    RefusedCalls::Marks refused = RefusedCalls::read(m_files.file(RefusedCalls::fileName()));
    const int first = m_view.calls.firstHeld();
    for (qsizetype i = 0; i < records.size(); ++i)
        refused.see(CallRecord::fields(records.at(i)), first + int(i));
    refused.settle();
    QList<Ncid::Call> calls;
    for (qsizetype i = std::max<qsizetype>(0, records.size() - NcidServer::MaxLogLines); i < records.size(); ++i) {
        if (!CallRecord::isLive(records.at(i)))
            continue;
        calls << fromRecord(records.at(i));
        calls.last().refused = refused.marks(first + int(i));
        calls.last().line = lineName();
    }
    return calls;
}

Ncid::Call NcidCalls::fromRecord(const QString &record)
{
    const CallRecord::Fields f = CallRecord::fields(record);
    Ncid::Call call;
    const QDate date = CallTexts::readShortDate(f.date.trimmed());
    call.date = date.isValid() ? date.toString(QStringLiteral("MMddyyyy")) : f.date.trimmed();
    const QTime time = CallTexts::readTime(f.time);
    call.time = time.isValid() ? time.toString(QStringLiteral("HHmm")) : f.time.trimmed();
    QString digits = f.number;
    digits.remove(QLatin1Char('(')).remove(QLatin1Char(')')).remove(QLatin1Char('-'));
    digits = digits.trimmed();
    if (digits == CallerIdParser::PrivateNumber || digits == CallerIdParser::UnknownNumber)
        call.number = sentWord(digits, CallerIdParser::PrivateNumber, CallerIdParser::UnknownNumber);
    else
        call.number = CallTexts::isDigits(digits) ? digits : QStringLiteral("-");
    // Names are stored with their blanks doubled.
    QString name = f.name.trimmed();
    name.replace(QLatin1String("  "), QLatin1String(" "));
    call.name = sentWord(name, CallerIdParser::PrivateName, CallerIdParser::UnknownName);
    return call;
}

QString NcidCalls::modemReport(const Ncid::Call &call)
{
    return QStringLiteral("\r\nDATE = %1\r\nTIME = %2\r\nNMBR = %3\r\nNAME = %4\r\n")
        .arg(reportValue(call.date.left(4)), reportValue(call.time.left(4)), reportValue(call.number),
             reportValue(call.name));
}

void NcidCalls::endCall(bool handOver)
{
    if (m_call.buffer.isEmpty() && m_modemLine.Timer1.Interval() == 0) {
        freeReception();
        if (handOver)
            takeHeld();
        return;
    }
    m_modemLine.Timer1.off();
    {
        const QScopedValueRollback<bool> ending(m_ending, true);
        m_reception.lineWentQuiet();
    }
    // The call is stored: the next line's call is taken at once, before the server's next line.
    freeReception();
    if (handOver)
        takeHeld();
}

void NcidCalls::feed(const QString &text)
{
    // A call of the network's: no modem here answers or hangs up on it, and it is not published
    // again. The end of the call forgets it.
    m_modemLine.networkCall = true;
    m_reception.receive(text);
}

void NcidCalls::setLine(const QString &line)
{
    m_line = line;
    m_reception.holdModem(!line.isEmpty());
}

void NcidCalls::modemCallHeard()
{
    if (m_modemLine.networkCall || m_modemCall)
        return;
    m_modemCall = true;
    // Where a gateway's line rings too, the modem's calls are named as well.
    if (m_linesSeen.size() > 1)
        m_call.line = lineName();
}

void NcidCalls::fromGateway(const QByteArray &lines)
{
    // Its lines are named; the modem's line is one more.
    m_linesSeen.insert(lineName());
    // As a client takes a server's lines: one a turn of the event loop, never inside the
    // socket's read signal (a call is announced in waits that run the loop).
    for (const QString &line : m_gatewayReader.feed(lines)) {
        // A gateway that floods the server must not grow this without end.
        if (m_gatewayLines.size() >= MaxHeldMessages) {
            qCWarning(lcNetwork, "NCID: more than %d gateway lines waiting; one dropped", MaxHeldMessages);
            continue;
        }
        m_gatewayLines << Ncid::parse(line);
    }
    QMetaObject::invokeMethod(this, &NcidCalls::takeGatewayLine, Qt::QueuedConnection);
}

void NcidCalls::takeGatewayLine()
{
    if (m_gatewayLines.isEmpty())
        return;
    const Ncid::Message m = m_gatewayLines.takeFirst();
    if (!m_gatewayLines.isEmpty())
        QMetaObject::invokeMethod(this, &NcidCalls::takeGatewayLine, Qt::QueuedConnection);
    onMessage(m);
}

void NcidCalls::freeReception()
{
    setLine(QString());
    // The line of the call is said while it rings, not after.
    if (m_tray.tip().startsWith(TrayStatus::ConnectedTip + QStringLiteral(": a call on ")))
        m_tray.setTip(TrayStatus::ConnectedTip);
}

void NcidCalls::lineFree()
{
    m_modemCall = false;
    if (m_ending)
        return; // the end this program asked for: handed over once it is done
    // Ended by silence, from inside the end of the call: the next call once that is done.
    freeReception();
    if (!m_held.isEmpty())
        QTimer::singleShot(0, this, &NcidCalls::takeHeld);
}

void NcidCalls::takeHeld()
{
    if (m_handing)
        return; // the loop below goes on with the next one
    const QScopedValueRollback<bool> handing(m_handing, true);
    while (m_line.isEmpty() && !m_modemCall && !m_held.isEmpty()) {
        setLine(m_held.first().line);
        // Its messages until its call ends; what follows is that line's next call, next in turn.
        while (!m_held.isEmpty() && m_held.first().line == m_line && !m_held.first().messages.isEmpty()) {
            --m_heldMessages;
            take(m_held.first().messages.takeFirst());
        }
        if (!m_held.isEmpty() && m_held.first().messages.isEmpty())
            m_held.removeFirst();
    }
}

void NcidCalls::onMessage(const Ncid::Message &m)
{
    if (m.kind == Ncid::Kind::Msg) {
        if (!m.text.isEmpty())
            m_tray.setTip(m.text);
        return;
    }
    // The call log at connect is history; server lines and unknown labels are not calls.
    if (m.kind != Ncid::Kind::CidInfo && !Ncid::isLive(m.kind))
        return;
    const QString line = m.call.line;
    if (m_linesSeen.size() < 2) // more than one is all that is asked
        m_linesSeen.insert(line);
    if (m_line.isEmpty() && !m_modemCall && m_held.isEmpty())
        setLine(line);
    if (line == m_line && !m_modemCall) {
        take(m);
        return;
    }
    // A server that floods other lines while one call rings must not grow this without end.
    if (++m_heldMessages > MaxHeldMessages) {
        qCWarning(lcNetwork, "NCID: more than %d lines held for other lines' calls; line %s dropped", MaxHeldMessages,
                  qPrintable(line));
        --m_heldMessages;
        return;
    }
    for (HeldCall &held : m_held) {
        if (held.line == line) {
            held.messages << m;
            return;
        }
    }
    m_held << HeldCall{line, {m}};
}

void NcidCalls::take(const Ncid::Message &m)
{
    if (m.kind == Ncid::Kind::CidInfo) {
        if (m.ring > 0)
            feed(QStringLiteral("\r\nRING\r\n"));
        else
            endCall(); // 0: the ringing stopped; -1, -2: answered here or elsewhere
        return;
    }
    const QString line = m_line;
    // The same caller again while the call rings: the server passes on a name it got later.
    if (m_call.ReportProcessed && !m.call.refused && m.call.number == m_number) {
        m_reception.renameCaller(reportValue(m.call.name));
        return;
    }
    // A caller of the call in progress was told already: this is the next call of the line,
    // which keeps the reception.
    if (m_call.ReportProcessed) {
        endCall(false);
        setLine(line);
    }
    m_number = m.call.number;
    // Where more than one line rings, the user is told which one this is.
    m_call.line = m_linesSeen.size() > 1 ? line : QString();
    if (!m_call.line.isEmpty())
        m_tray.setTip(TrayStatus::ConnectedTip + QStringLiteral(": a call on ") + line);
    if (m.call.refused)
        m_call.refusal = Refusal::RefusedByServer;
    feed(modemReport(m.call));
    // The server hung up, or blocked it: the call is over now.
    if (m.call.refused)
        endCall();
}

void NcidCalls::onConnectedChanged(bool connected)
{
    if (connected)
        m_tray.showConnected();
    else
        m_tray.show(TrayStatus::ReleasedIcon, DisconnectedTip);
}
