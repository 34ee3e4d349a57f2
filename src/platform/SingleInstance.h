#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// One running copy per program folder: two copies working on the same data files would
// corrupt the call log. The lock is a file in the program folder; a lock left behind by a
// copy that crashed is taken over.
class SingleInstance {
public:
    explicit SingleInstance(const QString &programFolder);
    // False when another live copy holds the folder.
    bool acquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};
