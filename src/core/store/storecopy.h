#pragma once

#include <QString>

struct sqlite3;

// Whether two paths name the same file: the same device and inode when both exist, else
// the same canonical path (links and "." / ".." resolved). A file system that ignores
// letter case shows the same inode for both spellings.
bool sameStoreFile(const QString &a, const QString &b);

// Whether the file is a database (its first bytes say so), such as a backup of the store.
bool isDatabaseFile(const QString &path);

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
    bool copyInto(sqlite3 *working, QString *reason);

private:
    bool fail(Problem problem, const QString &reason);
    bool inspect(const QString &path);

    sqlite3 *m_db = nullptr;
    Problem m_problem = Problem::None;
    QString m_reason;
};

// The tables that a restore replaces, in the order it copies them, with the number of
// leading columns it copies of each.
struct RestoredTable {
    const char *name;
    int columns;
};
inline constexpr RestoredTable kRestoredTables[] = {{"R_BASE", 6}, {"R_CUST", 4}, {"R_DETL", 7}, {"R_DAY", 3}};
