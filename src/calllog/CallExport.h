#pragma once

#include "CallRecord.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

class QIODevice;

// The call log as CSV for other programs (RFC 4180: CR LF rows, fields quoted where they hold
// a comma, a quote or a line end, UTF-8), with the header `Call,Date,Time,Name,Number,Rings,Refused`,
// oldest call first.
namespace CallExport {

QByteArray csvField(const QString &text);
QByteArray csvRow(const QStringList &fields);
QByteArray header();
// One call: its place in the log (as the Calls Log numbers it), the record's fields, refused or not.
QByteArray callRow(int place, const CallRecord::Fields &f, bool refused);

// Array.bin and the refused calls beside it, written to `out`. Read only: the log is not tidied
// up. False, and the reason in `error`, when the log could not be read or `out` not written.
bool write(const QString &logPath, const QString &refusedPath, QIODevice &out, QString *error);
// The same into a file, replaced whole (a failed export leaves no half file).
bool writeFile(const QString &logPath, const QString &refusedPath, const QString &target, QString *error);

} // namespace CallExport

// The calls that were refused on the line (blocked number, unknown caller with telemarketer
// blocking on). Array.bin keeps exactly its records and has no room for it: the program keeps
// one line per refused call in a text file of its own beside the log, the call's date, time and
// number (what renumbering and deleting never change).
namespace RefusedCalls {

inline QString fileName()
{
    return QStringLiteral("refused.txt");
}
// The key of a call, from the record line as stored ("DT=...TM=...NM=...NB=...") or a record.
QString keyOf(const CallRecord::Fields &f);
// Adds a refused call, written in place at the end of the file.
bool add(const QString &path, const CallRecord::Fields &call, QString *error);
QSet<QString> read(const QString &path);

} // namespace RefusedCalls
