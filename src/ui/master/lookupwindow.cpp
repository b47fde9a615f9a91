#include "ui/master/lookupwindow.h"

#include "ui/editing/fieldmoves.h"
#include "ui/editing/rowfinder.h"
#include "ui/editing/windowparts.h"
#include "ui/platform/appcontext.h"
#include "core/store/recordset.h"
#include "core/store/store.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

LookupWindow::LookupWindow(AppContext &context, const LookupLayout &layout, QWidget *parent)
    : QDialog(parent), m_context(context), m_table(layout.table)
{
    setObjectName(layout.objectName);
    setWindowTitle(layout.caption);
    setModal(true);

    QLabel *heading = makeHeading(layout.heading, this, 4);

    auto *grid = new QGridLayout;
    const int byteWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int i = 0; i < layout.labels.size(); ++i) {
        auto *label = new QLabel(layout.labels[i], this);
        label->setObjectName(QStringLiteral("Label2_%1").arg(i));
        auto *field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("Text1_%1").arg(i));
        field->setAccessibleName(layout.labels[i].trimmed());
        field->setMaxLength(layout.table.width(i));
        field->setMinimumWidth(qMin(layout.table.width(i), 40) * byteWidth + 16);
        label->setBuddy(field);
        if (i > 0) {
            field->setReadOnly(true);
            field->setFocusPolicy(Qt::ClickFocus);
        }
        field->installEventFilter(this);
        grid->addWidget(label, i, 0);
        grid->addWidget(field, i, 1, Qt::AlignLeft);
        m_fields.append(field);
    }
    grid->setColumnStretch(2, 1);
    m_fieldGrid = grid;

    const ConfirmPair buttons = makeConfirmPair(this);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    connect(m_ok, &QPushButton::clicked, this, &LookupWindow::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_grid = new RecordSetGrid(layout.table, layout.columns, this);
    m_grid->setObjectName(QStringLiteral("DataGrid1"));
    m_grid->setFocusPolicy(Qt::ClickFocus);
    m_grid->setMinimumSize(640, 260);
    // The rows come in the order of the first column until a heading is clicked.
    QHeaderView *header = m_grid->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(0, Qt::AscendingOrder);
    connect(header, &QHeaderView::sectionClicked, this, &LookupWindow::sortBy);
    // A click on a heading leaves the keys with the search field (not with the grid, where
    // a typed digit would jump to a row), so that a prefix can be typed in the new order.
    header->setFocusPolicy(Qt::ClickFocus);
    header->setFocusProxy(m_fields[0]);

    // A find moves the current row as a click would; Esc there shows again what the fields
    // held before (the typed prefix too), without running the query again.
    m_finder = new RowFinder(m_grid, layout.found, this);
    connect(m_finder, &RowFinder::begun, this, [this] {
        m_shownBeforeFind.clear();
        for (QLineEdit *f : std::as_const(m_fields))
            m_shownBeforeFind << f->text();
    });
    connect(m_finder, &RowFinder::returned, this, [this] {
        m_busy = true;
        for (int i = 0; i < m_fields.size() && i < m_shownBeforeFind.size(); ++i)
            m_fields[i]->setText(m_shownBeforeFind[i]);
        m_busy = false;
    });

    auto *main = new QVBoxLayout(this);
    main->addWidget(heading);
    main->addLayout(grid);
    main->addLayout(buttons.row);
    main->addWidget(m_finder);
    main->addWidget(m_grid, 1);

    setTabOrder(m_fields[0], m_ok);
    setTabOrder(m_ok, m_cancel);
    connect(m_fields[0], &QLineEdit::textChanged, this, &LookupWindow::searchChanged);
}

void LookupWindow::open(Store *store)
{
    handBack(std::nullopt);
    if (store) {
        m_set = store->browse(ordered(QString()));
        connect(m_set.get(), &RecordSet::currentRowMoved, this, &LookupWindow::ShowCurrentRow);
        m_grid->setRecordSet(m_set.get());
        ShowCurrentRow();
    }
    m_fields[0]->setFocus();
}

void LookupWindow::ShowCurrentRow()
{
    if (m_busy)
        return;
    m_busy = true;
    const bool onRow = m_set && !m_set->atEnd() && !m_set->atStart();
    for (int i = 0; i < m_fields.size(); ++i)
        m_fields[i]->setText(onRow ? m_set->field(i) : QString());
    m_busy = false;
}

void LookupWindow::searchChanged()
{
    if (m_busy || !m_set)
        return;
    m_busy = true;
    m_set->setQuery(ordered(m_fields[0]->text()));
    m_set->refresh();
    m_busy = false;
}

Query LookupWindow::ordered(const QString &prefix) const
{
    Query q = queryFor(prefix);
    if (m_sortChosen)
        q.orderBy(columnUnder(m_sortSection), m_sortOrder);
    return q;
}

QString LookupWindow::columnUnder(int section) const
{
    return m_table.columns[m_grid->recordSetModel()->columns()[section].ordinal].name;
}

void LookupWindow::sortBy(int section)
{
    // Set here whatever the heading did on its own: a new column ascending, the same one
    // the other way round.
    m_sortOrder = section == m_sortSection && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortSection = section;
    m_sortChosen = true;
    m_grid->horizontalHeader()->setSortIndicator(section, m_sortOrder);
    if (!m_set)
        return;
    // The same rows (the query's filter kept) in the new order; the row under the cursor
    // stays the current one, wherever it now stands. The fields are not touched, as in
    // any re-run of the query.
    m_busy = true;
    const qint64 current = m_set->atEnd() || m_set->atStart() ? -1 : m_set->rowid(m_set->currentRow());
    Query q = m_set->query();
    m_set->setQuery(q.orderBy(columnUnder(section), m_sortOrder));
    m_set->refresh(current);
    m_busy = false;
}

void LookupWindow::confirm()
{
    // The current row, which is the first hit when the grid was not touched; no code, no pick.
    ShowCurrentRow();
    std::optional<QStringList> pick;
    if (!m_fields[0]->text().isEmpty() && m_set) {
        pick.emplace();
        for (int i = 0; i < m_fields.size(); ++i)
            pick->append(m_set->field(i));
    }
    handBack(std::move(pick));
    accept();
}

void LookupWindow::handBack(std::optional<QStringList> pick)
{
    m_context.values().DataReturn = pick ? pick->first() : QStringLiteral("0");
    m_pick = std::move(pick);
}

bool LookupWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn)
        selectAllSoon(static_cast<QWidget *>(watched));
    if (watched != m_fields[0] || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (event->type() == QEvent::KeyPress) {
        // Up and Down walk the hits without leaving the search field.
        if (m_set && key == Qt::Key_Down && m_set->hasNext()) {
            m_set->moveNext();
            return true;
        }
        if (m_set && key == Qt::Key_Up && m_set->currentRow() > 0) {
            m_set->movePrevious();
            return true;
        }
        // Enter acts on release; its press must not press "確定" at once.
        m_enterPressed = enter;
        return enter;
    }
    if (enter && m_enterPressed && !static_cast<QKeyEvent *>(event)->isAutoRepeat()) {
        m_enterPressed = false;
        ShowCurrentRow();
        m_ok->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
