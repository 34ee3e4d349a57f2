#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString folderFile(const QString &folder, const QString &name)
{
    return QDir(folder.trimmed()).filePath(name);
}

QString resolveProgramFolder()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeDir).isWritable())
        return exeDir;

    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(userDir);
    const QString share = QDir(exeDir).absoluteFilePath(QStringLiteral("../share/ringlark"));
    const QDir shareDir(share);
    if (shareDir.exists()) {
        for (const QString &f : shareDir.entryList(QDir::Files)) {
            const QString target = QDir(userDir).filePath(f);
            if (!QFileInfo::exists(target))
                QFile::copy(shareDir.filePath(f), target);
        }
    }
    return userDir;
}
