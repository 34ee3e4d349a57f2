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
    explicit EndSignals(QObject *parent = nullptr);
    ~EndSignals() override;
    bool installed() const { return m_notifier != nullptr; }

signals:
    void endRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
