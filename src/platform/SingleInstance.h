#pragma once

#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

// One running copy per program folder: two copies working on the same data files would
// corrupt the call log. The lock is a file in the program folder; a lock left behind by a
// copy that crashed is taken over. The running copy listens on a local socket named after the
// folder, so that a second start (from the menu, while the first sits in the tray) can ask it
// to show its window before it ends.
class SingleInstance {
public:
    explicit SingleInstance(const QString &programFolder);
    ~SingleInstance();
    // False when another live copy holds the folder.
    bool acquire();
    // Once acquired: `show` runs whenever a later start asks for the window.
    void listen(std::function<void()> show);
    // From a start that found the folder taken: asks the running copy to show its window.
    // False when no copy answered.
    bool askRunningToShow() const;

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
