#include "NcidServer.h"

#include "Clock.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {

// Small kernel buffers: what a client does not read waits in the server's own queue, where the
// bound sees it, rather than in megabytes of socket buffers.
constexpr int SocketBufferBytes = 16 * 1024;

// The date and time of a server message, as ncidd writes them.
QString now()
{
    return Clock::current().now().toString(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
}

// The addresses of a setting of ringlark.conf's [ncid] group; what is not one is logged.
AddressList readAddresses(const char *key, const QString &text, bool *anyRejected = nullptr)
{
    QStringList rejected;
    const AddressList list = AddressList::parse(text, &rejected);
    for (const QString &a : std::as_const(rejected))
        qCWarning(lcNetwork, "NCID: '%s' in ncid/%s is no address or network", qPrintable(a), key);
    if (anyRejected)
        *anyRejected = !rejected.isEmpty();
    return list;
}

// "address:port" of a client, as the log names it.
QString peerOf(const QTcpSocket *socket)
{
    return QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
}

} // namespace

NcidServer::NcidServer(QObject *parent)
    : QObject(parent), serverName(QStringLiteral("Server: Ringlark (NCID) " RINGLARK_VERSION))
{
}

NcidServer::~NcidServer()
{
    close();
}

bool NcidServer::listen(const QString &address, quint16 port, QString *error)
{
    close();
    QList<QHostAddress> wanted;
    if (address.trimmed().isEmpty() || address.trimmed() == QLatin1String("localhost")) {
        // Calls are private: only this computer hears them unless the user names a network.
        wanted = {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)};
    } else {
        QHostAddress a;
        if (!a.setAddress(address.trimmed())) {
            if (error)
                *error = QStringLiteral("'%1' is not an address of this computer").arg(address);
            return false;
        }
        wanted = {a};
    }
    QStringList problems;
    for (const QHostAddress &a : wanted) {
        auto *server = new QTcpServer(this);
        // The second loopback address takes the port the first one got.
        const quint16 p = m_servers.isEmpty() ? port : m_servers.constFirst()->serverPort();
        if (!server->listen(a, p)) {
            problems << QStringLiteral("%1 port %2: %3").arg(a.toString()).arg(p).arg(server->errorString());
            delete server;
            continue;
        }
        connect(server, &QTcpServer::newConnection, this, &NcidServer::onNewConnection);
        m_servers << server;
        qCInfo(lcNetwork, "NCID server listening on %s port %u", qPrintable(a.toString()), server->serverPort());
    }
    // A computer without IPv6 still serves on 127.0.0.1.
    if (m_servers.isEmpty()) {
        qCWarning(lcNetwork, "NCID server: %s", qPrintable(problems.join(QStringLiteral("; "))));
        if (error)
            *error = problems.join(QStringLiteral("; "));
        return false;
    }
    return true;
}

void NcidServer::close()
{
    for (QTcpServer *s : std::as_const(m_servers))
        delete s;
    m_servers.clear();
    const QList<Client> clients = m_clients;
    m_clients.clear();
    for (const Client &c : clients) {
        c.socket->disconnect(this);
        c.socket->abort();
        c.socket->deleteLater();
    }
}

quint16 NcidServer::port() const
{
    return m_servers.isEmpty() ? 0 : m_servers.constFirst()->serverPort();
}

QList<QHostAddress> NcidServer::addresses() const
{
    QList<QHostAddress> list;
    for (const QTcpServer *s : m_servers)
        list << s->serverAddress();
    return list;
}

NcidServer::Client *NcidServer::find(QTcpSocket *socket)
{
    for (Client &c : m_clients) {
        if (c.socket == socket)
            return &c;
    }
    return nullptr;
}

QByteArray NcidServer::callHistory() const
{
    if (!callLog)
        return Ncid::LogNotSent;
    const QList<Ncid::Call> calls = callLog();
    if (calls.isEmpty())
        return Ncid::LogEmpty;
    QByteArray out;
    for (qsizetype i = std::max<qsizetype>(0, calls.size() - MaxLogLines); i < calls.size(); ++i) {
        const Ncid::Call &call = calls.at(i);
        // The label the call had when it was sent live.
        out += Ncid::callLine(call.refused ? QStringLiteral("HUPLOG") : QStringLiteral("CIDLOG"), call);
    }
    return out + Ncid::LogEnd;
}

