#include "ModemSearch.h"

#include "CallView.h"
#include "Clock.h"
#include "ComPorts.h"
#include "DataFiles.h"
#include "ModemLine.h"
#include "ModemRegistry.h"
#include "MsgBox.h"
#include "Waits.h"

#include <QFileInfo>

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

ModemSearch::ModemSearch(ModemLine &line, DataFiles &files, CallView &callView, ISearchView &view, QObject *parent)
    : QObject(parent), m_line(line), m_files(files), m_callView(callView), m_view(view), m_comm2(this)
{
    m_comm2.setProgramFolder(files.folder());
}

void ModemSearch::closePorts()
{
    for (MSComm *port : {&m_line.MSComm1, &m_comm2}) {
        if (port->PortOpen()) {
            pumpOnce();
            port->setPortOpen(false);
        }
    }
}

void ModemSearch::noteProblem(const QString &reason)
{
    m_view.addLine(reason);
    if (m_problems.contains(reason))
        return;
    m_problems.append(reason);
    m_view.showProblem(reason);
}

bool ModemSearch::openComm2(int port)
{
    m_comm2.setCommPort(port);
    m_comm2.setSettings(QStringLiteral("9600,N,8,1"));
    m_comm2.setInputLen(0);
    QString reason;
    if (m_comm2.setPortOpen(true, &reason))
        return true;
    // A number that names no device is simply no modem. A device that is there but cannot be
    // opened (permission, another program holds it) is the user's to mend: it is told.
    if (!m_comm2.devicePath().isEmpty() && QFileInfo::exists(m_comm2.devicePath()))
        noteProblem(reason);
    else
        m_view.addLine(reason);
    return false;
}

bool ModemSearch::ask(const QString &command, QString *replyOut)
{
    QString reply;
    if (!m_stop && m_comm2.PortOpen()) {
        // The input is cleared before each command: one command's reply cannot pass for the next's.
        // The echo is not waited for apart: it is simply the start of the reply.
        m_comm2.clearInBuffer();
        m_comm2.Output(command + QChar(13));
        m_comm2.setInputLen(0);
        EventWait wait;
        wait.wakeOn(&m_comm2, &MSComm::dataArrived);
        wait.wakeOn(&m_comm2, &MSComm::deviceLost);
        wait.wakeOn(this, &ModemSearch::stopRequested);
        wait.until(Clock::current().now().addSecs(ReplySeconds), [&] {
            if (m_comm2.InBufferCount() > 0)
                reply += m_comm2.Input();
            return reply.contains(QLatin1String("OK")) || m_stop || m_comm2.inputBroken();
        });
    }
    if (replyOut)
        *replyOut = reply;
    return !m_stop && reply.contains(QLatin1String("OK"));
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
    for (int k = 1; k <= 10 && !m_stop && !m_comm2.inputBroken(); ++k) {
        m_view.setProgress(QStringLiteral("Test_%1 in Progress %2")
                               .arg(k)
                               .arg(k % 2 ? QStringLiteral("=====>") : QStringLiteral("===>")));
        QString reply;
        if (ask(QStringLiteral("ATI%1").arg(k), &reply)) {
            m_view.addLine(answerLine(reply));
            found = true;
            m_line.ModemConfigured = true;
        }
    }
    closePorts();
    return found && !m_stop;
}

bool ModemSearch::answersAt(int port)
{
    m_view.addLine(QStringLiteral("Checking COM%1...").arg(port));
    closePorts();
    if (!openComm2(port))
        return false;
    const bool ok = ask(QStringLiteral("AT"));
    if (!ok && !m_stop)
        m_view.addLine(
            QStringLiteral("COM%1 (%2) does not answer AT: not a modem.").arg(port).arg(m_comm2.devicePath()));
    closePorts();
    return ok;
}

void ModemSearch::store(int rec, const QString &text)
{
    m_stored = true;
    m_files.writeSetupRecord(rec, text);
}

void ModemSearch::writeChoice()
{
    const Settings &s = m_files.settings;
    store(1, QStringLiteral("Color_Choice = ") + s.Color_Choice);
    store(2, QStringLiteral("COM_Port = ") + s.COM_Port);
    store(3, QStringLiteral("Modem_Name = ") + s.Modem_Name);
}

