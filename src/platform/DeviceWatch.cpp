#include "DeviceWatch.h"

#include "ComPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace {

// The folder itself, or the nearest one above it that exists.
QString existingFolder(QString folder)
{
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString up = QFileInfo(folder).absolutePath();
        if (up == folder)
            break;
        folder = up;
    }
    return folder;
}

} // namespace

DeviceWatch::DeviceWatch(QObject *parent) : QObject(parent), m_watcher(new QFileSystemWatcher(this))
{
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &DeviceWatch::changed);
}

void DeviceWatch::watch(int comNumber, const QString &programFolder, bool linkOnly)
{
    m_com = comNumber;
    m_linkOnly = linkOnly;
    m_locks = false;
    m_folder = programFolder;
    rearm();
}

void DeviceWatch::watchLocks()
{
    m_locks = true;
    if (m_com > 0)
        rearm();
}

void DeviceWatch::stop()
{
    m_com = 0;
    const QStringList watched = m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
}

QStringList DeviceWatch::folders() const
{
    return m_watcher->directories();
}

void DeviceWatch::rearm()
{
    QStringList wanted;
    for (const QString &ports : portsFolders(m_folder))
        wanted << existingFolder(ports);
    // The link's own target (a by-id name) and the device it resolves to.
    const QString device = comDevicePath(m_com, m_folder, m_linkOnly);
    if (!device.isEmpty()) {
        wanted << existingFolder(QFileInfo(device).absolutePath());
        const QString real = QFileInfo(device).canonicalFilePath();
        if (!real.isEmpty())
            wanted << existingFolder(QFileInfo(real).absolutePath());
    }
    // A lock file that goes (another program let go of the port) is a change worth a try too.
    for (const QString &locks : {QStringLiteral("/run/lock"), QStringLiteral("/var/lock")}) {
        if (m_locks && QFileInfo(locks).isDir())
            wanted << QFileInfo(locks).canonicalFilePath();
    }
    wanted.removeAll(QString());
    wanted.removeDuplicates();
    const QStringList watched = m_watcher->directories();
    for (const QString &dir : watched) {
        if (!wanted.contains(dir))
            m_watcher->removePath(dir);
    }
    for (const QString &dir : wanted) {
        if (!watched.contains(dir))
            m_watcher->addPath(dir);
    }
}

void DeviceWatch::changed()
{
    if (m_com < 1)
        return;
    rearm();
    const QString device = comDevicePath(m_com, m_folder, m_linkOnly);
    if (!device.isEmpty() && QFileInfo::exists(device))
        emit deviceThere();
}
