#pragma once

#include <QObject>
#include <QString>

class AppState;
class CallLog;
class LogBrowser;
struct CallState;

// The end of a call: ten seconds after the last characters of a ringing call (Timer1), or at
// once after a refused call has been dropped. Counts the rings, stores the call, shows it as
// the newest call, re-arms the minimise timer, and resets the reception for the next call.
class EndOfCall : public QObject {
    Q_OBJECT
public:
    static inline const QString NoCallerIdName = QStringLiteral("NO CALLER ID");
    // After this many calls in a row without caller-ID data the display says so.
    static constexpr int NoCallerIdNotice = 3;

    EndOfCall(AppState &state, CallState &call, CallLog &log, LogBrowser &browser, QObject *parent = nullptr);

    void Timer1_Timer();
    void Display_List();
    // Compacts and reloads the call log (start-up, and when no call is in progress).
    void DisplayFinalList();

    // The rings of a call: 1 + the rings after the report (counted from its first DATE); for a
    // call without a report, every ring heard.
    static int ringCount(const QString &buffer, bool reportHandled);

private:
    AppState &m_state;
    CallState &m_call;
    CallLog &m_log;
    LogBrowser &m_browser;
    bool m_running = false;
};
