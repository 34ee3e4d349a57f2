#include "ModemExchange.h"

#include "MSComm.h"
#include "Clock.h"
#include "MsgBox.h"
#include "Waits.h"

bool ModemExchange::TakeModemPort()
{
    MSComm &port = m_port;
    port.setInputLen(0);
    if (port.PortOpen())
        return true;
    if (port.setPortOpen(true))
        return true;
    MsgBox(QStringLiteral("Modem Port is Busy with other Application!"), MsgStyle::Critical,
           QStringLiteral("Modem Port is Busy"));
    return false;
}

void ModemExchange::SendModemCommand(const QString &command)
{
    MSComm &port = m_port;
    port.clearInBuffer();
    m_command = command;
    port.Output(command + QChar(13));
    // The echo stays in the buffer: it becomes the start of the reply.
    const int echoLength = int(command.size());
    EventWait wait;
    wait.wakeOn(&port, &MSComm::dataArrived);
    wait.until(Clock::current().now().addMSecs(EchoWaitMs), [&] { return port.InBufferCount() >= echoLength; });
}

bool ModemExchange::AwaitModemReply(int timeoutSeconds, const std::function<void()> &onOk)
{
    MSComm &port = m_port;
    port.setInputLen(0);
    m_reply.clear();
    EventWait wait;
    wait.wakeOn(&port, &MSComm::dataArrived);
    const bool ok = wait.until(Clock::current().now().addSecs(timeoutSeconds), [&] {
        if (port.InBufferCount() > 0)
            m_reply += port.Input();
        return m_reply.contains(QLatin1String("OK"));
    });
    if (ok && onOk)
        onOk();
    return !ok;
}
