#include "CallScreening.h"

#include "BlockCommand.h"

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

QString reasonText(Refusal refusal)
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
    }
    return QString();
}

} // namespace CallScreening
