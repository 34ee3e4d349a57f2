#pragma once

#include "NcidClient.h"
#include "NcidServer.h"

#include <QObject>
#include <QSet>
#include <QString>

struct ModemLine;
class DataFiles;
struct CallView;
class CallEvents;
class TrayStatus;
class CallReception;
class IMainWindow;
struct CallState;

// The program on the network, by its own settings and the command line: it publishes its calls
// to NCID clients (the server listens to the call events, as the window does), and it takes its
// calls from an NCID server instead of the modem (the client is the call source that feeds the
// reception, as the modem's port does).
class NcidCalls : public QObject {
    Q_OBJECT
public:
    // Lines of other lines' calls kept while one call has the reception (a few per call).
    static constexpr int MaxHeldMessages = 1000;

    static inline const QString DisconnectedTip =
        QStringLiteral("Ringlark Caller ID is OFF. The NCID server is disconnected.");

    NcidCalls(ModemLine &line, DataFiles &files, CallView &view, CallEvents &events, TrayStatus &tray,
              IMainWindow &window, CallState &call, CallReception &reception, QObject *parent = nullptr);

    // Starts what the options ask for. False with the reason when the server could not listen.
    bool start(QString *error = nullptr);
    // Which clients the server serves, and whose requests change the lists, as the options say
    // now (start() reads them; the service reads them again on SIGHUP).
    void applyAccess();
    // From now on the calls come from the NCID server at `host`:`port`, not the modem.
    void takeCallsFrom(const QString &host, quint16 port);

    NcidServer &server() { return m_server; }
    NcidClient &client() { return m_client; }

    // The modem report that stands for a call line of the server: the same lines a modem sends,
    // so that the call is read, refused, shown and stored as a modem's call is.
    static QString modemReport(const Ncid::Call &call);
    // A stored call record as the protocol carries it (the call log sent at connect), with the
    // words the live line had for withheld fields.
    static Ncid::Call fromRecord(const QString &record);

private:
    // The lines of a call that came while the reception had another line's call: handed to it,
    // in order, once that call is over. Each call is shown, told and stored once, with its own
    // rings, whichever way the lines' events interleave.
    struct HeldCall {
        QString line;
        QList<Ncid::Message> messages;
    };

    void publish();
    void onMessage(const Ncid::Message &m);
    // A gateway's call, passed on by this program's server: a call of its own line, as a
    // server's call is for a client.
    void fromGateway(const QByteArray &lines);
    void takeGatewayLine();
    // The modem's call has begun (its ring or its caller, heard by the reception).
    void modemCallHeard();
    // The line whose call the reception has (empty: none); the modem waits while it has one.
    void setLine(const QString &line);
    // A ring, a caller or the end of the ringing, of the line that has the reception.
    void take(const Ncid::Message &m);
    void feed(const QString &text);
    void onConnectedChanged(bool connected);
    // Ends the call in progress (its ringing stopped, or the next call begins); `handOver`: the
    // call held longest gets the reception.
    void endCall(bool handOver = true);
    // The reception is free: the call held longest gets it.
    void lineFree();
    void freeReception();
    void takeHeld();
    QList<Ncid::Call> storedCalls() const;
    // The modem's line as it is published.
    QString lineName() const;

    ModemLine &m_modemLine;
    DataFiles &m_files;
    CallView &m_view;
    CallEvents &m_events;
    TrayStatus &m_tray;
    IMainWindow &m_window;
    CallState &m_call;
    CallReception &m_reception;
    NcidServer m_server;
    NcidClient m_client;
    QString m_line;           // the line whose call the reception has; empty while it has none
    QString m_number;         // the number of its caller, as the server sent it
    bool m_ending = false;    // in the end of a call this program asked for
    bool m_handing = false;   // handing held calls to the reception
    bool m_modemCall = false; // the modem's call has the reception
    bool m_published = false; // the modem's call in progress was published (its end is, too)
    QList<HeldCall> m_held;
    int m_heldMessages = 0;
    QSet<QString> m_linesSeen;
    Ncid::LineReader m_gatewayReader;
    QList<Ncid::Message> m_gatewayLines; // a gateway's lines not yet taken
};
