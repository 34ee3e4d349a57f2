#pragma once

#include <QObject>
#include <QString>

class QFileSystemWatcher;

// Tells when the device of a COM number is there again (a USB modem plugged back in, a new
// ports/COMn link), without polling: the folders that hold the device and its links are
// watched through the system's file notifications, so nothing runs while the device is gone.
// A folder that is itself gone (the by-id folder goes with the last USB serial device) is
// watched through the nearest folder above it that exists.
class DeviceWatch : public QObject {
    Q_OBJECT
public:
    explicit DeviceWatch(QObject *parent = nullptr);

    // `linkOnly`: only a ports/COMn link counts as the device's return (the port was opened
    // through one), not the device the fixed table names for the number.
    void watch(int comNumber, const QString &programFolder, bool linkOnly = false);
    // The device is there but another program holds it: the lock folders are watched as well,
    // for the moment its lock file goes. (Not otherwise: every opening of a port changes them.)
    void watchLocks();
    void stop();
    // The folders watched now (for the user's report and for tests).
    QStringList folders() const;

signals:
    // COM n names an existing device. Emitted on every change while it does (a device node is
    // often made before its permissions are set): the receiver tries again each time.
    void deviceThere();

private:
    void rearm();
    void changed();

    QFileSystemWatcher *m_watcher = nullptr;
    QString m_folder;
    int m_com = 0;
    bool m_linkOnly = false;
    bool m_locks = false;
};
