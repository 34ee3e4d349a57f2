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
