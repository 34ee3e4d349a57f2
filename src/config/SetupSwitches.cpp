#include "SetupSwitches.h"

#include "DataFiles.h"
#include "IServiceButtons.h"
#include "MsgBox.h"
#include "SetupValues.h"

namespace {

const QString PagerNotEnabled =
    crLines({QStringLiteral("'Pager Notification' is not enabled!"),
             QStringLiteral("Go to Setup Menu and and turn ON 'Caller ID Pager Notification'.")});

} // namespace

bool SetupSwitches::setPagerStatus(bool on)
{
    if (!m_files.writeSetupRecord(23, QStringLiteral("CallSendToPagerStatus = ") + boolName(on)))
        return false;
    m_buttons.showServiceState(ServicePair::Pager, on);
    return true;
}

bool SetupSwitches::setTeleMarketersStatus(bool on)
{
    if (!m_files.writeSetupRecord(26, QStringLiteral("BlockTeleMarketersStatus= ") + boolName(on)))
        return false;
    m_buttons.showServiceState(ServicePair::Telemarketers, on);
    return true;
}

void SetupSwitches::PagerOn()
{
    if (!m_files.settings.CallSendToPagerEnable) {
        MsgBox(PagerNotEnabled, MsgStyle::Information, QStringLiteral("Pager Notification 'Turn ON' is not possible!"));
        return;
    }
    if (MsgBox(QStringLiteral("Are you sure you want to send Caller ID to your Pager?"), MsgStyle::Question,
               QStringLiteral("Pager Notification Confirmation!")) != vbYes)
        return;
    setPagerStatus(true);
}

void SetupSwitches::PagerOFF()
{
    if (!m_files.settings.CallSendToPagerEnable) {
        MsgBox(PagerNotEnabled, MsgStyle::Information,
               QStringLiteral("Pager Notification 'Turn OFF' is not possible!"));
        return;
    }
    setPagerStatus(false);
}

void SetupSwitches::BlockTeleMarketersOn()
{
    if (!m_files.settings.BlockTeleMarketersEnable) {
        MsgBox(crLines({QStringLiteral("'TeleMarketers Block' is not enabled!"),
                        QStringLiteral("Go to Setup Menu and and turn ON 'TeleMarketers Block'.")}),
               MsgStyle::Information, QStringLiteral("Block TeleMarketers 'Turn ON' is not possible!"));
        return;
    }
    const QString question =
        crLines({QStringLiteral("Are you sure you want to Block TeleMarketers and Unknown calls."),
                 QStringLiteral(" TeleMarketers calls come from out of Area or State, the same way"),
                 QStringLiteral("as Calling Card SS7 (800, 877 and 888 Toll Free) calls and Out of"),
                 QStringLiteral("State or Area calls arrive as 'Unknown Name' & 'Unknown Number'."),
                 QStringLiteral("So Blocking TeleMarketers calls will also Block calls from Calling"),
                 QStringLiteral("cards and out of Area or State.")});
    if (MsgBox(question, MsgStyle::Question, QStringLiteral("'Block TeleMarketers' Confirmation!")) != vbYes)
        return;
    setTeleMarketersStatus(true);
}

void SetupSwitches::BlockTeleMarketersOff()
{
    if (!m_files.settings.BlockTeleMarketersEnable) {
        MsgBox(crLines({QStringLiteral("'TeleMarketers Block' is not enabled!"),
                        QStringLiteral("Go to Setup Menu and and turn ON 'Block TeleMarketers'.")}),
               MsgStyle::Information, QStringLiteral("Release TeleMarketers is not possible!"));
        return;
    }
    setTeleMarketersStatus(false);
}
