#include "ui/editing/editingwindow.h"

#include "ui/editing/fieldmoves.h"
#include "ui/editing/windowparts.h"

#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/storefailure.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char16_t *const kActionCaptions[6] = {u"新增 [ F2 ]", u"修改 [ F3 ]", u"刪除 [ F4 ]",
                                            u"查詢 [ F6 ]", u"重置 [ F8 ]", u"離開 [ F10 ]"};
const char16_t *const kModeHeadings[5] = {u"--新增--", u"--修改--", u"--刪除--", u"--查詢--", u"--重置--"};
const Qt::Key kActionKeys[6] = {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F6, Qt::Key_F8, Qt::Key_F10};

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Only digits get into the field: a typed character that is not one is dropped, and
// whatever else a paste brings is taken out again (the blanks that fill a stored
// account stay).
class DigitsOnly : public QObject {
public:
    explicit DigitsOnly(QLineEdit *field) : QObject(field)
    {
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [field](const QString &text) {
            QString kept;
            int cursor = field->cursorPosition();
            for (int i = 0; i < text.size(); ++i) {
                if (isDigit(text[i]) || text[i] == QLatin1Char(' '))
                    kept += text[i];
                else if (i < field->cursorPosition())
                    --cursor;
            }
            if (kept != text) {
                field->setText(kept);
                field->setCursorPosition(qMax(0, cursor));
            }
        });
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (text.isEmpty() || !text[0].isPrint())
            return false; // backspace, moves, shortcuts
        for (QChar c : text) {
            if (!isDigit(c))
                return true;
        }
        return false;
    }
};

} // namespace

EditingWindow::EditingWindow(AppContext &context, const EditingLayout &layout, QWidget *parent)
    : QDialog(parent), m_context(context), m_layout(layout)
{
    setObjectName(layout.objectName);
    setWindowTitle(layout.caption);
    setModal(true);
    keepOpenOnEscape(this);

    m_heading = makeHeading(layout.idleHeading, this);
    for (int i = 0; i < 6; ++i) {
        auto *b = new QPushButton(QString::fromUtf16(kActionCaptions[i]), this);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setMinimumWidth(96);
        runOnClick(b, m_gate, [this, i] { act(i); });
        m_actions[size_t(i)] = b;
    }
    const ConfirmPair pair = makeConfirmPair(this);
    m_ok = pair.ok;
    m_cancel = pair.cancel;
    delete pair.row; // each window places the pair itself
    runOnClick(m_ok, m_gate, [this] { confirm(); });
    runOnClick(m_cancel, m_gate, [this] { cancel(); });

    const int byteWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int i = 0; i < layout.fields.size(); ++i) {
        const EditField &f = layout.fields[i];
        auto *label = new QLabel(f.label, this);
        label->setObjectName(QStringLiteral("Label2_%1").arg(i));
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Text1_%1").arg(i));
        edit->setAccessibleName(f.label.trimmed());
        const int width = layout.table.width(f.ordinal);
        edit->setMaxLength(width);
        edit->setFixedWidth(qMin(width, 48) * byteWidth + 16);
        label->setBuddy(edit);
        if (f.digitsOnly)
            new DigitsOnly(edit);
        m_labels.append(label);
        m_fields.append(edit);
        m_editors.append(edit);
        m_ordinals.append(f.ordinal);
    }
    if (!m_fields.isEmpty())
        connect(m_fields[0], &QLineEdit::textChanged, this, &EditingWindow::searchChanged);

    m_grid = new RecordSetGrid(layout.table, layout.columns, this);
    m_grid->setObjectName(QStringLiteral("DataGrid1"));
    m_grid->setMinimumSize(720, 240);
}

EditingWindow::~EditingWindow()
{
    qApp->removeEventFilter(this);
}

void EditingWindow::addEditor(QWidget *editor, int ordinal)
{
    m_editors.append(editor);
    m_ordinals.append(ordinal);
}

