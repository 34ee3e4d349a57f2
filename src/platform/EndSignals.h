#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (logout, kill, Ctrl+C, the terminal closed) as a Qt signal on
// the event loop. The handler only writes a byte into a pipe; the loop reads it, so the program
// ends through its own shutdown (port and lock files released, writes finished), never from
// inside the signal handler.
class EndSignals : public QObject {
    Q_OBJECT
public:
    // What SIGHUP means: the end (a terminal's program), or "read the settings again" (a service).
    enum class HangUp { Ends, Reloads };
    explicit EndSignals(HangUp hangUp = HangUp::Ends, QObject *parent = nullptr);
    ~EndSignals() override;
    bool installed() const { return m_notifier != nullptr; }

signals:
    void endRequested();
    void reloadRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
