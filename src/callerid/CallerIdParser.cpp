#include "CallerIdParser.h"

#include "CallTexts.h"
#include "Settings.h"
#include "TextRules.h"

#include <array>
#include <optional>

namespace CallerIdParser {

namespace {

bool g_usePlain = true;

const QString Date = QStringLiteral("DATE");
const QString Time = QStringLiteral("TIME");
const QString Name = QStringLiteral("NAME");
const QString Number = QStringLiteral("NMBR");
const QString Ring = QStringLiteral("RING");

qsizetype lineEnd(const QString &text, qsizetype from)
{
    const qsizetype cr = text.indexOf(QChar(13), from);
    const qsizetype lf = text.indexOf(QChar(10), from);
    if (cr < 0)
        return lf;
    if (lf < 0)
        return cr;
    return std::min(cr, lf);
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0) || c == QChar(9);
}

const QString Keywords[] = {QStringLiteral("DATE"), QStringLiteral("TIME"), QStringLiteral("NMBR"),
                            QStringLiteral("NAME")};

// Where the field whose keyword stands at `at` begins (its prefix included), or -1 when the
// keyword is text. A keyword is a field where it begins a line: "NAME = THIRD TIME" or "DATE
// NIGHT" is a name, not a time or a date. Blanks and NULs of line noise may stand before it, and
// a prefix joined by "_" (modems send the dialable number as "DDN_NMBR"). Some modems put several
// fields on one line ("NAME=SMITH JOHN  NMBR=2125550147"): there a keyword after a blank that is
// followed by its "=" is a field too.
qsizetype fieldBegin(const QString &buffer, qsizetype at, qsizetype keywordSize)
{
    qsizetype begin = at;
    if (begin > 0 && buffer.at(begin - 1) == QLatin1Char('_')) {
        while (begin > 0 && (buffer.at(begin - 1) == QLatin1Char('_') || buffer.at(begin - 1).isLetter()))
            --begin;
    }
    qsizetype before = begin - 1;
    while (before >= 0 && isBlank(buffer.at(before)))
        --before;
    if (before < 0 || buffer.at(before) == QChar(13) || buffer.at(before) == QChar(10))
        return begin;
    if (before == begin - 1)
        return -1; // joined to the text before it: HERRING, BRINGHAM
    qsizetype after = at + keywordSize;
    while (after < buffer.size() && isBlank(buffer.at(after)))
        ++after;
    return after < buffer.size() && buffer.at(after) == QLatin1Char('=') ? begin : -1;
}

// Where the value that begins at `start` ends: at the end of its line, or where the next field
// on the same line begins. No stored field holds a line end. -1 while its line has not ended.
qsizetype valueEnd(const QString &buffer, qsizetype start)
{
    const qsizetype end = lineEnd(buffer, start);
    const qsizetype limit = end < 0 ? buffer.size() : end;
    qsizetype next = limit;
    for (const QString &k : Keywords) {
        for (qsizetype at = buffer.indexOf(k, start); at >= 0 && at < next; at = buffer.indexOf(k, at + 1)) {
            const qsizetype begin = fieldBegin(buffer, at, k.size());
            if (begin >= start) {
                next = begin;
                break;
            }
        }
    }
    return next < limit ? next : end;
}

// The value of a field: from its start to the end of its line or the next field ("NAME = O"
// followed by "DDN_NMBR= ..." is the name O).
QString lineValue(const QString &buffer, const QString &keyword)
{
    const qsizetype start = valueStart(buffer, keyword);
    if (start < 0)
        return QString();
    const qsizetype end = valueEnd(buffer, start);
    return end < 0 ? buffer.mid(start) : buffer.mid(start, end - start);
}

// The field's line has ended (a value cut by the next field on its line ends with that line).
bool lineEnded(const QString &buffer, const QString &keyword, qsizetype *end = nullptr)
{
    const qsizetype start = valueStart(buffer, keyword);
    if (start < 0)
        return false;
    const qsizetype e = lineEnd(buffer, start);
    if (end)
        *end = e;
    return e >= 0;
}

// Where `keyword` stands as a word of its own: inside a name (HERRING, BRINGHAM) it is no keyword.
qsizetype keywordAt(const QString &value, const QString &keyword)
{
    for (qsizetype at = value.indexOf(keyword); at >= 0; at = value.indexOf(keyword, at + 1)) {
        const qsizetype after = at + keyword.size();
        const bool letterBefore = at > 0 && value.at(at - 1).isLetter();
        const bool letterAfter = after < value.size() && value.at(after).isLetter();
        if (!letterBefore && !letterAfter)
            return at;
    }
    return -1;
}

// Keeps the text before `keyword` (or else `otherwise`) when it occurs after the first character.
void cutAt(QString &value, const QString &keyword, const QString &otherwise)
{
    qsizetype at = keywordAt(value, keyword);
    if (at < 0)
        at = keywordAt(value, otherwise);
    if (at > 0)
        value.truncate(at);
}

// Runs of three blanks become two, then every blank is doubled ("JOHN DOE" becomes "JOHN  DOE");
// line ends, NULs, tabs and backspaces go. In one pass: a run of one blank becomes two, a
// longer one four, and the characters that go still part the runs they stood between.
QString spacedAndStripped(const QString &s)
{
    QString out;
    out.reserve(s.size() * 2);
    qsizetype run = 0;
    const auto endRun = [&] {
        if (run > 0)
            out.append(run == 1 ? QLatin1String("  ") : QLatin1String("    "));
        run = 0;
    };
    for (const QChar c : s) {
        if (c == QLatin1Char(' ')) {
            ++run;
            continue;
        }
        endRun();
        if (c != QChar(13) && c != QChar(10) && c != QChar(0) && c != QChar(9) && c != QChar(8))
            out.append(c);
    }
    endRun();
    return TextRules::trimBlanks(out);
}

QString code(const QString &value, const QString &privateCode, const QString &unknownCode, const QString &barredCode)
{
    if (value.startsWith(QLatin1Char('P')))
        return privateCode;
    if (value.startsWith(QLatin1Char('O')))
        return unknownCode;
    return barredCode;
}

QString fourChars(const QString &value)
{
    QString v = value;
    v.remove(QLatin1Char('='));
    v.remove(QLatin1Char(' '));
    return TextRules::trimBlanks(v);
}

// Where a plain report's fields stand: each keyword's place and the end of its line, in the order
// of Keywords.
struct PlainFields {
    std::array<qsizetype, 4> at{-1, -1, -1, -1};
    std::array<qsizetype, 4> end{};
    QString value(const QString &buffer, int field) const
    {
        return buffer.mid(at[field] + 4, end[field] - at[field] - 4);
    }
};
enum PlainField { DateField, TimeField, NumberField, NameField };

// Which keyword (0-3 as Keywords, 4 for RING) the four characters at `s` spell, or -1.
int keywordIn(const QChar *s)
{
    const QStringView four(s, 4);
    for (int k = 0; k < 4; ++k) {
        if (four == Keywords[k])
            return k;
    }
    return four == Ring ? 4 : -1;
}

std::optional<PlainFields> plainFields(const QString &buffer)
{
    const qsizetype n = buffer.size();
    if (!g_usePlain || n == 0 || (buffer.back() != QChar(13) && buffer.back() != QChar(10)))
        return std::nullopt;
    const QChar *s = buffer.constData();
    PlainFields f;
    for (qsizetype line = 0; line < n;) {
        qsizetype e = line;
        while (e < n && s[e] != QChar(13) && s[e] != QChar(10)) {
            if (s[e].unicode() < 0x20 || s[e].unicode() > 0x7e)
                return std::nullopt;
            ++e;
        }
        if (e > line) {
            const int k = e - line >= 4 ? keywordIn(s + line) : -1;
            if (k == 4 && e - line == 4) {
                // a RING line
            } else if (k >= 0 && k < 4 && f.at[k] < 0 &&
                       (e - line == 4 || s[line + 4] == QLatin1Char(' ') || s[line + 4] == QLatin1Char('='))) {
                for (qsizetype i = line + 4; i + 4 <= e; ++i) {
                    if (keywordIn(s + i) >= 0)
                        return std::nullopt; // a keyword inside a value: the general rules say
                }
                f.at[k] = line;
                f.end[k] = e;
            } else {
                return std::nullopt;
            }
        }
        line = e + 1; // each CR and each LF ends a line
    }
    for (const qsizetype at : f.at) {
        if (at < 0)
            return std::nullopt;
    }
    return f;
}

QString receivedText(QString value)
{
    value.remove(QLatin1Char('='));
    return TextRules::trimBlanks(value);
}

} // namespace

