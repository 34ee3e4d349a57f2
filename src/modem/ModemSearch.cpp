#include "ModemSearch.h"

#include "AppState.h"
#include "ModemExchange.h"
#include "ModemRegistry.h"
#include "MsgBox.h"
#include "Waits.h"

const QStringList ModemSearch::CallerIdCandidates = {
    QStringLiteral("AT+VCID=1"), QStringLiteral("AT#CID=1"),       QStringLiteral("AT#CC1"),
    QStringLiteral("AT#ID1"),    QStringLiteral("AT#CLS=8#CID=1"), QStringLiteral("AT%CCID=1"),
};

namespace {

const QString PleaseWait = QStringLiteral("Testing Modem.........Please Wait.");

// The first line the modem sent: between the first and the second line end of the reply (after
// its echo; for a modem that does not echo, the first line of its answer).
QString answerLine(const QString &reply)
{
    const qsizetype first = reply.indexOf(QLatin1String("\r\n"));
    if (first < 0)
        return QString();
    const qsizetype second = reply.indexOf(QLatin1String("\r\n"), first + 2);
    return second < 0 ? QString() : reply.mid(first + 2, second - first - 2);
}

} // namespace

ModemSearch::ModemSearch(AppState &state, ISearchView &view, QObject *parent)
    : QObject(parent), m_state(state), m_view(view), m_comm2(this)
{
    m_comm2.setProgramFolder(state.folder());
}

void ModemSearch::closePorts()
{
    for (MSComm *port : {&m_state.MSComm1, &m_comm2}) {
        if (port->PortOpen()) {
            pumpOnce();
            port->setPortOpen(false);
        }
    }
}

bool ModemSearch::openComm2(int port)
{
    m_comm2.setCommPort(port);
    m_comm2.setSettings(QStringLiteral("9600,N,8,1"));
    m_comm2.setInputLen(0);
    QString reason;
    if (m_comm2.setPortOpen(true, &reason))
        return true;
    // What the user can do about it: join the dialout group, close the program that holds it.
    m_view.addLine(reason);
    return false;
}

bool ModemSearch::portTest(int port)
{
    bool found = false;
    if (port != 1)
        m_view.addLine(QStringLiteral("---------------------"));
    m_view.addLine(PleaseWait);
    m_view.addLine(QStringLiteral("Checking COM%1...").arg(port));
    closePorts();
    // A port that does not exist, or that another program holds, fails here at once.
    if (!openComm2(port))
        return false;
    ModemExchange exchange(m_comm2);
    for (int k = 1; k <= 10 && m_comm2.PortOpen(); ++k) {
        m_view.setProgress(QStringLiteral("Test_%1 in Progress %2").arg(k).arg(k % 2 ? QStringLiteral("=====>")
                                                                                      : QStringLiteral("===>")));
        exchange.SendModemCommand(QStringLiteral("ATI%1").arg(k));
        if (!exchange.AwaitModemReply(ReplySeconds)) {
            m_view.addLine(answerLine(exchange.reply()));
            found = true;
            m_state.ModemConfigured = true;
        }
    }
    closePorts();
    return found;
}

bool ModemSearch::probeCallerId()
{
    Settings &s = m_state.settings;
    m_state.writeSetupRecord(1, QStringLiteral("Color_Choice = ") + s.Color_Choice);
    m_state.writeSetupRecord(2, QStringLiteral("COM_Port = ") + s.COM_Port);
    m_state.writeSetupRecord(3, QStringLiteral("Modem_Name = ") + s.Modem_Name);
    m_view.addLine(QStringLiteral("Modem_Name = ") + s.Modem_Name);
    m_view.addLine(QStringLiteral("COM_Port = ") + s.COM_Port);
    closePorts();
    // A port another program holds has no caller-ID command for us: the search goes on.
    if (!openComm2(s.comPortNumber()))
        return false;
    ModemExchange exchange(m_comm2);
    for (const QString &candidate : CallerIdCandidates) {
        // The input is cleared before each command: one candidate's reply cannot pass for the next's.
        exchange.SendModemCommand(candidate);
        if (exchange.AwaitModemReply(ReplySeconds))
            continue;
        s.Call_Id_AT_Command = candidate;
        m_view.addLine(QStringLiteral("Modem Caller ID String = ") + candidate);
        m_state.writeSetupRecord(4, QStringLiteral("Call_Id_AT_Command = ") + candidate);
        closePorts();
        return true;
    }
    return false;
}