void NcidServer::finishStartup(QTcpSocket *socket)
{
    Client *c = find(socket);
    if (!c || c->started)
        return;
    c->started = true;
    const QByteArray held = std::exchange(c->heldBack, QByteArray());
    const QByteArray lines = (c->sendLog ? callHistory() : Ncid::LogNotSent) + Ncid::StartupEnd + held;
    qCDebug(lcNetwork).noquote() << "to" << peerOf(socket) << QString::fromLatin1(lines).trimmed();
    if (send(socket, lines))
        emit clientsChanged(clientCount());
}

void NcidServer::onNewConnection()
{
    auto *server = qobject_cast<QTcpServer *>(sender());
    while (server && server->hasPendingConnections()) {
        QTcpSocket *socket = server->nextPendingConnection();
        const QString peer = peerOf(socket);
        if (!mayConnect(socket->peerAddress())) {
            qCInfo(lcNetwork, "NCID client %s refused: not in ncid/clientsFrom", qPrintable(peer));
            refuse(socket, Ncid::notAllowed(socket->peerAddress().toString(), now()));
            continue;
        }
        if (m_clients.size() >= MaxClients) {
            qCInfo(lcNetwork, "NCID client %s refused: %d clients already", qPrintable(peer), MaxClients);
            // Told why, as ncidd tells it.
            refuse(socket, Ncid::tooManyClients(MaxClients, now()));
            continue;
        }
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, SocketBufferBytes);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // A client that vanishes without closing (a laptop shut, a cable pulled) is found by
        // the system's keep-alive and its place set free.
        socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        m_clients.append(Client{socket, Ncid::LineReader()});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket, "disconnected"); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { drop(socket, "connection error"); });
        qCInfo(lcNetwork, "NCID client %s connected", qPrintable(peer));
        // The greeting at once; the log once the client has had its moment to say HELLO.
        if (!send(socket, Ncid::greeting(serverName)))
            continue;
        auto *hello = new QTimer(socket);
        hello->setObjectName(QStringLiteral("hello"));
        hello->setSingleShot(true);
        connect(hello, &QTimer::timeout, this, [this, socket] { finishStartup(socket); });
        hello->start(HelloWaitMs);
    }
}

void NcidServer::onReadyRead(QTcpSocket *socket)
{
    Client *c = find(socket);
    if (!c)
        return;
    // A keep-alive (a bare line end) and lines the server does not know get no answer; only a
    // line that never ends is a fault.
    const QList<QString> lines = c->reader.feed(socket->readAll());
    if (c->reader.dropped() > 0) {
        drop(socket, "line too long");
        return;
    }
    for (const QString &line : lines) {
        if (!find(socket))
            return; // dropped on the way
        onLine(socket, line);
    }
}

void NcidServer::onLine(QTcpSocket *socket, const QString &line)
{
    Client *c = find(socket);
    qCDebug(lcNetwork).noquote() << "from" << peerOf(socket) << line;
    const Ncid::Message m = Ncid::parse(line);
    if (m.kind == Ncid::Kind::Hello && !c->started) {
        if (m.text.startsWith(QLatin1String("IDENT:"))) {
            qCInfo(lcNetwork, "NCID client %s is %s", qPrintable(peerOf(socket)), qPrintable(m.text.mid(6).trimmed()));
        } else if (m.text.startsWith(QLatin1String("CMD:")) && m.text.contains(QLatin1String("no_log"))) {
            c->sendLog = false;
        }
        // The next HELLO line has as long again.
        if (auto *hello = socket->findChild<QTimer *>(QStringLiteral("hello")))
            hello->start(HelloWaitMs);
        return;
    }
    // Any other line ends the client's HELLO lines.
    finishStartup(socket);
    if (const Ncid::Request r = Ncid::parseRequest(line); r.kind != Ncid::Request::Kind::None) {
        const bool mayChange = mayChangeLists(socket->peerAddress());
        qCInfo(lcNetwork, "NCID client %s asked: %s%s", qPrintable(peerOf(socket)), qPrintable(line.mid(5)),
               mayChange ? "" : " (may not change the lists)");
        if (requests)
            send(socket, requests(r, mayChange));
        return;
    }
    if (const QByteArray passed = Ncid::fromGateway(line, Clock::current().now(), lineName); !passed.isEmpty()) {
        qCInfo(lcNetwork, "NCID gateway %s sent a call", qPrintable(peerOf(socket)));
        broadcast(passed);
        emit gatewayLines(passed);
        return;
    }
    if (m.kind == Ncid::Kind::Msg && !m.text.isEmpty()) {
        qCInfo(lcNetwork, "NCID client %s sent a message", qPrintable(peerOf(socket)));
        Ncid::Call fields = m.call;
        const QDateTime now = Clock::current().now();
        if (fields.date.isEmpty() || fields.time.isEmpty()) {
            fields.date = now.toString(QStringLiteral("MMddyyyy"));
            fields.time = now.toString(QStringLiteral("HHmm"));
        }
        broadcast(Ncid::messageLine(m.text, fields));
        emit messageReceived(m.text);
    }
}

