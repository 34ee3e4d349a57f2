#include "Waits.h"

#include "Clock.h"

#include <QCoreApplication>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sched.h>
#endif

void pumpOnce()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void yieldToReaders()
{
#ifdef Q_OS_UNIX
    sched_yield();
#endif
}

namespace {

// Wakes the waits that are running when the program begins to end.
class EndNotice : public QObject {
    Q_OBJECT
public:
    bool underway = false;
signals:
    void begun();
};

EndNotice &endNotice()
{
    static EndNotice notice;
    return notice;
}

} // namespace

void ProgramEnd::begin()
{
    if (endNotice().underway)
        return;
    endNotice().underway = true;
    emit endNotice().begun();
}

bool ProgramEnd::underway()
{
    return endNotice().underway;
}

void ProgramEnd::reset()
{
    endNotice().underway = false;
}

EventWait::~EventWait()
{
    for (const auto &c : m_connections)
        QObject::disconnect(c);
}

bool EventWait::until(const QDateTime &deadline, std::function<bool()> done)
{
    m_done = std::move(done);
    m_deadline = deadline;
    if (m_done())
        return true;
    if (ProgramEnd::underway() || Clock::current().now() > m_deadline)
        return false;
    const QMetaObject::Connection ending = QObject::connect(&endNotice(), &EndNotice::begun, &m_loop, [this] {
        m_running = false;
        m_loop.quit();
    });

    QTimer deadlineTimer;
    deadlineTimer.setSingleShot(true);
    deadlineTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadlineTimer, &QTimer::timeout, &m_loop, [this, &deadlineTimer] {
        check();
        if (m_running) {
            // The clock may run at another pace than the timer; sleep again for what is left.
            const qint64 left = Clock::current().now().msecsTo(m_deadline);
            deadlineTimer.start(int(Clock::current().realMs(std::max<qint64>(left, 0) + 1)));
        }
    });
    const qint64 left = Clock::current().now().msecsTo(m_deadline);
    deadlineTimer.start(int(Clock::current().realMs(std::max<qint64>(left, 0) + 1)));

    m_result = false;
    m_running = true;
    m_loop.exec();
    m_running = false;
    QObject::disconnect(ending);
    return m_result;
}

void EventWait::check()
{
    if (!m_running)
        return;
    if (m_done()) {
        m_result = true;
        m_running = false;
        m_loop.quit();
    } else if (Clock::current().now() > m_deadline) {
        m_result = false;
        m_running = false;
        m_loop.quit();
    }
}

void PauseSeconds(double seconds)
{
    const QDateTime end = Clock::current().now().addMSecs(qint64(seconds * 1000.0));
    EventWait wait;
    wait.until(end, [] { return false; });
}

#include "Waits.moc"
