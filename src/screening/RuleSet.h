#pragma once

#include "ScreenPattern.h"

#include <QHash>
#include <QList>
#include <QString>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class RuleAction { Allow, Block };

// One rule of the user's: allow or block callers whose number or name matches `pattern`.
struct ScreeningRule {
    qint64 id = 0; // its row in the store, 0 before it is stored
    RuleAction action = RuleAction::Block;
    RuleField field = RuleField::Number;
    QString pattern;
    QString comment;
    QString name;       // shown for a caller the rule matches (an imported list's "#=" name), or ""
    qint64 matches = 0; // calls it has decided
};

// What the rules say of one caller.
struct RuleVerdict {
    enum Kind {
        NoRule,         // no rule speaks of the caller
        Allowed,        // an allow rule matched: never refused
        Blocked,        // a block rule matched, no allow rule did
        NotOnAllowList, // only the allow list is let through, and the caller is not on it
    };
    Kind kind = NoRule;
    int rule = -1; // the deciding rule's place in RuleSet::rules(), -1 for none
    QString alias; // the user's own name for the caller, "" when none
};

// The user's rules in memory, indexed for the call path: plain and prefix patterns are looked up
// by the subject's substrings and prefixes (a few dozen hash look-ups however many rules there
// are); only wildcard and regular-expression patterns are tried one by one. Of several matching
// rules of one action, the one added first decides.
class RuleSet {
public:
    void clear();
    // Kept even when its pattern can never match: it is listed, with its warning.
    int add(const ScreeningRule &rule);
    const QList<ScreeningRule> &rules() const { return m_rules; }
    // One more call decided by the rule stored as `id`.
    void counted(qint64 id);
    // Why the rule at `index` never matches ("" when it can).
    QString warningOf(int index) const { return m_compiled.at(index).warning; }

    // Names of the user's own for numbers, by the number's digits.
    void setAlias(const QString &number, const QString &name);
    QString aliasOf(const QString &number) const;
    const QHash<QString, QString> &aliases() const { return m_aliases; }

    // Refuse every caller not on the allow list.
    bool allowOnly = false;
    bool empty() const { return m_rules.isEmpty() && m_aliases.isEmpty() && !allowOnly; }

    // `number` as received (digits), `shown` as the display pattern writes it, `name` as received.
    RuleVerdict decide(const QString &number, const QString &shown, const QString &name) const;
    // The first rule of `action` that matches, or -1.
    int match(RuleAction action, const QString &number, const QString &shown, const QString &name) const;

    // Digits only: the key of an alias.
    static QString digitsOf(const QString &number);

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::u16string_view s) const { return std::hash<std::u16string_view>()(s); }
    };
    struct Index {
        std::unordered_map<std::u16string, int, Hash, std::equal_to<>> prefix, anywhere;
        std::vector<qsizetype> prefixLengths, anywhereLengths; // sorted, each once
        std::vector<int> inTurn;                               // wildcard and regex rules, in order
        void add(const CompiledPattern &p, int rule);
        int find(const QList<CompiledPattern> &compiled, QStringView subject) const;
    };
    // Per action: names; numbers whose patterns are digits only; numbers whose patterns hold
    // anything else (brackets, dashes, regular expressions). Digits alone found in the number as
    // shown are found in its digits too, so only the last are also tried on the shown number.
    enum Kind { Names, Digits, Punctuated };
    Index &indexOf(RuleAction a, Kind k) { return m_index[int(a) * 3 + int(k)]; }
    const Index &indexOf(RuleAction a, Kind k) const { return m_index[int(a) * 3 + int(k)]; }

    QList<ScreeningRule> m_rules;
    QList<CompiledPattern> m_compiled;
    Index m_index[6];
    QHash<QString, QString> m_aliases;
};
