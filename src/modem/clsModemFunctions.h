#pragma once

#include "ModemExchange.h"

#include <QString>
#include <QStringList>
#include <functional>

#include "IMainWindow.h"
#include "IPortConnection.h"
#include "ModemMessages.h"

class DataFiles;
class TrayStatus;
struct ModemLine;
class IPortConnection;

// The telephone services through the modem: drop a ringing call (answer and hang up), the
// same with a pause, dial the displayed number back for the user's handset, switch call
// forwarding and private-call blocking with the telephone company's feature codes, and tell
// the pager who called. `window` shows which services are on (buttons, tray icon).
class clsModemFunctions {
public:
    clsModemFunctions(ModemLine &line, DataFiles &files, TrayStatus &tray, IPortConnection &port,
                      IMainWindow *window = nullptr);

    // Answers the ringing call and hangs up at once; hands the port back to caller ID. True when
    // the call is over for the program: dropped, or its port lost on the way (the caller then
    // ends the call at once). False when no call was ringing, or the call rings on (the modem
    // refused to answer, the port could not be had but is still open); its timer then runs again.
    bool ZapIncomingCall();
    // The same with two seconds off-hook in between.
    void BlockCall();
    // Dials DisplayedNumber; the user picks up the handset when told.
    void DialTheNumber();

    // Forwards every call to the second phone and lets go of the port (caller ID stops).
    void CallForwardON();
    // Takes the calls at home again: the port is taken back and caller ID re-armed.
    void CallForwardOFF();
    void BlockPrivateCallsOn();
    void ReleasePrivateCallsOn();
    // Dials the pager service and keys in the pager identification and the caller's number.
    // The caller hands the port back to caller ID afterwards.
    void CallerIdSendToPager(const QString &callerNumberText);

    // The caller's number as the main window showed it, set just before dialling.
    QString DisplayedNumber;
    // The dial string for a displayed number: brackets and hyphens removed, and the user's
    // own area code removed from the front of a ten-digit number.
    static QString dialString(const QString &displayedNumber, const QString &areaCode);

    ModemExchange &exchange() { return m_exchange; }

private:
    // A feature code: take the port, dial, and on "OK" run `accepted`, pause, hang up. True
    // when the hang-up was confirmed; every failure has been told to the user.
    struct FeatureCode {
        QString command;
        int timeoutSeconds;
        double pauseSeconds;
        QString title;
        ModemMessages::LineBusy dialFailure;
    };
    bool dialFeatureCode(const FeatureCode &code, const std::function<void()> &accepted);
    bool answerAndHangUp();
    bool hangUp(double pauseSeconds, const QString &title);
    // The refusal of a switch that Setup has not enabled, or that would cut into a ringing call.
    bool refusedUnless(bool enabled, const QStringList &lines, const QString &title);
    void showServiceState(ServicePair pair, bool serviceOn);

    ModemLine &m_line;
    DataFiles &m_files;
    TrayStatus &m_tray;
    IPortConnection &m_port;
    IMainWindow *m_window;
    ModemExchange m_exchange;
};
