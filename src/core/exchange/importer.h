#pragma once

#include "core/platform/csvtext.h"
#include "core/store/storeresult.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Store;

// Rows of a customer's spreadsheet file taken into a table: read, mapped to the table's
// fields, checked row by row as if keyed, and written all together or not at all. No
// widgets: the preview dialog and the store tool both use it.

enum class ImportKind { Payees, Lines, Institutions };

// How rows join a table: lines are added; payees are added, or with Update a stored code
// takes the file's other fields as a modify in the payee window gives them; the institution
// list replaces the table or is merged into it (a known code takes the file's names).
enum class ImportMode { Add, Merge, Replace, Update };

// The fields a kind of row fills, in the table's order, as the user knows them.
QStringList importFieldNames(ImportKind kind);

// A file read and split, with what was found out about it.
struct ImportFile {
    CsvText::Encoding encoding = CsvText::Encoding::Utf8;
    QChar delimiter = QLatin1Char(',');
    bool hasHeader = false;       // the first row names the columns
    QStringList header;           // that row, when there is one
    QList<QStringList> rows;      // the data rows
    QList<int> lines;             // the file line each data row starts on
    int columnCount = 0;          // the most fields in any row
};

// Reads the bytes in the given encoding, or the one detected; the first row is a header
// as told, or when most of its cells name fields and none holds a number. Nothing and
// `problem` when the bytes cannot be read as text or a quoted field is left open.
std::optional<ImportFile> readImportFile(const QByteArray &bytes, ImportKind kind,
                                         std::optional<CsvText::Encoding> encoding, QString *problem,
                                         std::optional<bool> header = std::nullopt);

// For each field of the kind, the file column it comes from (-1 for none): by the
// header's names in Chinese or English, else in the table's order.
QList<int> guessMapping(ImportKind kind, const ImportFile &file);

// One thing wrong with one row.
struct RowError {
    int row = 0;    // data row, from 1
    int line = 0;   // line of the file
    QString field;  // the field's name; empty for the row as a whole
    QString message;
    // "第 3 行（資料第 2 筆）收款人帳號：…"
    QString text() const;
};

// A stored payee that an update rewrites: which record of the plan, the stored row it
// rewrites and what that row held when planned.
struct PlannedChange {
    int record = 0;
    qint64 rowid = 0;
    QStringList before;
};

// One field of an updated payee, for the preview: "A01", "收款人姓名", old and new value.
struct FieldChange {
    QString code, field, before, after;
};

// What an import would do: the rows to write and how the table changes, or why it cannot.
struct ImportPlan {
    ImportKind kind = ImportKind::Payees;
    ImportMode mode = ImportMode::Add;
    QList<QStringList> records; // the table's columns, in file order
    QList<bool> known;          // merged or updated: whether each record's code is stored already
    QList<PlannedChange> changes; // payees updated: the stored rows rewritten
    QList<RowError> errors;
    QList<RowError> warnings;   // values that look damaged; they do not stop the import
    int added = 0, changed = 0, unchanged = 0, removed = 0;
    bool ok() const { return errors.isEmpty(); }
    // "新增 3 筆，修改 1 筆，未變 10 筆，刪除 2 筆" (an update of payees: "新增 3 筆，更新 1 筆，
    // 不變 10 筆"), as far as the mode changes anything.
    QString summary() const;
    // Every field an update changes, payee by payee in file order; the account and names
    // shown without their filling blanks.
    QList<FieldChange> fieldChanges() const;
};

// Checks every row as its window checks a keyed one:
// - payees: widths, blanks, Big5 text, a code taken by a stored payee or an earlier row,
//   the Korvana account, the institution code's length; account and institution digits;
// - lines: a registered code brings its account, institution and name (another value in
//   the file is an error), an empty code gets the lowest free temporary code in file
//   order; then the line checks, digits in account, institution and amount, and at most
//   998 lines in the batch with the stored ones;
// - institutions: the code's length and digits, widths, blanks, Big5 text, a code twice.
// With Update a payee's own stored code is not taken; an earlier row's still is.
// A row that passes may still be warned about: an institution code of six digits that is
// a known code once a "0" is put before it, or an account that is a stored payee's account
// with its leading zeros gone; a spreadsheet drops them from a number.
// The store is the working store, or the reference store for institutions; `reference`
// gives the known institution codes for payees and lines (none: not compared, and said so).
// Each table is read once, whatever the number of rows.
ImportPlan planImport(Store &store, ImportKind kind, const ImportFile &file, const QList<int> &mapping,
                      ImportMode mode = ImportMode::Add, Store *reference = nullptr);
// The same for a file read only to be imported: the plan takes the file's rows for its
// records rather than copying them, and the file's rows are left empty.
ImportPlan planImport(Store &store, ImportKind kind, ImportFile &&file, const QList<int> &mapping,
                      ImportMode mode = ImportMode::Add, Store *reference = nullptr);

// Writes a plan without errors in one transaction: all or none. An updated payee's row is
// rewritten as the payee window's modify rewrites it, in its place; when it is no longer
// as planned, nothing is written.
StoreResult applyImport(Store &store, const ImportPlan &plan);

// The table as a spreadsheet file: a header of the field names, then every row in the
// order added, UTF-8 with its mark. Institutions come from the reference store.
QByteArray exportTable(Store &store, ImportKind kind, StoreResult *result);
