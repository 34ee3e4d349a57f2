#pragma once

#include "CallEvents.h"
#include "CallerIdParser.h"

#include <QDateTime>
#include <QString>

// The state of the call being received, shared by the receive handler and the end of call.
struct CallState {
    QString buffer;               // everything received since the last end of call
    bool ReportProcessed = false; // the report in the buffer has been handled
    bool NameSeen = false, NumberSeen = false, DateSeen = false, TimeSeen = false;
    bool NumberReceived = false; // a caller-ID number was handled for this call
    bool RingSeen = false;       // the line rang
    bool rulesRead = false;      // the screening rules were brought up to date for this call
    // When the call was first heard (its first ring, or its report where none came before): the
    // date and time the call is given where the report has none.
    QDateTime heardAt;
    // Whether the program refuses this call, and why: decided once, when the report is handled
    // (an NCID server's refusal is known before that).
    Refusal refusal = Refusal::None;
    // What the user's screening rules said of it: the deciding pattern and its rule, and the
    // user's own name for the caller (shown, spoken and stored instead of the line's).
    QString rule;
    qint64 ruleId = 0;
    QString alias;
    CallerIdParser::Report report; // the fields of the report handled last
    QString callClass;             // "Normal", "Local", "Private", "Unknown" or "Barred"
    int callsWithoutCallerId = 0;  // calls in a row that rang without any caller-ID data
    int ringsTold = 0;             // rings of this call told to the listeners of the call events
    QString line;                  // the line it rings on, where the user has more than one
};
