#include "AppState.h"

#include "MsgBox.h"
#include "ProgramFolder.h"

#include <QDir>

AppState::AppState(const QString &programFolder, QObject *parent)
    : QObject(parent), setupFile(programFolder), MSComm1(this), Timer1(this), Timer2(this), Timer3(this), tray(this),
      display(this), m_folder(programFolder)
{
    MSComm1.setProgramFolder(programFolder);
}

QString AppState::file(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

QString AppState::helpFile() const
{
    return folderFile(m_folder, QStringLiteral("RINGLARK.HLP"));
}

bool AppState::writeSetupRecord(int rec, const QString &text)
{
    QString error;
    if (setupFile.WriteSetupRecord(rec, text, settings, &error))
        return true;
    reportWriteFailure(setupFile.path(), error);
    return false;
}

void reportWriteFailure(const QString &path, const QString &reason)
{
    MsgBox(crLines({QStringLiteral("Ringlark Talking Caller ID could not write the file"), QDir::toNativeSeparators(path),
                    reason, QStringLiteral("The data stored earlier is unchanged.")}),
           MsgStyle::Critical, QStringLiteral("File Write Error"));
}

void reportReadFailure(const QString &path, const QString &reason)
{
    MsgBox(crLines({QStringLiteral("Ringlark Talking Caller ID could not read the file"), QDir::toNativeSeparators(path),
                    reason, QStringLiteral("Nothing in it has been changed.")}),
           MsgStyle::Critical, QStringLiteral("File Read Error"));
}
