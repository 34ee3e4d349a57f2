#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {

// The socket's name: the folder (as the file system knows it) and the user, so that two
// program folders, or two users, never meet.
QString socketName(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QByteArray key = (canonical.isEmpty() ? folder : canonical).toUtf8() + '\0' + QByteArray::number(::getuid());
    return QStringLiteral("ringlark-") +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
}

} // namespace

SingleInstance::SingleInstance(const QString &programFolder)
    : m_folder(programFolder),
      m_lock(std::make_unique<QLockFile>(QDir(programFolder).filePath(QStringLiteral("ringlark.lock"))))
{
    // Never age-based: a copy that has run for weeks still holds its lock. Staleness is decided
    // by whether the owning process is alive.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    delete m_server;
}

bool SingleInstance::acquire()
{
    if (m_lock->tryLock(0))
        return true;
    // Only a live owner refuses the start. A folder where no lock can be written at all
    // (read-only, full) must not stop the program: fail safe.
    return m_lock->error() != QLockFile::LockFailedError;
}

QString SingleInstance::startToken()
{
    const QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : wayland;
}

QByteArray SingleInstance::showRequest(const QString &token)
{
    return token.isEmpty() ? QByteArray("show\n") : "show " + token.toLatin1() + '\n';
}

std::optional<QString> SingleInstance::tokenOfRequest(const QByteArray &line)
{
    if (line == "show\n")
        return QString();
    if (!line.startsWith("show ") || !line.endsWith('\n') || line.size() > MaxRequest)
        return std::nullopt;
    const QByteArray token = line.mid(5, line.size() - 6);
    if (token.isEmpty())
        return std::nullopt;
    for (const char c : token) {
        if (c < 0x21 || c > 0x7e)
            return std::nullopt;
    }
    return QString::fromLatin1(token);
}

void SingleInstance::listen(std::function<void(const QString &token)> show)
{
    if (m_server)
        return;
    m_server = new QLocalServer;
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = socketName(m_folder);
    // We hold the lock, so a socket of that name is a leftover of a copy that crashed.
    QLocalServer::removeServer(name);
    if (!m_server->listen(name))
        return; // no wake-up then; the lock alone still keeps a second copy out
    QObject::connect(m_server, &QLocalServer::newConnection, m_server, [this, show = std::move(show)] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            // A request is one short line; anything else is ignored and the client dropped.
            QObject::connect(client, &QLocalSocket::readyRead, client, [client, show] {
                if (client->bytesAvailable() > MaxRequest) {
                    client->abort();
                    return;
                }
                if (!client->canReadLine())
                    return;
                if (const std::optional<QString> token = tokenOfRequest(client->readLine(MaxRequest + 1)))
                    show(*token);
            });
        }
    });
}

bool SingleInstance::askRunningToShow(const QString &token) const
{
    QLocalSocket socket;
    socket.connectToServer(socketName(m_folder));
    if (!socket.waitForConnected(1000))
        return false;
    // A token that cannot travel is left out: the window still comes up, unannounced.
    socket.write(showRequest(tokenOfRequest(showRequest(token)) ? token : QString()));
    const bool sent = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return sent;
}
