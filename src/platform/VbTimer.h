#pragma once

#include <QObject>
#include <QTimer>

// A timer whose Interval is part of the program's state: other code reads it to know whether a
// call is ringing (Timer1) or a user command is running (Timer3). Interval 0 means off.
// It counts on the program's clock, so a faster test clock makes it fall due sooner.
class VbTimer : public QObject {
    Q_OBJECT
public:
    explicit VbTimer(QObject *parent = nullptr);

    int Interval() const { return m_interval; }
    void setInterval(int ms);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    void start() { setEnabled(true); }
    void stop() { setEnabled(false); }
    // Stop, set the interval and start again: how the program (re)arms its timers.
    void restart(int ms);
    // Stopped with interval 0: "no call in progress" for Timer1, "no command running" for Timer3.
    void off();
    bool isRunning() const { return m_timer.isActive(); }

    // Lets the timer fall due now, as if its interval had passed (tests).
    void fire();

signals:
    void Timer();

private:
    void sync();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
};
