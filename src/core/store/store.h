#pragma once

#include "core/store/query.h"
#include "core/store/schema.h"
#include "core/store/storeresult.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>
#include <memory>
#include <optional>

class RecordSet;
class QSqlError;
struct sqlite3;

// One open data file. It opens only an existing SQLite file whose tables have the
// expected columns in their order; it never creates a file, table or column.
class Store {
public:
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    struct Opened {
        std::unique_ptr<Store> store; // null on failure
        StoreResult failure;
    };
    // Opens the file (for writing too where the file allows it) and checks the tables
    // of the schema.
    static Opened open(const QString &path, const QList<TableDef> &schema);

    // Whether changes can be stored now; ReadOnly when the file or its folder refuses them.
    StoreResult checkWritable();

    // Sees that the code of every table without a limit of rows, by which windows browse
    // and find, has an index, making it where the file may be changed; a file that may not
    // is left as it is and read without one. No table or column is ever made. The first
    // browse does it.
    void keepIndexes();

    // Whether the engine finds the file whole: the quick check of every page and record,
    // or with `thorough` the full one that also matches every index with its table.
    StoreResult checkIntegrity(bool thorough = false);

    const QString &path() const { return m_path; }
    const TableDef &table(const QString &name) const;

    // A snapshot of the query with its first row current; on failure an empty one.
    std::unique_ptr<RecordSet> select(const Query &query, StoreResult *result = nullptr);
    // The same for a window to browse: its rows are taken as they are needed, `window` at a
    // time (BrowsingWindow when not given).
    std::unique_ptr<RecordSet> browse(const Query &query, StoreResult *result = nullptr, int window = 0);

    // Column `resultColumn` of the first row (in the order added) whose `keyColumn` equals
    // key; nothing when no row does. Reads only that row, not the table.
    std::optional<QString> firstMatch(const QString &table, const QString &keyColumn, const QString &key,
                       const QString &resultColumn, StoreResult *result = nullptr);

    // The only row of a one-row table (the remitter, the batch header, the remark presets):
    // its values (null columns as null texts), or an empty list when there is none yet.
    StoreResult readOnlyRow(const QString &table, QStringList &values);
    // Stores the values as that row: adds it when the table is empty, otherwise rewrites
    // the first row. A TooLong result names the column in its ordinal.
    StoreResult writeOnlyRow(const QString &table, const QStringList &values);

    // Whether the table has any row; false too when it cannot be read, and `result` says so.
    bool hasRows(const QString &table, StoreResult *result = nullptr);

    // Runs work inside one transaction: all of it is stored, or none. A record set changed
    // inside keeps its new values when the work fails: refresh it.
    StoreResult transaction(const std::function<StoreResult()> &work);

    // Deletes every row of the tables, all in one transaction.
    StoreResult clearTables(const QStringList &tables);

    // Adds a row at the end of the table, every column given; a value wider than its
    // column is refused (TooLong, naming the column) and nothing is added.
    StoreResult appendRow(const QString &table, const QStringList &values);
    // Gives every row whose `keyColumn` equals key (in any letter case) the other columns of
    // values, each row keeping its place; the same width rule as appendRow.
    StoreResult rewriteRows(const QString &table, const QString &keyColumn, const QStringList &values);
    // Deletes every row of the table, inside the caller's transaction.
    StoreResult removeRows(const QString &table);
    // Every row of the table in stored order, read from the table itself past every index,
    // so that a damaged index can neither repeat a row nor lose one unnoticed.
    StoreResult readPastIndexes(const QString &table, const std::function<void(qint64 rowid, const QStringList &values)> &row);

    QSqlDatabase database() const { return QSqlDatabase::database(m_connection, false); }

    // The failure a Qt Sql error, or the engine's last error, stands for.
    static StoreResult resultOf(const QSqlError &error);
    static StoreResult resultOf(sqlite3 *db);

    // The engine's own connection behind a Qt Sql connection, for reading in bulk.
    static sqlite3 *engineHandle(const QSqlDatabase &db);

    // Bulk writes of an import, inside the caller's transaction, each through one prepared
    // statement. Every column is given; a value wider than its column is refused (TooLong,
    // naming the column) and the rows after it are not written.
    // Adds the rows at the end of the table, in their order.
    StoreResult appendRows(const QString &table, const QList<QStringList> &rows);
    // Rewrites the rows with those rowids in their places; a rowid no longer stored fails.
    StoreResult rewriteRowsAt(const QString &table, const QList<qint64> &rowids, const QList<QStringList> &rows);

private:
    Store(QString path, QString connection, QList<TableDef> schema);
    std::unique_ptr<RecordSet> openSet(const Query &query, int window, StoreResult *result);
    // Runs a statement that changes rows; checks nothing about widths, so only the store's
    // own operations, which know their values, use it.
    StoreResult exec(const QString &sql, const QVariantList &bindings = {});
    friend StoreResult fillEmptyLineValues(Store &store);

    QString m_path;
    QString m_connection;
    QList<TableDef> m_schema;
    QHash<QString, QSqlQuery> m_prepared;
    bool m_indexesKept = false;
};
