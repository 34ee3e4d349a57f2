#pragma once

#include <QString>

// Sort keys for the Calls Log list: texts whose plain order is the order wanted.
namespace SortKeys {

// Each digit d becomes 9 - d and each "-" a blank; other characters stay.
QString InvertDigits(const QString &text);
// A number as twenty integer digits, a point and ten decimals; a negative number as "&" and
// the inverted digits of its magnitude, so that negatives come first, the largest magnitude
// first. A text that is not a number is its own key.
QString numericKey(const QString &text);
// A date or a time as YYYYMMDDHhNnSs (a time alone falls on 30 December 1899).
QString dateKey(const QString &text);
QString timeKey(const QString &text);

// The key of a cell by the kind of data of its column: 0 call number, 1 name (the text
// itself), 2 number, 3 date, 4 time, 5 rings, 6 why refused (the text itself).
QString forKind(const QString &text, int kind);

} // namespace SortKeys
