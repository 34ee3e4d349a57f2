#pragma once

#include <QDateTime>
#include <QEventLoop>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <functional>

// Lets pending window events run once, without waiting for new ones.
void pumpOnce();

// Gives the processor to a process our last write woke (a client reading the line we sent, a
// program watching a file we wrote) before the work that follows, which it does not wait for.
void yieldToReaders();

// The program is ending (the user confirmed Exit, or the session is closing). From then on every
// wait ends at once, and nothing may open a box or take the port again: a modem dialogue that
// was running when Exit came unwinds without effect.
namespace ProgramEnd {
void begin();
bool underway();
// A new run in the same process (tests).
void reset();
} // namespace ProgramEnd

// A wait that sleeps in a nested event loop. It wakes when one of the signals given to wakeOn
// is emitted, and at the deadline; after each wake it asks `done`. No busy loop: between wakes
// the thread sleeps in the event dispatcher.
class EventWait {
public:
    EventWait() = default;
    ~EventWait();
    EventWait(const EventWait &) = delete;
    EventWait &operator=(const EventWait &) = delete;

    template <typename Sender, typename Signal> void wakeOn(const Sender *sender, Signal signal)
    {
        m_connections << QObject::connect(sender, signal, &m_loop, [this] { check(); });
    }

    // True when `done` held before the clock passed `deadline`.
    bool until(const QDateTime &deadline, std::function<bool()> done);

private:
    void check();

    QEventLoop m_loop;
    QList<QMetaObject::Connection> m_connections;
    std::function<bool()> m_done;
    QDateTime m_deadline;
    bool m_result = false;
    bool m_running = false;
};

// Returns after more than `seconds` have passed on the clock, letting other events run meanwhile.
void PauseSeconds(double seconds);
