#include "ModemExchange.h"

#include "Clock.h"
#include "MSComm.h"
#include "ModemMessages.h"
#include "MsgBox.h"
#include "Waits.h"

bool ModemExchange::TakeModemPort()
{
    MSComm &port = m_port;
    m_lost = false;
    port.setInputLen(0);
    if (ProgramEnd::underway())
        return false;
    if (port.PortOpen())
        return true;
    QString reason;
    if (port.setPortOpen(true, &reason))
        return true;
    if (port.deviceMissing()) {
        ModemMessages::notConnected(reason);
        return false;
    }
    MsgBox(QStringLiteral("Modem Port is Busy with other Application!"), MsgStyle::Critical,
           QStringLiteral("Modem Port is Busy"));
    return false;
}

void ModemExchange::SendModemCommand(const QString &command)
{
    MSComm &port = m_port;
    m_command = command;
    m_sentAt = Clock::current().now();
    if (ProgramEnd::underway() || lostNow())
        return;
    port.clearInBuffer();
    port.Output(command + QChar(13));
    if (command == QLatin1String("ATH"))
        m_offHook = false;
    else if (command == QLatin1String("ATA") || command.startsWith(QLatin1String("ATD")))
        m_offHook = true;
    // The echo stays in the buffer: it becomes the start of the reply. A modem that does not echo
    // (ATE0) sends its reply line straight away, which ends the wait as well; one that sends
    // nothing at all (ATA while it answers) costs the reply wait nothing, because the reply's
    // time-out counts from here.
    const int echoLength = int(command.size());
    EventWait wait;
    wait.wakeOn(&port, &MSComm::dataArrived);
    wait.wakeOn(&port, &MSComm::deviceLost);
    wait.until(m_sentAt.addMSecs(EchoWaitMs),
               [&] { return port.InBufferCount() >= echoLength || port.inputHasLineEnd() || port.inputBroken(); });
    lostNow();
}

bool ModemExchange::AwaitModemReply(int timeoutSeconds, const std::function<void()> &onOk)
{
    MSComm &port = m_port;
    port.setInputLen(0);
    m_reply.clear();
    if (lostNow())
        return true;
    EventWait wait;
    wait.wakeOn(&port, &MSComm::dataArrived);
    wait.wakeOn(&port, &MSComm::deviceLost);
    const QDateTime from = m_sentAt.isValid() ? m_sentAt : Clock::current().now();
    const bool ok = wait.until(from.addSecs(timeoutSeconds), [&] {
        if (port.InBufferCount() > 0)
            m_reply += port.Input();
        return m_reply.contains(QLatin1String("OK")) || port.inputBroken();
    }) && m_reply.contains(QLatin1String("OK"));
    if (lostNow())
        return true;
    if (ok && onOk)
        onOk();
    return !ok;
}

bool ModemExchange::lostNow()
{
    if (m_lost)
        return true;
    // Not while the program ends: closing the port then is no loss.
    if (!m_port.inputBroken() || ProgramEnd::underway())
        return false;
    m_lost = true;
    m_offHook = false; // the line dropped with the device
    ModemMessages::notConnected(QStringLiteral("%1 went away while it was being used.").arg(m_port.devicePath()));
    return true;
}

void ModemExchange::hangUpNow()
{
    if (!m_offHook || !m_port.PortOpen())
        return;
    m_offHook = false;
    m_port.Output(QStringLiteral("ATH") + QChar(13));
    m_port.drainOutput(500);
}
