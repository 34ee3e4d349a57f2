#pragma once

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