void EditingWindow::layOutStandard(const QList<QLayout *> &besideFields)
{
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : m_actions)
        buttons->addWidget(b);
    buttons->addStretch();

    auto *fields = new QGridLayout;
    for (int i = 0; i < m_fields.size(); ++i) {
        auto *row = new QHBoxLayout;
        row->addWidget(m_fields[i]);
        if (i < besideFields.size() && besideFields[i])
            row->addLayout(besideFields[i]);
        row->addStretch();
        fields->addWidget(m_labels[i], i, 0);
        fields->addLayout(row, i, 1);
    }
    fields->setColumnStretch(1, 1);

    auto *confirmRow = new QHBoxLayout;
    confirmRow->addStretch();
    confirmRow->addWidget(m_ok);
    confirmRow->addSpacing(24);
    confirmRow->addWidget(m_cancel);
    confirmRow->addStretch();

    auto *main = new QVBoxLayout(this);
    main->addLayout(buttons);
    main->addWidget(m_heading);
    main->addLayout(fields);
    main->addLayout(confirmRow);
    main->addWidget(m_grid, 1);
}

void EditingWindow::open(Store *store)
{
    // Tab order: the action buttons, the editors, the confirm pair.
    QList<QWidget *> chain(m_actions.begin(), m_actions.end());
    chain << m_editors << m_ok << m_cancel;
    for (int i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);

    m_moves = new FieldMoves(moveOrder(), this);
    m_moves->setEnds(nullptr, m_ok);
    connect(m_moves, &FieldMoves::entered, this, [this](int index) {
        if (EditMode < Reset)
            selectAllSoon(m_moves->fields()[index]);
    });

    m_store = store;
    if (store) {
        StoreResult result;
        m_set = store->select(Query::table(m_layout.table.name).orderBy(m_layout.table.columns[0].name), &result);
        connect(m_set.get(), &RecordSet::currentRowMoved, this, &EditingWindow::ShowCurrentRow);
        m_grid->setRecordSet(m_set.get());
        if (!result.ok())
            tellFailure(result);
    }
    EditMode = Idle;
    LeaveMode();
}

bool EditingWindow::hasRows() const
{
    return m_set && !m_set->atEnd();
}

QString EditingWindow::editorText(const QWidget *editor)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(editor))
        return edit->text();
    if (const auto *box = qobject_cast<const QComboBox *>(editor))
        return box->currentText();
    return {};
}

void EditingWindow::setEditorText(QWidget *editor, const QString &text)
{
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        edit->setText(text);
    else if (auto *box = qobject_cast<QComboBox *>(editor))
        box->setEditText(text);
}

void EditingWindow::setEditorsEnabled(bool enabled)
{
    for (QWidget *e : m_editors)
        e->setEnabled(enabled);
}

void EditingWindow::clearEditors()
{
    for (QWidget *e : m_editors)
        setEditorText(e, QString());
}

void EditingWindow::ShowCurrentRow()
{
    if (Busy)
        return;
    Busy = true;
    const bool onRow = hasRows() && !m_set->atStart();
    for (int i = 0; i < m_editors.size(); ++i)
        setEditorText(m_editors[i], onRow ? m_set->field(m_ordinals[i]) : QString());
    if (onRow)
        rowShown();
    Busy = false;
}

void EditingWindow::focusIdle()
{
    if (m_grid->isEnabled())
        m_grid->setFocus();
    else
        m_actions[0]->setFocus();
}

void EditingWindow::LeaveMode()
{
    // Idle before the fields are disabled: the field losing the focus then is no longer
    // left in a mode.
    EditMode = Idle;
    m_heading->setText(m_layout.idleHeading);
    m_ok->hide();
    m_cancel->hide();
    m_ok->setDefault(false);
    const bool rows = hasRows();
    for (int i = 0; i < 5; ++i) {
        const bool usable = (i == Add || i == Reset) ? m_set != nullptr : rows;
        m_actions[size_t(i)]->setEnabled(usable);
    }
    for (QPushButton *b : std::as_const(m_commands))
        b->setEnabled(m_set != nullptr);
    m_grid->setEnabled(rows);
    setEditorsEnabled(false);
    ShowCurrentRow();
    modeLeft();
    focusIdle();
}

