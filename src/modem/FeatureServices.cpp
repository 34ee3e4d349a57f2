// The services that dial the telephone company's feature codes (call forwarding, private-call
// blocking) and the pager. Each takes the port from caller ID, dials, waits for the modem's
// "OK", pauses while the exchange answers, hangs up, and hands the port back.
#include "clsModemFunctions.h"

#include "DataFiles.h"
#include "ModemLine.h"
#include "MsgBox.h"
#include "TrayStatus.h"
#include "Waits.h"

namespace {

using ModemMessages::LineBusy;

const QString ForwardingTitle = QStringLiteral("Call Forwarding is not possible!");
const QString PagerTitle = QStringLiteral("Pager Notification is not possible!");
// The hang-up is confirmed within this many seconds, or the line is taken for busy.
constexpr int HangUpSeconds = 9;

// What a switch that Setup has not enabled says; the title names the switch.
const QStringList ForwardingNotEnabled = {QStringLiteral("'Call Forwarding' is not enabled!"),
                                          QStringLiteral("Go to Setup Menu and and turn ON 'Call Forwarding'.")};
const QStringList PrivateCallsNotEnabled = {QStringLiteral("'Private Calls Block' is not enabled!"),
                                            QStringLiteral("Go to Setup Menu and and turn ON 'Private Calls Block'.")};

constexpr int ForwardStatusRecord = 24;
constexpr int PrivateStatusRecord = 25;

} // namespace

bool clsModemFunctions::refusedUnless(bool enabled, const QStringList &lines, const QString &title)
{
    // A feature code dialled while a call rings would cut into that call.
    if (enabled && m_line.Timer1.Interval() == 0)
        return false;
    MsgBox(crLines(lines), MsgStyle::Information, title);
    return true;
}

void clsModemFunctions::showServiceState(ServicePair pair, bool serviceOn)
{
    if (m_window)
        m_window->showServiceState(pair, serviceOn);
}

bool clsModemFunctions::hangUp(double pauseSeconds, const QString &title)
{
    PauseSeconds(pauseSeconds);
    m_exchange.SendModemCommand(QStringLiteral("ATH"));
    if (!m_exchange.AwaitModemReply(HangUpSeconds))
        return true;
    if (!m_exchange.deviceLost())
        MsgBox(ModemMessages::lineBusy(LineBusy::Bang), MsgStyle::Critical, title);
    return false;
}

bool clsModemFunctions::dialFeatureCode(const FeatureCode &code, const std::function<void()> &accepted)
{
    if (!m_exchange.TakeModemPort())
        return false;
    m_exchange.SendModemCommand(code.command);
    if (m_exchange.AwaitModemReply(code.timeoutSeconds)) {
        if (!m_exchange.deviceLost())
            MsgBox(ModemMessages::lineBusy(code.dialFailure), MsgStyle::Critical, code.title);
        return false;
    }
    // The exchange took the code: the status changes now, before the hang-up is confirmed.
    accepted();
    return hangUp(code.pauseSeconds, code.title);
}

void clsModemFunctions::CallForwardON()
{
    const Settings &s = m_files.settings;
    if (refusedUnless(s.CallForwarding, ForwardingNotEnabled,
                      QStringLiteral("Call Forwarding 'Turn ON' is not possible!")))
        return;
    if (s.ForwardNumber.trimmed().isEmpty()) {
        MsgBox(crLines({QStringLiteral("Program do not finds the Call Forwarding 2nd. Phone Number!"),
                        QStringLiteral("Please go to Setup Menu and and enter the Call Forwarding Number.")}),
               MsgStyle::Information, ForwardingTitle);
        return;
    }
    if (MsgBox(crLines({QStringLiteral("Are you sure you want to Forward all incoming calls. This will"),
                        QStringLiteral("release the COM Port and Caller Identification will be stopped! "),
                        QStringLiteral("But You may then afterwards connect to Internet.")}),
               MsgStyle::Question, QStringLiteral("Call Forwarding Confirmation!")) != vbYes)
        return;
    // The "," is the modem's dialling pause between the code and the number.
    const FeatureCode on{QStringLiteral("ATDT") + s.ForwardOnCode + QStringLiteral(", ") + s.ForwardNumber +
                             QLatin1Char(';'),
                         12, 2, ForwardingTitle, LineBusy::Dot};
    const bool done = dialFeatureCode(on, [this] {
        // The exchange calls the second phone to confirm; the user answers it, then OK here.
        MsgBox(crLines({QStringLiteral("Your 2nd. Phone should be ringing now."),
                        QStringLiteral("Answer this call to accept Call Forwarding."),
                        QStringLiteral("Press OK after you answered the 2nd. Phone.")}),
               MsgStyle::Information, QStringLiteral("Call Forwarding to your 2nd. Phone"));
        m_files.writeSetupRecord(ForwardStatusRecord, QStringLiteral("CallForwardStatus = True"));
        if (m_window)
            m_tray.show(TrayStatus::ReleasedIcon,
                        QStringLiteral("Ringlark Talking Caller ID. To receive calls, please turn OFF Call "
                                       "Forwarding."));
    });
    if (!done)
        return;
    // No call rings at home now: the port is free for other programs.
    if (m_line.MSComm1.PortOpen())
        m_line.MSComm1.setPortOpen(false);
    showServiceState(ServicePair::Forwarding, true);
}

