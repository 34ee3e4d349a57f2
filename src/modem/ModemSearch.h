#pragma once

#include "MSComm.h"

#include <QObject>
#include <QString>
#include <QStringList>

class AppState;

// What the search shows while it runs: the list of what it found (List1), the progress line
// (Label1) and the port number of the manual test (lblPortNumber).
class ISearchView {
public:
    virtual ~ISearchView() = default;
    virtual void clearList() = 0;
    virtual void addLine(const QString &line) = 0;
    virtual void setProgress(const QString &text) = 0;
    virtual void showPortNumber(int port) = 0;
};

// Finds the modem: the modems the system knows, or else COM1 to COM16 asked "ATI1" to "ATI10";
// then, on each modem found, the caller-ID commands in a fixed order until one is answered
// "OK". The results go to COM_Port, Modem_Name and Call_Id_AT_Command (records 2 to 4) and to
// ModemConfigured. Works on its own serial port control, MSComm2; the main window's port is
// closed before a port is touched.
class ModemSearch : public QObject {
    Q_OBJECT
public:
    static const QStringList CallerIdCandidates;
    static constexpr int LastPort = 16;
    static constexpr int ReplySeconds = 3; // for each ATI command and each candidate
    static inline const QString NoCallerId = QStringLiteral("No_CallerId_String_Found");

    ModemSearch(AppState &state, ISearchView &view, QObject *parent = nullptr);

    // The search a load of the window runs. The first modem that takes a caller-ID command
    // ends it; with none, the last modem tried is kept with "No_CallerId_String_Found".
    void automaticSearch();
    // Tests one port chosen by the user. False (and nothing done) while a call is being
    // received or a telephone service runs.
    bool manualTest(int port);

    // One port: "ATI1" to "ATI10", each answer line listed. True when any was answered "OK".
    bool portTest(int port);
    // The caller-ID candidates on COM_Port. True when one was answered "OK": it is stored.
    bool probeCallerId();

    MSComm &comm2() { return m_comm2; }

private:
    void modemAt(int port, const QString &name);
    void noCallerIdFound();
    void closePorts();
    bool openComm2(int port);

    AppState &m_state;
    ISearchView &m_view;
    MSComm m_comm2;
};
