#pragma once

#include <QList>
#include <QString>

struct sqlite3;

#include <QStringList>

// One column, known once: the store's name and width, the name the user knows it by,
// what a spreadsheet's header may call it, whether the bank reads digits only, and how a
// keyed value is stored. Windows, grids, checks, the importer and the store's statements
// are all built from it.
struct ColumnDef {
    QString name;
    int width; // in Big5 bytes
    QString label = {};           // "收款人帳號": grid headings, messages, import headers
    QStringList importNames = {}; // further names a header may give it, compared loosely
    bool digitsOnly = false;      // keyed and imported as digits only
    QString (*normalise)(const QString &) = nullptr; // the keyed value as stored
    QString caption = {};         // the window's label when it is not the label and a colon
    QString heading = {};         // the grid's heading when it is not the label
    bool amount = false;          // money: grids show it right-aligned with thousands commas

    QString fieldCaption() const { return caption.isEmpty() ? label + QStringLiteral("：") : caption; }
    QString gridHeading() const { return heading.isEmpty() ? label : heading; }
    QString normalised(const QString &value) const { return normalise ? normalise(value) : value; }
};

struct TableDef {
    QString name;
    QList<ColumnDef> columns;
    // Rows without number (payees, institutions): windows browse them by the first column,
    // which the program indexes in a file it may change.
    bool unbounded = false;

    int ordinalOf(const QString &column) const; // -1 when the table has no such column
    int width(int ordinal) const { return columns[ordinal].width; }
    const QString &label(int ordinal) const { return columns[ordinal].label; }
    // The labels of the columns, in the order given.
    QStringList labels(const QList<int> &ordinals) const;
};

// Table names of the two data files.
namespace Table {
inline const QString R_BASE = QStringLiteral("R_BASE");
inline const QString R_CUST = QStringLiteral("R_CUST");
inline const QString R_DETL = QStringLiteral("R_DETL");
inline const QString R_DAY = QStringLiteral("R_DAY");
inline const QString NNOO = QStringLiteral("NNOO");
inline const QString VXBANK = QStringLiteral("VXBANK");
inline const QString ZQNBRH = QStringLiteral("ZQNBRH");
} // namespace Table

// The bank's own codes, known once.
namespace Bank {
// The home bank: its branches' institution codes begin with it, and its accounts have
// their own check digits.
inline const QString HomeCode = QStringLiteral("952");
// The account that keeps a line in the batch but leaves it out of a file by payee code.
inline const QString LeftOutMarker = QStringLiteral("!000");
} // namespace Bank

// Column ordinals, the way every window addresses a row.
namespace RBase { enum { BRNO, RMTNAME, RMTKIND, NOTE1, NOTE2, NOTE3 }; }
namespace RCust { enum { R_ID, ACTNO, TRFBK, R_NAME }; }
namespace RDetl { enum { R_ID, ACTNO, TRFBK, R_NAME, AMT, MARK, AMT2 }; }
namespace RDay { enum { RMTDATE, BATCHNO, PURPOSE }; }
namespace Vxbank { enum { BKBRNO, BNAME, FNAME }; }

namespace Schema {

// The purpose is printed in the list's heading after 80 bytes of other text; 60 bytes
// (30 Chinese characters) still fit a landscape line.
constexpr int PurposeWidth = 60;
// A preset becomes a line's remark, whose column holds 50 bytes.
constexpr int PresetWidth = 50;

// Tables of the working store VXBANK.mdb, in the order the store tool makes them.
const QList<TableDef> &working();
// Tables of the reference store BRANCH.mdb that the program reads (ZQNBRH is never read).
const QList<TableDef> &reference();

// The index that orders a table's rows by their code (its first column), letter case
// ignored as codes are everywhere: "CREATE INDEX R_CUST_R_ID ON R_CUST (R_ID COLLATE NOCASE)".
QString codeIndexSql(const TableDef &def);

// The definition of a table of either store, or nullptr.
const TableDef *find(const QString &table);
// The definition of a table the program knows (the names of namespace Table).
const TableDef &table(const QString &name);

// How a file's table must match its definition's columns.
enum class Columns {
    Named,   // the same names (any letter case) in the same order, and no others
    Counted, // exactly as many, whatever their names
    Leading, // at least as many; those after them are never read
};

// What a data file holds under a table's name, judged against the table's definition.
struct TableCheck {
    QString fault;      // why it cannot serve, in words for the user; empty when it can
    int engineCode = 0; // the engine's code when it could not read its catalogue (fault holds its words)
    bool ok() const { return fault.isEmpty(); }
};
// The one judgement of every table the program opens, checks or restores from. Only a table
// of the file itself (not a temporary or attached one) serves, and only a plain table that
// keeps the order of entry and stores the text it is given: no view, no virtual table, no
// WITHOUT ROWID table, no computed column, no column type that turns text into numbers.
// A STRICT table serves when its columns are TEXT or ANY. `nameCase`: whether the name must
// be written as in the definition.
TableCheck checkTable(sqlite3 *db, const TableDef &def, Columns columns = Columns::Named,
                      Qt::CaseSensitivity nameCase = Qt::CaseInsensitive);

} // namespace Schema
