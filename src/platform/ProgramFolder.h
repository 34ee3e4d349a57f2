#pragma once

#include <QString>

// The folder that holds the user's data files (settings, call log, blocked list). The
// executable's folder when it is writable and holds the shipped defaults (a build tree or an
// unpacked copy); an installed copy uses the per-user data folder, into which its first start
// moves the data the program's folder already held.
QString resolveProgramFolder();

// Where the shipped files (defaults, icons, help) are read: beside the program, or in the
// installation's share/ringlark, or the first ringlark folder of XDG_DATA_DIRS that holds them.
// Read from there on every start, so that a new version's help and defaults reach every user.
// Empty when none is found (the data folder's own copies then serve).
QString findShippedFolder(const QString &exeFolder);

// Fills the user's data folder on first start with the settings, call log and blocked list kept
// in the program's folder; nothing already there is replaced. Shipped files are not copied.
void seedUserFolder(const QString &programFolder, const QString &userFolder);

// Path of a file in a folder; a root folder does not get a doubled separator.
QString folderFile(const QString &folder, const QString &name);