bool isPlainReport(const QString &buffer)
{
    return plainFields(buffer).has_value();
}

void usePlainReports(bool use)
{
    g_usePlain = use;
}

qsizetype keywordLineAt(const QString &buffer, const QString &keyword, qsizetype from)
{
    for (qsizetype at = buffer.indexOf(keyword, std::max<qsizetype>(from, 0)); at >= 0;
         at = buffer.indexOf(keyword, at + 1)) {
        if (fieldBegin(buffer, at, keyword.size()) >= 0)
            return at;
    }
    return -1;
}

bool hasRing(const QString &buffer)
{
    return keywordLineAt(buffer, Ring) >= 0;
}

int ringLines(const QString &buffer, qsizetype from)
{
    int rings = 0;
    for (qsizetype at = keywordLineAt(buffer, Ring, from); at >= 0; at = keywordLineAt(buffer, Ring, at + 1))
        ++rings;
    return rings;
}

qsizetype valueStart(const QString &buffer, const QString &keyword)
{
    const qsizetype p = keywordLineAt(buffer, keyword);
    if (p < 0)
        return -1;
    // Where the search for a second, newer occurrence begins. These offsets make a second
    // report in the buffer win over the first one; with one report the first occurrence counts.
    qsizetype offset;
    if (keyword == Date)
        offset = p + 4;
    else if (keyword == Time)
        offset = 7;
    else
        offset = p < 4 ? 5 : 7;
    const qsizetype q = offset < buffer.size() ? keywordLineAt(buffer, keyword, offset + p) : -1;
    return q >= 0 ? q + 4 : p + 4;
}

