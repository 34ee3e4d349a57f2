#pragma once

#include "ScreeningFiles.h"

#include <QString>
#include <QStringList>

class RuleSet;
class Screening;

// The screening lists moved in and out of the store as files: NCID's lists and contacts read in,
// the kind told by the content; NCID's lists written out, each file replaced whole. The command
// line and the Screening window both go through here.
namespace ScreeningTransfer {

struct Imported {
    bool stored = false; // the entries are in the store
    QString error;       // why not, or why they could not be read back
    ScreeningFiles::Kind kind = ScreeningFiles::Kind::Blacklist;
    qsizetype rules = 0, aliases = 0; // the entries taken
    QStringList warnings;             // the entries left out, one line each, and why
};

// Reads the file at `path` (at most ScreeningFiles::MaxFileSize bytes) into the store, all of it or
// nothing, and the rules again from the store.
Imported importFile(Screening &screening, const QString &path);

// The file name NCID gives the kind ("ncidd.blacklist", ...).
QString fileNameOf(ScreeningFiles::Kind kind);
// The rules or aliases of `kind` as NCID's file at `path`, through a save file: a folder that
// takes no file or a full disk leaves whatever was at `path` as it was. False with the reason,
// also for contacts, which are read but not written.
bool exportFile(const RuleSet &set, ScreeningFiles::Kind kind, const QString &path, QString *error);

} // namespace ScreeningTransfer
