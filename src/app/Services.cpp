#include "Services.h"

#include "AppState.h"

Services::Services(AppState &state, IMainWindow &window, IPortConnection &port) : CallCore(state, window, port, voice)
{
    // Said once, where a user who wonders why calls are silent looks: the tray icon's tip.
    voice.noSoundOutput = [&state] { state.tray.setTip(TrayStatus::NoSoundTip); };
}
