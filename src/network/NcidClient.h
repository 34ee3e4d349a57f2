#pragma once

#include "NcidProtocol.h"
#include "VbTimer.h"

#include <QObject>
#include <QString>

class QTcpSocket;

// Takes calls from an NCID server. Keeps the connection: when the server goes away (or is not
// there yet) it tries again after 1, 2, 4 ... up to 10 seconds, on a timer, and sleeps between
// tries. Lines from the server go through a bounded line reader; each parsed line is handed on.
class NcidClient : public QObject {
    Q_OBJECT
public:
    static constexpr int FirstRetryMs = 1000;
    static constexpr int MaxRetryMs = 10000;

    explicit NcidClient(QObject *parent = nullptr);
    ~NcidClient() override;

    void connectTo(const QString &host, quint16 port);
    // A line to the server (a request); false when not connected.
    bool sendLine(const QString &line);
    void stop();
    bool isConnected() const { return m_connected; }
    QString server() const { return QStringLiteral("%1:%2").arg(m_host).arg(m_port); }

    // The bytes as they come from the server (the socket's and the fuzzer's way in). Their lines
    // are handed on from the event loop, one at a time, in order.
    void feed(const QByteArray &bytes);
    // Lines read and not handed on yet.
    qsizetype pendingLines() const { return m_lines.size(); }

    // The reconnect timer: its interval is the next delay (tests fire it).
    VbTimer &retryTimer() { return m_retry; }

signals:
    void message(const Ncid::Message &message);
    void connectedChanged(bool connected);

private:
    void tryNow();
    void onConnected();
    void onGone();
    void handOn();

    QTcpSocket *m_socket = nullptr;
    Ncid::LineReader m_reader;
    QList<QString> m_lines;
    VbTimer m_retry;
    QString m_host;
    quint16 m_port = Ncid::DefaultPort;
    int m_delayMs = FirstRetryMs;
    bool m_connected = false;
    bool m_running = false;
};
