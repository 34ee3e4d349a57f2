#include "PortConnection.h"

#include "Clock.h"
#include "ComPorts.h"
#include "DataFiles.h"
#include "ModemLine.h"
#include "ModemMessages.h"
#include "MsgBox.h"
#include "TextRules.h"
#include "TrayStatus.h"
#include "Waits.h"

#include <QFileInfo>
#include <QScopedValueRollback>
#include <QTimer>

PortConnection::PortConnection(ModemLine &line, DataFiles &files, TrayStatus &tray, IMainWindow &window,
                               QObject *parent)
    : QObject(parent), m_line(line), m_files(files), m_tray(tray), m_window(window)
{
    connect(&m_line.MSComm1, &MSComm::deviceLost, this, &PortConnection::onDeviceLost);
    connect(&m_watch, &DeviceWatch::deviceThere, this, &PortConnection::onDeviceBack);
    m_slowRetry.setSingleShot(true);
    m_slowRetry.setInterval(SlowRetryMs);
    connect(&m_slowRetry, &QTimer::timeout, this, &PortConnection::onDeviceBack);
}

bool PortConnection::openPort(QString *reason)
{
    return m_line.MSComm1.setPortOpen(true, reason);
}

void PortConnection::ModemPortOpen()
{
    if (ProgramEnd::underway())
        return; // the port stays closed once Exit has been confirmed
    // Calls come from an NCID server: the modem is neither opened nor searched for.
    if (m_files.callsFromServer())
        return;
    // No port, or a settings file that lost its caller-ID command (short or damaged): the
    // modem is not configured, and the search finds it rather than leave caller ID off.
    if (m_files.settings.comPortNumber() < 1 || !m_files.settings.hasCallerIdCommand())
        m_window.runModemDetection();
    if (ProgramEnd::underway())
        return; // Exit during the search
    // A search the user stopped gives no verdict; the modem it found nothing about stays as it was.
    const bool searchStopped = std::exchange(m_line.searchStopped, false);
    if (!m_line.ModemConfigured) {
        if (searchStopped)
            return;
        // With why the ports that may hold the modem could not be asked.
        MsgBox(crLines(QStringList{
                           QStringLiteral("Program did not find a Modem on a valid COM Port!"),
                           QStringLiteral("Please either insert a Modem or configure it manually in Modem Setup.")} +
                       m_line.detectionProblems),
               MsgStyle::Critical, QStringLiteral("Modem Detection"));
        return;
    }
    MSComm &port = m_line.MSComm1;
    if (port.PortOpen()) {
        pumpOnce();
        port.setPortOpen(false);
    }
    port.setCommPort(m_files.settings.comPortNumber());
    port.setInputLen(0);

    if (!port.PortOpen()) {
        pumpOnce();
        QString reason;
        if (!openPort(&reason) && lostOnOpen(reason))
            return;
        if (!port.PortOpen() && heldByService && heldByService())
            return;
        if (!port.PortOpen()) {
            MsgBox(crLines({QStringLiteral("Modem Port is Busy with other Application!"),
                            QStringLiteral("You may either close other Application or run Ringlark"),
                            QStringLiteral("Talking Caller ID with Modem Port released."), reason}),
                   MsgStyle::Critical, QStringLiteral("Modem Port is Busy"));
            if (!openPort(&reason)) {
                ReleaseBusyPort();
                return;
            }
        }
    }
    deviceTaken();

    m_files.settings.Call_Id_AT_Command = TextRules::trimBlanks(m_files.settings.Call_Id_AT_Command);
    const QString command = m_files.settings.Call_Id_AT_Command;
    if (command == NoCallerIdCommand || command.size() <= 1)
        return;

    port.clearInBuffer();
    m_commandText = command + QChar(13);
    port.Output(m_commandText);
    port.setInputLen(0);
    m_reply.clear();
    awaitCallerIdReply();
}

