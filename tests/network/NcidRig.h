#pragma once

// A program on the network without a window, for the NCID tests: its settings, the call core
// (with a voice that says nothing) and the network as the options say.
#include "AppState.h"
#include "CallAnnouncer.h"
#include "CallCore.h"
#include "CallRecord.h"
#include "TestSupport.h"

#include <memory>

class NoPort : public IPortConnection {
public:
    void ModemPortOpen() override {}
};

struct Program {
    explicit Program(const ProgramSettings &options)
    {
        folder.copyProgramData();
        state = std::make_unique<AppState>(folder.path());
        state->setupFile.load(state->settings);
        state->settings.Talking_Call = false;
        state->settings.PopUpWindow = false;
        state->options = options;
        core = std::make_unique<CallCore>(*state, window, port, voice);
    }
    QByteArray log() const { return folder.bytes(QStringLiteral("Array.bin")); }
    // The stored calls, oldest first, as "name|number|rings".
    QStringList calls() const
    {
        QStringList calls;
        for (const QString &record : state->calls.records()) {
            const CallRecord::Fields f = CallRecord::fields(record);
            calls << f.name.trimmed() + QLatin1Char('|') + f.number.trimmed() + QLatin1Char('|') + f.rings.trimmed();
        }
        return calls;
    }

    TestFolder folder;
    FakeWindow window;
    NoPort port;
    SilentAnnouncer voice;
    std::unique_ptr<AppState> state;
    std::unique_ptr<CallCore> core;
};

inline ProgramSettings serverOn(const QString &address = QStringLiteral("127.0.0.1"))
{
    ProgramSettings o;
    o.ncidServerEnabled = true;
    o.ncidServerAddress = address;
    o.ncidServerPort = 0; // any free port
    return o;
}

inline ProgramSettings clientOf(quint16 port)
{
    ProgramSettings o;
    o.ncidClientEnabled = true;
    o.ncidClientHost = QStringLiteral("127.0.0.1");
    o.ncidClientPort = port;
    return o;
}
