#pragma once

#include "VbTimer.h"

// Sets an in-progress flag for the life of a service and clears it on every way out: a flag
// left set would keep caller-ID reception deaf until the program is restarted.
class FlagScope {
public:
    explicit FlagScope(bool &flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope &) = delete;
    FlagScope &operator=(const FlagScope &) = delete;

private:
    bool &m_flag;
};

// The main window's busy marker (Timer3 with interval 65535, no handler) for the life of a
// user command; a non-zero interval makes the other commands wait.
class BusyMarker {
public:
    static constexpr int BusyInterval = 65535;
    explicit BusyMarker(VbTimer &timer3) : m_timer(timer3) { m_timer.restart(BusyInterval); }
    ~BusyMarker() { m_timer.off(); }
    BusyMarker(const BusyMarker &) = delete;
    BusyMarker &operator=(const BusyMarker &) = delete;

private:
    VbTimer &m_timer;
};
