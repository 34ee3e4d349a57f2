#pragma once

// The seven in-progress flags: while any is set, the receive handler leaves the port to the
// running service so that the modem's replies reach the service.
struct InProgressFlags {
    bool ForwardingInProgress = false;
    bool PrivateCallsInProgress = false;
    bool BlockCallInProgress = false;
    bool ZapInProgress = false;
    bool DialInProgress = false;
    bool ModemSearchInProgress = false;
    bool PagerInProgress = false;

    bool any() const
    {
        return ForwardingInProgress || PrivateCallsInProgress || BlockCallInProgress || ZapInProgress ||
               DialInProgress || ModemSearchInProgress || PagerInProgress;
    }
    void clear() { *this = InProgressFlags(); }
};

// Auxiliary windows that are open: while any is, the end of a call does not re-arm the
// minimise timer.
struct WindowFlags {
    bool CallsLogWindowOpen = false;
    bool BlockedWindowOpen = false;
    bool ColorWindowOpen = false;
    bool SetupWindowOpen = false;
    bool AboutWindowOpen = false;
    bool ModemDetectionRunning = false;

    bool any() const
    {
        return CallsLogWindowOpen || BlockedWindowOpen || ColorWindowOpen || SetupWindowOpen || AboutWindowOpen ||
               ModemDetectionRunning;
    }
    void clear() { *this = WindowFlags(); }
};
