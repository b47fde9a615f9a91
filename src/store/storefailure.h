#pragma once

#include "storeresult.h"

#include "platform/dialogs.h"

#include <QString>

class QWidget;

// What the user is told when a data file refuses a change or a read. One wording for
// the whole program: too long, cannot be written (with the file), anything else (with
// the engine's reason and code, which the bank's support staff ask for).
struct StoreFailureNotice {
    QString text;
    MsgIcon icon = MsgIcon::None;
};
StoreFailureNotice storeFailureNotice(const StoreResult &result, const QString &storePath);

// Shows the notice (application title, OK only).
void tellStoreFailure(Dialogs &dialogs, QWidget *parent, const StoreResult &result, const QString &storePath);