// Reads the port without running the event loop, so that no receive event takes the modem's
// answer away, until "OK", "ERROR" or the bound. On "ERROR" or silence the port stays open:
// the rest of the program only needs it open.
void PortConnection::awaitCallerIdReply()
{
    MSComm &port = m_line.MSComm1;
    const QDateTime deadline = Clock::current().now().addMSecs(CallerIdReplyWaitMs);
    for (;;) {
        if (port.InBufferCount() > 0)
            m_reply += port.Input();
        if (m_reply.contains(QLatin1String("OK")) || m_reply.contains(QLatin1String("ERROR")))
            return;
        const qint64 left = Clock::current().now().msecsTo(deadline);
        if (left <= 0)
            return;
        // A device that has gone away answers every wait at once: stop instead of spinning.
        if (!port.waitForInput(int(Clock::current().realMs(left))) && port.inputBroken())
            return;
    }
}

bool PortConnection::modemNotUsed() const
{
    if (!m_files.callsFromServer())
        return false;
    ModemMessages::notConnected(ModemMessages::callsFromServer());
    return true;
}

bool PortConnection::lostOnOpen(const QString &reason, bool byUser)
{
    if (!m_line.MSComm1.deviceMissing())
        return false;
    // Unplugged, not busy: shown as lost until the device is back, and said as it is, once (a
    // service whose modem went in its wait has said it already, and re-arms the port after).
    const bool known = m_deviceGone;
    onDeviceLost(reason);
    if (!known || byUser)
        ModemMessages::notConnected(reason);
    return true;
}

void PortConnection::ReleaseBusyPort()
{
    if (PortReleased)
        return;
    MsgBox(QStringLiteral("After releasing COM Port, Caller Identification will be stopped!"), MsgStyle::Information,
           QStringLiteral("Releasing COM Port!"));
    if (m_line.MSComm1.PortOpen())
        m_line.MSComm1.setPortOpen(false);
    PortReleased = true;
    m_tray.showReleased();
    m_window.minimise();
    // A modem not plugged in yet is taken when it comes.
    const QString device = comDevicePath(m_files.settings.comPortNumber(), m_files.folder());
    if (device.isEmpty() || !QFileInfo::exists(device))
        awaitDevice();
}

void PortConnection::notConfigured()
{
    MsgBox(crLines({QStringLiteral("Program is not yet configured for a valid Modem."),
                    QStringLiteral("Please go to Menu Modem and search for a valid Modem.")}),
           MsgStyle::Critical, QStringLiteral("Modem is not Configured!"));
}

void PortConnection::connectPort()
{
    // A modem dialogue (the pager after a call, a zap) has the port and hands it back itself.
    if (m_line.modemBusy() || modemNotUsed())
        return;
    if (!m_line.ModemConfigured) {
        notConfigured();
        return;
    }
    if (!PortReleased) {
        MsgBox(QStringLiteral("Modem COM Port is already Connected!"), MsgStyle::Exclamation,
               QStringLiteral("Connect COM Port"));
        return;
    }
    if (!m_line.MSComm1.PortOpen()) {
        m_line.MSComm1.setCommPort(m_files.settings.comPortNumber());
        QString reason;
        if (!openPort(&reason) && lostOnOpen(reason, true))
            return;
        if (!m_line.MSComm1.PortOpen()) {
            MsgBox(crLines({QStringLiteral("Modem Port is Busy with other Application!"),
                            QStringLiteral("Close the other Application and try again."), reason}),
                   MsgStyle::Critical, QStringLiteral("Modem Port is Busy"));
            return;
        }
        PortReleased = false;
        ModemPortOpen();
    }
    m_tray.showConnected();
    m_window.minimise();
}

void PortConnection::releasePort()
{
    if (m_line.modemBusy() || modemNotUsed())
        return;
    if (!m_line.ModemConfigured) {
        notConfigured();
        return;
    }
    if (PortReleased) {
        MsgBox(crLines({QStringLiteral("Modem COM Port is already Released!"),
                        QStringLiteral("Please connect the COM Port.")}),
               MsgStyle::Exclamation, QStringLiteral("Release COM Port"));
        return;
    }
    const MsgAnswer a =
        MsgBox(crLines({QStringLiteral("After releasing COM Port, Caller Identification will be stopped!"),
                        QStringLiteral("Are you sure you want to Release Modem COM Port?")}),
               MsgStyle::Question, QStringLiteral("Release COM Port Confirmation!"));
    if (a != vbYes)
        return;
    if (m_line.MSComm1.PortOpen()) {
        m_line.MSComm1.setPortOpen(false);
        PortReleased = true;
    }
    m_tray.showReleased();
    m_window.minimise();
}

