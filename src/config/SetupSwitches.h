#pragma once

#include "IServiceButtons.h"
#include "ISetupSwitches.h"

class DataFiles;

// Pager notification and telemarketer blocking switched on and off from the main window's
// buttons. Neither needs the modem here (the call handling reads the statuses), so switching
// is the status record and the buttons; the Setup dialog need not be open. A service that is
// not enabled in Setup cannot be switched either way.
class SetupSwitches : public ISetupSwitches {
public:
    SetupSwitches(DataFiles &files, IServiceButtons &buttons) : m_files(files), m_buttons(buttons) {}

    void PagerOn() override;
    void PagerOFF() override;
    void BlockTeleMarketersOn() override;
    void BlockTeleMarketersOff() override;

private:
    // Writes the status record; the buttons change only when the file took it.
    bool setPagerStatus(bool on);
    bool setTeleMarketersStatus(bool on);

    DataFiles &m_files;
    IServiceButtons &m_buttons;
};
