#include "ui/editing/recordsetgrid.h"

#include "core/output/money.h"
#include "core/store/recordset.h"

#include <QHeaderView>
#include <QScrollBar>

RecordSetModel::RecordSetModel(QList<GridColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns))
{
}

void RecordSetModel::setRecordSet(RecordSet *set)
{
    beginResetModel();
    if (m_set)
        disconnect(m_set, nullptr, this, nullptr);
    m_set = set;
    if (set) {
        // The record set has already changed when it tells: the rows are taken afresh.
        connect(set, &RecordSet::refreshed, this, [this] {
            beginResetModel();
            endResetModel();
        });
        connect(set, &RecordSet::rowAdded, this, [this](int row) {
            beginInsertRows({}, row, row);
            endInsertRows();
        });
        connect(set, &RecordSet::rowsFetched, this, [this](int first, int count) {
            beginInsertRows({}, first, first + count - 1);
            endInsertRows();
        });
        connect(set, &RecordSet::rowRemoved, this, [this](int row) {
            beginRemoveRows({}, row, row);
            endRemoveRows();
        });
        connect(set, &RecordSet::rowChanged, this, [this](int row) {
            Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
        });
    }
    endResetModel();
}

int RecordSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_set ? 0 : m_set->rowCount();
}

bool RecordSetModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_set && m_set->canFetchMore();
}

void RecordSetModel::fetchMore(const QModelIndex &parent)
{
    if (canFetchMore(parent))
        m_set->fetchMore();
}

int RecordSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RecordSetModel::data(const QModelIndex &index, int role) const
{
    if (!m_set || !index.isValid())
        return {};
    const GridColumn &column = m_columns[index.column()];
    if (role == Qt::TextAlignmentRole)
        return column.amount ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    // The stored text is never changed; a screen reader reads the figure as it is shown.
    const QString value = m_set->value(index.row(), column.ordinal);
    return column.amount ? shownAmount(value) : value;
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_columns.size() ? QVariant(m_columns[section].heading) : QVariant();
    return {};
}

RecordSetGrid::RecordSetGrid(const TableDef &table, QList<GridColumn> columns, QWidget *parent)
    : QTableView(parent), m_model(new RecordSetModel(columns, this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    // Scrolled a row at a time, whatever the style prefers, so the top row is always whole.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(18);
    // Widths from the columns' byte widths: a grid of thousands of rows is never measured.
    const int byteWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    // A name column is drawn 40 bytes wide so that the columns after it stay in view.
    for (int c = 0; c < columns.size(); ++c)
        setColumnWidth(c, qMax(qMin(table.width(columns[c].ordinal), 40), int(columns[c].heading.size()) * 2) * byteWidth + 12);
    horizontalHeader()->setStretchLastSection(true);
}

int RecordSetGrid::widthForAllColumns() const
{
    int width = verticalHeader()->width() + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < m_model->columnCount(); ++c)
        width += columnWidth(c);
    return width;
}

void RecordSetGrid::setRecordSet(RecordSet *set)
{
    if (m_model->recordSet())
        disconnect(m_model->recordSet(), nullptr, this, nullptr);
    m_model->setRecordSet(set);
    if (set)
        connect(set, &RecordSet::currentRowMoved, this, &RecordSetGrid::followCurrentRow);
    followCurrentRow();
}

void RecordSetGrid::followCurrentRow()
{
    RecordSet *set = m_model->recordSet();
    m_following = true;
    if (!set || set->atEnd() || set->atStart()) {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    } else {
        const QModelIndex index = m_model->index(set->currentRow(), 0);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    m_following = false;
}

void RecordSetGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    alignTopRow();
}

void RecordSetGrid::updateGeometries()
{
    QTableView::updateGeometries();
    alignTopRow();
}

void RecordSetGrid::alignTopRow()
{
    // At the end of its range the view lines the last row up with the bottom edge, which
    // leaves the top row half under the heading. The range ends where the last row still
    // shows whole below a whole top row, so the top row is lined up with the heading.
    QHeaderView *rows = verticalHeader();
    const int value = verticalScrollBar()->value();
    if (verticalScrollMode() != ScrollPerItem || value >= rows->count())
        return;
    const int top = rows->sectionPosition(rows->logicalIndex(value));
    if (rows->offset() != top) {
        rows->setOffset(top);
        viewport()->update();
    }
}

void RecordSetGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    RecordSet *set = m_model->recordSet();
    if (m_following || !set || !current.isValid() || current.row() == set->currentRow())
        return;
    set->moveTo(current.row());
}

QList<GridColumn> catalogueColumns(const TableDef &table, const QList<int> &ordinals)
{
    QList<GridColumn> out;
    for (int ordinal : ordinals)
        out.append({ordinal, table.columns[ordinal].gridHeading(), table.columns[ordinal].amount});
    return out;
}
