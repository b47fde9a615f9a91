#include "core/platform/singleinstance.h"

#include <QDir>

SingleInstance::SingleInstance(const QString &dataDir)
    : m_lock(QDir(dataDir).filePath(QStringLiteral(".talvek.lock")))
{
    // Only a live holder counts: a lock left by a crashed copy is taken over at once.
    m_lock.setStaleLockTime(0);
}

SingleInstance::Outcome SingleInstance::acquire()
{
    if (m_lock.tryLock(0))
        return Outcome::Acquired;
    if (m_lock.error() == QLockFile::LockFailedError)
        return Outcome::HeldByAnother;
    // A directory we cannot write: let the program go on and report the store itself.
    return Outcome::Unavailable;
}
