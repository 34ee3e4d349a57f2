#include "clsModemFunctions.h"

#include "CallerDisplay.h"
#include "DataFiles.h"
#include "IMainWindow.h"
#include "IPortConnection.h"
#include "ModemLine.h"
#include "ModemMessages.h"
#include "ServiceScopes.h"
#include "TrayStatus.h"
#include "Waits.h"

namespace {

const QString ZapTitle = QStringLiteral("Call Zap is not possible!");
const QString DialTitle = QStringLiteral("Dialing Number is not possible!");

} // namespace

clsModemFunctions::clsModemFunctions(ModemLine &line, DataFiles &files, TrayStatus &tray, IPortConnection &port,
                                     IMainWindow *window)
    : m_line(line), m_files(files), m_tray(tray), m_port(port), m_window(window), m_exchange(line.MSComm1)
{
}

bool clsModemFunctions::ZapIncomingCall()
{
    if (m_line.Timer1.Interval() < 1)
        return false; // no call is ringing
    // Calls taken from an NCID server or a gateway ring on another line: no modem here answers them.
    if (m_files.callsFromServer() || m_line.networkCall)
        return false;
    // While the call is being dropped it cannot end by its own timer: whoever dropped it ends it
    // once, afterwards. A call that was not dropped rings on to its usual end.
    m_line.Timer1.stop();
    const bool dropped = answerAndHangUp();
    // Without its port nothing more of the call can be heard: it is over for the program too.
    const bool over = dropped || !m_line.MSComm1.PortOpen();
    if (!over && m_line.Timer1.Interval() > 0 && !ProgramEnd::underway())
        m_line.Timer1.start();
    return over;
}

bool clsModemFunctions::answerAndHangUp()
{
    FlagScope busy(m_line.flags.ZapInProgress);
    if (!m_exchange.TakeModemPort())
        return false;
    // The modem goes off-hook and sends nothing while it answers: the wait usually runs its
    // two seconds, which is how long the caller is held before the line drops.
    m_exchange.SendModemCommand(QStringLiteral("ATA"));
    const bool refused = m_exchange.AwaitModemReply(2) && m_exchange.replyIsError();
    if (refused)
        MsgBox(ModemMessages::noAtSupport(), MsgStyle::Critical, ZapTitle);
    m_line.MSComm1.setInputLen(0);
    m_exchange.SendModemCommand(QStringLiteral("ATH"));
    m_exchange.AwaitModemReply(2);
    m_port.ModemPortOpen();
    return !refused;
}

void clsModemFunctions::BlockCall()
{
    if (m_line.Timer1.Interval() < 1)
        return;
    FlagScope busy(m_line.flags.BlockCallInProgress);
    if (!m_exchange.TakeModemPort())
        return;
    m_exchange.SendModemCommand(QStringLiteral("ATA"));
    m_exchange.AwaitModemReply(3);
    PauseSeconds(2);
    m_exchange.SendModemCommand(QStringLiteral("ATH"));
    if (m_exchange.AwaitModemReply(2)) {
        if (!m_exchange.deviceLost())
            MsgBox(ModemMessages::noAtSupport(), MsgStyle::Critical, ZapTitle);
        return;
    }
    m_port.ModemPortOpen();
}

QString clsModemFunctions::dialString(const QString &displayedNumber, const QString &areaCode)
{
    QString digits = displayedNumber;
    digits.remove(QLatin1Char('(')).remove(QLatin1Char(')')).remove(QLatin1Char('-'));
    const QString code = areaCode.trimmed();
    // Only the leading code of a full ten-digit number: 555-1234 in area 555 stays 5551234.
    if (digits.size() == 10 && !code.isEmpty() && digits.startsWith(code))
        digits.remove(0, code.size());
    return digits;
}

void clsModemFunctions::DialTheNumber()
{
    const QString shown = DisplayedNumber;
    if (!CallerDisplay::isCallerNumber(shown) || shown.contains(QLatin1String("PRIVATE")) ||
        shown.contains(QLatin1String("UNKNOWN")) || shown.contains(QLatin1String("BARRED")))
        return;
    const QString code = m_files.settings.LocalAreaCode.trimmed();
    if (code.isEmpty() || Settings::leadingNumber(code) == 0) {
        MsgBox(crLines({QStringLiteral("Your Local Area Code is not specified!"),
                        QStringLiteral("Please go to Setup Menu and enter your 3 digit Local Area Code.")}),
               MsgStyle::Critical, DialTitle);
        return;
    }
    const QString dial = dialString(shown, code);
    if (!m_exchange.TakeModemPort())
        return;
    m_exchange.SendModemCommand(QStringLiteral("ATDT") + dial + QLatin1Char(';'));
    // The modem has dialled and stays off-hook: the user picks up, then the modem lets go.
    const bool timedOut = m_exchange.AwaitModemReply(12, [] {
        MsgBox(QStringLiteral("Please pick up the Phone and press 'Enter' or click 'OK'"), MsgStyle::Plain,
               QStringLiteral("Dialing Number!"));
    });
    if (timedOut) {
        if (!m_exchange.deviceLost())
            MsgBox(ModemMessages::lineBusy(ModemMessages::LineBusy::Bang), MsgStyle::Critical, DialTitle);
        return;
    }
    PauseSeconds(2);
    m_exchange.SendModemCommand(QStringLiteral("ATH"));
    if (m_exchange.AwaitModemReply(9) && !m_exchange.deviceLost())
        MsgBox(ModemMessages::lineBusy(ModemMessages::LineBusy::DotThenBang), MsgStyle::Critical, DialTitle);
}
