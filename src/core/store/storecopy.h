#pragma once

// Whether a file is the store by another name, or a database at all.
#include "core/platform/filechecks.h"

#include <QString>

class Store;
struct sqlite3;

// Copies the working store to `target` as one consistent snapshot. The copy is made
// beside the target under another name, checked (integrity and the working store's
// tables), pushed to the disk and only then renamed to the target. On failure the target
// is as it was (absent, or the old file) and `reason` says why. Never writes to the
// working store.
bool backupStoreFile(const QString &workingPath, const QString &target, QString *reason);

// Another store file whose batch and master tables may replace the working store's.
// The file is opened read-only: nothing is written to it or beside it. It is checked as
// it opens, and a read transaction keeps what was checked unchanged until the copy.
class RestoreSource {
public:
    enum class Problem {
        None,
        Unusable, // cannot be read, is damaged, locked, or is not a database
        Layout,   // a database without the tables and columns the copy needs
    };

    explicit RestoreSource(const QString &path);
    ~RestoreSource();
    RestoreSource(const RestoreSource &) = delete;
    RestoreSource &operator=(const RestoreSource &) = delete;

    Problem problem() const { return m_problem; }
    // What is wrong, in words for the user; empty when nothing is.
    const QString &reason() const { return m_reason; }

    // Replaces every row of R_BASE, R_CUST, R_DETL and R_DAY of the working store
    // (through its open connection) with the source's rows, in the source's order and
    // with values as stored, in one transaction: all of it, or nothing and `reason`.
    bool copyInto(Store &working, QString *reason);

private:
    bool fail(Problem problem, const QString &reason);
    bool inspect(const QString &path);

    sqlite3 *m_db = nullptr;
    Problem m_problem = Problem::None;
    QString m_reason;
};
