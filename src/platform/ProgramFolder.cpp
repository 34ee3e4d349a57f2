#include "ProgramFolder.h"

#include "ComPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString folderFile(const QString &folder, const QString &name)
{
    return QDir(folder.trimmed()).filePath(name);
}

void seedUserFolder(const QString &programFolder, const QString &userFolder)
{
    QDir().mkpath(userFolder);
    const QDir user(userFolder);
    // QFile::copy writes a temporary file and renames it: a kill leaves no half file under the
    // real name. A file already in the user's folder is never replaced. The user's own data
    // kept in the program's folder before it became read-only goes along, rather than starting
    // again from defaults.
    for (const QString &name :
         {QStringLiteral("acsetup.bin"), QStringLiteral("Array.bin"), QStringLiteral("blocked.bin")}) {
        const QString source = QDir(programFolder).filePath(name);
        if (QFileInfo(source).isFile() && !QFileInfo::exists(user.filePath(name)))
            QFile::copy(source, user.filePath(name));
    }
}

QString findShippedFolder(const QString &exeFolder)
{
    const QString marker = QStringLiteral("desetup.bin");
    for (const QString &candidate :
         {exeFolder, QDir(exeFolder).absoluteFilePath(QStringLiteral("../share/ringlark"))}) {
        if (QFileInfo::exists(QDir(candidate).filePath(marker)))
            return QDir(candidate).absolutePath();
    }
    const QString found =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("ringlark/") + marker);
    return found.isEmpty() ? QString() : QFileInfo(found).absolutePath();
}

QString resolveProgramFolder()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    // A program folder holds the shipped defaults beside the program (a build, an unpacked
    // copy). An installed program sits in bin/ without them, and even where root may write
    // there, its data belongs in the user's folder.
    if (QFileInfo(exeDir).isWritable() && QFileInfo::exists(QDir(exeDir).filePath(QStringLiteral("desetup.bin"))))
        return exeDir;
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // The data moves; the ports/ links the administrator made beside the program stay in use.
    setInstalledFolder(exeDir);
    seedUserFolder(exeDir, userDir);
    return userDir;
}
