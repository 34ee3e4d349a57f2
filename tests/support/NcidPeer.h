#pragma once

// The real NCID server, ncidd 1.6, for the test and the benchmark that hold the program against
// it: built from the peer's sources (NCID_PEER, else RINGLARK_NCID_PEER, which is
// ../shared/peers/ncid beside the project) in a folder of the caller's, and run in the
// foreground with its files in a folder of the caller's.
//
// ncidd listens on every address of the machine: whoever runs it enters a network namespace of
// its own first, with loopback only, before any thread is started (a namespace is the calling
// thread's, and a user namespace wants a process of one thread).
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace NcidPeer {

inline bool writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

// A network namespace with loopback up; false with the reason when none can be had.
inline bool enterPrivateNetwork(QString *why)
{
    if (::unshare(CLONE_NEWNET) != 0) {
        // Without the privilege: a user namespace of our own, in which we may.
        const QByteArray uid = QByteArray::number(getuid()), gid = QByteArray::number(getgid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
            *why = QStringLiteral("no network namespace: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        writeFile(QStringLiteral("/proc/self/setgroups"), "deny");
        if (!writeFile(QStringLiteral("/proc/self/uid_map"), "0 " + uid + " 1") ||
            !writeFile(QStringLiteral("/proc/self/gid_map"), "0 " + gid + " 1")) {
            *why = QStringLiteral("no user mapping in the user namespace");
            return false;
        }
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0 &&
                    (ifr.ifr_flags |= IFF_UP | IFF_RUNNING, ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0);
    if (!up)
        *why = QStringLiteral("loopback not up: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    if (fd >= 0)
        ::close(fd);
    return up;
}

// Runs a tool to its end; false with the reason (the end of what it said) when it failed.
inline bool runTool(const QString &program, const QStringList &args, QString *why)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(180000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QByteArray said = p.readAll();
        if (qEnvironmentVariableIsSet("NCID_BENCH_DEBUG"))
            std::fprintf(stderr, "%s\n", said.constData());
        *why =
            QStringLiteral("%1 %2 failed: %3")
                .arg(program, args.join(QLatin1Char(' ')),
                     p.error() == QProcess::FailedToStart ? p.errorString() : QString::fromLocal8Bit(said.right(300)));
        return false;
    }
    return true;
}

inline QString sources()
{
    return qEnvironmentVariable("NCID_PEER", QStringLiteral(RINGLARK_NCID_PEER));
}

// Builds ncidd in a copy of the peer under `work`; its path, or empty with the reason.
inline QString buildNcidd(const QString &work, QString *why)
{
    const QString peer = sources();
    if (!QFileInfo::exists(peer + QStringLiteral("/server/ncidd.c"))) {
        *why = QStringLiteral("no NCID peer at %1").arg(peer);
        return QString();
    }
    const QString copy = work + QStringLiteral("/ncid");
    if (!runTool(QStringLiteral("cp"), {QStringLiteral("-r"), peer, copy}, why) ||
        !runTool(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+w"), copy}, why) ||
        // Newer than its template: make keeps it rather than generating it again.
        !runTool(QStringLiteral("touch"), {copy + QStringLiteral("/version.h")}, why) ||
        !runTool(QStringLiteral("make"),
                 {QStringLiteral("-C"), copy + QStringLiteral("/server"), QStringLiteral("ncidd")}, why))
        return QString();
    return copy + QStringLiteral("/server/ncidd");
}

// Writes ncidd's files into `folder` (`config` its configuration; empty alias, black and white
// lists) and gives the arguments that run it in the foreground on `port` with them, its call log
// and its own log there too. `modem`: its serial device; none when empty.
inline QStringList nciddArguments(const QString &folder, quint16 port, const QString &modem,
                                  const QByteArray &config = {})
{
    const QString w = folder + QLatin1Char('/');
    writeFile(w + QStringLiteral("ncidd.conf"), config);
    for (const char *f : {"ncidd.alias", "ncidd.blacklist", "ncidd.whitelist"})
        writeFile(w + QLatin1String(f), QByteArray());
    QStringList args = {QStringLiteral("-D"),
                        QStringLiteral("-C"),
                        w + QStringLiteral("ncidd.conf"),
                        QStringLiteral("-A"),
                        w + QStringLiteral("ncidd.alias"),
                        QStringLiteral("-B"),
                        w + QStringLiteral("ncidd.blacklist"),
                        QStringLiteral("-W"),
                        w + QStringLiteral("ncidd.whitelist"),
                        QStringLiteral("-c"),
                        w + QStringLiteral("cidcall.log"),
                        QStringLiteral("-d"),
                        w + QStringLiteral("ciddata.log"),
                        QStringLiteral("-L"),
                        w + QStringLiteral("ncidd.log"),
                        QStringLiteral("-l"),
                        w + QStringLiteral("LCK..modem"),
                        QStringLiteral("-P"),
                        w + QStringLiteral("ncidd.pid"),
                        QStringLiteral("-p"),
                        QString::number(port)};
    if (modem.isEmpty())
        args << QStringLiteral("-N") << QStringLiteral("1"); // no serial device: gateways only
    else
        args << QStringLiteral("-t") << modem;
    return args;
}

} // namespace NcidPeer
