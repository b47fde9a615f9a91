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

// How rows join a table: payees and lines are added; the institution list replaces the
// table or is merged into it (a known code takes the file's names).
enum class ImportMode { Add, Merge, Replace };

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

// What an import would do: the rows to write and how the table changes, or why it cannot.
struct ImportPlan {
    ImportKind kind = ImportKind::Payees;
    ImportMode mode = ImportMode::Add;
    QList<QStringList> records; // the table's columns, in file order
    QList<bool> known;          // institutions: whether each record's code is stored already
    QList<RowError> errors;
    int added = 0, changed = 0, unchanged = 0, removed = 0;
    bool ok() const { return errors.isEmpty(); }
    // "新增 3 筆，修改 1 筆，未變 10 筆，刪除 2 筆", as far as the mode changes anything.
    QString summary() const;
};

// Checks every row as its window checks a keyed one:
// - payees: widths, blanks, Big5 text, a code taken by a stored payee or an earlier row,
//   the Korvana account, the institution code's length; account and institution digits;
// - lines: a registered code brings its account, institution and name (another value in
//   the file is an error), an empty code gets the lowest free temporary code in file
//   order; then the line checks, digits in account, institution and amount, and at most
//   998 lines in the batch with the stored ones;
// - institutions: the code's length and digits, widths, blanks, Big5 text, a code twice.
// The store is the working store, or the reference store for institutions.
ImportPlan planImport(Store &store, ImportKind kind, const ImportFile &file, const QList<int> &mapping,
                      ImportMode mode = ImportMode::Add);

// Writes a plan without errors in one transaction: all or none.
StoreResult applyImport(Store &store, const ImportPlan &plan);

// The table as a spreadsheet file: a header of the field names, then every row in the
// order added, UTF-8 with its mark. Institutions come from the reference store.
QByteArray exportTable(Store &store, ImportKind kind, StoreResult *result);
