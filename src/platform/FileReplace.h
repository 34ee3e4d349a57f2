#pragma once

#include <QByteArray>
#include <QString>

// Replaces a data file whole, through a scratch file: the scratch file is written completely
// (a leftover from an interrupted run is overwritten), forced to disk, and renamed over the
// target in one step. A crash or a full disk leaves the old file or the new one, never half.
bool replaceFileThrough(const QString &scratch, const QString &target, const QByteArray &bytes, QString *error);

// Removes what an interrupted whole-file save leaves beside `target`: "<name>.XXXXXX", six
// letters or digits, the temporary file of QSaveFile when the program died before the rename.
void removeSaveLeftovers(const QString &target);

// Keeps a data file that holds what the program cannot read, before the program replaces it:
// "<name>.damaged-YYYYMMDD-HHMMSS" beside it, stamped with the program's clock (a name of that
// kind is never taken for a save's leftover). The copy's path, or empty (the reason in `error`)
// when no copy could be made; then the file must not be replaced.
QString keepDamagedCopy(const QString &path, QString *error);

// Tells the user, once the running handler is done, that a damaged file was tidied up and where
// the file as found is kept. The box waits for the event loop so that no handler is cut short.
void reportDamagedFile(const QString &path, const QString &copy);
