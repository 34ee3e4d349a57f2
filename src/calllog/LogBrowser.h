#pragma once

struct CallView;
class Settings;

#include <QString>

// Steps through the call log in the main window's caller display: one call older, one call
// newer, with "Bottom of the List" and "Top of the List" past either end. The position is
// the number of the record shown: 0 below the oldest, N + 1 above the newest.
class LogBrowser {
public:
    LogBrowser(CallView &view, const Settings &settings) : m_view(view), m_settings(settings) {}

    void GetFromLogTopToBottom(); // towards older calls
    void GetFromLogBottomToTop(); // towards newer calls
    // Shows the call at the log position again (the window comes back from the tray).
    void showAgain();

private:
    void showRecord(int position);

    CallView &m_view;
    const Settings &m_settings;
    // The fields of the record last shown: a field that a record lacks keeps its value.
    QString m_name, m_number, m_date, m_time;
};
