#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QSocketNotifier;
class QThread;
class QTimer;

// A voice modem on a pseudo-terminal. The program opens the terminal's slave side as its serial
// port; the simulator answers AT commands on the master side as a modem does, records every
// command with its time, and places calls: rings and a caller-ID report, whole or in chunks.
//
// Commands and answers (each command ends with a carriage return; echo comes first):
//   the caller-ID commands           OK
//   ATDT<digits>;                    OK
//   ATA                              nothing (the modem answers the line); the call stops ringing
//   ATH, AT                          OK
//   ATI1 .. ATI10                    an identification line, then OK
//   anything else                    ERROR (letter case and spelling as above, exactly)
class ModemSim : public QObject {
    Q_OBJECT
public:
    struct Command {
        QDateTime time;
        QString text;
    };

    struct Call {
        QByteArray report;   // the caller-ID lines, sent between the rings
        int ringsBefore = 1; // rings before the report
        int ringsAfter = 0;  // rings after it
        int ringGapMs = 0;   // between rings (and between the last ring and the report)
        int chunkSize = 0;   // 0: the report in one write; otherwise writes of this many bytes
        int chunkGapMs = 0;  // between chunks
    };

    static const QStringList DefaultCallerIdCommands;

    explicit ModemSim(QObject *parent = nullptr);
    ~ModemSim() override;

    bool open(QString *error = nullptr);
    // Closes the master side: for the program the device is gone.
    void close();
    bool isOpen() const { return m_master >= 0; }
    QString devicePath() const { return m_slavePath; }
    // Makes the terminal COM n of a program folder (<folder>/ports/COMn).
    bool linkAs(const QString &programFolder, int comNumber, QString *error = nullptr);

    void setEcho(bool on) { m_echo = on; }
    void setSilent(bool on) { m_silent = on; }
    void setErrorFor(const QStringList &commands) { m_errorFor = commands; }
    void setReplyDelayMs(int ms) { m_replyDelayMs = ms; }
    void setCallerIdCommands(const QStringList &commands) { m_callerIdCommands = commands; }
    void setIdentification(const QString &line) { m_identification = line; }

    // The log may be read from any thread (tests run the modem on a thread of its own).
    QList<Command> commands() const;
    QStringList commandTexts() const;
    QByteArray received() const;
    void clearLog();
    // Sleeps in the event loop until `text` has been received (counting from `from`), or the timeout.
    bool waitForCommand(const QString &text, int timeoutMs, int from = 0);
    // Sleeps in the event loop until every step of the current call has been sent.
    bool waitForCallSent(int timeoutMs);

    void send(const QByteArray &bytes);
    void placeCall(const Call &call);
    bool callInProgress() const { return !m_steps.isEmpty(); }

    // The usual report: DATE, TIME, NMBR and NAME lines.
    static QByteArray report(const QString &mmdd, const QString &hhmm, const QString &number, const QString &name);

signals:
    void commandReceived(const QString &command);
    void callSent();

private:
    void onReadable();
    void onWritable();
    void handleCommand(const QString &command);
    QByteArray replyTo(const QString &command) const;
    void runNextStep();

    int m_master = -1;
    int m_slaveKeep = -1; // keeps the terminal alive (and raw) while the program has it closed
    QString m_slavePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_out;
    QByteArray m_line;
    mutable QMutex m_logLock;
    QByteArray m_received;
    QList<Command> m_commands;

    bool m_echo = true;
    bool m_silent = false;
    int m_replyDelayMs = 0;
    QStringList m_errorFor;
    QStringList m_callerIdCommands = DefaultCallerIdCommands;
    QString m_identification = QStringLiteral("Ringlark Simulated 56K Voice Modem");

    struct Step {
        int delayMs;
        QByteArray bytes;
    };
    QList<Step> m_steps;
    QTimer *m_stepTimer = nullptr;
};

// The modem on a thread of its own, as a real modem is a device of its own: the program may
// read its serial port without running its event loop and still get answers. Control calls run
// on the modem's thread and return when done; waits sleep in the caller's event loop.
class ModemSimThread : public QObject {
    Q_OBJECT
public:
    explicit ModemSimThread(QObject *parent = nullptr);
    ~ModemSimThread() override;

    bool isOpen() const { return m_open; }
    QString devicePath() const { return m_device; }
    ModemSim *sim() const { return m_sim; }

    // Runs f on the modem's thread and waits for it.
    void run(const std::function<void(ModemSim &)> &f);
    QStringList commandTexts() const { return m_sim->commandTexts(); }
    QByteArray received() const { return m_sim->received(); }
    void clearLog();
    bool linkAs(const QString &programFolder, int comNumber);
    void placeCall(const ModemSim::Call &call);
    void send(const QByteArray &bytes);
    void close();
    bool waitForCommand(const QString &text, int timeoutMs, int from = 0);
    bool waitForCallSent(int timeoutMs);

private:
    QThread *m_thread = nullptr;
    ModemSim *m_sim = nullptr;
    bool m_open = false;
    QString m_device;
};
