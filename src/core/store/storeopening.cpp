#include "core/store/storeopening.h"

#include "core/platform/fileattributes.h"

#include <QDir>
#include <QFileInfo>

QString workingStorePath(const QString &dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("VXBANK.mdb"));
}

QString referenceStorePath(const QString &dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("BRANCH.mdb"));
}

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

int GetAtt_file(const QString &path)
{
    int a = FileAttributes::of(path);
    if (a >= FileAttributes::Archive)
        a -= FileAttributes::Archive;
    if (a >= FileAttributes::Directory)
        a -= FileAttributes::Directory;
    if (a >= FileAttributes::System)
        a -= FileAttributes::System;
    if (a >= FileAttributes::Hidden)
        a -= FileAttributes::Hidden;
    if (a >= FileAttributes::ReadOnly) {
        a -= FileAttributes::ReadOnly;
        if (!FileAttributes::setArchiveOnly(path))
            return FileAttributes::ReadOnly;
    }
    return a;
}

WorkingStoreOpening openWorkingStore(const QString &dataDir)
{
    WorkingStoreOpening out;
    const QString path = workingStorePath(dataDir);
    // A folder of that name is no data file: the store is missing.
    if (!QFileInfo::exists(path) || QFileInfo(path).isDir()) {
        out.failure = WorkingStoreOpening::Failure::Missing;
        return out;
    }
    const int remaining = GetAtt_file(path);
    if (remaining == FileAttributes::ReadOnly) {
        // The write permission could not be given back: the store cannot take changes.
        out.failure = WorkingStoreOpening::Failure::ReadOnly;
        out.result = StoreResult::readOnly(QStringLiteral("無法取消唯讀屬性"));
        return out;
    }
    if (remaining != 0) {
        out.failure = WorkingStoreOpening::Failure::Attributes;
        return out;
    }
    Store::Opened opened = Store::open(path, Schema::working());
    // A store we could read but not write would lose the user's next change: refuse it now,
    // whatever its permission bits say.
    if (opened.store)
        opened.failure = opened.store->checkWritable();
    // Nor is a damaged store used: what it gives may not be what was stored.
    if (opened.store && opened.failure.ok())
        opened.failure = opened.store->checkIntegrity();
    if (!opened.failure.ok()) {
        out.result = opened.failure;
        out.failure = opened.failure.error == StoreResult::Error::ReadOnly ? WorkingStoreOpening::Failure::ReadOnly
                                                                           : WorkingStoreOpening::Failure::Other;
        return out;
    }
    out.store = std::move(opened.store);
    return out;
}
