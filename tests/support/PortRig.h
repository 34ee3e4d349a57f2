#pragma once

#include "AppState.h"
#include "ModemSim.h"
#include "PortConnection.h"
#include "TestSupport.h"

#include <memory>

// The caller-ID port on the simulated modem as COM1, not yet opened; the main window faked.
struct PortRig {
    explicit PortRig(const QMap<int, QString> &records = {})
    {
        folder.writeModemSettings(records);
        state = std::make_unique<AppState>(folder.path());
        state->setupFile.load(state->settings);
        state->ModemConfigured = state->settings.comPortNumber() >= 1;
        modem = std::make_unique<ModemSimThread>();
        modem->linkAs(folder.path(), 1);
        port = std::make_unique<PortConnection>(*state, *state, state->tray, window);
    }
    // What the modem received before a marker the test writes afterwards: all the step under
    // test sent, however long the modem takes.
    QByteArray receivedBefore(const QString &marker = QStringLiteral("ATI1"))
    {
        if (!state->MSComm1.PortOpen())
            state->MSComm1.setPortOpen(true);
        state->MSComm1.Output(marker + QChar(13));
        if (!modem->waitForCommand(marker, 5000))
            return "marker never arrived";
        return modem->received().chopped(marker.size() + 1);
    }

    TestFolder folder;
    std::unique_ptr<AppState> state;
    std::unique_ptr<ModemSimThread> modem;
    FakeWindow window;
    std::unique_ptr<PortConnection> port;
};
