#pragma once

#include <QString>

// The folder that holds the program's data files (settings, call log, blocked list, icons,
// help). The executable's folder when it is writable and holds the shipped defaults (a build
// tree or an unpacked copy); an installed copy uses the per-user data folder, seeded from the
// installation's share folder and the data the program's folder already held, on first start.
QString resolveProgramFolder();

// Fills the user's data folder on first start: the settings, call log and blocked list kept in
// the program's folder, then the installation's shipped files; nothing already there is replaced.
void seedUserFolder(const QString &programFolder, const QString &shareFolder, const QString &userFolder);

// Path of a file in a folder; a root folder does not get a doubled separator.
QString folderFile(const QString &folder, const QString &name);
