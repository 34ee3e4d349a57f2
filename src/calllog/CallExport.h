#pragma once

#include "CallRecord.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class QIODevice;

// The call log as CSV for other programs (RFC 4180: CR LF rows, fields quoted where they hold
// a comma, a quote or a line end, UTF-8), with the header `Call,Date,Time,Name,Number,Rings,Refused`,
// oldest call first.
namespace CallExport {

QByteArray csvField(const QString &text);
QByteArray csvRow(const QStringList &fields);
QByteArray header();
// One call: its place in the log (as the Calls Log numbers it), the record's fields, refused or not
// (and why, where it is known: "yes (pattern ^800)").
QByteArray callRow(int place, const CallRecord::Fields &f, bool refused, const QString &reason = QString());

// Why calls were refused, by the whole call (RefusedCalls::callKeyOf), oldest first; a refused call
// of the log takes the first reason left for it.
using Reasons = QHash<QString, QStringList>;

// Array.bin and the refused calls beside it, written to `out`. Read only: the log is not tidied
// up. False, and the reason in `error`, when the log could not be read or `out` not written.
bool write(const QString &logPath, const QString &refusedPath, QIODevice &out, QString *error,
           Reasons reasons = Reasons());
// The same into a file, replaced whole (a failed export leaves no half file).
bool writeFile(const QString &logPath, const QString &refusedPath, const QString &target, QString *error,
               const Reasons &reasons = Reasons());

} // namespace CallExport

// The calls that were refused on the line (blocked number, unknown caller with telemarketer
// blocking on). Array.bin keeps exactly its records and has no room for it: the program keeps
// one line per refused call in a text file of its own beside the log, the call as its record
// holds it and the number it was stored under (percent-encoded, one line each). Lines of the
// earlier form, the call's date, time and number only, are still read.
namespace RefusedCalls {

inline QString fileName()
{
    return QStringLiteral("refused.txt");
}
// The date, time and number of a call, as the earlier lines held them.
QString keyOf(const CallRecord::Fields &f);
// The whole call, as its record holds it: what tells it from another call of the same minute.
QString callKeyOf(const CallRecord::Fields &f);
// The line of a refused call stored as call `callNumber`, before encoding.
QString lineOf(const CallRecord::Fields &call, int callNumber);
// Adds a refused call, written in place at the end of the file.
bool add(const QString &path, const CallRecord::Fields &call, int callNumber, QString *error);

// The refusals read from the file; each marks one call. Every call of the log is seen first,
// oldest first, then each mark is settled on its call.
class Marks {
public:
    void see(const CallRecord::Fields &call, int place);
    void settle();
    bool marks(int place) const { return m_marked.contains(place); }
    bool none() const { return m_calls.isEmpty() && m_older.isEmpty(); }

private:
    friend Marks read(const QString &path);
    struct Group {
        QList<int> numbers; // each mark's call number when it was written
        QList<int> places;  // the places of the calls it may be, oldest first
    };
    QHash<QString, Group> m_calls; // by the whole call
    QHash<QString, Group> m_older; // lines of the earlier form, by date, time and number
    QSet<int> m_marked;
};
Marks read(const QString &path);

// The Refused column, as the export and the Calls Log both show it: the marks say which calls were
// refused, the reasons why. Every call is seen oldest first and the marks settled; then each call
// is told, oldest first again, so that a reason goes to the first refused call it fits.
class Column {
public:
    Column(Marks marks, CallExport::Reasons reasons) : m_marks(std::move(marks)), m_reasons(std::move(reasons)) {}
    void see(const CallRecord::Fields &call, int place) { m_marks.see(call, place); }
    void settle() { m_marks.settle(); }
    bool none() const { return m_marks.none(); } // refused.txt marks no call
    // nullopt: the call at `place` was not refused; "": refused, and why is not known.
    std::optional<QString> reasonOf(const CallRecord::Fields &call, int place);

private:
    Marks m_marks;
    CallExport::Reasons m_reasons;
};

} // namespace RefusedCalls
