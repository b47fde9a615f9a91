#pragma once

#include "ui/editing/recordsetgrid.h"
#include "core/store/query.h"
#include "core/store/schema.h"

#include <QDialog>
#include <QList>

#include <memory>
#include <optional>

class AppContext;
class QGridLayout;
class QLineEdit;
class QPushButton;
class RecordSet;
class RowFinder;
class Store;

// What one lookup shows: its names, its fields (the first is the search field, the
// others show the current row) and its grid.
struct LookupLayout {
    QString objectName;
    QString caption;
    QString heading;
    const TableDef &table;
    // Labels of the fields; field i shows column i of the table.
    QStringList labels;
    QList<GridColumn> columns;
    // The columns "搜尋：" finds a row by (any part of them).
    QList<int> found = {};
};

// A small window to pick a row instead of typing its code: a grid of the table, a
// search field for the code's beginning that re-runs the query on every keystroke, and
// the fields of the current row. "確定" picks the current row, "取消" or Esc picks
// nothing. DataReturn is left with the picked code, or "0", for whoever reads it.
// A click on a column's heading lists the rows by that column, a second click the other
// way round; the search field's prefix keeps working in that order, and the pick is the
// row under the cursor.
class LookupWindow : public QDialog {
    Q_OBJECT
public:
    // The columns of the picked row that the fields show, or nothing: cancelled, or
    // confirmed on a search without hits.
    const std::optional<QStringList> &pick() const { return m_pick; }
    QLineEdit *field(int index) const { return m_fields[index]; }
    RecordSetGrid *grid() const { return m_grid; }
    RowFinder *finder() const { return m_finder; }
    RecordSet *recordSet() const { return m_set.get(); }

    // Copies the current row into the fields (blanks them past the last row).
    void ShowCurrentRow();

protected:
    LookupWindow(AppContext &context, const LookupLayout &layout, QWidget *parent);
    // Opens the record set; call from the subclass's constructor. Without a store the
    // window still opens, empty.
    void open(Store *store);
    // The query for the search field's text.
    virtual Query queryFor(const QString &prefix) const = 0;
    bool eventFilter(QObject *watched, QEvent *event) override;

    AppContext &m_context;
    QList<QLineEdit *> m_fields;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QGridLayout *m_fieldGrid = nullptr; // labels in column 0, fields in 1, room in 2

private:
    void searchChanged();
    void confirm();
    void handBack(std::optional<QStringList> pick);
    void sortBy(int section);
    // The query for the search field's text, in the order the user chose.
    Query ordered(const QString &prefix) const;
    // The table's column a grid column shows.
    QString columnUnder(int section) const;

    RecordSetGrid *m_grid = nullptr;
    RowFinder *m_finder = nullptr;
    QStringList m_shownBeforeFind;
    const TableDef &m_table;
    int m_sortSection = 0;  // the grid column the rows are listed by
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_sortChosen = false; // else the window's own order (by code)
    std::unique_ptr<RecordSet> m_set;
    std::optional<QStringList> m_pick;
    bool m_busy = false;
    bool m_enterPressed = false;
};
