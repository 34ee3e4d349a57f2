#pragma once

#include "ServiceButtonsPort.h"

#include <QString>

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

// The switches of the Setup dialog that the main window's pager and telemarketer buttons use
// without showing the dialog.
class ISetupSwitches {
public:
    virtual ~ISetupSwitches() = default;
    virtual void PagerOn() = 0;
    virtual void PagerOFF() = 0;
    virtual void BlockTeleMarketersOn() = 0;
    virtual void BlockTeleMarketersOff() = 0;
};

// The port connection for caller ID: (re)opens the port and re-arms caller-ID reporting.
class IPortConnection {
public:
    virtual ~IPortConnection() = default;
    virtual void ModemPortOpen() = 0;
};
