#pragma once

#include "AppState.h"
#include "ModemSim.h"
#include "TestSupport.h"
#include "frmMain.h"

#include <memory>

// The real main window on a program folder of its own, the simulated modem as COM1; not loaded.
struct WindowRig {
    explicit WindowRig(const QMap<int, QString> &records = {})
    {
        folder.copyProgramData();
        folder.writeModemSettings(records);
        modem = std::make_unique<ModemSimThread>();
        modem->linkAs(folder.path(), 1);
        state = std::make_unique<AppState>(folder.path());
        window = std::make_unique<frmMain>(*state);
    }
    bool load() { return window->Form_Load(); }

    TestFolder folder;
    std::unique_ptr<ModemSimThread> modem;
    std::unique_ptr<AppState> state;
    std::unique_ptr<frmMain> window;
};
