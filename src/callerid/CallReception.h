#pragma once

#include "CallerIdParser.h"

#include <QDateTime>
#include <QObject>
#include <functional>

struct ModemLine;
class DataFiles;
struct CallView;
class CallEvents;
class BlockedFile;
class EndOfCall;
class IMainWindow;
class clsModemFunctions;
class ICallAnnouncer;
struct CallState;

// The receive handler of the caller-ID port: collects what the modem sends, notices rings, and
// handles the caller-ID report once it is whole: shows the caller, pops the window up, speaks
// the call and keeps the report, or refuses the call (telemarketer rule, blocked list).
class CallReception : public QObject {
    Q_OBJECT
public:
    static constexpr int EndOfCallMs = 10000; // silence after which a call has ended
    // Text without a ring (a late "OK", modem chatter) is kept to this size: the buffer is
    // emptied only when a call ends, and a line that never rings would grow it for ever. A
    // report is about a hundred characters; the newest part is kept, because some lines send
    // the report before the first ring.
    static constexpr int MaxBufferWithoutRing = 4096;
    static constexpr int KeptWithoutRing = 1024;

    CallReception(ModemLine &line, DataFiles &files, CallView &view, CallEvents &events, IMainWindow &window,
                  CallState &call, clsModemFunctions &modem, BlockedFile &blocked, ICallAnnouncer &voice,
                  EndOfCall &end, QObject *parent = nullptr);

    void MSComm1_OnComm();
    // Characters have just come, inside the port's own notification: when they end a report,
    // its record is written and the caller published at once, without the event loop's turn
    // that OnComm waits for; showing, speaking and refusing follow from the event loop.
    void reportArrived();
    // Text of the line from another call source than the modem (an NCID server, as a modem
    // report): handled as the modem's text is.
    void receive(const QString &text);
    // While another line's call has the reception, the modem's text is kept and handled once
    // the hold ends (that call is over), as if it had come then.
    void holdModem(bool hold);
    // The line has been quiet long enough (Timer1): a report that has become whole with the end
    // of the call is handled first, then the call ends.
    void lineWentQuiet();
    // The caller of the call in progress has another name (a server passing on the name it got
    // later): the call shows, tells and stores it. A refused call stays as it was.
    void renameCaller(const QString &receivedName);

private:
    enum class LineState { Ringing, Ended };
    void append(const QString &text);
    void examine();
    void tellRings();
    // Brings the screening rules and the blocked list up to date, once a call.
    void prepareScreening();
    void tellCaller(bool refused, const QDateTime &now);
    void handleReport(LineState line);
    // The first half of handling a report, which never waits: cut, screened, its record
    // written, the caller published. The second half shows, speaks or refuses.
    void takeReport(LineState line);
    void presentReport();
    void presentPending();
    // The refusal decision and the user's name for the caller, onto the call and its report.
    void screenCall();
    CallerIdParser::Classification showCall(const QDate &today);
    void refuseCall();

    ModemLine &m_modemLine;
    DataFiles &m_files;
    CallView &m_view;
    CallEvents &m_events;
    IMainWindow &m_window;
    CallState &m_call;
    clsModemFunctions &m_modem;
    BlockedFile &m_blocked;
    ICallAnnouncer &m_voice;
    EndOfCall &m_end;
    bool m_modemHeld = false;
    QString m_heldModemText;
    LineState m_line = LineState::Ringing;
    // What the first half of a report left for the second.
    struct Taken {
        bool kept = true;
        QString writeError;
        QDateTime now;
    } m_taken;
    bool m_presentPending = false;
    // The handler's frames on the stack (it pumps events, and may run inside itself).
    int m_depth = 0;
    // One frame of the handler: a report's second half still waiting comes first.
    struct Frame {
        CallReception &reception;
        explicit Frame(CallReception &r) : reception(r)
        {
            reception.presentPending();
            ++reception.m_depth;
        }
        ~Frame() { --reception.m_depth; }
    };
};