void ModemSearch::modemAt(int port, const QString &name)
{
    Settings &s = m_state.settings;
    s.COM_Port = QString::number(port);
    s.Modem_Name = name.isEmpty() ? QStringLiteral("Modem") : name;
    m_state.ModemConfigured = true;
}

void ModemSearch::noCallerIdFound()
{
    m_view.clearList();
    m_view.addLine(QStringLiteral("Modem did not detect Caller ID String"));
    // Stored before the box opens: the box waits for the user, the settings do not.
    m_state.settings.Call_Id_AT_Command = NoCallerId;
    m_state.writeSetupRecord(4, QStringLiteral("Call_Id_AT_Command = ") + NoCallerId);
    closePorts();
    MsgBox(crLines({QStringLiteral("Your Modem do not supports Caller ID!"),
                    QStringLiteral("Caller Identification will not be possible."),
                    QStringLiteral("However you may still use the Ringlark"),
                    QStringLiteral("Caller ID Program for lots of other Features."), QStringLiteral("Please see 'Help'.")}),
           MsgStyle::Information, QStringLiteral("Modem Detection"));
}

void ModemSearch::automaticSearch()
{
    m_state.windows.ModemDetectionRunning = true;
    m_state.ModemConfigured = false;
    m_state.flags.ModemSearchInProgress = false;
    m_state.Timer2.stop();
    m_view.clearList();
    m_view.addLine(PleaseWait);
    if (m_state.settings.colorNumber() < 1)
        m_state.settings.Color_Choice = QString::number(Settings::DefaultColor);

    const QList<KnownModem> known = ModemRegistry::current().modems(m_state.folder());
    if (known.isEmpty()) {
        m_view.clearList();
        for (int port = 1; port <= LastPort; ++port) {
            if (!portTest(port))
                continue;
            modemAt(port, QString());
            if (probeCallerId())
                break;
            noCallerIdFound();
        }
    } else {
        // However many the system lists, each is tried in turn.
        for (const KnownModem &modem : known) {
            QString number = modem.portName;
            modemAt(number.remove(QLatin1String("COM")).toInt(), modem.friendlyName);
            m_view.showPortNumber(m_state.settings.comPortNumber());
            if (probeCallerId())
                break;
            noCallerIdFound();
        }
    }
    // The main window takes the modem back for caller ID: the search lets go of it.
    closePorts();
    m_view.showPortNumber(m_state.settings.comPortNumber());
    m_view.setProgress(QStringLiteral("Test Finished"));
    m_state.windows.ModemDetectionRunning = false;
}

bool ModemSearch::manualTest(int port)
{
    const InProgressFlags &f = m_state.flags;
    if (m_state.Timer1.Interval() != 0 || f.ZapInProgress || f.DialInProgress || f.ForwardingInProgress ||
        f.BlockCallInProgress || f.PrivateCallsInProgress || f.ModemSearchInProgress ||
        m_state.windows.ModemDetectionRunning)
        return false;
    m_state.flags.ModemSearchInProgress = true;
    m_state.ModemConfigured = false;
    m_view.clearList();
    if (!portTest(port)) {
        m_view.setProgress(QStringLiteral("Test Finished"));
        m_view.addLine(QStringLiteral("No Modem is found on COM %1").arg(port));
    } else {
        modemAt(port, QString());
        m_view.addLine(QStringLiteral("Modem is on COM %1").arg(port));
        m_view.setProgress(QStringLiteral("Testing Caller ID String"));
        if (!probeCallerId())
            noCallerIdFound();
        m_view.setProgress(QStringLiteral("Test Finished"));
    }
    closePorts();
    m_state.flags.ModemSearchInProgress = false;
    return true;
}
