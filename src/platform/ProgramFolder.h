#pragma once

#include <QString>

// The folder that holds the program's data files (settings, call log, blocked list, icons,
// help). The executable's folder when it is writable (a build tree or an unpacked copy);
// an installed copy in a read-only folder uses the per-user data folder, seeded from the
// installation's share folder on first start.
QString resolveProgramFolder();

// Path of a file in a folder; a root folder does not get a doubled separator.
QString folderFile(const QString &folder, const QString &name);
