#pragma once

#include "core/platform/notice.h"

#include <QDate>
#include <QString>

#include <memory>
#include <optional>

class RestoreSource;
class Store;

// What a backup or a restore came to: for the window its message, for the store tool
// the kind and the reason in words.
struct StoreCopyOutcome {
    enum class Result {
        Done,
        SameAsStore,     // the other file is the working store itself, by any name
        SameAsReference, // a backup onto the institution codes kept beside the store
        Layout,          // a restore source without the tables and columns the copy needs
        Failed,          // the copy could not be made; the files are as they were
    };
    Result result = Result::Done;
    QString reason; // why, for Layout and Failed
    Notice notice;  // what the window tells, with its title; no text for nothing
    QByteArray lines; // a backup: the fingerprint of the lines the copy holds (empty: unread)
    bool ok() const { return result == Result::Done; }
};

// Whether `target` may take a backup of the working store at `workingPath`: neither the
// store itself nor the institution codes beside it.
StoreCopyOutcome checkBackupTarget(const QString &workingPath, const QString &target);

// Copies the working store, which nothing holds open, to a target that passes that check;
// the target is a whole checked copy, or as it was. Done says "備份完成" and where the copy is.
StoreCopyOutcome backupStore(const QString &workingPath, const QString &target);

// The name a backup of the store is offered under: the store's own name and the ROC date of
// `day`, e.g. VXBANK-1151206.mdb (a year below 100 has two digits).
QString datedBackupName(const QString &workingPath, const QDate &day);

// A fingerprint of the batch lines, every value in stored order: equal fingerprints, equal
// lines. Nothing when the lines cannot be read.
std::optional<QByteArray> linesFingerprint(Store &store);

// A restore, in the two steps between which the user is asked.
class StoreRestore {
public:
    // Refuses the working store itself; otherwise opens the source read-only and checks it.
    StoreRestore(const QString &workingPath, const QString &sourcePath);
    ~StoreRestore();
    StoreRestore(const StoreRestore &) = delete;
    StoreRestore &operator=(const StoreRestore &) = delete;

    // Done when the source may be copied.
    const StoreCopyOutcome &checked() const { return m_checked; }

    // Replaces the remitter, the payees, the lines and the batch header of the open working
    // store (null: not open) with the source's, all or nothing.
    StoreCopyOutcome copyInto(Store *working);

private:
    std::unique_ptr<RestoreSource> m_source;
    StoreCopyOutcome m_checked;
};
