#pragma once

#include <QDate>
#include <QObject>
#include <QString>

// A caller as the line reported it, before the program's own forms: the fields as received,
// for whoever passes calls on (the NCID server).
struct ReportedCall {
    QDate date;     // the report's month and day in the clock's year (the clock's date if none)
    QString time;   // hhmm, 24-hour
    QString number; // as received, empty when none
    QString name;   // as received, empty when none
};

// Why the program refuses a call. Decided once, when the caller is known, and kept on the call:
// the end of the call, the notice, the log and the network read this one decision.
enum class Refusal {
    None,
    BlockedNumber,   // the number is on the blocked list
    Telemarketer,    // no name given while telemarketers are blocked
    RefusedByServer, // the NCID server the calls come from refused it
    Pattern,         // one of the user's block patterns matched (the pattern is kept with it)
    NotOnAllowList,  // only the allow list is let through, and the caller is not on it
};

// The caller as the program shows it, or refused it: `number` in the display pattern, `when` the
// date and time as the caller display shows them (two lines).
struct CallNotice {
    QString name, number, when;
    Refusal refusal = Refusal::None;
    QString line; // the line it rang on, where there is more than one
    QString rule; // the pattern that refused it, where one did
    bool refused() const { return refusal != Refusal::None; }
};

// What happens on the line, told as it happens: by the reception (rings, the caller) and by the
// end of a call. Listeners only listen: nothing of a call waits for them or depends on them.
class CallEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // The line rang; `count` rings so far in this call.
    void ring(int count);
    // The caller is known; `refused` when the program refuses the call (blocked, telemarketer,
    // or refused by the server it takes its calls from).
    void caller(const ReportedCall &call, bool refused);
    // The caller has been shown, or refused: told as soon as that is done, before the call is
    // spoken.
    void announced(const CallNotice &notice);
    // The call is over (the ringing has stopped).
    void ended();
};
