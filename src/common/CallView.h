#pragma once

#include "CallList.h"
#include "CallerDisplay.h"
#include "OpenWindows.h"
#include "VbTimer.h"

// What the main window shows of the calls: the caller on display, the stored calls and the one
// browsed, the windows open over it, and the timer that sends it to the tray after a call.
struct CallView {
    CallerDisplay display;
    CallList calls;
    int LogPosition = 0; // record shown in the main window: 0 below the oldest, N + 1 above the newest
    VbTimer Timer2;      // minimise to the tray
    // The windows open over the main window (none where nobody set it: no desktop).
    const IOpenWindows *openWindows = nullptr;

    bool windowsOpen() const { return openWindows && openWindows->anyOpen(); }
};
