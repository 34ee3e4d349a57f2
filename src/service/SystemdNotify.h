#pragma once

#include <QObject>
#include <QTimer>

// What systemd is told of a service of Type=notify: ready, reloading, stopping, and the
// watchdog's keep-alive at half the interval systemd gave. Outside systemd (no NOTIFY_SOCKET)
// nothing is sent and no timer runs.
class SystemdNotify : public QObject {
    Q_OBJECT
public:
    explicit SystemdNotify(QObject *parent = nullptr);

    bool underSystemd() const { return !m_socket.isEmpty(); }
    // A state line as sd_notify(3) has them ("READY=1", "STATUS=...").
    bool notify(const QByteArray &state) const;
    void ready(const QString &status);
    void reloading();
    void stopping();

private:
    QByteArray m_socket;
    QTimer m_watchdog;
};
