#include "Services.h"

#include "AppState.h"

Services::Services(AppState &state, IMainWindow &window, IPortConnection &port)
    : log(state), browser(state), blocked(state.blockedPath(), state.blockedScratchPath()), modem(state, port),
      end(state, call, log, browser), reception(state, window, call, modem, blocked, voice, end),
      block(state, window, modem, blocked)
{
    block.callDropped = [this] { end.Timer1_Timer(); };
    QObject::connect(&state.MSComm1, &MSComm::OnComm, &reception, &CallReception::MSComm1_OnComm);
    QObject::connect(&state.Timer1, &VbTimer::Timer, &reception, &CallReception::Timer1_Timer);
}
