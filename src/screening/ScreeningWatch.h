#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <functional>

class Screening;

// Reads the rules again soon after another process (the command line) changed them, so that the
// next call does not read a long list when it rings. Woken by the database's files changing, never
// by a clock: an idle program stays asleep. `quiet` says whether the line is free for it; while a
// call rings the change waits for the next call's first ring.
class ScreeningWatch : public QObject {
    Q_OBJECT
public:
    ScreeningWatch(Screening &screening, std::function<bool()> quiet, QObject *parent = nullptr);

private:
    void watch();
    void changed();

    Screening &m_screening;
    std::function<bool()> m_quiet;
    QFileSystemWatcher m_files;
};
