#pragma once

#include "Flags.h"

#include <functional>

class DataFiles;
struct CallView;
struct ModemLine;
class IMainWindow;
class ISetupSwitches;
class clsModemFunctions;

// The click handlers of the main window's ten service buttons. Each refuses in silence while
// another modem activity runs (the busy marker, a ringing call, the in-progress flags), asks
// for a configured modem, marks the window busy and calls its service.
class ServiceButtons {
public:
    ServiceButtons(ModemLine &line, DataFiles &files, CallView &view, clsModemFunctions &modem);

    // The Setup dialog's switches, used by the pager and telemarketer buttons.
    ISetupSwitches *setup = nullptr;
    // Runs once a ringing call has been zapped, so that its end is processed at once.
    std::function<void()> callDropped;

    void dialShownCaller();
    void zapRingingCall();
    void forwardingOn();
    void forwardingOff();
    void blockPrivateCalls();
    void releasePrivateCalls();
    void pagerOn();
    void pagerOff();
    void blockTelemarketers();
    void releaseTelemarketers();

private:
    using Flag = bool InProgressFlags::*;
    // Timer3 free, Timer1 ringing or not as `ringing` asks, and no other modem activity.
    bool allowed(bool ringing, Flag own) const;
    // A modem has been configured; otherwise the user is told where to find one.
    bool modemConfigured() const;
    // Forwarding and private calls: `own` is set while the service runs.
    void switchService(Flag own, void (clsModemFunctions::*service)());
    void setupSwitch(void (ISetupSwitches::*operation)(), bool needsModem);

    ModemLine &m_line;
    DataFiles &m_files;
    CallView &m_view;
    clsModemFunctions &m_modem;
};
