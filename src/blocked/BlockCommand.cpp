#include "BlockCommand.h"

#include "AppState.h"
#include "CallTexts.h"
#include "IMainWindow.h"
#include "MsgBox.h"
#include "ServiceScopes.h"
#include "clsModemFunctions.h"

BlockCommand::BlockCommand(AppState &state, IMainWindow &window, clsModemFunctions &modem, BlockedFile &file)
    : m_state(state), m_window(window), m_modem(modem), m_file(file)
{
}

bool IsIncomingNumberBlocked(const BlockedFile &file, const QString &callerNumber)
{
    return file.contains(CallTexts::displayPattern(callerNumber));
}

bool BlockCommand::IsDisplayedNumberBlocked() const
{
    return m_file.contains(m_state.display.number());
}

void BlockCommand::blockShownCaller()
{
    if (m_state.Timer3.Interval() != 0)
        return;
    BusyMarker busy(m_state.Timer3);
    BlockNumber();
}

void BlockCommand::BlockNumber()
{
    const QString number = m_state.display.number();
    // Not while a modem dialogue has the port (the pager after a call included), nor while a
    // call's end is being processed.
    if (m_state.flags.any() || m_state.callEnding)
        return;
    m_state.Timer2.stop();
    if (!m_state.settings.BlockSelectedCallsEnable) {
        MsgBox(crLines({QStringLiteral("'Selected Calls Block' is not enabled."),
                        QStringLiteral("Go to Setup Menu and and turn ON 'Selected Calls Block'.")}),
               MsgStyle::Information, QStringLiteral("Block Call 'Turn ON' is not possible!"));
        return;
    }
    // The notice, an end of the log or an empty display is no caller to block.
    if (!m_state.display.showsCaller())
        return;

    m_window.unloadBlockedWindow();
    const QString name = m_state.display.name();
    const bool ringing = m_state.Timer1.Interval() > 0;
    if (IsDisplayedNumberBlocked()) {
        MsgBox(name + QStringLiteral(" at ") + number +
                   (ringing ? QStringLiteral("is already Blocked. No need to Block again.")
                            : QStringLiteral(" is already Blocked. No need to Block again.")),
               MsgStyle::Information, QStringLiteral("Phone Number Block"));
        return;
    }
    const QString question =
        ringing ? QStringLiteral("Are you sure you want to Block ") + name + QStringLiteral(" at ") + number +
                      QStringLiteral("?") + QChar(13) +
                      QStringLiteral("The Blocked Number will not be able to reach you, unless you UnBlock it!")
                : QStringLiteral("Are you sure you want to block ") + name + QStringLiteral(" at ") + number +
                      QStringLiteral("?") + QChar(13) +
                      QStringLiteral("The Blocked Number will not be able to reach you, unless you UnBlock it.");
    if (MsgBox(question, MsgStyle::Question, QStringLiteral("Block Number Confirmation!")) != vbYes)
        return;
    // Drop a ringing call before the entry is written, then finish the call at once: left for
    // the next ring, its record would swallow the next caller's report. A call that could not
    // be dropped rings on and ends as any call does (also one that ended while the question was
    // open). What went wrong with the modem is told after the call is stored.
    QString error;
    bool appended = false;
    {
        MsgBoxDeferral later;
        const bool dropped = ringing && m_modem.ZapIncomingCall();
        appended = m_file.append(m_state.display.number(), name, &error);
        if (dropped) {
            m_state.Timer1.off();
            if (callDropped)
                callDropped();
        }
    }
    if (!appended)
        reportWriteFailure(m_file.path(), error);
}
