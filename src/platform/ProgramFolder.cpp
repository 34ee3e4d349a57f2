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

void seedUserFolder(const QString &programFolder, const QString &shareFolder, const QString &userFolder)
{
    QDir().mkpath(userFolder);
    const QDir user(userFolder);
    // QFile::copy writes a temporary file and renames it: a kill leaves no half file under the
    // real name. A file already in the user's folder is never replaced.
    auto copyMissing = [&](const QString &from, const QString &name) {
        const QString source = QDir(from).filePath(name);
        if (QFileInfo(source).isFile() && !QFileInfo::exists(user.filePath(name)))
            QFile::copy(source, user.filePath(name));
    };
    // The user's own data first: settings, calls and blocked numbers kept in the program's
    // folder before it became read-only go along, rather than starting again from defaults.
    for (const QString &name : {QStringLiteral("acsetup.bin"), QStringLiteral("Array.bin"), QStringLiteral("blocked.bin")})
        copyMissing(programFolder, name);
    const QDir share(shareFolder);
    if (share.exists()) {
        for (const QString &name : share.entryList(QDir::Files))
            copyMissing(shareFolder, name);
    }
    // An unpacked copy made read-only has no share folder: its shipped files are beside it.
    for (const QString &name : {QStringLiteral("desetup.bin"), QStringLiteral("ringlark.ico"),
                                QStringLiteral("openport.ico"), QStringLiteral("RINGLARK.HLP")})
        copyMissing(programFolder, name);
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
    seedUserFolder(exeDir, QDir(exeDir).absoluteFilePath(QStringLiteral("../share/ringlark")), userDir);
    return userDir;
}