bool isComplete(const QString &buffer, bool callEnded)
{
    if (plainFields(buffer))
        return true;
    qsizetype numberEnd = -1;
    if (!lineEnded(buffer, Date) || !lineEnded(buffer, Time) || !lineEnded(buffer, Number, &numberEnd))
        return false;
    if (keywordLineAt(buffer, Name) >= 0)
        return lineEnded(buffer, Name);
    // Number-only caller ID: no name line comes, and the next ring, or the end of the call,
    // says the report is over.
    return callEnded || keywordLineAt(buffer, Ring, numberEnd) >= 0;
}

QString nameOf(const QString &value)
{
    QString v = value;
    cutAt(v, Number, Ring);
    v.remove(QLatin1Char('='));
    v = spacedAndStripped(TextRules::trimBlanks(v));
    // A single letter (or nothing) is the withheld-name code; PAT, BOB and OTTO are names.
    if (v.size() <= 1)
        return code(v, PrivateName, UnknownName, BarredName);
    return v;
}

QString digitFilter(QString text)
{
    // Each character below 128 but a digit goes wherever it stands, unless it is the first
    // character of the text (which no removal changes): that one stays everywhere.
    if (text.isEmpty())
        return text;
    const QChar first = text.front();
    const auto goes = [first](QChar c) {
        return c.unicode() < 128 && (c < QLatin1Char('0') || c > QLatin1Char('9')) && c != first;
    };
    text.removeIf(goes);
    return text;
}

