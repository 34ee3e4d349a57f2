#pragma once

// A plain report is read by its lines, any other by the general rules: both roads must say the
// same of a text, whole or cut anywhere.
#include "CallerIdParser.h"

#include <QStringList>

namespace ParserRoads {

// What the parser says of a text: whether it is whole (during the call and once it is over),
// and every field it reads.
inline QStringList said(const QString &text)
{
    using namespace CallerIdParser;
    const Report r = read(text);
    return {QString::number(isComplete(text)),
            QString::number(isComplete(text, true)),
            r.callerName,
            r.callerNumber,
            r.lastReport,
            r.receivedDate,
            r.receivedTime,
            r.receivedNumber,
            r.receivedName,
            QString::number(r.startsAt)};
}

// The same by the general rules alone.
inline QStringList generalSays(const QString &text)
{
    CallerIdParser::usePlainReports(false);
    const QStringList s = said(text);
    CallerIdParser::usePlainReports(true);
    return s;
}

} // namespace ParserRoads
