#include "SystemdNotify.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

SystemdNotify::SystemdNotify(QObject *parent) : QObject(parent), m_socket(qgetenv("NOTIFY_SOCKET"))
{
    // The watchdog is this process's only when systemd named it (or named nobody).
    const qint64 usec = qEnvironmentVariable("WATCHDOG_USEC").toLongLong();
    const QByteArray pid = qgetenv("WATCHDOG_PID");
    if (!underSystemd() || usec <= 0 || (!pid.isEmpty() && pid.toLongLong() != ::getpid()))
        return;
    m_watchdog.setInterval(int(std::max<qint64>(usec / 2000, 1)));
    connect(&m_watchdog, &QTimer::timeout, this, [this] { notify("WATCHDOG=1"); });
    m_watchdog.start();
}

bool SystemdNotify::notify(const QByteArray &state) const
{
    if (m_socket.isEmpty())
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(m_socket.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, m_socket.constData(), size_t(m_socket.size()));
    // An abstract socket's name starts with '@', which stands for the NUL byte.
    if (address.sun_path[0] == '@')
        address.sun_path[0] = '\0';
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(m_socket.size()));
    const bool sent = ::sendto(fd, state.constData(), size_t(state.size()), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr *>(&address), length) == state.size();
    ::close(fd);
    return sent;
}

void SystemdNotify::ready(const QString &status)
{
    notify("READY=1\nSTATUS=" + status.toUtf8());
}

void SystemdNotify::reloading()
{
    // systemd 253 and later want the monotonic time with RELOADING=1; older ones ignore it.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    notify("RELOADING=1\nMONOTONIC_USEC=" + QByteArray::number(qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000));
}

void SystemdNotify::stopping()
{
    m_watchdog.stop();
    notify("STOPPING=1");
}
