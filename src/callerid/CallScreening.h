#pragma once

#include "CallEvents.h"
#include "CallerIdParser.h"

class BlockedFile;
class Screening;

// Whether the program refuses a caller, and why. The one place the rules are applied: the
// reception asks once per call and keeps the answer on the call.
namespace CallScreening {

// A caller without a name while telemarketers are blocked is refused as a telemarketer; a number
// on the blocked list, as blocked. `refusedBefore` is a refusal already known for the call (the
// NCID server's): it stands.
Refusal screen(const CallerIdParser::Caller &who, bool telemarketersBlocked, const BlockedFile &blocked,
               Refusal refusedBefore = Refusal::None);

// The decision with what it rests on.
struct Decision {
    Refusal refusal = Refusal::None;
    QString rule;         // the pattern that decided (refused, or let through), "" when none did
    qint64 ruleId = 0;    // that rule in the screening store
    QString alias;        // the user's own name for the caller, "" when none
    bool allowed = false; // an allow rule let it through
};

// The same with the user's screening rules as well (none when `rules` is null): a caller on the
// allow list is never refused, by the blocked list, the telemarketer switch or a pattern; one
// that a block pattern matches is refused; with "allow only the allow list" on, so is every
// caller not on it. Number patterns see the number as received and as the display shows it,
// name patterns the name as received.
Decision decide(const CallerIdParser::Report &report, bool telemarketersBlocked, const BlockedFile &blocked,
                Refusal refusedBefore, Screening *rules);

// What would happen to a call from `number` with `name` ("" for a withheld name), the fields cut
// as a line's report would have them: for "test a number and name".
Decision check(const QString &number, const QString &name, bool telemarketersBlocked, const BlockedFile &blocked,
               Screening *rules);

// A name of the user's as the call's record can hold it ("" when nothing is left of it).
QString storableName(const QString &name);

// For the program's log: why, in a few words ("" when not refused).
QString reasonText(Refusal refusal, const QString &rule = QString());
// What would happen to such a caller and why, in a sentence ("Refused: pattern ^800").
QString describe(const Decision &d);

} // namespace CallScreening
