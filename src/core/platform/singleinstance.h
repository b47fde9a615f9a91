#pragma once

#include <QLockFile>
#include <QString>

// One running copy per data folder: a lock file in that folder, released
// when the copy ends or found stale when it crashed.
class SingleInstance {
public:
    enum class Outcome { Acquired, HeldByAnother, Unavailable };

    explicit SingleInstance(const QString &dataDir);
    Outcome acquire();

private:
    QLockFile m_lock;
};
