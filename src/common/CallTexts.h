#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// How numbers, dates and times of calls are written: shared by the caller-ID parser, the call
// log browser, the call log file and the blocked list, so that a number stored by one is found
// by the other.
namespace CallTexts {

// True for a non-empty text of the digits 0 to 9 only.
bool isDigits(const QString &s);

// The display pattern "(###)-###-####": a text made only of digits is read as a whole number
// (leading zeros vanish) whose digits fill the places from the right; places without a digit
// stay empty while the brackets and hyphens remain ("5551234" gives "()-555-1234"). Digits
// beyond ten go into the first group. Any other text is returned unchanged.
QString displayPattern(const QString &number);

// Short date with a four-digit year, and the long date without the weekday, in the locale's
// forms (en_US: 3/21/2026 and March 21, 2026).
QString shortDate(const QDate &d);
QString longDate(const QDate &d);
// A short date as shortDate() writes it; invalid when the text is not one.
QDate readShortDate(const QString &text);

// The date as the caller display shows it: "Short Date", "Long Date" or "Day with Long Date"
// (weekday, blank, long date); every "/" becomes " / " and every "-" becomes " - ".
QString displayDate(const QDate &d, const QString &dateFormat);

// "hh:mm AM/PM": 14:05 gives 02:05 PM.
QString amPm(const QTime &t);
// A time as written in the log or the report: "02:05 PM", "14:05", "2:05 PM"; invalid otherwise.
QTime readTime(const QString &text);

} // namespace CallTexts
