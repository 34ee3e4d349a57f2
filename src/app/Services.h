#pragma once

#include "BlockCommand.h"
#include "BlockedFile.h"
#include "CallLog.h"
#include "CallReception.h"
#include "CallState.h"
#include "EndOfCall.h"
#include "LogBrowser.h"
#include "NcidCalls.h"
#include "ServiceButtons.h"
#include "clsModemFunctions.h"
#include "clsPlayWaveFile.h"

class AppState;
class IMainWindow;
class IPortConnection;

// The subsystems behind the main window, built once and kept for the whole run, wired to
// each other here so that the window itself stays a thin hub.
struct Services {
    Services(AppState &state, IMainWindow &window, IPortConnection &port);

    CallState call;
    CallLog log;
    LogBrowser browser;
    BlockedFile blocked;
    clsPlayWaveFile voice;
    clsModemFunctions modem;
    EndOfCall end;
    CallReception reception;
    BlockCommand block;
    ServiceButtons buttons;
    NcidCalls network;
};
