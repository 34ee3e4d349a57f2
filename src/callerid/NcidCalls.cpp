#include "NcidCalls.h"

#include "AppState.h"
#include "CallReception.h"
#include "CallRecord.h"
#include "CallState.h"
#include "CallTexts.h"
#include "CallerIdParser.h"
#include "Clock.h"
#include "TrayStatus.h"

NcidCalls::NcidCalls(AppState &state, IMainWindow &window, CallState &call, CallReception &reception, QObject *parent)
    : QObject(parent), m_state(state), m_window(window), m_call(call), m_reception(reception)
{
    connect(&m_client, &NcidClient::message, this, &NcidCalls::onMessage);
    connect(&m_client, &NcidClient::connectedChanged, this, &NcidCalls::onConnectedChanged);
}

bool NcidCalls::start(QString *error)
{
    const ProgramSettings &o = m_state.options;
    if (o.ncidClientEnabled) {
        // Said at once: calls come only once the server is there.
        m_state.tray.show(TrayStatus::ReleasedIcon, DisconnectedTip);
        m_client.connectTo(o.ncidClientHost, o.ncidClientPort);
    }
    if (!o.ncidServerEnabled)
        return true;
    publish();
    return m_server.listen(o.ncidServerAddress, o.ncidServerPort, error);
}

void NcidCalls::publish()
{
    m_server.callLog = [this] { return storedCalls(); };
    auto now = [] { return Clock::current().now().time().toString(QStringLiteral("HH:mm:ss")); };
    CallEvents &events = m_state.callEvents;
    connect(&events, &CallEvents::ring, &m_server,
            [this, now](int count) { m_server.sendRing(Ncid::DefaultLine, count, now()); });
    connect(&events, &CallEvents::caller, &m_server, [this](const ReportedCall &reported, bool refused) {
        Ncid::Call call;
        call.date = reported.date.toString(QStringLiteral("MMddyyyy"));
        call.time = reported.time;
        call.number = reported.number;
        call.name = reported.name;
        m_server.sendCall(call, refused);
    });
    connect(&events, &CallEvents::ended, &m_server, [this, now] { m_server.sendRing(Ncid::DefaultLine, 0, now()); });
}

QList<Ncid::Call> NcidCalls::storedCalls() const
{
    const QStringList &records = m_state.calls.records();
    QList<Ncid::Call> calls;
    for (qsizetype i = std::max<qsizetype>(0, records.size() - NcidServer::MaxLogLines); i < records.size(); ++i) {
        if (CallRecord::isLive(records.at(i)))
            calls << fromRecord(records.at(i));
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
    if (digits == CallerIdParser::PrivateNumber)
        call.number = QStringLiteral("P");
    else if (digits == CallerIdParser::UnknownNumber)
        call.number = QStringLiteral("O");
    else
        call.number = CallTexts::isDigits(digits) ? digits : QStringLiteral("-");
    // Names are stored with their blanks doubled.
    QString name = f.name.trimmed();
    name.replace(QLatin1String("  "), QLatin1String(" "));
    call.name = name;
    return call;
}

QString NcidCalls::modemReport(const Ncid::Call &call)
{
    // Nothing of a field may make a line or a field of its own in the report.
    auto value = [](const QString &v) {
        QString t = v;
        for (QChar &c : t) {
            if (c.unicode() < 32 || c.unicode() == 127 || c == QLatin1Char('='))
                c = QLatin1Char(' ');
        }
        return t.trimmed();
    };
    return QStringLiteral("\r\nDATE = %1\r\nTIME = %2\r\nNMBR = %3\r\nNAME = %4\r\n")
        .arg(value(call.date.left(4)), value(call.time.left(4)), value(call.number), value(call.name));
}

void NcidCalls::endCall()
{
    if (m_call.buffer.isEmpty() && m_state.Timer1.Interval() == 0)
        return;
    m_state.Timer1.off();
    m_reception.lineWentQuiet();
}

void NcidCalls::onMessage(const Ncid::Message &m)
{
    switch (m.kind) {
    case Ncid::Kind::CidInfo:
        if (m.ring > 0)
            m_reception.receive(QStringLiteral("\r\nRING\r\n"));
        else
            endCall(); // 0: the ringing stopped; -1, -2: answered here or elsewhere
        break;
    case Ncid::Kind::Cid:
    case Ncid::Kind::Hup:
        // A caller of the call in progress was told already: this is the next call.
        if (m_call.ReportProcessed)
            endCall();
        if (m.kind == Ncid::Kind::Hup)
            m_call.refusal = Refusal::RefusedByServer;
        m_reception.receive(modemReport(m.call));
        // The server hung up: the call is over now.
        if (m.kind == Ncid::Kind::Hup)
            endCall();
        break;
    case Ncid::Kind::Msg:
        if (!m.text.isEmpty())
            m_state.tray.setTip(m.text);
        break;
    default:
        break; // the call log at connect is history; server lines and unknown labels are not calls
    }
}

void NcidCalls::onConnectedChanged(bool connected)
{
    if (connected)
        m_state.tray.showConnected();
    else
        m_state.tray.show(TrayStatus::ReleasedIcon, DisconnectedTip);
}
