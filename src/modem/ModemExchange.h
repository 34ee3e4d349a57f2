#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class MSComm;

// One AT dialogue on a serial port (the main window's, borrowed from caller-ID reception, or
// the modem search's own): take the port, write a command, wait for its echo, collect the
// reply until "OK" or a time-out. Every wait sleeps in the event loop, so the window stays
// alive; the in-progress flags keep the receive handler away from the replies meanwhile.
class ModemExchange {
public:
    // The longest wait for the echo of a command (or any reply line of a modem that does not echo).
    static constexpr int EchoWaitMs = 1000;

    explicit ModemExchange(MSComm &port) : m_port(port) {}

    // True when the port is open for the service; false (the user has been told) when another
    // program holds it.
    bool TakeModemPort();
    // Discards waiting input, writes the command and one carriage return, waits for the echo.
    void SendModemCommand(const QString &command);
    // Collects the reply until it holds "OK" or the time-out, counted from the command's sending,
    // passes; returns whether it timed out. `onOk` runs as soon as "OK" is there,
    // inside the wait; however long it takes, the wait then counts as not timed out.
    bool AwaitModemReply(int timeoutSeconds, const std::function<void()> &onOk = {});

    // The device went away during this exchange's waits (unplugged): the user has been told
    // "Modem Disconnected" at once, and what the service would say of a silent line is not said.
    bool deviceLost() const { return m_lost; }
    // The line is off-hook by this program's command (answered with ATA, or dialled): it is hung
    // up before the program ends, whatever wait the ending cut short.
    bool offHook() const { return m_offHook; }
    // Hangs up a line left off-hook, without waiting for the reply (the program is ending).
    void hangUpNow();

    QString command() const { return m_command; }
    QString reply() const { return m_reply; }
    // "ERROR" after the echo: the modem refused the command.
    bool replyIsError() const { return m_reply.indexOf(QLatin1String("ERROR")) > 0; }

private:
    MSComm &m_port;
    QString m_command;
    QString m_reply;
    QDateTime m_sentAt; // when the last command went out
    bool m_lost = false;
    bool m_offHook = false;
    // Ends a wait when the device has gone; tells the user once per exchange.
    bool lostNow();
};
