#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QStringView>

// What a screening rule looks at: the caller's number or the caller's name.
enum class RuleField { Number, Name };

// A pattern as the user (or an imported list) writes it, in NCID's simple expressions: a plain
// text matches anywhere, `^` anchors it at the start, `^1?` (or a leading `1?`) lets a leading 1
// be there or not, `*` matches any run of characters; a pattern between slashes is a regular
// expression. Names are compared without letter case.
struct CompiledPattern {
    enum Kind {
        Invalid,  // never matches; `warning` says why
        Anywhere, // one of `keys` anywhere in the subject
        Prefix,   // the subject starts with one of `keys` ("" for a lone `*`: every caller)
        Wildcard, // `regex`, built from the simple expression
        Regex,    // `regex`, as the user wrote it
    };
    Kind kind = Invalid;
    QStringList keys;
    QRegularExpression regex;
    QString literal; // of a wildcard: its longest text, which a matching subject holds
    QString warning;
    // Plain and prefix patterns are looked up; only the others are tried one by one.
    bool indexed() const { return kind == Anywhere || kind == Prefix; }
};

namespace ScreenPattern {

// A pattern longer than this is refused; a subject is cut to the other (no caller-ID field comes
// near it), so that no expression has much to chew on.
constexpr qsizetype MaxPatternLength = 200;
constexpr qsizetype MaxSubjectLength = 64;
// The regular-expression engine gives up on one subject after this many steps: a pattern that
// slipped past the checks below cannot hold a call up.
constexpr int MatchStepLimit = 20000;

CompiledPattern compile(const QString &pattern, RuleField field);

// The subject as patterns see it: cut to its length limit, names case-folded.
QString subjectOf(const QString &text, RuleField field);

// Whether `subject` (made by subjectOf) matches: for any kind, the index's way and the slow way
// give the same answer.
bool matches(const CompiledPattern &p, QStringView subject);

// Why a regular expression would be unsafe on a hostile name ("" when it is not): nested or
// alternated repetition, back-references, engine verbs.
QString hazardOf(const QString &regex);

} // namespace ScreenPattern
