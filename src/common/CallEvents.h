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
    // The call is over (the ringing has stopped).
    void ended();
};
