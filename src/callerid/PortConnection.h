#pragma once

#include "DeviceWatch.h"
#include "IMainWindow.h"
#include "IPortConnection.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

struct ModemLine;
class DataFiles;
class TrayStatus;

// The life of the main window's serial port for caller ID: opening it on the configured COM
// port, switching the modem into caller-ID reporting, a port held by another program, the
// connect and release commands, a device that goes away and comes back, and the tray states.
class PortConnection : public QObject, public IPortConnection {
    Q_OBJECT
public:
    // How long the modem may take to answer the caller-ID command. A modem that never answers
    // "OK" must not hold the program; three seconds is far beyond any modem's reply time.
    static constexpr int CallerIdReplyWaitMs = 3000;
    static inline const QString NoCallerIdCommand = QStringLiteral("No_CallerId_String_Found");
    // A returning port that another program holds is tried again this often (besides whenever a
    // lock file goes): a holder without a lock file says nothing when it lets go.
    static constexpr int SlowRetryMs = 15000;

    PortConnection(ModemLine &line, DataFiles &files, TrayStatus &tray, IMainWindow &window, QObject *parent = nullptr);

    void ModemPortOpen() override;
    // Another program holds the modem: true when it is a service of the program's own whose
    // calls are taken instead (no "Busy" box then). Set by the desktop.
    std::function<bool()> heldByService;
    void connectPort();
    void releasePort();

    bool PortReleased = false;
    // What the modem answered to the caller-ID command, and the command as sent.
    QString reply() const { return m_reply; }
    QString commandText() const { return m_commandText; }

private:
    void ReleaseBusyPort();
    void onDeviceLost(const QString &reason);
    void awaitDevice(); // the device is gone: released, watched for its return
    void deviceTaken(); // the port is open again
    void onDeviceBack();
    void notConfigured();
    // Calls are taken from an NCID server: the user is told that the modem is not used.
    bool modemNotUsed() const;
    bool openPort(QString *reason);
    // The device is gone (not held by another program): released as lost, and the user told so.
    // `byUser`: File > Connect Port, which is answered also when the loss is known already.
    bool lostOnOpen(const QString &reason, bool byUser = false);
    void awaitCallerIdReply();
    // A service, the end of a call or a search has the port.
    bool portHeldHere() const;
    // The device at the modem's place answers "AT" with "OK" (the port is open).
    bool answersAt();

    ModemLine &m_line;
    DataFiles &m_files;
    TrayStatus &m_tray;
    IMainWindow &m_window;
    QString m_reply;
    QString m_commandText;
    DeviceWatch m_watch;
    QTimer m_slowRetry;
    bool m_deviceGone = false;
    bool m_takingBack = false;
    int m_retries = 0;
};
