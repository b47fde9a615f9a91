#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QTableView>

#include "core/store/recordset.h"

// One grid column: which field of the record set it shows, under which heading. It is
// drawn as wide as its column holds Big5 bytes; money is right-aligned with thousands commas.
struct GridColumn {
    int ordinal;
    QString heading;
    bool amount = false;
};

// The grid columns of a table's columns, headed as the catalogue of columns says.
QList<GridColumn> catalogueColumns(const TableDef &table, const QList<int> &ordinals);

// The rows of a record set as a table, kept in step with its refreshes and changes.
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    RecordSetModel(QList<GridColumn> columns, QObject *parent = nullptr);
    void setRecordSet(RecordSet *set);
    RecordSet *recordSet() const { return m_set; }
    const QList<GridColumn> &columns() const { return m_columns; }

    int rowCount(const QModelIndex &parent = {}) const override;
    // The record set's rows are taken as the grid scrolls to its last one.
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<GridColumn> m_columns;
    QPointer<RecordSet> m_set;
};

// A grid bound to a record set: selecting a row makes it the current row, and every move
// of the current row (a search, a find, a window's own move) shows in the grid.
class RecordSetGrid : public QTableView {
    Q_OBJECT
public:
    RecordSetGrid(const TableDef &table, QList<GridColumn> columns, QWidget *parent = nullptr);
    void setRecordSet(RecordSet *set);
    RecordSetModel *recordSetModel() const { return m_model; }
    // The width that shows every column whole beside the row heads and the scroll bar.
    int widthForAllColumns() const;

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    void followCurrentRow();
    void alignTopRow();

    RecordSetModel *m_model;
    bool m_following = false;
};
