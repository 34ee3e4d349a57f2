#pragma once

#include "ProgramSettings.h"
#include "Settings.h"
#include "SetupFile.h"

#include <QString>

// The data folder, the paths of its files, and the settings read from them.
class DataFiles {
public:
    // `shippedFolder`: where the shipped files are read (empty: the program folder holds them).
    explicit DataFiles(const QString &programFolder, const QString &shippedFolder = QString());

    QString folder() const { return m_folder; }
    QString file(const QString &name) const;
    // A shipped file (defaults, icons, help) where it is installed, so that an upgrade's reach
    // every user; a copy in the data folder (made by an earlier version) serves where the
    // installation has none.
    QString shippedFile(const QString &name) const;
    // RINGLARK.HLP; a folder at the root gets no doubled separator.
    QString helpFile() const;
    QString blockedPath() const { return file(QStringLiteral("blocked.bin")); }
    QString blockedScratchPath() const { return file(QStringLiteral("blocktemp.bin")); }
    QString callLogPath() const { return file(QStringLiteral("Array.bin")); }
    QString callLogScratchPath() const { return file(QStringLiteral("ArrayTemp1.bin")); }

    // Writes a settings record; a failed write is reported to the user, naming file and reason.
    bool writeSetupRecord(int rec, const QString &text);

    Settings settings;
    SetupFile setupFile;
    // The settings of the program's own file (network, desktop), with the command line's laid over.
    ProgramSettings options;
    // The activation token the desktop gave this start (handed to a copy that already runs).
    QString startToken;
    // Calls come from an NCID server, not the modem: the modem is never opened or searched for.
    bool callsFromServer() const { return options.ncidClientEnabled; }

private:
    QString m_folder;
    QString m_shipped;
};

// Tells the user that a data file could not be written, or read, and why.
void reportWriteFailure(const QString &path, const QString &reason);
void reportReadFailure(const QString &path, const QString &reason);
