#pragma once

#include <QDateTime>
#include <QtGlobal>

// The one clock of the program. Every wait, pause and timer reads it, so tests can install a
// clock that runs faster than real time instead of sleeping through ten-second timers.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
    // Real milliseconds to sleep so that `clockMs` pass on this clock.
    virtual qint64 realMs(qint64 clockMs) const { return clockMs; }

    static Clock &current();
    static void install(Clock *clock); // nullptr restores the system clock
};

// A clock that runs `factor` times faster than real time from a chosen start. Used by tests
// and benchmarks; the program itself always runs on the system clock.
class FastClock : public Clock {
public:
    explicit FastClock(double factor, QDateTime start = QDateTime::currentDateTime());
    QDateTime now() const override;
    qint64 realMs(qint64 clockMs) const override;
    void set(const QDateTime &t);
    void advance(qint64 ms);
    void setFactor(double factor);

private:
    double m_factor;
    QDateTime m_base;
    qint64 m_realBaseMs;
};

// Installs a clock for the life of a scope.
class ClockScope {
public:
    explicit ClockScope(Clock *c) { Clock::install(c); }
    ~ClockScope() { Clock::install(nullptr); }
    ClockScope(const ClockScope &) = delete;
    ClockScope &operator=(const ClockScope &) = delete;
};
