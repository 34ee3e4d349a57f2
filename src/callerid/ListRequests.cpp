#include "ListRequests.h"

#include "BlockCommand.h"
#include "BlockedFile.h"
#include "CallTexts.h"
#include "IMainWindow.h"
#include "RuleSet.h"
#include "Screening.h"
#include "ScreeningFiles.h"

namespace {

// A number written as one: digits, perhaps in the display pattern's brackets and dashes.
bool plainNumber(const QString &entry)
{
    const QString d = RuleSet::digitsOf(entry);
    if (d.isEmpty())
        return false;
    for (const QChar c : entry) {
        if (!c.isDigit() && c != QLatin1Char('(') && c != QLatin1Char(')') && c != QLatin1Char('-'))
            return false;
    }
    return true;
}

const ScreeningRule *ruleOf(Screening &s, RuleAction action, RuleField field, const QString &pattern)
{
    for (const ScreeningRule &r : s.rules().rules()) {
        if (r.action == action && r.field == field && r.pattern == pattern)
            return &r;
    }
    return nullptr;
}

} // namespace

QString ListRequests::blockRequest(const QString &number, const QString &comment)
{
    return Ncid::listRequest(QStringLiteral("black"), QStringLiteral("add"), RuleSet::digitsOf(number), comment);
}

QByteArray ListRequests::answer(const Ncid::Request &request, bool mayChange)
{
    if (request.kind == Ncid::Request::Kind::Info)
        return Ncid::infoResponse(info(request));
    if (!mayChange)
        return Ncid::listResponse({QStringLiteral("Not allowed from this client: the lists are not changed.")});
    return Ncid::listResponse(change(request));
}

QStringList ListRequests::change(const Ncid::Request &r)
{
    const QString entry = r.entry.trimmed();
    if (entry.isEmpty())
        return {QStringLiteral("Nothing to %1.").arg(r.action)};
    const bool alias = r.list == QLatin1String("alias");
    // NCID's client changes a name it was told of (INFO) with "modify"; an empty one removes it.
    const bool add = r.action == QLatin1String("add") ||
                     (alias && r.action == QLatin1String("modify") && !r.extra.trimmed().isEmpty());
    if (!add && r.action != QLatin1String("remove") && !(alias && r.action == QLatin1String("modify")))
        return {QStringLiteral("Unable to handle %1 %2 - Ignored.").arg(r.list, r.action)};
    // A name is kept for a number: it stands for the caller's name.
    if (alias && !r.aliasType.isEmpty() && r.aliasType != QLatin1String("NAMEDEP"))
        return {QStringLiteral("Unable to handle alias %1 - Ignored.").arg(r.aliasType)};
    QString error;
    // The blocked list holds numbers as the display shows them.
    if (r.list == QLatin1String("black") && plainNumber(entry)) {
        const QString shown = CallTexts::displayPattern(RuleSet::digitsOf(entry));
        m_window.unloadBlockedWindow(); // it would show the list as it was
        if (add) {
            if (IsIncomingNumberBlocked(m_blocked, RuleSet::digitsOf(entry)))
                return {shown + QStringLiteral(" is already on the blocked list.")};
            const QString name = r.extra.trimmed().isEmpty() ? QStringLiteral("NCID") : r.extra.trimmed();
            if (!m_blocked.append(shown, name, &error))
                return {QStringLiteral("Not added: ") + error};
            return {shown + QStringLiteral(" added to the blocked list.")};
        }
        const int record = m_blocked.findRecord(shown);
        if (record == 0)
            return {shown + QStringLiteral(" is not on the blocked list.")};
        if (!m_blocked.writeDeletionMarker(record, &error))
            return {QStringLiteral("Not removed: ") + error};
        return {shown + QStringLiteral(" removed from the blocked list.")};
    }
    Screening *s = Screening::current();
    if (!s || !s->store().isOpen())
        return {QStringLiteral("The screening rules cannot be changed: ") +
                (s ? s->problem() : QStringLiteral("there are none here."))};
    if (alias) {
        const QString name = add ? r.extra.trimmed() : QString();
        if (add && name.isEmpty())
            return {QStringLiteral("No name given for ") + entry + QLatin1Char('.')};
        if (!s->setAlias(entry, name, &error))
            return {QStringLiteral("Not changed: ") + error};
        return {add ? entry + QStringLiteral(" is now called ") + name + QLatin1Char('.')
                    : entry + QStringLiteral(" has no name of its own now.")};
    }
    const RuleAction action = r.list == QLatin1String("white") ? RuleAction::Allow : RuleAction::Block;
    const QString list = action == RuleAction::Allow ? QStringLiteral("allow list") : QStringLiteral("block rules");
    const RuleField field = ScreeningFiles::fieldOf(entry); // NCID's lists hold names too
    const ScreeningRule *existing = ruleOf(*s, action, field, entry);
    if (!add) {
        if (!existing)
            return {entry + QStringLiteral(" is not on the ") + list + QLatin1Char('.')};
        if (!s->removeRule(existing->id, &error))
            return {QStringLiteral("Not removed: ") + error};
        return {entry + QStringLiteral(" removed from the ") + list + QLatin1Char('.')};
    }
    if (existing)
        return {entry + QStringLiteral(" is already on the ") + list + QLatin1Char('.')};
    ScreeningRule rule;
    rule.action = action;
    rule.field = field;
    rule.pattern = entry;
    rule.comment = r.extra.trimmed();
    if (!s->addRule(&rule, &error))
        return {QStringLiteral("Not added: ") + error};
    return {entry + QStringLiteral(" added to the ") + list + QLatin1Char('.')};
}

QStringList ListRequests::info(const Ncid::Request &r) const
{
    Screening *s = Screening::current();
    const QString digits = RuleSet::digitsOf(r.number);
    const bool rules = s && s->store().isOpen();
    const bool named = rules && !s->rules().aliasOf(digits).isEmpty();
    QString where = QStringLiteral("neither");
    if (!digits.isEmpty() && IsIncomingNumberBlocked(m_blocked, digits)) {
        where = QStringLiteral("black number");
    } else if (rules) {
        const QString shown = digits.isEmpty() ? QString() : CallTexts::displayPattern(digits);
        const RuleVerdict v = s->rules().decide(digits, shown, r.name);
        if (const ScreeningRule *rule = s->ruleOf(v);
            rule && (v.kind == RuleVerdict::Allowed || v.kind == RuleVerdict::Blocked))
            where = QStringLiteral("%1 %2").arg(
                v.kind == RuleVerdict::Allowed ? QStringLiteral("white") : QStringLiteral("black"),
                rule->field == RuleField::Name ? QStringLiteral("name") : QStringLiteral("number"));
    }
    // As ncidd: the caller's alias type, then the line's where the request names a line.
    QString alias = QStringLiteral("alias ") + (named ? QStringLiteral("NAMEDEP") : QStringLiteral("NOALIAS"));
    if (!r.line.isEmpty())
        alias += QStringLiteral(" NOALIAS");
    return {alias, where};
}
