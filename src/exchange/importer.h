#pragma once

#include "platform/csvtext.h"
#include "store/storeresult.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Store;

// Rows of a customer's spreadsheet file taken into a table: read, mapped to the table's
// fields, checked row by row as if keyed, and written all together or not at all. No
// widgets: the preview dialog and the store tool both use it.

enum class ImportKind { Payees };

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

// Reads the bytes in the given encoding, or the one detected; nothing and `problem` when
// they cannot be read as text or a quoted field is left open.
std::optional<ImportFile> readImportFile(const QByteArray &bytes, ImportKind kind,
                                         std::optional<CsvText::Encoding> encoding, QString *problem);

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

// What an import would do: the rows to add, or why it cannot.
struct ImportPlan {
    QList<QStringList> records; // the table's columns, in file order
    QList<RowError> errors;
    bool ok() const { return errors.isEmpty(); }
};

// Checks every row as the payee window checks a keyed payee (widths, blanks, Big5 text,
// a code taken by a stored payee or by an earlier row, the Korvana account, the
// institution code's length), and that account and institution code are digits.
ImportPlan planImport(Store &store, ImportKind kind, const ImportFile &file, const QList<int> &mapping);

// Adds every record of a plan without errors in one transaction: all or none.
StoreResult applyImport(Store &store, ImportKind kind, const ImportPlan &plan);

// The table as a spreadsheet file: a header of the field names, then every row in the
// order added, UTF-8 with its mark.
QByteArray exportTable(Store &store, ImportKind kind, StoreResult *result);
