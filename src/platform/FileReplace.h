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
