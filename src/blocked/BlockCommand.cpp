#include "BlockCommand.h"

#include "CallTexts.h"
#include "CallView.h"
#include "DataFiles.h"
#include "IMainWindow.h"
#include "ModemLine.h"
#include "MsgBox.h"
#include "ServiceScopes.h"
#include "clsModemFunctions.h"

BlockCommand::BlockCommand(ModemLine &line, DataFiles &files, CallView &view, IMainWindow &window,
                           clsModemFunctions &modem, BlockedFile &file)
    : m_line(line), m_files(files), m_view(view), m_window(window), m_modem(modem), m_file(file)
{
}

bool IsIncomingNumberBlocked(const BlockedFile &file, const QString &callerNumber)
{
    return file.contains(CallTexts::displayPattern(callerNumber));
}

bool BlockCommand::IsDisplayedNumberBlocked() const
{
    return m_file.contains(m_view.display.number());
}

void BlockCommand::blockShownCaller()
{
    if (m_line.Timer3.Interval() != 0)
        return;
    BusyMarker busy(m_line.Timer3);
    BlockNumber();
}

void BlockCommand::BlockNumber()
{
    const QString number = m_view.display.number();
    // Not while a modem dialogue has the port (the pager after a call included), nor while a
    // call's end is being processed.
    if (m_line.flags.any() || m_line.callEnding)
        return;
    m_view.Timer2.stop();
    if (!m_files.settings.BlockSelectedCallsEnable) {
        MsgBox(crLines({QStringLiteral("'Selected Calls Block' is not enabled."),
                        QStringLiteral("Go to Setup Menu and and turn ON 'Selected Calls Block'.")}),
               MsgStyle::Information, QStringLiteral("Block Call 'Turn ON' is not possible!"));
        return;
    }
    // The notice, an end of the log or an empty display is no caller to block.
    if (!m_view.display.showsCaller())
        return;

    m_window.unloadBlockedWindow();
    const QString name = m_view.display.name();
    const bool ringing = m_line.Timer1.Interval() > 0;
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
        appended = m_file.append(m_view.display.number(), name, &error);
        if (dropped) {
            m_line.Timer1.off();
            if (callDropped)
                callDropped();
        }
    }
    if (!appended) {
        reportWriteFailure(m_file.path(), error);
        return;
    }
    if (numberBlocked)
        numberBlocked(m_view.display.number(), name);
}
