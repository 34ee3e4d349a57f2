#include "CallerRules.h"

#include "NcidRequests.h"

#include "RuleSet.h"
#include "Screening.h"
#include "ScreeningFiles.h"

namespace CallerRules {

namespace {

// A name the line sent that a pattern can hold as plain text: withheld names ("O", "P", and as
// the log writes them) match nothing, and a star or slash would make it an expression.
bool matchableName(const QString &name)
{
    static const QStringList withheld = {
        QStringLiteral("O"),           QStringLiteral("P"),       QStringLiteral("UNKNOWN NAME"),
        QStringLiteral("PRIVATE"),     QStringLiteral("UNKNOWN"), QStringLiteral("NO CALLER ID"),
        QStringLiteral("PRIVATE NAME")};
    const QString n = name.simplified();
    return !n.isEmpty() && !withheld.contains(n.toUpper()) && !n.contains(QLatin1Char('*')) &&
           !n.startsWith(QLatin1Char('/'));
}

} // namespace

QList<Offer> offersFor(const QString &number, const QString &name)
{
    QList<Offer> offers;
    const QString digits = RuleSet::digitsOf(number);
    if (!digits.isEmpty()) {
        // A line may send the country's leading 1 or not: the same caller either way.
        const QString exact = QStringLiteral("^1?") + digits;
        offers.append({Offer::BlockCaller, QStringLiteral("Block this caller"), exact});
        offers.append({Offer::AllowCaller, QStringLiteral("Always allow this caller"), exact});
        for (const qsizetype length : {3, 6}) {
            if (digits.size() > length) {
                const QString start = digits.left(length);
                offers.append({Offer::BlockPrefix, QStringLiteral("Block numbers starting with ") + start,
                               QStringLiteral("^1?") + start});
            }
        }
        offers.append({Offer::NameCaller, QStringLiteral("Name this caller..."), QString()});
    } else if (matchableName(name)) {
        const QString exact = QLatin1Char('^') + name.simplified();
        offers.append({Offer::BlockCaller, QStringLiteral("Block this caller (by name)"), exact, true});
        offers.append({Offer::AllowCaller, QStringLiteral("Always allow this caller (by name)"), exact, true});
    }
    return offers;
}

bool apply(Screening &screening, const Offer &offer, const QString &number, const QString &name, const QString &alias,
           QString *message)
{
    QString error;
    bool ok = false;
    QString done;
    if (offer.kind == Offer::NameCaller) {
        const QString digits = RuleSet::digitsOf(number);
        const QString cleaned = alias.simplified().left(ScreeningFiles::MaxAliasLength);
        ok = !digits.isEmpty() && screening.setAlias(digits, cleaned, &error);
        if (digits.isEmpty())
            error = QStringLiteral("the number has no digits");
        done = cleaned.isEmpty() ? QStringLiteral("Calls from %1 are shown with the name they send.").arg(number)
                                 : QStringLiteral("Calls from %1 are shown as %2.").arg(number, cleaned);
    } else {
        ScreeningRule rule;
        rule.action = offer.kind == Offer::AllowCaller ? RuleAction::Allow : RuleAction::Block;
        rule.field = offer.byName ? RuleField::Name : RuleField::Number;
        rule.pattern = offer.pattern;
        rule.comment =
            QStringLiteral("From the Calls Log: ") + (name.simplified().isEmpty() ? number : name.simplified());
        ok = screening.addRule(&rule, &error);
        const QString what = offer.kind == Offer::BlockPrefix
                                 ? QStringLiteral("Numbers starting with %1 are").arg(offer.pattern.mid(3))
                             : offer.byName ? QStringLiteral("Callers named %1 are").arg(name.simplified())
                                            : QStringLiteral("Calls from %1 are").arg(number);
        done = what + (rule.action == RuleAction::Allow ? QStringLiteral(" always let through (rule %1).")
                                                        : QStringLiteral(" refused (rule %1)."))
                          .arg(offer.pattern);
    }
    if (message)
        *message = ok ? done : QStringLiteral("Nothing was stored: ") + error;
    return ok;
}

QString requestFor(const Offer &offer, const QString &number, const QString &name, const QString &alias, bool named)
{
    if (offer.kind == Offer::NameCaller) {
        // "Replace NAME if NMBR" (NAMEDEP): the number and the name to show, then the type and
        // the name the line sends; an empty name to show clears the one there was.
        const QString digits = RuleSet::digitsOf(number);
        const QString cleaned = alias.simplified().left(ScreeningFiles::MaxAliasLength);
        if (digits.isEmpty() || (cleaned.isEmpty() && !named))
            return QString();
        return Ncid::listRequest(QStringLiteral("alias"), named ? QStringLiteral("modify") : QStringLiteral("add"),
                                 digits + QStringLiteral("&&") + cleaned,
                                 QStringLiteral("NAMEDEP&&") + name.simplified());
    }
    if (offer.byName)
        return QString();
    return Ncid::listRequest(offer.kind == Offer::AllowCaller ? QStringLiteral("white") : QStringLiteral("black"),
                             QStringLiteral("add"), offer.pattern, QStringLiteral("From the Calls Log"));
}

} // namespace CallerRules
