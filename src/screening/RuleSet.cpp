#include "RuleSet.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

std::u16string_view viewOf(QStringView s)
{
    return std::u16string_view(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size()));
}

void addLength(std::vector<qsizetype> &lengths, qsizetype n)
{
    const auto at = std::lower_bound(lengths.begin(), lengths.end(), n);
    if (at == lengths.end() || *at != n)
        lengths.insert(at, n);
}

} // namespace

void RuleSet::Index::add(const CompiledPattern &p, int rule)
{
    if (!p.indexed()) {
        if (p.kind != CompiledPattern::Invalid)
            inTurn.push_back(rule);
        return;
    }
    auto &table = p.kind == CompiledPattern::Prefix ? prefix : anywhere;
    auto &lengths = p.kind == CompiledPattern::Prefix ? prefixLengths : anywhereLengths;
    for (const QString &key : p.keys) {
        // The first rule with a key keeps it: rules decide in the order they were added.
        table.emplace(std::u16string(viewOf(key)), rule);
        addLength(lengths, key.size());
    }
}

int RuleSet::Index::find(const QList<CompiledPattern> &compiled, QStringView subject) const
{
    int best = -1;
    const auto better = [&best](int rule) {
        if (best < 0 || rule < best)
            best = rule;
    };
    const std::u16string_view s = viewOf(subject);
    for (const qsizetype n : prefixLengths) {
        if (n > qsizetype(s.size()))
            break;
        if (const auto it = prefix.find(s.substr(0, size_t(n))); it != prefix.end())
            better(it->second);
    }
    for (const qsizetype n : anywhereLengths) {
        if (n > qsizetype(s.size()))
            break;
        for (size_t at = 0; at + size_t(n) <= s.size(); ++at) {
            if (const auto it = anywhere.find(s.substr(at, size_t(n))); it != anywhere.end())
                better(it->second);
        }
    }
    for (const int rule : inTurn) {
        if (best >= 0 && rule > best)
            break;
        if (ScreenPattern::matches(compiled.at(rule), subject)) {
            better(rule);
            break;
        }
    }
    return best;
}

void RuleSet::clear()
{
    m_rules.clear();
    m_compiled.clear();
    for (Index &i : m_index)
        i = Index();
    m_aliases.clear();
    allowOnly = false;
}

int RuleSet::add(const ScreeningRule &rule)
{
    const int at = int(m_rules.size());
    m_rules.append(rule);
    m_compiled.append(ScreenPattern::compile(rule.pattern, rule.field));
    const CompiledPattern &p = m_compiled.last();
    Kind kind = Names;
    if (rule.field == RuleField::Number) {
        static const QRegularExpression digitsOnly(QStringLiteral("^[0-9*^?]*$"));
        kind = p.kind != CompiledPattern::Regex && digitsOnly.match(rule.pattern.trimmed()).hasMatch() ? Digits
                                                                                                       : Punctuated;
    }
    indexOf(rule.action, kind).add(p, at);
    return at;
}

void RuleSet::counted(qint64 id)
{
    for (ScreeningRule &r : m_rules) {
        if (r.id == id) {
            ++r.matches;
            return;
        }
    }
}

QString RuleSet::digitsOf(const QString &number)
{
    QString digits;
    for (const QChar c : number) {
        if (c.isDigit())
            digits += c;
    }
    return digits;
}

void RuleSet::setAlias(const QString &number, const QString &name)
{
    const QString key = digitsOf(number);
    if (key.isEmpty())
        return;
    if (name.isEmpty())
        m_aliases.remove(key);
    else
        m_aliases.insert(key, name);
}

QString RuleSet::aliasOf(const QString &number) const
{
    if (m_aliases.isEmpty())
        return QString();
    const QString key = digitsOf(number);
    if (key.isEmpty())
        return QString();
    // A contact stored with the country's leading 1, a line that sends it without (or the other
    // way round): the same caller.
    if (const auto it = m_aliases.constFind(key); it != m_aliases.constEnd())
        return *it;
    const QString other = key.startsWith(QLatin1Char('1')) ? key.mid(1) : QLatin1Char('1') + key;
    return m_aliases.value(other);
}

int RuleSet::match(RuleAction action, const QString &number, const QString &shown, const QString &name) const
{
    int best = -1;
    const auto better = [&best](int rule) {
        if (rule >= 0 && (best < 0 || rule < best))
            best = rule;
    };
    if (!number.isEmpty()) {
        const QString subject = ScreenPattern::subjectOf(number, RuleField::Number);
        better(indexOf(action, Digits).find(m_compiled, subject));
        better(indexOf(action, Punctuated).find(m_compiled, subject));
    }
    if (!shown.isEmpty() && shown != number)
        better(indexOf(action, Punctuated).find(m_compiled, ScreenPattern::subjectOf(shown, RuleField::Number)));
    if (!name.isEmpty())
        better(indexOf(action, Names).find(m_compiled, ScreenPattern::subjectOf(name, RuleField::Name)));
    return best;
}

RuleVerdict RuleSet::decide(const QString &number, const QString &shown, const QString &name) const
{
    RuleVerdict v;
    if (!m_rules.isEmpty()) {
        if ((v.rule = match(RuleAction::Allow, number, shown, name)) >= 0)
            v.kind = RuleVerdict::Allowed;
        else if ((v.rule = match(RuleAction::Block, number, shown, name)) >= 0)
            v.kind = RuleVerdict::Blocked;
    }
    if (v.kind == RuleVerdict::NoRule && allowOnly)
        v.kind = RuleVerdict::NotOnAllowList;
    v.alias = aliasOf(number);
    if (v.alias.isEmpty() && v.rule >= 0)
        v.alias = m_rules.at(v.rule).name;
    return v;
}