void PortConnection::onDeviceLost(const QString &reason)
{
    Q_UNUSED(reason);
    // The port has been closed once already. Show that caller ID is off, and take the device
    // again when it is back; File > Connect Port works meanwhile as ever.
    PortReleased = true;
    awaitDevice();
}

void PortConnection::awaitDevice()
{
    m_deviceGone = true;
    m_retries = 0;
    m_slowRetry.stop();
    m_tray.show(TrayStatus::ReleasedIcon, TrayStatus::DisconnectedTip);
    // A port opened through a ports/COMn link waits for that link, not for the device the fixed
    // table gives the number (a link replaced in two steps is missing for a moment).
    m_watch.watch(m_files.settings.comPortNumber(), m_files.folder(), m_line.MSComm1.openedThroughLink());
}

void PortConnection::deviceTaken()
{
    if (!m_deviceGone)
        return;
    m_deviceGone = false;
    m_watch.stop();
    m_slowRetry.stop();
    PortReleased = false;
    m_tray.showConnected();
}

bool PortConnection::portHeldHere() const
{
    return m_line.modemBusy() || m_line.ModemDetectionRunning;
}

void PortConnection::onDeviceBack()
{
    if (!m_deviceGone || ProgramEnd::underway() || m_line.MSComm1.PortOpen())
        return;
    // A service, the end of a call or a search has the modem: it opens the caller-ID port itself
    // when it ends.
    if (portHeldHere() || m_takingBack)
        return;
    // Opening and closing the port below runs the event loop; the changes it makes to the
    // watched folders must not start a second taking back inside this one.
    const QScopedValueRollback<bool> taking(m_takingBack, true);
    const int com = m_files.settings.comPortNumber();
    m_line.MSComm1.setCommPort(com);
    QString reason;
    if (!openPort(&reason)) {
        if (m_line.MSComm1.deviceMissing())
            return; // gone again: the watch tells when it is back
        // A new device node gets its owner and permissions a moment after it appears; that change
        // is seen as well, and a few tries a second apart cover a system that does not report it.
        // A port another program holds is tried again when a lock file goes, and slowly besides
        // (a holder without a lock file says nothing when it lets go); the tray says who has it.
        if (m_retries++ < 3) {
            QTimer::singleShot(1000, this, &PortConnection::onDeviceBack);
            return;
        }
        const QString holder = portHolder(deviceNode(comDevicePath(com, m_files.folder())));
        m_tray.setTip(holder.isEmpty()
                          ? QStringLiteral("Ringlark Caller ID is OFF. COM%1 cannot be opened.").arg(com)
                          : QStringLiteral("Ringlark Caller ID is OFF. COM%1 is held by %2.").arg(com).arg(holder));
        m_watch.watchLocks();
        m_slowRetry.start();
        return;
    }
    // Whatever now stands at the modem's place is the modem only once it answers as one: another
    // device given the old name (a terminal, a board) is not sent the caller-ID command.
    if (!answersAt()) {
        m_line.MSComm1.setPortOpen(false);
        m_tray.setTip(QStringLiteral("Ringlark Caller ID is OFF. COM%1 does not answer as a modem.").arg(com));
        return; // the watch tells of the next change of the device
    }
    ModemPortOpen();
}

bool PortConnection::answersAt()
{
    // Read inside the wait as it arrives: the receive handler finds nothing left to take.
    MSComm &port = m_line.MSComm1;
    port.clearInBuffer();
    port.Output(QStringLiteral("AT") + QChar(13));
    QString reply;
    EventWait wait;
    wait.wakeOn(&port, &MSComm::dataArrived);
    wait.wakeOn(&port, &MSComm::deviceLost);
    wait.until(Clock::current().now().addMSecs(CallerIdReplyWaitMs), [&] {
        if (port.InBufferCount() > 0)
            reply += port.Input();
        return reply.contains(QLatin1String("OK")) || port.inputBroken();
    });
    return reply.contains(QLatin1String("OK")) && port.PortOpen();
}