ModemSearch::Probe ModemSearch::probeCallerId()
{
    Settings &s = m_files.settings;
    m_view.addLine(QStringLiteral("Modem_Name = ") + s.Modem_Name);
    m_view.addLine(QStringLiteral("COM_Port = ") + s.COM_Port);
    closePorts();
    // A port another program holds has no caller-ID command for us: no verdict, the search goes on.
    if (!openComm2(s.comPortNumber()))
        return Probe::NoAnswer;
    bool heard = false;
    for (const QString &candidate : CallerIdCandidates) {
        if (m_stop || m_comm2.inputBroken())
            break;
        QString reply;
        const bool ok = ask(candidate, &reply);
        heard = heard || !reply.isEmpty();
        if (!ok)
            continue;
        // The modem's records are written only now that it has answered.
        writeChoice();
        s.Call_Id_AT_Command = candidate;
        m_view.addLine(QStringLiteral("Modem Caller ID String = ") + candidate);
        store(4, QStringLiteral("Call_Id_AT_Command = ") + candidate);
        closePorts();
        return Probe::Accepted;
    }
    if (m_stop)
        return Probe::NoAnswer;
    if (!heard || m_comm2.inputBroken()) {
        // Not even ERROR: the modem was pulled out or hung, which says nothing about caller ID.
        noteProblem(QStringLiteral("COM%1 (%2) stopped answering.").arg(s.COM_Port, m_comm2.devicePath()));
        closePorts();
        return Probe::NoAnswer;
    }
    writeChoice();
    return Probe::Refused;
}

void ModemSearch::modemAt(int port, const QString &name)
{
    Settings &s = m_files.settings;
    s.COM_Port = QString::number(port);
    s.Modem_Name = name.isEmpty() ? QStringLiteral("Modem") : name;
    m_line.ModemConfigured = true;
}

void ModemSearch::keepVerdict()
{
    m_kept = {m_files.settings.COM_Port, m_files.settings.Modem_Name, true};
}

void ModemSearch::forgetUnanswered()
{
    m_files.settings.COM_Port = m_kept.com;
    m_files.settings.Modem_Name = m_kept.name;
    m_line.ModemConfigured = m_kept.configured;
}

bool ModemSearch::tryModem()
{
    switch (probeCallerId()) {
    case Probe::Accepted:
        keepVerdict();
        return true;
    case Probe::Refused:
        keepVerdict();
        noCallerIdFound();
        return false;
    case Probe::NoAnswer:
        forgetUnanswered();
        return false;
    }
    return false;
}

void ModemSearch::noCallerIdFound()
{
    m_view.clearList();
    m_view.addLine(QStringLiteral("Modem did not detect Caller ID String"));
    // Stored before the box opens: the box waits for the user, the settings do not.
    m_files.settings.Call_Id_AT_Command = NoCallerId;
    store(4, QStringLiteral("Call_Id_AT_Command = ") + NoCallerId);
    closePorts();
    MsgBox(crLines({QStringLiteral("Your Modem do not supports Caller ID!"),
                    QStringLiteral("Caller Identification will not be possible."),
                    QStringLiteral("However you may still use the Ringlark"),
                    QStringLiteral("Caller ID Program for lots of other Features."),
                    QStringLiteral("Please see 'Help'.")}),
           MsgStyle::Information, QStringLiteral("Modem Detection"));
}

void ModemSearch::begin()
{
    m_running = true;
    m_stop = false;
    m_stored = false;
    m_problems.clear();
    m_line.detectionProblems.clear();
    m_line.searchStopped = false;
    const Settings &s = m_files.settings;
    m_kept = {s.COM_Port, s.Modem_Name, false};
    m_before = {s.COM_Port, s.Modem_Name, s.Call_Id_AT_Command, m_line.ModemConfigured};
}

void ModemSearch::end()
{
    closePorts();
    m_line.detectionProblems = m_problems;
    // Stopped by the user before anything was stored: no verdict. The modem in use before the
    // search is the one configured still, and is taken back for caller ID.
    m_line.searchStopped = m_stop && !m_stored;
    if (m_line.searchStopped) {
        Settings &s = m_files.settings;
        s.COM_Port = m_before.com;
        s.Modem_Name = m_before.name;
        s.Call_Id_AT_Command = m_before.command;
        m_line.ModemConfigured = m_before.configured;
    }
    m_running = false;
}

bool ModemSearch::scanPorts()
{
    m_view.clearList();
    for (int port = 1; port <= LastPort && !m_stop; ++port) {
        if (!portTest(port))
            continue;
        modemAt(port, QString());
        if (tryModem())
            return true;
    }
    return false;
}

void ModemSearch::automaticSearch()
{
    begin();
    m_line.ModemDetectionRunning = true;
    m_line.ModemConfigured = false;
    m_line.flags.ModemSearchInProgress = false;
    m_callView.Timer2.stop();
    m_view.clearList();
    m_view.addLine(PleaseWait);
    if (m_files.settings.colorNumber() < 1)
        m_files.settings.Color_Choice = QString::number(Settings::DefaultColor);

    // However many the system lists, each is asked. A device of the modem class may be anything
    // (a board that speaks USB serial): only one that answers "AT" keeps the scan away.
    bool answered = false;
    bool found = false;
    const QList<KnownModem> known = ModemRegistry::current().modems(m_files.folder());
    for (const KnownModem &modem : known) {
        if (m_stop)
            break;
        QString number = modem.portName;
        const int port = number.remove(QLatin1String("COM")).toInt();
        if (!answersAt(port))
            continue;
        answered = true;
        modemAt(port, modem.friendlyName);
        m_view.showPortNumber(port);
        if ((found = tryModem()))
            break;
    }
    if (!answered && !m_stop)
        found = scanPorts();
    if (!found)
        forgetUnanswered();
    // A port that could not be asked, or a modem that stopped answering (unplugged during the
    // search), tells nothing about the modem configured before: it stays configured.
    if (!found && !m_stored && !m_problems.isEmpty() && m_before.configured)
        m_line.ModemConfigured = true;
    // The main window takes the modem back for caller ID: the search lets go of it.
    end();
    m_view.showPortNumber(m_files.settings.comPortNumber());
    m_view.setProgress(QStringLiteral("Test Finished"));
    m_line.ModemDetectionRunning = false;
}

