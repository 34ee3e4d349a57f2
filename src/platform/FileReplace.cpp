#include "FileReplace.h"

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
