#include "DataFiles.h"

#include "MsgBox.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

DataFiles::DataFiles(const QString &programFolder, const QString &shippedFolder)
    : setupFile(programFolder), m_folder(programFolder),
      m_shipped(shippedFolder.isEmpty() ? programFolder : shippedFolder)
{
    setupFile.setDefaultsPath(shippedFile(QStringLiteral("desetup.bin")));
}

QString DataFiles::file(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

QString DataFiles::shippedFile(const QString &name) const
{
    const QString installed = folderFile(m_shipped, name);
    return QFileInfo::exists(installed) ? installed : folderFile(m_folder, name);
}

QString DataFiles::helpFile() const
{
    return shippedFile(QStringLiteral("RINGLARK.HLP"));
}

bool DataFiles::writeSetupRecord(int rec, const QString &text)
{
    QString error;
    if (setupFile.WriteSetupRecord(rec, text, settings, &error))
        return true;
    reportWriteFailure(setupFile.path(), error);
    return false;
}

void reportWriteFailure(const QString &path, const QString &reason)
{
    MsgBox(crLines({QStringLiteral("Ringlark Talking Caller ID could not write the file"),
                    QDir::toNativeSeparators(path), reason, QStringLiteral("The data stored earlier is unchanged.")}),
           MsgStyle::Critical, QStringLiteral("File Write Error"));
}

void reportReadFailure(const QString &path, const QString &reason)
{
    MsgBox(crLines({QStringLiteral("Ringlark Talking Caller ID could not read the file"),
                    QDir::toNativeSeparators(path), reason, QStringLiteral("Nothing in it has been changed.")}),
           MsgStyle::Critical, QStringLiteral("File Read Error"));
}
