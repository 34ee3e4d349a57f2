#pragma once

#include "CallEvents.h"
#include "CallerIdParser.h"

class BlockedFile;

// Whether the program refuses a caller, and why. The one place the rules are applied: the
// reception asks once per call and keeps the answer on the call.
namespace CallScreening {

// A caller without a name while telemarketers are blocked is refused as a telemarketer; a number
// on the blocked list, as blocked. `refusedBefore` is a refusal already known for the call (the
// NCID server's): it stands.
Refusal screen(const CallerIdParser::Caller &who, bool telemarketersBlocked, const BlockedFile &blocked,
               Refusal refusedBefore = Refusal::None);

// For the program's log: why, in a few words ("" when not refused).
QString reasonText(Refusal refusal);

} // namespace CallScreening
