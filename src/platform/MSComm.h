#pragma once

#include "Log.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

// The serial port control of the program: the properties of a communications control
// (CommPort, Settings, PortOpen, InputLen, InBufferCount, Input, Output, CommEvent) over
// QSerialPort, and a receive event OnComm raised whenever characters arrive.
//
// OnComm is delivered from the event loop, never from inside QSerialPort's own readyRead:
// QSerialPort does not emit readyRead again while a readyRead handler runs, and the receive
// handler pumps events (spoken words, modem dialogues), so characters arriving meanwhile would
// otherwise never raise an event. Delivered this way the handler may run again inside its own
// pumping, which the receive handler is written to cope with.
class MSComm : public QObject {
    Q_OBJECT
public:
    static constexpr int comEvReceive = 2;

    explicit MSComm(QObject *parent = nullptr);
    ~MSComm() override;

    // Where COM n is looked up (ports/COMn links).
    void setProgramFolder(const QString &folder) { m_folder = folder; }
    // Characters come from, and go to, `device` instead of a serial port (a line held in memory,
    // to drive the receive path at full speed). Opening the port opens the device; the line
    // settings do not apply to it. Set before the port is opened; the caller owns the device.
    void useDevice(QIODevice *device);

    int CommPort() const { return m_commPort; }
    void setCommPort(int n)
    {
        m_commPort = n;
        m_portName = QStringLiteral("COM%1").arg(n);
    }
    QString Settings() const { return m_settings; }
    bool setSettings(const QString &s);
    int InputLen() const { return m_inputLen; }
    void setInputLen(int n) { m_inputLen = n; }

    bool PortOpen() const { return m_io->isOpen(); }
    // Opening a port that is held by another program, or that does not exist, fails; the
    // reason in words goes to `error`.
    bool setPortOpen(bool open, QString *error = nullptr);

    int InBufferCount() const;
    // A line end (CR or LF) is among the waiting characters; nothing is read.
    bool inputHasLineEnd();
    // The waiting characters as they came, left waiting; takePeeked takes them as Input would
    // (the text is what they read as, for the log).
    QByteArray peekInput();
    void takePeeked(QStringView text);
    void clearInBuffer(); // InBufferCount = 0
    QString Input();
    void Output(const QString &text);
    // Waits at most `ms` for what was written to leave (the program is ending: no event loop).
    void drainOutput(int ms);
    int CommEvent() const { return m_commEvent; }

    // Reads the port without running the event loop: blocks for at most `ms` real milliseconds
    // until characters wait. Only for the one dialogue that must not let receive events run.
    bool waitForInput(int ms);
    // The device has failed (gone away): waiting for input is pointless.
    bool inputBroken() const;

    QString devicePath() const { return m_device; }
    // An explicit device for the next openings instead of the one COM n names (a modem the user
    // chose by hand, asked before it is stored); empty returns to COM n.
    void setDevicePath(const QString &device) { m_explicitDevice = device; }
    // The port was last opened through a ports/COMn link: while that link is missing the device
    // is missing, and the fixed table's device for the number is not tried in its place.
    bool openedThroughLink() const { return m_throughLink; }
    // "COM1": how the log names the port.
    QString portName() const;
    // The device of the port number is not there (unplugged, or no such port): opening failed
    // for want of a device, not because another program holds it.
    bool deviceMissing() const;

signals:
    void OnComm();
    // New characters are waiting (emitted at once; waits wake on it).
    void dataArrived();
    // The device went away while open (USB modem unplugged, pseudo-terminal closed). The port
    // has been closed once; it can be opened again when the device is back.
    void deviceLost(const QString &reason);

private:
    void postOnComm();
    void deliverOnComm();
    void onError(QSerialPort::SerialPortError e);
    void applySettings();
    bool onSerialPort() const { return m_io == &m_port; }

    QSerialPort m_port;
    QIODevice *m_io = &m_port;
    QString m_folder;
    QString m_device;
    QString m_explicitDevice;
    bool m_throughLink = false;
    int m_linkedPort = 0; // the COM number m_throughLink was seen for
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_commPort = 1;
    QString m_portName = QStringLiteral("COM1");
    int m_inputLen = 0;
    int m_commEvent = 0;
    bool m_onCommPosted = false;
    bool m_losing = false;
    ProgramLog::LineLog m_received{QStringLiteral("<-")};
    ProgramLog::LineLog m_sent{QStringLiteral("->")};
};
