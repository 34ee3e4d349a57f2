#include "CallScreening.h"

#include "BlockCommand.h"
#include "CallTexts.h"
#include "Screening.h"

namespace CallScreening {

Refusal screen(const CallerIdParser::Caller &who, bool telemarketersBlocked, const BlockedFile &blocked,
               Refusal refusedBefore)
{
    if (refusedBefore != Refusal::None)
        return refusedBefore;
    if (telemarketersBlocked && who.name == CallerIdParser::UnknownName)
        return Refusal::Telemarketer;
    if (IsIncomingNumberBlocked(blocked, who.number))
        return Refusal::BlockedNumber;
    return Refusal::None;
}

QString storableName(const QString &name)
{
    // The record's fields are told apart by their keys ("NB=", "RG="): a name holds no "=" and
    // no line end.
    QString cleaned;
    for (const QChar c : name) {
        if (c != QLatin1Char('=') && c.isPrint())
            cleaned += c;
    }
    return cleaned.simplified();
}

Decision decide(const CallerIdParser::Report &report, bool telemarketersBlocked, const BlockedFile &blocked,
                Refusal refusedBefore, Screening *rules)
{
    const CallerIdParser::Caller who{report.callerName, report.callerNumber};
    Decision d;
    if (!rules || refusedBefore != Refusal::None) {
        d.refusal = screen(who, telemarketersBlocked, blocked, refusedBefore);
        return d;
    }
    // A withheld name ("O", "P") is no name to match a name pattern with, nor is a withheld
    // number a number.
    const bool named = who.name != CallerIdParser::UnknownName && who.name != CallerIdParser::PrivateName;
    const QString name = !named ? QString() : report.receivedName.isEmpty() ? who.name : report.receivedName;
    const bool numbered = !who.number.isEmpty() && who.number.front().isDigit();
    const QString number = !numbered ? QString() : report.receivedNumber.isEmpty() ? who.number : report.receivedNumber;
    const QString shown = numbered && rules->hasPatterns() ? CallTexts::displayPattern(who.number) : QString();
    const RuleVerdict v = rules->decide(number, shown, name);
    d.alias = storableName(v.alias);
    if (const ScreeningRule *rule = rules->ruleOf(v)) {
        d.rule = rule->pattern;
        d.ruleId = rule->id;
    }
    switch (v.kind) {
    case RuleVerdict::Allowed:
        d.allowed = true;
        return d;
    case RuleVerdict::NoRule:
    case RuleVerdict::Blocked:
    case RuleVerdict::NotOnAllowList:
        break;
    }
    d.refusal = screen(who, telemarketersBlocked, blocked, refusedBefore);
    if (d.refusal != Refusal::None) {
        // The blocked list or the telemarketer switch refused it: no pattern is the reason.
        d.rule.clear();
        d.ruleId = 0;
    } else if (v.kind == RuleVerdict::Blocked) {
        d.refusal = Refusal::Pattern;
    } else if (v.kind == RuleVerdict::NotOnAllowList) {
        d.refusal = Refusal::NotOnAllowList;
    }
    return d;
}

Decision check(const QString &number, const QString &name, bool telemarketersBlocked, const BlockedFile &blocked,
               Screening *rules)
{
    // The same parser cuts the fields (a line end in them, which would start another field, is
    // made a blank).
    if (rules)
        rules->refresh();
    const QString report = QStringLiteral("\r\nDATE = 0101\r\nTIME = 1200\r\nNMBR = %1\r\nNAME = %2\r\n")
                               .arg(number.simplified(), name.isEmpty() ? QStringLiteral("O") : name.simplified());
    return decide(CallerIdParser::parse(report, QStringLiteral("System Date"), QDate(2000, 1, 1)), telemarketersBlocked,
                  blocked, Refusal::None, rules);
}

QString reasonText(Refusal refusal, const QString &rule)
{
    switch (refusal) {
    case Refusal::None:
        break;
    case Refusal::BlockedNumber:
        return QStringLiteral("blocked number");
    case Refusal::Telemarketer:
        return QStringLiteral("unknown name");
    case Refusal::RefusedByServer:
        return QStringLiteral("refused by the server");
    case Refusal::Pattern:
        return QStringLiteral("pattern ") + rule;
    case Refusal::NotOnAllowList:
        return QStringLiteral("not on the allow list");
    }
    return QString();
}

QString describe(const Decision &d)
{
    QString text;
    if (d.refusal != Refusal::None)
        text = QStringLiteral("Refused: ") + reasonText(d.refusal, d.rule);
    else if (d.allowed)
        text = QStringLiteral("Allowed: pattern ") + d.rule;
    else
        text = QStringLiteral("Shown: no rule refuses it");
    if (!d.alias.isEmpty())
        text += QStringLiteral(" (shown as ") + d.alias + QLatin1Char(')');
    return text;
}

} // namespace CallScreening
