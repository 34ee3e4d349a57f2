#include "Clock.h"

#include <QElapsedTimer>
#include <cmath>

namespace {
Clock g_system;
Clock *g_clock = &g_system;

qint64 monotonicMs()
{
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return t.elapsed();
}
} // namespace

Clock &Clock::current()
{
    return *g_clock;
}

void Clock::install(Clock *clock)
{
    g_clock = clock ? clock : &g_system;
}

FastClock::FastClock(double factor, QDateTime start)
    : m_factor(factor > 0 ? factor : 1.0), m_base(std::move(start)), m_realBaseMs(monotonicMs())
{
}

QDateTime FastClock::now() const
{
    const qint64 real = monotonicMs() - m_realBaseMs;
    return m_base.addMSecs(qint64(std::llround(double(real) * m_factor)));
}

qint64 FastClock::realMs(qint64 clockMs) const
{
    if (clockMs <= 0)
        return 0;
    return std::max<qint64>(1, qint64(std::ceil(double(clockMs) / m_factor)));
}

void FastClock::set(const QDateTime &t)
{
    m_base = t;
    m_realBaseMs = monotonicMs();
}

void FastClock::advance(qint64 ms)
{
    set(now().addMSecs(ms));
}

void FastClock::setFactor(double factor)
{
    const QDateTime n = now();
    m_factor = factor > 0 ? factor : 1.0;
    set(n);
}