void clsModemFunctions::CallForwardOFF()
{
    const Settings &s = m_files.settings;
    if (refusedUnless(s.CallForwarding, ForwardingNotEnabled,
                      QStringLiteral("Call Forwarding 'Turn OFF' is not possible!")))
        return;
    const FeatureCode off{QStringLiteral("ATDT") + s.ForwardOffCode + QLatin1Char(';'), 9, 2, ForwardingTitle,
                          LineBusy::Bang};
    const bool done = dialFeatureCode(off, [this] {
        m_files.writeSetupRecord(ForwardStatusRecord, QStringLiteral("CallForwardStatus = False"));
        if (m_window)
            m_tray.showConnected();
    });
    if (!done)
        return;
    showServiceState(ServicePair::Forwarding, false);
    m_port.ModemPortOpen();
}

void clsModemFunctions::BlockPrivateCallsOn()
{
    const Settings &s = m_files.settings;
    if (refusedUnless(s.BlockPrivateCalls, PrivateCallsNotEnabled,
                      QStringLiteral("Block Private Calls 'Turn ON' is not possible!")))
        return;
    if (MsgBox(crLines({QStringLiteral("Are you sure you want to block all Private calls? This will"),
                        QStringLiteral("enable your Phone Company to send message to Private"),
                        QStringLiteral("Callers to UnBlock their Numbers before they call you.")}),
               MsgStyle::Question, QStringLiteral("Block Private Calls Confirmation!")) != vbYes)
        return;
    const FeatureCode block{QStringLiteral("ATDT") + s.PrivateBlockCode + QLatin1Char(';'), 9, 2,
                            QStringLiteral("Private Calls Block is not possible!"), LineBusy::Bang};
    if (!dialFeatureCode(block, [this] {
            m_files.writeSetupRecord(PrivateStatusRecord, QStringLiteral("BlockPrivateCallsStatus = True"));
        }))
        return;
    showServiceState(ServicePair::PrivateCalls, true);
    m_port.ModemPortOpen();
}

void clsModemFunctions::ReleasePrivateCallsOn()
{
    const Settings &s = m_files.settings;
    const QString title = QStringLiteral("Release Private Calls is not possible!");
    if (refusedUnless(s.BlockPrivateCalls, PrivateCallsNotEnabled, title))
        return;
    // The exchange takes longer to confirm a release: four seconds before hanging up.
    const FeatureCode release{QStringLiteral("ATDT") + s.PrivateReleaseCode + QLatin1Char(';'), 9, 4, title,
                              LineBusy::Bang};
    if (!dialFeatureCode(release, [this] {
            m_files.writeSetupRecord(PrivateStatusRecord, QStringLiteral("BlockPrivateCallsStatus = False"));
        }))
        return;
    showServiceState(ServicePair::PrivateCalls, false);
    m_port.ModemPortOpen();
}

void clsModemFunctions::CallerIdSendToPager(const QString &callerNumberText)
{
    const Settings &s = m_files.settings;
    if (!m_exchange.TakeModemPort())
        return;
    // A pager service that is slow to answer does not stop the page: the digits follow anyway.
    m_exchange.SendModemCommand(QStringLiteral("ATDT") + s.PagerNumber + QLatin1Char(';'));
    m_exchange.AwaitModemReply(8);
    if (m_exchange.deviceLost())
        return; // said already; no modem to key the digits into
    // Time for the pager service to answer and play its prompt.
    PauseSeconds(7);
    // Keyed as tones on the line that is still connected; a withheld number goes as its words.
    m_exchange.SendModemCommand(QStringLiteral("ATDT") + s.PagerId + callerNumberText + QLatin1Char(';'));
    if (m_exchange.AwaitModemReply(12)) {
        if (!m_exchange.deviceLost())
            MsgBox(ModemMessages::lineBusy(LineBusy::Bang), MsgStyle::Critical, PagerTitle);
        return;
    }
    hangUp(2, PagerTitle);
}