QString numberOf(const QString &value)
{
    QString v = value;
    cutAt(v, Ring, Number);
    v.remove(QLatin1Char('='));
    v = spacedAndStripped(TextRules::trimBlanks(v));
    v = digitFilter(v).right(10);
    if (v.size() <= 4)
        return code(v, PrivateNumber, UnknownNumber, BarredNumber);
    return v;
}

Caller callerOf(const QString &buffer)
{
    return {nameOf(lineValue(buffer, Name)), numberOf(lineValue(buffer, Number))};
}

QString framedReport(const QString &buffer)
{
    return QStringLiteral("\r\n") + buffer + QStringLiteral("\r\n");
}

Report read(const QString &buffer)
{
    const std::optional<PlainFields> plain = plainFields(buffer);
    const auto value = [&](PlainField field, const QString &keyword) {
        return plain ? plain->value(buffer, field) : lineValue(buffer, keyword);
    };
    Report r;
    const QString name = value(NameField, Name), number = value(NumberField, Number);
    r.callerName = nameOf(name);
    r.callerNumber = numberOf(number);
    r.lastReport = framedReport(buffer);
    r.receivedDate = receivedText(value(DateField, Date));
    r.receivedTime = receivedText(value(TimeField, Time));
    r.receivedNumber = receivedText(number);
    r.receivedName = receivedText(name);
    r.startsAt = plain ? plain->at[DateField] : keywordLineAt(buffer, Date);
    return r;
}

void formatRecord(Report &r, const QString &buffer, const QString &dateValue, const QDate &today)
{
    // DATE: month and day of the current year.
    if (dateValue == QLatin1String("Caller Id Date")) {
        const QString v = fourChars(lineValue(buffer, Date));
        r.callDateText = v.mid(0, 2) + QLatin1Char(' ') + v.mid(2, 2);
        const QDate d(today.year(), v.mid(0, 2).toInt(), v.mid(2, 2).toInt());
        r.dateLine = QStringLiteral("DT=") + (d.isValid() ? CallTexts::shortDate(d) : r.callDateText);
    } else if (dateValue == QLatin1String("System Date")) {
        r.dateLine = QStringLiteral("DT=") + CallTexts::shortDate(today);
    }

    const QString t = fourChars(lineValue(buffer, Time));
    r.callTimeText = t.mid(0, 2) + QLatin1Char(':') + t.mid(2, 2);
    const QTime time = QTime::fromString(r.callTimeText, QStringLiteral("HH:mm"));
    r.timeLine = QStringLiteral("TM=") + (time.isValid() ? CallTexts::amPm(time) : r.callTimeText);
    r.nameLine = QStringLiteral("NM=") + r.callerName;
    r.numberLine = QStringLiteral("NB=") + CallTexts::displayPattern(r.callerNumber);
}

Report parse(const QString &buffer, const QString &dateValue, const QDate &today)
{
    Report r = read(buffer);
    formatRecord(r, buffer, dateValue, today);
    return r;
}

bool areaCodeSpecified(const QString &areaCode)
{
    return !areaCode.trimmed().isEmpty() && Settings::leadingNumber(areaCode) != 0;
}

Classification classify(const QString &callerNumber, const QString &areaCode)
{
    const QString code = areaCode.trimmed();
    if (areaCodeSpecified(code) && callerNumber.size() == 10 && CallTexts::isDigits(callerNumber) &&
        callerNumber.startsWith(code))
        return {QStringLiteral("Local"), callerNumber.mid(code.size())};
    if (callerNumber.contains(PrivateNumber))
        return {QStringLiteral("Private"), callerNumber};
    if (callerNumber.contains(UnknownNumber))
        return {QStringLiteral("Unknown"), callerNumber};
    if (callerNumber.contains(BarredNumber))
        return {QStringLiteral("Barred"), callerNumber};
    return {QStringLiteral("Normal"), callerNumber};
}

} // namespace CallerIdParser
