#include "ServiceButtons.h"

#include "CallView.h"
#include "DataFiles.h"
#include "ISetupSwitches.h"
#include "ModemLine.h"
#include "ModemMessages.h"
#include "MsgBox.h"
#include "ServiceScopes.h"
#include "clsModemFunctions.h"

ServiceButtons::ServiceButtons(ModemLine &line, DataFiles &files, CallView &view, clsModemFunctions &modem)
    : m_line(line), m_files(files), m_view(view), m_modem(modem)
{
}

bool ServiceButtons::allowed(bool ringing, Flag own) const
{
    using F = InProgressFlags;
    // Each command waits for every other modem activity (its own flag is its own business).
    // The pager after a call has the port as much as any of them: its digits would go down the
    // line of whatever else were let in.
    static constexpr Flag Activities[] = {
        &F::ForwardingInProgress, &F::PrivateCallsInProgress, &F::BlockCallInProgress, &F::ZapInProgress,
        &F::DialInProgress,       &F::ModemSearchInProgress,  &F::PagerInProgress};
    if (m_line.Timer3.Interval() != 0 || (m_line.Timer1.Interval() > 0) != ringing || m_line.callEnding)
        return false;
    for (Flag f : Activities) {
        if (f != own && m_line.flags.*f)
            return false;
    }
    return true;
}

bool ServiceButtons::modemConfigured() const
{
    if (m_files.callsFromServer()) {
        ModemMessages::notConnected(ModemMessages::callsFromServer());
        return false;
    }
    if (m_line.ModemConfigured)
        return true;
    MsgBox(crLines({QStringLiteral("Program is not yet configured for a valid Modem."),
                    QStringLiteral("Please go to Menu Modem and search for a valid Modem.")}),
           MsgStyle::Critical, QStringLiteral("Modem is not Configured!"));
    return false;
}

void ServiceButtons::dialShownCaller()
{
    if (!allowed(false, &InProgressFlags::DialInProgress) || !modemConfigured())
        return;
    FlagScope dialling(m_line.flags.DialInProgress);
    BusyMarker busy(m_line.Timer3);
    m_view.Timer2.stop();
    m_modem.DisplayedNumber = m_view.display.number();
    m_modem.DialTheNumber();
    m_line.Timer1.off();
}

void ServiceButtons::zapRingingCall()
{
    if (!allowed(true, &InProgressFlags::ZapInProgress) || !modemConfigured())
        return;
    BusyMarker busy(m_line.Timer3);
    m_view.Timer2.stop();
    // A dropped call is over: it is stored and the reception made ready at once. Left with its
    // timer off until the next ring, its report would be taken for the next caller's. A call
    // the modem did not drop rings on and ends by its own timer. What went wrong with the modem
    // is told after the call is stored.
    MsgBoxDeferral later;
    if (m_modem.ZapIncomingCall()) {
        m_line.Timer1.off();
        if (callDropped)
            callDropped();
    }
}

void ServiceButtons::switchService(Flag own, void (clsModemFunctions::*service)())
{
    if (!allowed(false, own) || !modemConfigured())
        return;
    FlagScope running(m_line.flags.*own);
    BusyMarker busy(m_line.Timer3);
    m_view.Timer2.stop();
    (m_modem.*service)();
}

void ServiceButtons::setupSwitch(void (ISetupSwitches::*operation)(), bool needsModem)
{
    // No modem dialogue here: these only switch a setting, so they never wait for the others.
    if (needsModem && !modemConfigured())
        return;
    m_view.Timer2.stop();
    if (setup)
        (setup->*operation)();
}

void ServiceButtons::forwardingOn()
{
    switchService(&InProgressFlags::ForwardingInProgress, &clsModemFunctions::CallForwardON);
}

void ServiceButtons::forwardingOff()
{
    switchService(&InProgressFlags::ForwardingInProgress, &clsModemFunctions::CallForwardOFF);
}

void ServiceButtons::blockPrivateCalls()
{
    switchService(&InProgressFlags::PrivateCallsInProgress, &clsModemFunctions::BlockPrivateCallsOn);
}

void ServiceButtons::releasePrivateCalls()
{
    switchService(&InProgressFlags::PrivateCallsInProgress, &clsModemFunctions::ReleasePrivateCallsOn);
}

// The pager is paged through the modem after each call: switching it on needs one.
void ServiceButtons::pagerOn()
{
    setupSwitch(&ISetupSwitches::PagerOn, true);
}
void ServiceButtons::pagerOff()
{
    setupSwitch(&ISetupSwitches::PagerOFF, true);
}
void ServiceButtons::blockTelemarketers()
{
    setupSwitch(&ISetupSwitches::BlockTeleMarketersOn, false);
}
void ServiceButtons::releaseTelemarketers()
{
    setupSwitch(&ISetupSwitches::BlockTeleMarketersOff, false);
}
