#pragma once

#include "BlockCommand.h"
#include "BlockedFile.h"
#include "CallLog.h"
#include "CallReception.h"
#include "CallState.h"
#include "EndOfCall.h"
#include "ListRequests.h"
#include "LogBrowser.h"
#include "NcidCalls.h"
#include "ServiceButtons.h"
#include "clsModemFunctions.h"

class AppState;
class ICallAnnouncer;
class IMainWindow;
class IPortConnection;

// The calls without a desktop: the call in progress, the call log, the blocked list, the modem's
// services, the reception and the end of a call, the Block command, the service buttons and the
// network, built once for the whole run and wired to each other here. The desktop adds its
// windows and voice around it (Services); what the calls ask of a person goes through the
// interfaces they are given.
struct CallCore {
    CallCore(AppState &state, IMainWindow &window, IPortConnection &port, ICallAnnouncer &voice);

    CallState call;
    CallLog log;
    LogBrowser browser;
    BlockedFile blocked;
    clsModemFunctions modem;
    EndOfCall end;
    CallReception reception;
    BlockCommand block;
    ServiceButtons buttons;
    NcidCalls network;
    ListRequests requests;
};
