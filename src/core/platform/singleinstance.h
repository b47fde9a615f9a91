#pragma once

#include <QLockFile>
#include <QString>

// One running copy per program directory: a lock file in that directory, released
// when the copy ends or found stale when it crashed.
class SingleInstance {
public:
    enum class Outcome { Acquired, HeldByAnother, Unavailable };

    explicit SingleInstance(const QString &programDir);
    Outcome acquire();

private:
    QLockFile m_lock;
};
