#include "FileReplace.h"

#include "Clock.h"
#include "Log.h"
#include "MsgBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <filesystem>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

bool replaceFileThrough(const QString &scratch, const QString &target, const QByteArray &bytes, QString *error)
{
    // The caller names the target; a failure of the scratch file says which file it was.
    auto fail = [&](const QString &path, const QString &reason) {
        if (error)
            *error = path == target ? reason : QStringLiteral("%1: %2").arg(path, reason);
        ProgramLog::fileWritten(target, QStringLiteral("replaced"), false,
                                path == target ? reason : path + ": " + reason);
        QFile::remove(scratch);
        return false;
    };
    QFile f(scratch);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(scratch, f.errorString());
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        const QString reason = f.errorString();
        f.close();
        return fail(scratch, reason);
    }
#ifdef Q_OS_UNIX
    ::fsync(f.handle());
#endif
    f.close();
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(scratch).toStdString(), QFile::encodeName(target).toStdString(), ec);
    if (ec)
        return fail(target, QString::fromStdString(ec.message()));
    ProgramLog::fileWritten(target, QStringLiteral("replaced"), true);
    return true;
}

void removeSaveLeftovers(const QString &target)
{
    const QFileInfo info(target);
    QDir dir = info.absoluteDir();
    const QRegularExpression leftover(QStringLiteral("^") + QRegularExpression::escape(info.fileName()) +
                                      QStringLiteral("\\.[A-Za-z0-9]{6}$"));
    const QStringList names = dir.entryList({info.fileName() + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (leftover.match(name).hasMatch())
            dir.remove(name);
    }
}

QString keepDamagedCopy(const QString &path, QString *error)
{
    const QString stamped =
        path + QStringLiteral(".damaged-") + Clock::current().now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = stamped;
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = stamped + QLatin1Char('-') + QString::number(n); // twice in one second
    // A second name for the same bytes costs nothing, however long the file; where the file
    // system has no such names, a copy.
    std::error_code ec;
    std::filesystem::create_hard_link(QFile::encodeName(path).toStdString(), QFile::encodeName(copy).toStdString(), ec);
    if (!ec || QFile::copy(path, copy))
        return copy;
    if (error)
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(copy), QString::fromStdString(ec.message()));
    return QString();
}

void reportDamagedFile(const QString &path, const QString &copy)
{
    const QString text =
        crLines({QStringLiteral("Ringlark Talking Caller ID found a damaged file"), QDir::toNativeSeparators(path),
                 QStringLiteral("What could not be read in it has been left out. The file as it was found is kept as"),
                 QDir::toNativeSeparators(copy)});
    auto show = [text] { MsgBox(text, MsgStyle::Exclamation, QStringLiteral("Damaged File")); };
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, show, Qt::QueuedConnection);
    else
        show();
}
