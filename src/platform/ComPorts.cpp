#include "ComPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

QString comDevicePath(int comNumber, const QString &programFolder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(programFolder);
    return QStringLiteral("COM%1").arg(comNumber);
#else
    const QFileInfo link(QDir(programFolder).filePath(QStringLiteral("ports/COM%1").arg(comNumber)));
    if (link.isSymLink()) {
        // The lock file of the serial port is named after the device, so resolve the link:
        // two links to one device must still exclude each other.
        const QString target = link.symLinkTarget();
        return target.isEmpty() ? link.absoluteFilePath() : target;
    }
    if (link.exists())
        return link.absoluteFilePath();
    if (comNumber >= 1 && comNumber <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
    if (comNumber >= 5 && comNumber <= 8)
        return QStringLiteral("/dev/ttyUSB%1").arg(comNumber - 5);
    if (comNumber >= 9 && comNumber <= 12)
        return QStringLiteral("/dev/ttyACM%1").arg(comNumber - 9);
    return QString();
#endif
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
    if (systemError.contains(QLatin1String("locking"), Qt::CaseInsensitive))
        return QStringLiteral("%1 is in use by another program.").arg(device);
    return QStringLiteral("%1: %2").arg(device, systemError);
}
