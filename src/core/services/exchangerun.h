#pragma once

#include "core/exchange/importer.h"
#include "core/platform/notice.h"

class Store;

// Spreadsheet files in and out of a table, one way for the editing windows and for the
// store tool. The window shows the plan in its preview before writing; the tool writes
// a plan without errors at once.

struct ImportOptions {
    ImportMode mode = ImportMode::Add;
    std::optional<CsvText::Encoding> encoding; // detected when not given
    std::optional<bool> header;                // judged from the first row when not given
    Store *reference = nullptr;                // the institution codes payees and lines are compared with
};

struct ImportOutcome {
    QList<Notice> notices; // why nothing was written, or what was
    ImportPlan plan;
    bool written = false;
};

// Reads the file's bytes, maps its columns by their header names and plans the rows; a
// plan without errors is written. The row errors stand in plan.errors, the warnings (which
// do not stop it) in plan.warnings.
ImportOutcome importFile(Store &store, ImportKind kind, const QByteArray &bytes, const ImportOptions &options);

// Writes a plan already shown: all its rows or none; the notice says which.
ImportOutcome writeImport(Store &store, const ImportPlan &plan);

// The table written to a spreadsheet file whole, or left as it was; the notice tells which.
struct ExportOutcome {
    Notice notice;
    bool written = false;
};
ExportOutcome exportFile(Store &store, ImportKind kind, const QString &path);