bool NcidServer::send(QTcpSocket *socket, const QByteArray &bytes)
{
    if (socket->bytesToWrite() + bytes.size() > MaxQueuedBytes) {
        drop(socket, "not reading");
        return false;
    }
    // Out now, not at the next turn of the event loop: a call is worth its millisecond. With
    // nothing queued the line goes straight to the kernel; QTcpSocket's own write would arm and
    // disarm its write notifier, two wake-ups of the event loop, before the line is out. What
    // the kernel does not take is queued, and the flush never waits.
    qsizetype sent = 0;
    if (socket->bytesToWrite() == 0 && socket->socketDescriptor() >= 0) {
        const ssize_t n = ::send(int(socket->socketDescriptor()), bytes.constData(), size_t(bytes.size()),
                                 MSG_DONTWAIT | MSG_NOSIGNAL);
        sent = n > 0 ? qsizetype(n) : 0;
    }
    if (sent < bytes.size()) {
        socket->write(bytes.constData() + sent, bytes.size() - sent);
        socket->flush();
    }
    return true;
}

void NcidServer::drop(QTcpSocket *socket, const char *why)
{
    const qsizetype before = m_clients.size();
    m_clients.removeIf([socket](const Client &c) { return c.socket == socket; });
    if (m_clients.size() == before)
        return;
    qCInfo(lcNetwork, "NCID client %s dropped: %s", qPrintable(peerOf(socket)), why);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    emit clientsChanged(clientCount());
}

void NcidServer::broadcast(const QByteArray &lines)
{
    if (lcNetwork().isDebugEnabled() && !m_clients.isEmpty())
        qCDebug(lcNetwork).noquote() << "to" << m_clients.size() << "clients:" << QString::fromLatin1(lines).trimmed();
    // A copy: a client dropped on the way leaves the list.
    const QList<Client> clients = m_clients;
    for (const Client &c : clients) {
        if (c.started) {
            send(c.socket, lines);
        } else if (Client *waiting = find(c.socket)) {
            // After its log, as ncidd (which serves one client at a time) would send it.
            waiting->heldBack += lines;
            if (waiting->heldBack.size() > MaxQueuedBytes)
                drop(c.socket, "not reading");
        }
    }
}

void NcidServer::sendCall(const Ncid::Call &call, bool refused)
{
    // A refused call was hung up on: clients learn of it as such.
    broadcast(Ncid::callLine(refused ? QStringLiteral("HUP") : QStringLiteral("CID"), call));
}

void NcidServer::sendRing(const QString &line, int ring, const QString &time)
{
    broadcast(Ncid::ringLine(line, ring, time));
}

void NcidServer::refuse(QTcpSocket *socket, const QByteArray &line)
{
    socket->write(line);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
}

void NcidServer::setListsFrom(const QString &addresses)
{
    m_listsFrom = readAddresses("listsFrom", addresses);
}

void NcidServer::setClientsFrom(const QString &addresses)
{
    bool rejected = false;
    m_clientsFrom = readAddresses("clientsFrom", addresses, &rejected);
    // A list of nothing but typing errors lets in no one but this computer, not everyone.
    m_anyClient = m_clientsFrom.isEmpty() && !rejected;
    const QList<Client> clients = m_clients;
    for (const Client &c : clients) {
        if (mayConnect(c.socket->peerAddress()))
            continue;
        qCInfo(lcNetwork, "NCID client %s dropped: not in ncid/clientsFrom", qPrintable(peerOf(c.socket)));
        m_clients.removeIf([socket = c.socket](const Client &k) { return k.socket == socket; });
        c.socket->disconnect(this);
        refuse(c.socket, Ncid::notAllowed(c.socket->peerAddress().toString(), now()));
    }
    if (m_clients.size() != clients.size())
        emit clientsChanged(clientCount());
}

bool NcidServer::mayChangeLists(const QHostAddress &peer) const
{
    return peer.isLoopback() || m_listsFrom.contains(peer);
}

bool NcidServer::mayConnect(const QHostAddress &peer) const
{
    return m_anyClient || peer.isLoopback() || m_clientsFrom.contains(peer);
}
