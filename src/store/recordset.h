#pragma once

#include "query.h"
#include "schema.h"
#include "storeresult.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

// A snapshot of one query over one table with a current row. Moves are announced, so a
// window can show the current row and a grid can follow it; changes go to the store at
// once and into the snapshot only when the store took them.
class RecordSet : public QObject {
    Q_OBJECT
public:
    RecordSet(QString connection, TableDef table, Query query);

    // Re-runs the query; the first row becomes current.
    StoreResult refresh();

    const TableDef &table() const { return m_table; }
    int rowCount() const { return int(m_rows.size()); }
    int fieldCount() const { return int(m_table.columns.size()); }
    int currentRow() const { return m_row; }
    bool atEnd() const { return m_row >= m_rows.size(); }
    bool atStart() const { return m_row < 0 || m_rows.isEmpty(); }
    bool isEmpty() const { return m_rows.isEmpty(); }

    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    void moveTo(int row);

    // Field of the current row; empty text for a null column or when no row is current.
    QString field(int ordinal) const;
    bool isNull(int ordinal) const;
    QString value(int row, int ordinal) const;
    QStringList currentValues() const;

    // Stores a new row (missing trailing fields stay null) and makes it current.
    StoreResult addRow(const QStringList &values);
    // Rewrites the current row's fields, all in one statement.
    StoreResult update(const QStringList &values);
    StoreResult update(int ordinal, const QString &value);
    // Deletes the current row; the row after it becomes current.
    StoreResult remove();
    // Makes the first row whose field equals value current; false (and at end) when none does.
    bool findFirst(int ordinal, const QString &value);

Q_SIGNALS:
    void currentRowMoved();
    void refreshed();
    void rowAdded(int row);
    void rowChanged(int row);
    void rowRemoved(int row);

private:
    struct Row {
        qint64 rowid;
        QVariantList values;
    };
    StoreResult checkWidths(const QList<int> &ordinals, const QStringList &values) const;
    void setRow(int row);

    QString m_connection;
    TableDef m_table;
    Query m_query;
    QList<Row> m_rows;
    int m_row = 0;
};
