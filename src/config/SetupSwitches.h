#pragma once

#include "IServiceButtons.h"
#include "ISetupSwitches.h"

class AppState;

// Pager notification and telemarketer blocking switched on and off from the main window's
// buttons. Neither needs the modem here (the call handling reads the statuses), so switching
// is the status record and the buttons; the Setup dialog need not be open. A service that is
// not enabled in Setup cannot be switched either way.
class SetupSwitches : public ISetupSwitches {
public:
    SetupSwitches(AppState &state, IServiceButtons &buttons) : m_state(state), m_buttons(buttons) {}

    void PagerOn() override;
    void PagerOFF() override;
    void BlockTeleMarketersOn() override;
    void BlockTeleMarketersOff() override;

private:
    // Writes the status record; the buttons change only when the file took it.
    bool setPagerStatus(bool on);
    bool setTeleMarketersStatus(bool on);

    AppState &m_state;
    IServiceButtons &m_buttons;
};
