#pragma once

#include "core/store/query.h"
#include "core/store/schema.h"
#include "core/store/storeresult.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <vector>

// A snapshot of one query over one table with a current row. Moves are announced, so a
// window can show the current row and a grid can follow it; changes go to the store at
// once and into the snapshot only when the store took them.
class RecordSet : public QObject {
    Q_OBJECT
public:
    RecordSet(QString connection, TableDef table, Query query);

    // Re-runs the query; the first row becomes current.
    StoreResult refresh();
    // Changes the query (a lookup's new prefix); takes effect at the next refresh.
    void setQuery(Query query) { m_query = std::move(query); }
    const Query &query() const { return m_query; }

    const TableDef &table() const { return m_table; }
    int rowCount() const { return int(m_rowids.size()); }
    qint64 rowid(int row) const { return m_rowids[size_t(row)]; }
    int fieldCount() const { return int(m_table.columns.size()); }
    int currentRow() const { return m_row; }
    bool atEnd() const { return m_row >= rowCount(); }
    bool atStart() const { return m_row < 0 || isEmpty(); }
    bool isEmpty() const { return m_rowids.empty(); }

    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveTo(int row);

    // Field of the current row; empty text for a null column or when no row is current.
    QString field(int ordinal) const;
    bool isNull(int ordinal) const;
    QString value(int row, int ordinal) const;
    QStringList currentValues() const;
    // The first row from `from` on whose value in one of the columns contains the text
    // (ASCII letters in either case), or -1. An empty text is in every row.
    int findContaining(const QString &text, const QList<int> &ordinals, int from = 0) const;

    // Stores a new row (missing trailing fields stay null) and makes it current.
    StoreResult addRow(const QStringList &values);
    // Rewrites the current row's fields, all in one statement.
    StoreResult update(const QStringList &values);
    // Deletes the current row. The row that followed it becomes current; when it was the
    // last row, the new last row does; an emptied set is at its end.
    StoreResult removeCurrentRow();

Q_SIGNALS:
    void currentRowMoved();
    void refreshed();
    void rowAdded(int row);
    void rowChanged(int row);
    void rowRemoved(int row);

private:
    // The snapshot keeps the engine's UTF-8 bytes and makes text of a field only when it
    // is read: a lookup over thousands of rows shows a screenful of them.
    struct Cell {
        qint32 offset;
        qint32 length; // -1 for a null column
    };
    StoreResult checkWidths(const QList<int> &ordinals, const QStringList &values) const;
    void setRow(int row);
    bool hasCurrentRow() const { return m_row >= 0 && m_row < rowCount(); }
    Cell store(const char *utf8, int length);
    Cell store(const QString &text);
    const Cell &cell(int row, int ordinal) const { return m_cells[size_t(row) * fieldCount() + ordinal]; }
    Cell &cell(int row, int ordinal) { return m_cells[size_t(row) * fieldCount() + ordinal]; }

    QString m_connection;
    TableDef m_table;
    Query m_query;
    QByteArray m_arena;
    std::vector<Cell> m_cells;
    std::vector<qint64> m_rowids;
    int m_row = 0;
};
