#include "NcidClient.h"

#include <QTcpSocket>

NcidClient::NcidClient(QObject *parent) : QObject(parent), m_socket(new QTcpSocket(this))
{
    connect(m_socket, &QTcpSocket::connected, this, &NcidClient::onConnected);
    connect(m_socket, &QTcpSocket::disconnected, this, &NcidClient::onGone);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        qCInfo(lcNetwork, "NCID server %s: %s", qPrintable(server()), qPrintable(m_socket->errorString()));
        // A refused or failed connect ends here without a disconnect; a lost connection also
        // disconnects, and is handled once.
        if (error != QAbstractSocket::RemoteHostClosedError || m_socket->state() == QAbstractSocket::UnconnectedState)
            onGone();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] { feed(m_socket->readAll()); });
    connect(&m_retry, &VbTimer::Timer, this, &NcidClient::tryNow);
}

NcidClient::~NcidClient()
{
    m_socket->disconnect(this);
}

void NcidClient::connectTo(const QString &host, quint16 port)
{
    m_host = host;
    m_port = port;
    m_running = true;
    m_delayMs = FirstRetryMs;
    tryNow();
}

void NcidClient::stop()
{
    m_running = false;
    m_retry.off();
    m_socket->abort();
}

void NcidClient::tryNow()
{
    m_retry.off();
    if (!m_running || m_socket->state() != QAbstractSocket::UnconnectedState)
        return;
    m_reader.reset();
    m_socket->connectToHost(m_host, m_port);
}

void NcidClient::onConnected()
{
    m_delayMs = FirstRetryMs;
    m_connected = true;
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    qCInfo(lcNetwork, "connected to the NCID server %s", qPrintable(server()));
    emit connectedChanged(true);
}

void NcidClient::onGone()
{
    if (m_connected) {
        m_connected = false;
        qCInfo(lcNetwork, "NCID server %s gone; trying again in %d ms", qPrintable(server()), m_delayMs);
        emit connectedChanged(false);
    }
    if (!m_running || m_retry.Interval() > 0)
        return;
    // No busy loop: the next try is a timer away, longer each time up to its bound, so a
    // server that comes back is found within that bound.
    m_retry.restart(m_delayMs);
    m_delayMs = std::min(m_delayMs * 2, MaxRetryMs);
}

void NcidClient::feed(const QByteArray &bytes)
{
    const int droppedBefore = m_reader.dropped();
    const bool idle = m_lines.isEmpty();
    for (const QString &line : m_reader.feed(bytes)) {
        if (!line.isEmpty())
            m_lines.append(line);
    }
    if (m_reader.dropped() != droppedBefore)
        qCInfo(lcNetwork, "NCID server %s: a line over %d bytes dropped", qPrintable(server()), Ncid::MaxLineBytes);
    if (idle && !m_lines.isEmpty())
        QMetaObject::invokeMethod(this, &NcidClient::handOn, Qt::QueuedConnection);
}

void NcidClient::handOn()
{
    if (m_lines.isEmpty())
        return;
    // One line per turn of the event loop, and never inside the socket's read signal: a call is
    // announced in waits that run the loop, and the rings and the end of the ringing that come
    // meanwhile (or came with it) must be heard then. Handled after the announcement, they come
    // too late: the end of the call has fallen due and cut it in two.
    const QString line = m_lines.takeFirst();
    if (!m_lines.isEmpty())
        QMetaObject::invokeMethod(this, &NcidClient::handOn, Qt::QueuedConnection);
    qCDebug(lcNetwork).noquote() << "from" << server() << line;
    emit message(Ncid::parse(line));
}

bool NcidClient::sendLine(const QString &line)
{
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    qCInfo(lcNetwork).noquote() << "to" << server() << line;
    m_socket->write(line.toLatin1() + "\r\n");
    m_socket->flush();
    return true;
}
