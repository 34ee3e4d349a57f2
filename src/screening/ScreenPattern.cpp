#include "ScreenPattern.h"

#include <QList>

namespace ScreenPattern {

namespace {

CompiledPattern invalid(const QString &why)
{
    CompiledPattern p;
    p.warning = why;
    return p;
}

bool isQuantifier(QChar c)
{
    return c == QLatin1Char('*') || c == QLatin1Char('+') || c == QLatin1Char('?') || c == QLatin1Char('{');
}

// Where the character class that opens at `at` ends (its `]`), or -1.
qsizetype classEnd(const QString &re, qsizetype at)
{
    qsizetype i = at + 1;
    if (i < re.size() && re[i] == QLatin1Char('^'))
        ++i;
    if (i < re.size() && re[i] == QLatin1Char(']'))
        ++i;
    for (; i < re.size(); ++i) {
        if (re[i] == QLatin1Char('\\'))
            ++i;
        else if (re[i] == QLatin1Char(']'))
            return i;
    }
    return -1;
}

QRegularExpression guarded(const QString &body, RuleField field)
{
    // The engine's own limit, set where the pattern cannot raise it (hazardOf refuses verbs).
    const QString limited = QStringLiteral("(*LIMIT_MATCH=%1)").arg(MatchStepLimit) + body;
    QRegularExpression::PatternOptions options = QRegularExpression::DontCaptureOption;
    if (field == RuleField::Name)
        options |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(limited, options);
}

} // namespace

QString hazardOf(const QString &re)
{
    // Each open group: whether it holds a repetition or an alternation so far.
    QList<bool> open;
    bool lastGroupRisky = false; // the group that closed just before
    for (qsizetype i = 0; i < re.size(); ++i) {
        const QChar c = re[i];
        const bool afterGroup = lastGroupRisky;
        lastGroupRisky = false;
        if (c == QLatin1Char('\\')) {
            if (i + 1 < re.size()) {
                const QChar n = re[i + 1];
                if ((n.isDigit() && n != QLatin1Char('0')) || n == QLatin1Char('g') || n == QLatin1Char('k'))
                    return QStringLiteral("back-references are not allowed");
            }
            ++i;
            continue;
        }
        if (c == QLatin1Char('[')) {
            const qsizetype end = classEnd(re, i);
            if (end < 0)
                return QStringLiteral("a character class is not closed");
            i = end;
            continue;
        }
        if (c == QLatin1Char('(')) {
            if (i + 1 < re.size() && re[i + 1] == QLatin1Char('*'))
                return QStringLiteral("engine verbs are not allowed");
            if (i + 2 < re.size() && re[i + 1] == QLatin1Char('?') &&
                (re[i + 2] == QLatin1Char('R') || re[i + 2].isDigit() || re[i + 2] == QLatin1Char('&') ||
                 re[i + 2] == QLatin1Char('P') || re[i + 2] == QLatin1Char('C')))
                return QStringLiteral("recursion and callouts are not allowed");
            open.append(false);
            if (i + 1 < re.size() && re[i + 1] == QLatin1Char('?'))
                ++i; // the group's kind, not a repetition
            continue;
        }
        if (c == QLatin1Char(')')) {
            if (open.isEmpty())
                return QStringLiteral("a bracket is not opened");
            lastGroupRisky = open.takeLast();
            if (lastGroupRisky && !open.isEmpty())
                open.last() = true;
            continue;
        }
        if (c == QLatin1Char('|')) {
            if (!open.isEmpty())
                open.last() = true;
            continue;
        }
        if (isQuantifier(c)) {
            if (afterGroup)
                return QStringLiteral("a repeated group holds a repetition or a choice (too slow on some names)");
            if (!open.isEmpty())
                open.last() = true;
        }
    }
    if (!open.isEmpty())
        return QStringLiteral("a bracket is not closed");
    return QString();
}

QString subjectOf(const QString &text, RuleField field)
{
    const QString cut = text.left(MaxSubjectLength);
    return field == RuleField::Name ? cut.toCaseFolded() : cut;
}

CompiledPattern compile(const QString &pattern, RuleField field)
{
    const QString text = pattern.trimmed();
    if (text.isEmpty())
        return invalid(QStringLiteral("the pattern is empty"));
    if (text.size() > MaxPatternLength)
        return invalid(QStringLiteral("the pattern is longer than %1 characters").arg(MaxPatternLength));

    CompiledPattern p;
    if (text.size() >= 2 && text.startsWith(QLatin1Char('/')) && text.endsWith(QLatin1Char('/'))) {
        const QString body = text.mid(1, text.size() - 2);
        if (body.isEmpty())
            return invalid(QStringLiteral("the regular expression is empty"));
        if (const QString hazard = hazardOf(body); !hazard.isEmpty())
            return invalid(hazard);
        p.kind = CompiledPattern::Regex;
        p.regex = guarded(body, field);
        if (!p.regex.isValid())
            return invalid(QStringLiteral("not a regular expression: ") + p.regex.errorString());
        return p;
    }

    QString rest = text;
    bool anchored = false, optionalOne = false;
    if (rest.startsWith(QLatin1Char('^'))) {
        anchored = true;
        rest.remove(0, 1);
    }
    // A leading "1?" anchors as well: the 1 is optional at the start.
    if (rest.startsWith(QLatin1String("1?"))) {
        anchored = optionalOne = true;
        rest.remove(0, 2);
    }
    if (field == RuleField::Name)
        rest = rest.toCaseFolded();
    // A star at either end only says "more may follow" (or precede): no pattern of its own.
    bool leadingStar = false;
    while (rest.startsWith(QLatin1Char('*'))) {
        rest.remove(0, 1);
        leadingStar = true;
    }
    while (rest.endsWith(QLatin1Char('*')))
        rest.chop(1);
    if (leadingStar && !optionalOne)
        anchored = false;
    if (rest.isEmpty()) {
        if (!leadingStar && !text.contains(QLatin1Char('*')))
            return invalid(QStringLiteral("the pattern matches nothing but its anchor"));
        p.kind = CompiledPattern::Prefix; // a lone star: every caller
        p.keys = {QString()};
        return p;
    }
    if (!rest.contains(QLatin1Char('*'))) {
        p.kind = anchored ? CompiledPattern::Prefix : CompiledPattern::Anywhere;
        p.keys = {rest};
        if (optionalOne)
            p.keys << QLatin1Char('1') + rest;
        return p;
    }
    QStringList parts = rest.split(QLatin1Char('*'), Qt::SkipEmptyParts);
    for (const QString &part : std::as_const(parts)) {
        if (part.size() > p.literal.size())
            p.literal = part;
    }
    for (QString &part : parts)
        part = QRegularExpression::escape(part);
    QString body = parts.join(QLatin1String(".*"));
    if (leadingStar)
        body.prepend(QLatin1String(".*"));
    if (optionalOne)
        body.prepend(QLatin1String("1?"));
    if (anchored)
        body.prepend(QLatin1String("\\A"));
    p.kind = CompiledPattern::Wildcard;
    p.regex = guarded(body, RuleField::Number); // the parts are folded already
    return p;
}

bool matches(const CompiledPattern &p, QStringView subject)
{
    switch (p.kind) {
    case CompiledPattern::Invalid:
        return false;
    case CompiledPattern::Anywhere:
        for (const QString &k : p.keys) {
            if (subject.contains(k))
                return true;
        }
        return false;
    case CompiledPattern::Prefix:
        for (const QString &k : p.keys) {
            if (subject.startsWith(k))
                return true;
        }
        return false;
    case CompiledPattern::Wildcard:
        // Most subjects lack the text: no engine run for them.
        return subject.contains(p.literal) && p.regex.match(subject).hasMatch();
    case CompiledPattern::Regex:
        return p.regex.match(subject).hasMatch();
    }
    return false;
}

} // namespace ScreenPattern
