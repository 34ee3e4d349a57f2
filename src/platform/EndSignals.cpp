#include "EndSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int number)
{
    const char byte = char(number);
    const ssize_t ignored = ::write(g_pipe[0], &byte, 1);
    (void)ignored; // a full pipe already holds a request
}

} // namespace

EndSignals::EndSignals(HangUp hangUp, QObject *parent) : QObject(parent)
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this, hangUp] {
        char bytes[16];
        bool end = false, reload = false;
        for (ssize_t n; (n = ::read(g_pipe[1], bytes, sizeof bytes)) > 0;) {
            for (ssize_t i = 0; i < n; ++i)
                (bytes[i] == SIGHUP && hangUp == HangUp::Reloads ? reload : end) = true;
        }
        if (reload)
            emit reloadRequested();
        if (end)
            emit endRequested();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr); // the terminal it was started from has gone
}

EndSignals::~EndSignals()
{
    if (!m_notifier)
        return;
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}
#else
EndSignals::EndSignals(HangUp, QObject *parent) : QObject(parent) {}
EndSignals::~EndSignals() = default;
#endif
