#pragma once

#include "IServiceButtons.h"

// What the subsystems need of the main window, its service buttons included. The window
// implements it; tests that run the subsystems without a window give a recorder instead.
class IMainWindow : public IServiceButtons {
public:
    virtual ~IMainWindow() = default;
    // Bring the window to the front and centre it (a call has come in).
    virtual void popUp() = 0;
    // Show the window as it is (after its caller display changed).
    virtual void showWindow() = 0;
    // Minimise to the tray.
    virtual void minimise() = 0;
    // Close the Blocked Number List window if it is open (it would show a stale list).
    virtual void unloadBlockedWindow() = 0;
    // Run the modem search; it may configure a modem.
    virtual void runModemDetection() = 0;
};
