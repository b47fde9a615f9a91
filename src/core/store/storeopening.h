#pragma once

#include "core/store/store.h"

#include <memory>

// The two data files live in the data folder under their traditional names.
QString workingStorePath(const QString &dataDir);
QString referenceStorePath(const QString &dataDir);
// The path as the user sees it in a message.
QString displayPath(const QString &path);

// Reduces the file's attributes: read-only, hidden and system are cleared (the file gets its write permission back); anything else that
// remains means the path is not a plain data file. Returns what remains, 0 when fine.
int GetAtt_file(const QString &path);

// The working store opened as the program starts: existence, attributes, then the file.
struct WorkingStoreOpening {
    enum class Failure { None, Missing, Attributes, ReadOnly, Other };
    Failure failure = Failure::None;
    StoreResult result;           // the engine's failure for ReadOnly and Other
    std::unique_ptr<Store> store; // set when failure is None
};
WorkingStoreOpening openWorkingStore(const QString &dataDir);
