#include "CallCore.h"

#include "AppState.h"
#include "ServiceScopes.h"

CallCore::CallCore(AppState &state, IMainWindow &window, IPortConnection &port, ICallAnnouncer &voice)
    : log(state, state.calls), browser(state, state.settings), blocked(state.blockedPath(), state.blockedScratchPath()),
      modem(state, state, state.tray, port, &window), end(state, state, state, state.callEvents, call, log, browser),
      reception(state, state, state, state.callEvents, window, call, modem, blocked, voice, end),
      block(state, state, state, window, modem, blocked), buttons(state, state, state, modem),
      network(state, state, state, state.callEvents, state.tray, window, call, reception), requests(blocked, window)
{
    block.callDropped = [this] { end.finishCall(); };
    // A desktop that takes its calls from a server blocks the caller there too.
    block.numberBlocked = [this, &state](const QString &number, const QString &name) {
        if (state.callsFromServer())
            network.client().sendLine(ListRequests::blockRequest(number, name));
    };
    network.server().requests = [this](const Ncid::Request &r, bool mayChange) {
        return requests.answer(r, mayChange);
    };
    buttons.callDropped = [this] { end.finishCall(); };
    end.notifyPager = [this, &state, &port](const QString &callerNumber) {
        FlagScope paging(state.flags.PagerInProgress);
        modem.CallerIdSendToPager(callerNumber);
        // The pager dialogue left the modem off caller ID: re-armed before the next call.
        port.ModemPortOpen();
    };
    QObject::connect(&state.MSComm1, &MSComm::dataArrived, &reception, &CallReception::reportArrived);
    QObject::connect(&state.MSComm1, &MSComm::OnComm, &reception, &CallReception::MSComm1_OnComm);
    QObject::connect(&state.Timer1, &VbTimer::Timer, &reception, &CallReception::lineWentQuiet);
}
