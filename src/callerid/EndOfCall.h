#pragma once

#include "CallEvents.h"

#include <QObject>
#include <QString>
#include <functional>

struct ModemLine;
class DataFiles;
struct CallView;
class CallEvents;
class CallLog;
class LogBrowser;
struct CallState;

// The end of a call: ten seconds after the last characters of a ringing call (Timer1), or at
// once after a refused call has been dropped. Resets the reception for the next call, then
// counts the rings, stores the call, shows it as the newest call and re-arms the minimise timer.
class EndOfCall : public QObject {
    Q_OBJECT
public:
    static inline const QString NoCallerIdName = QStringLiteral("NO CALLER ID");
    // After this many calls in a row without caller-ID data the display says so.
    static constexpr int NoCallerIdNotice = 3;

    EndOfCall(ModemLine &line, DataFiles &files, CallView &view, CallEvents &events, CallState &call, CallLog &log,
              LogBrowser &browser, QObject *parent = nullptr);

    // The call is over: the reception is made ready for the next one, the call stored and shown.
    void finishCall();

    // Pages the user with the caller's number (pager notification on); set by the program.
    std::function<void(const QString &callerNumber)> notifyPager;
    // Compacts and reloads the call log (start-up, and when no call is in progress).
    void DisplayFinalList();

    // The rings of a call: with a report handled (`reportAt`, where its DATE line begins), 1 + the
    // rings after it; for a call without a report, every ring heard.
    static int ringCount(const QString &buffer, qsizetype reportAt = -1);

private:
    // What the end of a call needs of it once the reception has been made ready for the next.
    struct EndedCall {
        QString recordLine;
        int rings = 0;
        Refusal refusal = Refusal::None; // as decided when the caller was known
        bool refused() const { return refusal != Refusal::None; }
        bool numberReceived = false; // a caller-ID number was handled
        bool ringSeen = false;
        QString callerNumber;      // as the pager gets it: digits, or the withheld-number words
        QString rule, alias, line; // the screening's pattern and alias, and the line it rang on
        qint64 ruleId = 0;
    };
    EndedCall takeCall();
    void recordScreening(const EndedCall &ended, const QString &callKey);
    void Display_List(const EndedCall &ended);

    ModemLine &m_line;
    DataFiles &m_files;
    CallView &m_view;
    CallEvents &m_events;
    CallState &m_call;
    CallLog &m_log;
    LogBrowser &m_browser;
};
