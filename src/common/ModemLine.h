#pragma once

#include "Flags.h"
#include "MSComm.h"
#include "VbTimer.h"

#include <QStringList>

// The modem line: its serial port, the timers of the call on it, and what holds the port (a
// modem dialogue, the end of a call, a user command). The window reads Timer1 and Timer3 here.
struct ModemLine {
    MSComm MSComm1;
    VbTimer Timer1; // end of call: 10 s after the last characters of a ringing call
    VbTimer Timer3; // busy marker of user commands (interval 65535), no handler
    InProgressFlags flags;
    // The end of a call is being processed (stored, shown, the pager told): the services and
    // the port commands wait for it as they wait for a ringing call. Reception goes on.
    bool callEnding = false;
    // The call in progress came from the network (an NCID server's or a gateway's line), not
    // from the modem: no modem here answers or hangs up on it.
    bool networkCall = false;
    bool ModemConfigured = false;
    // The automatic modem search is running (its window's or the first start's).
    bool ModemDetectionRunning = false;
    // Why the latest modem search could not ask some ports (held, no permission, no answer).
    QStringList detectionProblems;
    // The latest modem search was stopped by the user (its window closed) before it stored
    // anything: it gave no verdict, and the modem in use before it is taken again.
    bool searchStopped = false;

    // A modem dialogue or the end of a call has the port: the user's port and modem commands wait.
    bool modemBusy() const { return flags.any() || callEnding || Timer3.Interval() != 0; }
};
