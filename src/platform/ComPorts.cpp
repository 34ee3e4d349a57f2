#include "ComPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace {

QString g_installedFolder;

} // namespace

void setInstalledFolder(const QString &folder)
{
    g_installedFolder = folder;
}

QStringList portsFolders(const QString &programFolder)
{
    QStringList folders;
    if (!g_installedFolder.isEmpty() && QFileInfo(QDir(g_installedFolder).filePath(QStringLiteral("ports"))).isDir())
        folders << QDir(g_installedFolder).filePath(QStringLiteral("ports"));
    folders << QDir(programFolder).filePath(QStringLiteral("ports"));
    return folders;
}

QString comDevicePath(int comNumber, const QString &programFolder, bool linkOnly)
{
#ifdef Q_OS_WIN
    Q_UNUSED(programFolder);
    Q_UNUSED(linkOnly);
    return QStringLiteral("COM%1").arg(comNumber);
#else
    // The links of the program's own folder count also when its data has moved to the user's.
    for (const QString &ports : portsFolders(programFolder)) {
        const QFileInfo link(QDir(ports).filePath(QStringLiteral("COM%1").arg(comNumber)));
        if (link.isSymLink()) {
            // The lock file of the serial port is named after the device, so resolve the link:
            // two links to one device must still exclude each other.
            const QString target = link.symLinkTarget();
            return target.isEmpty() ? link.absoluteFilePath() : target;
        }
        if (link.exists())
            return link.absoluteFilePath();
    }
    if (linkOnly)
        return QString();
    if (comNumber >= 1 && comNumber <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
    if (comNumber >= 5 && comNumber <= 8)
        return QStringLiteral("/dev/ttyUSB%1").arg(comNumber - 5);
    if (comNumber >= 9 && comNumber <= 12)
        return QStringLiteral("/dev/ttyACM%1").arg(comNumber - 9);
    return QString();
#endif
}

bool comNumberIsLinked(int comNumber, const QString &programFolder)
{
    for (const QString &ports : portsFolders(programFolder)) {
        const QFileInfo link(QDir(ports).filePath(QStringLiteral("COM%1").arg(comNumber)));
        if (link.isSymLink() || link.exists())
            return true;
    }
    return false;
}

QString deviceNode(const QString &path)
{
    const QString node = QFileInfo(path).canonicalFilePath();
    return node.isEmpty() ? path : node;
}

QString staleLockFile(const QString &device, qint64 *deadPid)
{
#ifdef Q_OS_UNIX
    // Serial-port programs name the lock after the device: "LCK..ttyACM0" (and "LCK..pts_3" for a
    // device below /dev). It holds the owner's process id as text, alone or on its first line.
    QString below = device;
    if (below.startsWith(QLatin1String("/dev/")))
        below = below.mid(5);
    const QStringList names{below.replace(QLatin1Char('/'), QLatin1Char('_')), QFileInfo(device).fileName()};
    for (const QString &dir : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")}) {
        for (const QString &name : names) {
            QFile lock(QStringLiteral("%1/LCK..%2").arg(dir, name));
            if (!lock.open(QIODevice::ReadOnly))
                continue;
            bool ok = false;
            const qint64 pid = QString::fromLatin1(lock.readLine(64)).trimmed().toLongLong(&ok);
            if (!ok || pid <= 0)
                continue;
            if (::kill(pid_t(pid), 0) == 0 || errno == EPERM)
                continue; // a live owner: the port is really in use
            if (deadPid)
                *deadPid = pid;
            return lock.fileName();
        }
    }
#else
    Q_UNUSED(device);
    Q_UNUSED(deadPid);
#endif
    return QString();
}

QString explainOpenFailure(const QString &device, const QString &systemError)
{
    if (device.isEmpty())
        return QStringLiteral("This COM port number has no device.");
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(device);
    if (::access(path.constData(), F_OK) != 0)
        return QStringLiteral("%1 does not exist.").arg(device);
    if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
        return QStringLiteral("%1: permission denied. Add your user to the dialout group "
                              "(sudo usermod -aG dialout $USER) and log in again.")
            .arg(device);
#endif
    qint64 deadPid = 0;
    const QString lock = staleLockFile(device, &deadPid);
    if (!lock.isEmpty())
        return QStringLiteral("%1 is locked by %2, left by process %3, which no longer runs. Remove that file "
                              "(sudo rm %2) and try again.")
            .arg(device, lock)
            .arg(deadPid);
    const QString holder = portHolder(device);
    if (holder == QLatin1String("ModemManager"))
        return QStringLiteral("%1 is in use by another program (%2). ModemManager takes every modem it sees; a "
                              "udev rule that sets ENV{ID_MM_DEVICE_IGNORE}=\"1\" for this modem keeps it off "
                              "(see the README).")
            .arg(device, holder);
    if (!holder.isEmpty())
        return QStringLiteral("%1 is in use by another program (%2).").arg(device, holder);
    if (systemError.contains(QLatin1String("locking"), Qt::CaseInsensitive))
        return QStringLiteral("%1 is in use by another program.").arg(device);
    return QStringLiteral("%1: %2").arg(device, systemError);
}

int comNumberOf(const QString &device, const QString &programFolder)
{
    const QString wanted = deviceNode(device);
    for (int n = 1; n <= 16; ++n) {
        const QString path = comDevicePath(n, programFolder);
        if (!path.isEmpty() && deviceNode(path) == wanted)
            return n;
    }
    return 0;
}

int assignComNumber(const QString &device, const QString &programFolder)
{
    if (const int n = comNumberOf(device, programFolder))
        return n;
#ifdef Q_OS_UNIX
    QDir ports(QDir(programFolder).filePath(QStringLiteral("ports")));
    ports.mkpath(QStringLiteral("."));
    for (int n = 1; n <= 16; ++n) {
        const QString path = comDevicePath(n, programFolder);
        if (!path.isEmpty() && QFileInfo::exists(path))
            continue; // that number names a device of this computer
        const QString link = ports.filePath(QStringLiteral("COM%1").arg(n));
        QFile::remove(link); // a link to a device that is gone
        if (QFile::link(device, link))
            return n;
    }
#endif
    return 0;
}

QString portHolder(const QString &device)
{
#ifdef Q_OS_LINUX
    auto programOf = [](const QString &pid) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
    };
    // A UUCP lock file holds the pid of its owner (programs of the serial-port kind use them).
    QString below = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : QFileInfo(device).fileName();
    for (const QString &dir : {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")}) {
        QFile lock(QStringLiteral("%1/LCK..%2").arg(dir, below.replace(QLatin1Char('/'), QLatin1Char('_'))));
        if (lock.open(QIODevice::ReadOnly)) {
            const QString pid = QString::fromLatin1(lock.readLine(64)).trimmed();
            const QString name = programOf(pid);
            if (!name.isEmpty())
                return name;
        }
    }
    // Else whoever has it open, as far as this user may look (ModemManager takes USB modems
    // without a lock file; its files are visible to root only).
    const QString wanted = deviceNode(device);
    QDirIterator procs(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (procs.hasNext()) {
        procs.next();
        const QString pid = procs.fileName();
        if (pid.isEmpty() || !pid.at(0).isDigit() || pid == QString::number(QCoreApplication::applicationPid()))
            continue;
        QDirIterator fds(procs.filePath() + QStringLiteral("/fd"), QDir::System | QDir::NoDotAndDotDot);
        while (fds.hasNext()) {
            fds.next();
            if (fds.fileInfo().symLinkTarget() == wanted)
                return programOf(pid);
        }
    }
#else
    Q_UNUSED(device);
#endif
    return QString();
}
