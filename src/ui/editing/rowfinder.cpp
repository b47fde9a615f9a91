#include "ui/editing/rowfinder.h"

#include "ui/editing/recordsetgrid.h"

#include "core/store/recordset.h"
#include "core/store/textsearch.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

namespace {

const QString kNotFound = QStringLiteral("找不到");
const QString kFromTheTop = QStringLiteral("已從頭找起");

} // namespace

RowFinder::RowFinder(RecordSetGrid *grid, QList<int> ordinals, QWidget *parent)
    : QWidget(parent), m_grid(grid), m_ordinals(std::move(ordinals))
{
    setObjectName(QStringLiteral("Finder"));
    auto *label = new QLabel(QStringLiteral("搜尋："), this);
    label->setObjectName(QStringLiteral("LabelFind"));
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("TextFind"));
    m_field->setAccessibleName(QStringLiteral("搜尋"));
    const int byteWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    m_field->setFixedWidth(30 * byteWidth + 16);
    label->setBuddy(m_field);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabelFindStatus"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label);
    row->addWidget(m_field);
    row->addWidget(m_status);
    row->addStretch();

    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), parent);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &RowFinder::start);
    connect(m_field, &QLineEdit::textEdited, this, &RowFinder::textEdited);
    connect(qApp, &QApplication::focusChanged, this, &RowFinder::focusChanged);
    // Rows taken afresh (a query, a reset) make an earlier "找不到" stale.
    connect(m_grid->recordSetModel(), &QAbstractItemModel::modelReset, this, [this] { mark(true); });
    // Rows changed, added or taken: the last find says nothing of them.
    const auto forget = [this] { m_lastNeedle.clear(); };
    QAbstractItemModel *model = m_grid->recordSetModel();
    connect(model, &QAbstractItemModel::modelReset, this, forget);
    connect(model, &QAbstractItemModel::rowsInserted, this, forget);
    connect(model, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(model, &QAbstractItemModel::dataChanged, this, forget);
    m_field->installEventFilter(this);
    m_grid->installEventFilter(this);
    setEnabled(m_grid->isEnabled());
}

RowFinder::~RowFinder()
{
    // The field gives up the focus while its parent deletes it, after this object has
    // stopped being a RowFinder: the application must not tell it by then.
    disconnect(qApp, nullptr, this, nullptr);
}

void RowFinder::start()
{
    if (!isEnabled() || !m_grid->recordSetModel()->recordSet())
        return;
    Q_EMIT starting();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void RowFinder::focusChanged(QWidget *old, QWidget *now)
{
    // The window losing the focus for a while (a message) does not end the search.
    if (now == m_field && !m_searching) {
        RecordSet *set = m_grid->recordSetModel()->recordSet();
        m_searching = true;
        m_originRow = set ? set->currentRow() : 0;
        m_originRowid = set && !set->atStart() && !set->atEnd() ? set->rowid(m_originRow) : -1;
        m_originFocus = old && old->window() == window() ? old : nullptr;
        Q_EMIT begun();
    } else if (old == m_field && now && now != m_field) {
        m_searching = false;
    }
}

int RowFinder::originRow() const
{
    RecordSet *set = m_grid->recordSetModel()->recordSet();
    const int row = m_originRowid >= 0 && set ? set->rowOf(m_originRowid) : -1;
    return row >= 0 ? row : m_originRow;
}

void RowFinder::goTo(int row, const QString &note)
{
    RecordSet *set = m_grid->recordSetModel()->recordSet();
    // Also onto the current row: fields that show a query's prefix then show the row.
    if (row >= 0 && set)
        set->moveTo(row);
    mark(row >= 0, note);
}

void RowFinder::mark(bool found, const QString &note)
{
    m_status->setText(found ? note : kNotFound);
    QPalette palette;
    if (!found)
        palette.setColor(QPalette::Base, QColor(255, 214, 214));
    m_field->setPalette(palette);
}

void RowFinder::textEdited(const QString &text)
{
    RecordSet *set = m_grid->recordSetModel()->recordSet();
    if (!set)
        return;
    // Nothing to find: back to the row the search began on.
    if (text.isEmpty()) {
        goTo(m_searching ? originRow() : set->currentRow());
        return;
    }
    // A row before the last hit did not hold the shorter text, so it cannot hold this one;
    // nor can any row when the shorter text was in none.
    const QByteArray needle = TextSearch::needle(text);
    const bool narrower = !m_lastNeedle.isEmpty() && needle.contains(m_lastNeedle);
    const int found = narrower && m_lastFound < 0 ? -1 : set->findContaining(text, m_ordinals, narrower ? m_lastFound : 0);
    goTo(found);
    m_lastNeedle = needle;
    m_lastFound = found;
}

void RowFinder::findNext()
{
    RecordSet *set = m_grid->recordSetModel()->recordSet();
    if (!set || m_field->text().isEmpty())
        return;
    const int from = set->currentRow() + 1;
    int row = set->findContaining(m_field->text(), m_ordinals, from);
    if (row < 0 && from > 0) {
        row = set->findContaining(m_field->text(), m_ordinals, 0);
        if (row >= 0) {
            goTo(row, kFromTheTop);
            return;
        }
    }
    goTo(row);
}

void RowFinder::goBack()
{
    RecordSet *set = m_grid->recordSetModel()->recordSet();
    if (set && m_searching)
        set->moveTo(originRow());
    Q_EMIT returned();
    m_field->clear();
    mark(true);
    QWidget *back = m_originFocus && m_originFocus->isEnabled() && m_originFocus->isVisible() ? m_originFocus.data() : nullptr;
    if (!back && m_grid->isEnabled())
        back = m_grid;
    if (back)
        back->setFocus(Qt::OtherFocusReason);
}

bool RowFinder::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid) {
        if (event->type() == QEvent::EnabledChange)
            setEnabled(m_grid->isEnabled());
        return false;
    }
    if (watched != m_field || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool press = event->type() == QEvent::KeyPress;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter here never presses a window's default button.
        if (press)
            findNext();
        return true;
    case Qt::Key_Escape:
        // On release, after a press here: an Esc that closed a message does not go back,
        // and no release is left over for the control the focus goes back to.
        if (press && !key->isAutoRepeat())
            m_escapePressed = true;
        else if (!press && m_escapePressed && !key->isAutoRepeat()) {
            m_escapePressed = false;
            goBack();
        }
        return true;
    default:
        return false;
    }
}
