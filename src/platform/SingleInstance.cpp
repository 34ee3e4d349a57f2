#include "SingleInstance.h"

#include <QDir>

SingleInstance::SingleInstance(const QString &programFolder)
    : m_lock(std::make_unique<QLockFile>(QDir(programFolder).filePath(QStringLiteral("ringlark.lock"))))
{
    // Never age-based: a copy that has run for weeks still holds its lock. Staleness is decided
    // by whether the owning process is alive.
    m_lock->setStaleLockTime(0);
}

bool SingleInstance::acquire()
{
    if (m_lock->tryLock(0))
        return true;
    // Only a live owner refuses the start. A folder where no lock can be written at all
    // (read-only, full) must not stop the program: fail safe.
    return m_lock->error() != QLockFile::LockFailedError;
}
