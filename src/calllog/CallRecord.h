#pragma once

#include <QString>

// One call of the log: an 80-character text "CL=" call number, "DT=" date, "TM=" time,
// "NM=" name, "NB=" number, "RG=" rings, "END", then full stops up to character 80.
namespace CallRecord {

constexpr int Length = 80;

// The record of a call. A name too long for the record is shortened so that "END" always
// fits: a record without it would be dropped as dead at the next load.
QString build(int callNumber, const QString &recordLine, int rings);
// Cut or padded with spaces to 80 characters.
QString padded(const QString &text);
// A record is live when it holds "DT=", "RG=" and "END"; anything else is dropped at loading.
bool isLive(const QString &record);
// What marks record n deleted in place: "12DELETE" and spaces.
QString deletionMarker(int recordNumber);
// The record under a new call number: "CL=" + number + the text from its first "DT".
QString renumbered(const QString &record, int callNumber);

struct Fields {
    QString callNumber, name, number, date, time, rings;
};
// The six fields, keys removed (each from its key to the key that follows it).
Fields fields(const QString &record);

} // namespace CallRecord
