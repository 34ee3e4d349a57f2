#pragma once

#include <QDate>
#include <QString>

// The caller-ID report as the modem sends it between the first and the second ring: the lines
// DATE = MMDD, TIME = HHMM, NMBR = number and NAME = name, in any order, among RING lines.
// Pure functions of the received text and the settings they read: no port, no window.
namespace CallerIdParser {

inline const QString PrivateName = QStringLiteral("PRIVATE NAME");
inline const QString UnknownName = QStringLiteral("UNKNOWN NAME");
inline const QString BarredName = QStringLiteral("BARRED NAME");
inline const QString PrivateNumber = QStringLiteral("PRIVATE NUMBER");
inline const QString UnknownNumber = QStringLiteral("UNKNOWN NUMBER");
inline const QString BarredNumber = QStringLiteral("BARRED NUMBER");

// True when the buffer holds a whole report: DATE, TIME, NMBR and NAME lines, each ended by its
// CR or LF; or, for number-only caller ID, DATE, TIME and NMBR lines followed by a RING, or
// with `callEnded`, by the end of the call (the caller hung up before the next ring).
bool isComplete(const QString &buffer, bool callEnded = false);

// A plain report: each line empty, RING, or one of the four fields from its first column (the
// keyword, then a blank, "=" or the line's end), each field once, no keyword anywhere else,
// printable characters only, the last line ended. It reads the same by its lines as by the
// general rules, which take many searches: an ordinary call's report is found whole and read in
// one pass. On by default; the tests take the general road with it too.
bool isPlainReport(const QString &buffer);
void usePlainReports(bool use);

// Where `keyword` stands at the beginning of a line, from `from` on; -1 when it does not. Only
// there is it a keyword: inside a value ("NAME = THIRD TIME", HERRING) it is text.
qsizetype keywordLineAt(const QString &buffer, const QString &keyword, qsizetype from = 0);
// The line rang: a RING line is in the buffer.
bool hasRing(const QString &buffer);
// The RING lines from `from` on (a RING inside a name, HERRING, is none).
int ringLines(const QString &buffer, qsizetype from = 0);

// Where the value of a keyword begins: after its first occurrence, or after a second one far
// enough behind it (the newer report when two are in the buffer). -1 when absent.
qsizetype valueStart(const QString &buffer, const QString &keyword);

struct Report {
    QString dateLine;     // "DT=" + short date
    QString timeLine;     // "TM=" + hh:mm AM/PM
    QString nameLine;     // "NM=" + caller name
    QString numberLine;   // "NB=" + number in the display pattern
    QString callDateText; // "MM DD" from the report (left empty for the system date)
    QString callTimeText; // "HH:MM" from the report
    QString callerName;   // cleaned name, or PRIVATE/UNKNOWN/BARRED NAME
    QString callerNumber; // digits (at most ten), or PRIVATE/UNKNOWN/BARRED NUMBER
    QString lastReport;   // CR LF + the whole buffer + CR LF
    // The fields as the line sent them ("=" and surrounding blanks removed, nothing else
    // changed), for whoever passes the call on; empty when a field is absent.
    QString receivedDate, receivedTime, receivedNumber, receivedName;
    // Where the report's DATE line begins: the ring before it and every ring after it are the call's.
    qsizetype startsAt = -1;
    // The call record line: date, time, name and number lines, without separators.
    QString recordLine() const { return dateLine + timeLine + nameLine + numberLine; }
};

// Who calls: the name and number fields alone, which are all that deciding to refuse a call
// needs (no date or time formatting).
struct Caller {
    QString name;   // as Report::callerName
    QString number; // as Report::callerNumber
};
Caller callerOf(const QString &buffer);
// The report as it is kept (record 5 of the settings): CR LF, the whole buffer, CR LF.
QString framedReport(const QString &buffer);

// Cuts the four fields out of a complete report. `dateValue` is "Caller Id Date" or
// "System Date"; `today` is the clock's date (the year of a caller-ID date, and the system date).
Report parse(const QString &buffer, const QString &dateValue, const QDate &today);
// The same in two steps. What the line sent: the caller, the fields as received and the text
// of record 5; nothing is formatted, so that record 5 can be on disk before the locale's date
// and time formats are looked at.
Report read(const QString &buffer);
// Then the call record's lines (date, time, name, number) and the texts shown, into `r`.
void formatRecord(Report &r, const QString &buffer, const QString &dateValue, const QDate &today);

// The field rules, each on the text that follows its keyword.
QString nameOf(const QString &value);
QString numberOf(const QString &value);
// Removes every character of codes 0-47 and 58-127 whose first occurrence is not the first
// character of the text.
QString digitFilter(QString text);

struct Classification {
    QString callClass;    // "Local", "Private", "Unknown", "Barred" or "Normal"
    QString spokenNumber; // the number as announced (a local call without its area code)
};
// An area code that is empty or zero ("000", the default) is not specified: no call is local.
bool areaCodeSpecified(const QString &areaCode);
Classification classify(const QString &callerNumber, const QString &areaCode);

} // namespace CallerIdParser
