#include "VbTimer.h"

#include "Clock.h"

#include <algorithm>

VbTimer::VbTimer(QObject *parent) : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // The real timer may run at another pace than a test clock; re-sync after each tick.
        sync();
        emit Timer();
    });
}

void VbTimer::setInterval(int ms)
{
    m_interval = std::max(ms, 0);
    sync();
}

void VbTimer::setEnabled(bool on)
{
    m_enabled = on;
    sync();
}

void VbTimer::restart(int ms)
{
    m_enabled = false;
    m_interval = std::max(ms, 0);
    m_enabled = true;
    m_timer.stop();
    sync();
}

void VbTimer::off()
{
    m_enabled = false;
    m_interval = 0;
    sync();
}

void VbTimer::fire()
{
    if (m_enabled && m_interval > 0)
        emit Timer();
}

void VbTimer::sync()
{
    if (m_enabled && m_interval > 0) {
        m_timer.start(int(Clock::current().realMs(m_interval)));
    } else {
        m_timer.stop();
    }
}
