#pragma once

#include "MSComm.h"

#include <QObject>
#include <QString>
#include <QStringList>

class DataFiles;
struct CallView;
struct ModemLine;

// What the search shows while it runs: the list of what it found (List1), the progress line
// (Label1) and the port number of the manual test (lblPortNumber).
class ISearchView {
public:
    virtual ~ISearchView() = default;
    virtual void clearList() = 0;
    virtual void addLine(const QString &line) = 0;
    virtual void setProgress(const QString &text) = 0;
    virtual void showPortNumber(int port) = 0;
    // A port that could not be asked, and why: the user must read it to act on it.
    virtual void showProblem(const QString &reason) { Q_UNUSED(reason); }
};

// Finds the modem: the modems the system knows (each must answer "AT"), or else COM1 to COM16
// asked "ATI1" to "ATI10"; then, on each modem found, the caller-ID commands in a fixed order
// until one is answered "OK". The results go to COM_Port, Modem_Name and Call_Id_AT_Command
// (records 2 to 4) and to ModemConfigured. Works on its own serial port control, MSComm2; the
// main window's port is closed before a port is touched.
//
// Only a modem that answered gives a verdict. A port that could not be opened, or a modem that
// stopped answering, tells nothing about caller ID: nothing is stored and the reason is shown.
class ModemSearch : public QObject {
    Q_OBJECT
public:
    enum class Probe { Accepted, Refused, NoAnswer };

    static const QStringList CallerIdCandidates;
    static constexpr int LastPort = 16;
    static constexpr int ReplySeconds = 3; // for each ATI command and each candidate
    static inline const QString NoCallerId = QStringLiteral("No_CallerId_String_Found");

    ModemSearch(ModemLine &line, DataFiles &files, CallView &callView, ISearchView &view, QObject *parent = nullptr);

    // The search a load of the window runs. The first modem that takes a caller-ID command
    // ends it; with none, the last modem that refused them all is kept with
    // "No_CallerId_String_Found".
    void automaticSearch();
    // Tests one port chosen by the user. False (and nothing done) while a call is being
    // received, a telephone service or another search runs.
    bool manualTest(int port);
    // The modem chosen by hand: any serial device and a caller-ID command, stored as a COM
    // number (a ports/COMn link where the device has none) and the command once the device has
    // answered "AT" and the command with "OK". False, with the reason, when the device is not
    // there or does not answer so, the command is empty, no COM number is free, or a call or a
    // service has the modem; then nothing is stored.
    bool chooseByHand(const QString &device, const QString &command, QString *error);
    // The latest chooseByHand closed the caller-ID port to ask the device: it must be re-armed.
    bool tookThePort() const { return m_tookThePort; }
    // A call, its end, a telephone service or another search has the modem: the window's tests
    // and choices wait, as the main window's commands do.
    bool busy() const;

    // One port: "ATI1" to "ATI10", each answer line listed. True when any was answered "OK".
    bool portTest(int port);
    // The caller-ID candidates on COM_Port; an accepted one is stored with records 1 to 4.
    Probe probeCallerId();
    // A device the system lists is a modem only if it answers "AT" with "OK".
    bool answersAt(int port);

    // Ends a running search at its next wait; it then stores nothing more.
    void stop();
    bool running() const { return m_running; }
    bool stopped() const { return m_stop; }
    // Why ports of the latest search could not be asked.
    QStringList problems() const { return m_problems; }

    MSComm &comm2() { return m_comm2; }

signals:
    void stopRequested();

private:
    struct Choice {
        QString com;
        QString name;
        bool configured = false;
    };
    void modemAt(int port, const QString &name);
    void writeChoice();
    bool tryModem(); // true when the modem took a caller-ID command
    void begin();
    void end();
    void keepVerdict();
    void forgetUnanswered();
    void noCallerIdFound();
    void closePorts();
    bool openComm2(int port);
    bool ask(const QString &command, QString *reply = nullptr);
    void noteProblem(const QString &reason);
    bool scanPorts();
    // Records 2 to 4 are written only through here: a search that wrote one has given its verdict.
    void store(int rec, const QString &text);
    // Why a device chosen by hand cannot be taken (empty: it answered as a modem).
    QString askChosen(const QString &device, const QString &command);

    ModemLine &m_line;
    DataFiles &m_files;
    CallView &m_callView;
    ISearchView &m_view;
    MSComm m_comm2;
    Choice m_kept; // the modem as the last verdict left it
    // The modem as it was before the search: a search stopped before its verdict leaves it so.
    struct Before {
        QString com, name, command;
        bool configured = false;
    } m_before;
    bool m_stored = false;
    bool m_tookThePort = false;
    QStringList m_problems;
    bool m_running = false;
    bool m_stop = false;
};