namespace {

// The box layout that holds the widget, searched from the top layout down.
QBoxLayout *boxHolding(QLayout *layout, QWidget *widget, int *index)
{
    if (!layout)
        return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == widget) {
            *index = i;
            return qobject_cast<QBoxLayout *>(layout);
        }
        if (QBoxLayout *found = boxHolding(item->layout(), widget, index))
            return found;
        if (item->widget() && item->widget() != widget && item->widget()->layout()) {
            if (QBoxLayout *found = boxHolding(item->widget()->layout(), widget, index))
                return found;
        }
    }
    return nullptr;
}

} // namespace

QPushButton *EditingWindow::addCommand(const QString &text, const QString &objectName, std::function<void()> command)
{
    auto *b = new QPushButton(text, this);
    runOnClick(b, m_gate, std::move(command));
    b->setObjectName(objectName);
    b->setAutoDefault(false);
    b->setEnabled(EditMode == Idle && m_set != nullptr);
    // In the row of the action buttons, wherever the window put it (a tab page, say).
    int index = 0;
    QWidget *holder = m_actions[5]->parentWidget();
    QBoxLayout *row = boxHolding(holder ? holder->layout() : layout(), m_actions[5], &index);
    if (holder)
        b->setParent(holder);
    const int after = m_commands.isEmpty() ? index : row ? row->indexOf(m_commands.last()) : 0;
    if (row)
        row->insertWidget(after + 1, b);
    QWidget::setTabOrder(m_commands.isEmpty() ? m_actions[5] : m_commands.last(), b);
    m_commands << b;
    return b;
}

void EditingWindow::act(int index)
{
    if (index == 5) {
        // Leaving discards what was typed, as "取消" does; the window stays loaded.
        cancel();
        QDialog::done(QDialog::Rejected);
        return;
    }
    if (!m_actions[size_t(index)]->isEnabled())
        return;
    EditMode = index;
    EnterMode();
}

void EditingWindow::EnterMode()
{
    for (int i = 0; i < 5; ++i)
        m_actions[size_t(i)]->setEnabled(false);
    for (QPushButton *b : std::as_const(m_commands))
        b->setEnabled(false);
    m_grid->setEnabled(false);
    setEditorsEnabled(true);
    m_ok->show();
    m_cancel->show();
    // Enter in the grid (picking the row to delete, or a query's hit) confirms.
    m_ok->setDefault(true);
    m_heading->setText(QString::fromUtf16(kModeHeadings[EditMode]));
    switch (EditMode) {
    case Add:
        clearEditors();
        m_editors[0]->setFocus();
        break;
    case Modify:
        m_editors[0]->setFocus();
        break;
    case Delete:
        m_grid->setEnabled(true);
        setEditorsEnabled(false);
        m_grid->setFocus();
        break;
    case Search:
        setEditorsEnabled(false);
        m_editors[0]->setEnabled(true);
        m_grid->setEnabled(true);
        m_editors[0]->setFocus();
        break;
    case Reset:
        m_grid->setEnabled(true);
        modeEntered(EditMode);
        ReloadAll();
        return;
    default:
        break;
    }
    modeEntered(EditMode);
}

void EditingWindow::ReloadAll()
{
    Busy = true;
    StoreResult result;
    if (m_set) {
        m_set->setQuery(Query::table(m_layout.table.name).orderBy(m_layout.table.columns[0].name));
        result = m_set->refresh();
    }
    Busy = false;
    if (!result.ok())
        tellFailure(result);
    LeaveMode();
}

void EditingWindow::searchChanged()
{
    if (EditMode != Search || Busy || !m_set)
        return;
    Busy = true;
    const QString &key = m_layout.table.columns[0].name;
    m_set->setQuery(Query::table(m_layout.table.name).wherePrefix(key, editorText(m_editors[0])).orderBy(key));
    const StoreResult result = m_set->refresh();
    Busy = false;
    if (!result.ok())
        tellFailure(result);
}

QStringList EditingWindow::rowValues() const
{
    // A column no editor shows keeps what it holds (nothing, for a new row).
    QStringList values = EditMode == Modify && hasRows() ? m_set->currentValues()
                                                          : QStringList(m_layout.table.columns.size());
    for (int i = 0; i < m_editors.size(); ++i)
        values[m_ordinals[i]] = editorText(m_editors[i]);
    return values;
}