bool ModemSearch::busy() const
{
    // The pager after a call and the end of a call have the port as much as a ringing call or
    // a service: a test's commands would go down their line.
    return m_running || m_line.Timer1.Interval() != 0 || m_line.modemBusy() || m_line.ModemDetectionRunning;
}

bool ModemSearch::manualTest(int port)
{
    if (busy())
        return false;
    begin();
    m_line.flags.ModemSearchInProgress = true;
    m_line.ModemConfigured = false;
    m_view.clearList();
    const bool found = portTest(port);
    if (!found) {
        forgetUnanswered();
        m_view.setProgress(QStringLiteral("Test Finished"));
        m_view.addLine(QStringLiteral("No Modem is found on COM %1").arg(port));
    } else {
        modemAt(port, QString());
        m_view.addLine(QStringLiteral("Modem is on COM %1").arg(port));
        m_view.setProgress(QStringLiteral("Testing Caller ID String"));
        tryModem();
        m_view.setProgress(QStringLiteral("Test Finished"));
    }
    end();
    m_line.flags.ModemSearchInProgress = false;
    return true;
}

bool ModemSearch::chooseByHand(const QString &device, const QString &command, QString *error)
{
    const QString path = device.trimmed();
    const QString cmd = command.trimmed();
    QString why;
    int port = 0;
    m_tookThePort = false;
    if (busy())
        why = QStringLiteral("Wait until the running test or call has ended.");
    else if (path.isEmpty() || !QFileInfo::exists(path))
        why = QStringLiteral("%1 does not exist.").arg(path.isEmpty() ? QStringLiteral("The device") : path);
    else if (cmd.size() <= 1)
        why = QStringLiteral("Type the caller-ID command of the modem (for example AT+VCID=1).");
    else if (!(why = askChosen(path, cmd)).isEmpty() || m_stop)
        ; // not a modem that takes the command, or the window was closed meanwhile: nothing stored
    else if ((port = assignComNumber(path, m_files.folder())) < 1)
        why = QStringLiteral("No COM number from 1 to 16 is free for %1.").arg(path);
    if (!why.isEmpty() || m_stop) {
        if (error)
            *error = why;
        return false;
    }
    // A stable name (by-id) says what the modem is; a bare device node does not.
    const bool named = path.startsWith(QLatin1String("/dev/serial/by-id/"));
    modemAt(port, named ? QFileInfo(path).fileName() : QString());
    Settings &s = m_files.settings;
    s.Call_Id_AT_Command = cmd;
    writeChoice();
    store(4, QStringLiteral("Call_Id_AT_Command = ") + cmd);
    m_view.clearList();
    m_view.addLine(QStringLiteral("Modem_Name = ") + s.Modem_Name);
    m_view.addLine(QStringLiteral("COM_Port = ") + s.COM_Port);
    m_view.addLine(QStringLiteral("Modem Caller ID String = ") + cmd);
    m_view.showPortNumber(port);
    return true;
}

QString ModemSearch::askChosen(const QString &device, const QString &command)
{
    // Asked on the search's own port: the caller-ID port lets go of the modem meanwhile (the
    // chosen device may be the modem in use), and is re-armed by whoever chose.
    m_tookThePort = true;
    closePorts();
    m_running = true;
    m_stop = false;
    m_comm2.setDevicePath(device);
    m_comm2.setSettings(QStringLiteral("9600,N,8,1"));
    m_comm2.setInputLen(0);
    QString why;
    QString reply;
    if (!m_comm2.setPortOpen(true, &why))
        why = QStringLiteral("%1 could not be opened: %2").arg(device, why);
    else if (!ask(QStringLiteral("AT")))
        why = QStringLiteral("%1 does not answer AT with OK: it is not a modem, or it is switched off.").arg(device);
    else if (!ask(command, &reply))
        why = reply.contains(QLatin1String("ERROR"))
                  ? QStringLiteral("The modem on %1 answers %2 with ERROR: it does not take that command.")
                        .arg(device, command)
                  : QStringLiteral("The modem on %1 does not answer %2.").arg(device, command);
    closePorts();
    m_comm2.setDevicePath(QString());
    m_running = false;
    return why;
}

void ModemSearch::stop()
{
    if (!m_running)
        return;
    m_stop = true;
    emit stopRequested();
}
