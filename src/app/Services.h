#pragma once

#include "CallCore.h"
#include "clsPlayWaveFile.h"

class AppState;
class IMainWindow;
class IPortConnection;

// The voice, made before the calls that speak through it.
struct SpokenCalls {
    clsPlayWaveFile voice;
};

// The subsystems behind the main window: the call core with the desktop's voice.
struct Services : SpokenCalls, CallCore {
    Services(AppState &state, IMainWindow &window, IPortConnection &port);
};