void EditingWindow::confirm()
{
    switch (EditMode) {
    case Add:
        if (validate())
            InsertRecord();
        break;
    case Modify:
        if (validate())
            modifyRecord();
        break;
    case Delete:
        deleteRecord();
        break;
    default:
        // A confirmed query keeps its filtered rows until reset or the next opening.
        LeaveMode();
        break;
    }
}

void EditingWindow::InsertRecord()
{
    // The move to the new row must not overwrite the fields before they are cleared.
    Busy = true;
    const StoreResult result = m_set ? m_set->addRow(rowValues()) : StoreResult::other(-1, QString());
    Busy = false;
    if (!result.ok()) {
        tellFailure(result);
        return;
    }
    Busy = true;
    clearEditors();
    m_editors[0]->setFocus();
    recordInserted();
    Busy = false;
}

void EditingWindow::modifyRecord()
{
    const StoreResult result = m_set ? m_set->update(rowValues()) : StoreResult::other(-1, QString());
    if (!result.ok()) {
        tellFailure(result);
        return;
    }
    LeaveMode();
}

void EditingWindow::deleteRecord()
{
    const MsgAnswer answer = m_context.dialogs().message(this, QStringLiteral("確定刪除"), m_layout.idleHeading,
                                                         MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No);
    if (answer == MsgAnswer::Yes && hasRows()) {
        const StoreResult result = m_set->removeCurrentRow();
        if (!result.ok())
            tellFailure(result);
    }
    LeaveMode();
}

void EditingWindow::cancel()
{
    if (EditMode == Search) {
        ReloadAll();
        return; // ReloadAll ends in LeaveMode
    }
    LeaveMode();
}

void EditingWindow::refuse(QWidget *editor, const QString &text, const QString &title)
{
    m_context.dialogs().critical(this, text, title);
    editor->setFocus();
}

bool EditingWindow::checkFields(const QList<int> &indexes, const QString &title)
{
    for (int i : indexes) {
        QWidget *editor = m_editors[i];
        QString name = i < m_labels.size() ? m_labels[i]->text() : editor->accessibleName();
        name.remove(QChar(0xFF1A)).remove(QLatin1Char(' '));
        const QString problem = FieldTextProblem(editorText(editor), m_layout.table.width(m_ordinals[i]), name);
        if (!problem.isEmpty()) {
            refuse(editor, problem, title);
            return false;
        }
    }
    return true;
}

void EditingWindow::tellFailure(const StoreResult &result)
{
    tellStoreFailure(m_context.dialogs(), this, result, m_store ? m_store->path() : QString());
    if (result.error == StoreResult::Error::TooLong) {
        const int editor = m_ordinals.indexOf(result.ordinal);
        if (editor >= 0 && m_editors[editor]->isEnabled())
            m_editors[editor]->setFocus();
    }
}

bool EditingWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The function keys act on release wherever the focus is in this window.
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        const int action = int(std::find(std::begin(kActionKeys), std::end(kActionKeys), key->key()) - std::begin(kActionKeys));
        if (widget && widget->window() == this && action < 6 && key->modifiers() == Qt::NoModifier) {
            if (event->type() == QEvent::KeyRelease && !key->isAutoRepeat()) {
                if (action == 5 || m_actions[size_t(action)]->isEnabled()) {
                    m_gate.run([this, action] {
                        functionKeyComing();
                        act(action);
                    });
                }
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EditingWindow::showEvent(QShowEvent *event)
{
    qApp->installEventFilter(this);
    QDialog::showEvent(event);
}

void EditingWindow::hideEvent(QHideEvent *event)
{
    qApp->removeEventFilter(this);
    QDialog::hideEvent(event);
}

void EditingWindow::closeEvent(QCloseEvent *event)
{
    // The close box ends the window: the next opening reads afresh.
    if (closeBoxEnds())
        m_ended = true;
    else
        cancel();
    QDialog::closeEvent(event);
}
