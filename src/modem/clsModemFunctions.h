#pragma once

#include "ModemExchange.h"

#include <QString>

class AppState;
class IPortConnection;

// The telephone services that act on the line itself: drop a ringing call (answer and hang
// up), the same with a pause, and dial the displayed number back for the user's handset.
class clsModemFunctions {
public:
    clsModemFunctions(AppState &state, IPortConnection &port);

    // Answers the ringing call and hangs up at once; hands the port back to caller ID.
    // False when there was no call to drop, the port could not be had, or the modem refused
    // to answer.
    bool ZapIncomingCall();
    // The same with two seconds off-hook in between.
    void BlockCall();
    // Dials DisplayedNumber; the user picks up the handset when told.
    void DialTheNumber();

    // The caller's number as the main window showed it, set just before dialling.
    QString DisplayedNumber;
    // The dial string for a displayed number: brackets and hyphens removed, and the user's
    // own area code removed from the front of a ten-digit number.
    static QString dialString(const QString &displayedNumber, const QString &areaCode);

    ModemExchange &exchange() { return m_exchange; }

private:
    AppState &m_state;
    IPortConnection &m_port;
    ModemExchange m_exchange;
};
