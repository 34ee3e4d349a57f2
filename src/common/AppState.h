#pragma once

#include "CallEvents.h"
#include "CallList.h"
#include "CallerDisplay.h"
#include "Flags.h"
#include "MSComm.h"
#include "ProgramSettings.h"
#include "SetupFile.h"
#include "Settings.h"
#include "TrayStatus.h"
#include "VbTimer.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The program's globals, owned by one object for the whole run: the settings, the flags, the
// main window's serial port and timers, the tray record, the caller display, the call list and
// the log position, and the paths of the data files.
class AppState : public QObject {
    Q_OBJECT
public:
    // `shippedFolder`: where the shipped files are read (empty: the program folder holds them).
    explicit AppState(const QString &programFolder, const QString &shippedFolder = QString(),
                      QObject *parent = nullptr);

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
    // Rings, callers and ends of calls as they happen (the NCID server listens).
    CallEvents callEvents;
    bool ModemConfigured = false;
    // Why the latest modem search could not ask some ports (held, no permission, no answer).
    QStringList detectionProblems;
    // The latest modem search was stopped by the user (its window closed) before it stored
    // anything: it gave no verdict, and the modem in use before it is taken again.
    bool searchStopped = false;
    InProgressFlags flags;
    WindowFlags windows;
    // The end of a call is being processed (stored, shown, the pager told): the services and
    // the port commands wait for it as they wait for a ringing call. Reception goes on.
    bool callEnding = false;
    // A modem dialogue or the end of a call has the port: the user's port and modem commands wait.
    bool modemBusy() const { return flags.any() || callEnding || Timer3.Interval() != 0; }

    MSComm MSComm1;
    VbTimer Timer1; // end of call: 10 s after the last characters of a ringing call
    VbTimer Timer2; // minimise to the tray
    VbTimer Timer3; // busy marker of user commands (interval 65535), no handler

    TrayStatus tray;

    CallerDisplay display;
    CallList calls;
    int LogPosition = 0; // record shown in the main window: 0 below the oldest, N + 1 above the newest

private:
    QString m_folder;
    QString m_shipped;
};

// Tells the user that a data file could not be written, or read, and why.
void reportWriteFailure(const QString &path, const QString &reason);
void reportReadFailure(const QString &path, const QString &reason);
