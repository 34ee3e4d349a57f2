#pragma once

#include <QString>
#include <QtGlobal>

// Two rules for reading the program's stored texts, shared by the settings file and the
// caller-ID report: trimming takes blanks only (a tab or a line end is kept), and a number is
// the decimal number a text begins with.
namespace TextRules {

QString trimBlanks(const QString &s);
// The leading decimal number, after leading blanks and an optional sign; 0 when there is none.
qint64 leadingNumber(const QString &text);

} // namespace TextRules
