#pragma once

#include "core/platform/notice.h"
#include "core/store/storeresult.h"

// What the user is told when a data file refuses a change or a read. One wording for
// the whole program: too long, cannot be written (with the file), anything else (with
// the engine's reason and code, which the bank's support staff ask for).
Notice storeFailureNotice(const StoreResult &result, const QString &storePath);

