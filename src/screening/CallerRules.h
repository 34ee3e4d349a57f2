#pragma once

#include <QList>
#include <QString>

class Screening;

// What the Calls Log's menu offers for one stored call, and what each offer stores: a rule for
// its number (or, for a withheld number, its name), a rule for the numbers that start as its
// does, or a name of the user's for its number.
namespace CallerRules {

struct Offer {
    enum Kind { BlockCaller, AllowCaller, BlockPrefix, NameCaller };
    Kind kind = BlockCaller;
    QString label;   // the menu's text
    QString pattern; // the rule it adds ("" for a name)
    bool byName = false;
};

// `number` and `name` as the log shows them. A withheld number has no digits to block or to name;
// a withheld name none to match.
QList<Offer> offersFor(const QString &number, const QString &name);

// Stores the offer: `alias` is the name asked for (NameCaller; "" removes it). `message` says what
// was done, or why it failed; false on failure.
bool apply(Screening &screening, const Offer &offer, const QString &number, const QString &name, const QString &alias,
           QString *message);

// The same as an NCID list request, for the server a desktop takes its calls from, worded as
// NCID's own client words it ("" where NCID has no request for it: a rule on a name, or no name
// to remove). `named`: the number had a name of the user's before (NCID modifies it then).
QString requestFor(const Offer &offer, const QString &number, const QString &name, const QString &alias, bool named);

} // namespace CallerRules
