#pragma once

#include "AddressList.h"
#include "NcidProtocol.h"
#include "NcidRequests.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>

class QTcpServer;
class QTcpSocket;

// Publishes calls to NCID clients. Lives in the event loop and never waits for a client: what a
// client does not read is queued up to a bound and the client dropped beyond it; a client that
// sends a line longer than the line bound is dropped; at most MaxClients are served. No call
// depends on any client.
class NcidServer : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxClients = 32;
    static constexpr qint64 MaxQueuedBytes = 64 * 1024;
    // The newest calls of the log sent to a client at connect.
    static constexpr int MaxLogLines = 200;
    // How long a new client has, after each of its HELLO lines, for the next one before the call
    // log is sent (ncidd looks for them as long).
    static constexpr int HelloWaitMs = 10;

    explicit NcidServer(QObject *parent = nullptr);
    ~NcidServer() override;

    // Listens on `address` (empty or "localhost": the loopback addresses, IPv4 and IPv6) and `port` (0: any
    // free port, see port()). False with the reason when nothing could be listened on.
    bool listen(const QString &address, quint16 port, QString *error = nullptr);
    void close();
    quint16 port() const;
    QList<QHostAddress> addresses() const;

    // The stored calls for a new client, oldest first; the server sends the newest MaxLogLines.
    // Unset: the log is not sent.
    std::function<QList<Ncid::Call>()> callLog;
    // The "200" line: the server's name and version.
    QString serverName;
    // The line a gateway's call is on when the gateway names none.
    QString lineName = Ncid::DefaultLine;

    // To every client.
    void sendCall(const Ncid::Call &call, bool refused);
    void sendRing(const QString &line, int ring, const QString &time);
    void broadcast(const QByteArray &lines);

    // Answers a client's request about the lists (the answer's lines, 402 or 403 to 411);
    // `mayChange`: the client is one whose requests may change them.
    std::function<QByteArray(const Ncid::Request &request, bool mayChange)> requests;
    // Besides loopback, the clients that may change the lists: addresses or networks.
    void setListsFrom(const QString &addresses);
    // Besides loopback, the clients that may connect at all (empty: any). A client already
    // connected that the new list leaves out is told so and closed.
    void setClientsFrom(const QString &addresses);
    bool mayConnect(const QHostAddress &peer) const;
    bool mayChangeLists(const QHostAddress &peer) const;

    int clientCount() const { return int(m_clients.size()); }

signals:
    void clientsChanged(int count);
    // A client sent a message; every client has been sent it (the sender too, as ncidd does).
    void messageReceived(const QString &text);
    // A gateway's call, as it was passed on to every client (CID:, HUP:, CIDINFO: lines...).
    void gatewayLines(const QByteArray &lines);

private:
    AddressList m_listsFrom;
    AddressList m_clientsFrom;
    bool m_anyClient = true; // no clientsFrom

    struct Client {
        QTcpSocket *socket = nullptr;
        Ncid::LineReader reader;
        bool started = false; // sent "300 End of connection startup"
        bool sendLog = true;  // no HELLO: CMD: no_log
        QByteArray heldBack;  // calls published while its startup was not over
    };
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void onLine(QTcpSocket *socket, const QString &line);
    // Sends the call log (or says it is not sent) and ends the client's startup.
    void finishStartup(QTcpSocket *socket);
    void drop(QTcpSocket *socket, const char *why);
    // Tells a client why it is not served (one line), then closes it once the line is out.
    void refuse(QTcpSocket *socket, const QByteArray &line);
    // Queues the bytes for the client; false (and the client dropped) beyond the bound.
    bool send(QTcpSocket *socket, const QByteArray &bytes);
    QByteArray callHistory() const;
    Client *find(QTcpSocket *socket);

    QList<QTcpServer *> m_servers;
    QList<Client> m_clients;
};
