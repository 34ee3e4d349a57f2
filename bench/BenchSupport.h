#pragma once

// What the benchmarks share: the clock, the order statistics they print, the load, and a plain
// blocking client for a server on loopback.
#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bench {

using Clk = std::chrono::steady_clock;

inline double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

inline QByteArray loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("?");
}

// A connected socket to `port` on 127.0.0.1, tried for ten seconds; -1 when none came.
inline int connectTo(quint16 port)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0)
            return fd;
        ::close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
}

// Reads the socket until `text` and the line end after it have come; false after `ms`.
inline bool readUntil(int fd, QByteArray &got, const QByteArray &text, int ms)
{
    const auto giveUp = Clk::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const qsizetype at = got.indexOf(text);
        if (at >= 0) {
            const qsizetype end = got.indexOf('\n', at);
            if (end >= 0) {
                got.remove(0, end + 1);
                return true;
            }
        }
        const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - Clk::now()).count());
        if (left <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, left) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return false;
        got.append(buf, int(n));
    }
}

} // namespace bench
