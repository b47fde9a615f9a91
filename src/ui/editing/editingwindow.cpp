#include "ui/editing/editingwindow.h"

#include "ui/editing/digitsonly.h"
#include "ui/editing/fieldmoves.h"
#include "ui/editing/rowfinder.h"
#include "ui/editing/windowparts.h"

#include "core/store/recordset.h"
#include "core/store/store.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

// Building the window: its parts, their places, the record set it opens, and the
// close box that ends it.

EditingWindow::EditingWindow(AppContext &context, const EditingLayout &layout, QWidget *parent)
    : QDialog(parent), m_context(context), m_layout(layout)
{
    setObjectName(layout.objectName);
    setWindowTitle(layout.caption);
    setModal(true);
    keepOpenOnEscape(this);

    m_heading = makeHeading(layout.idleHeading, this);
    makeActionButtons();
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

    // A find moves the current row as a click would; Esc there shows again what the fields
    // held before (a query's typed prefix too), without running the query again.
    m_finder = new RowFinder(m_grid, layout.found, this);
    connect(m_finder, &RowFinder::starting, this, [this] { functionKeyComing(); });
    connect(m_finder, &RowFinder::begun, this, [this] {
        m_shownBeforeFind.clear();
        for (QWidget *e : std::as_const(m_editors))
            m_shownBeforeFind << editorText(e);
    });
    connect(m_finder, &RowFinder::returned, this, [this] {
        Busy = true;
        for (int i = 0; i < m_editors.size() && i < m_shownBeforeFind.size(); ++i)
            setEditorText(m_editors[i], m_shownBeforeFind[i]);
        Busy = false;
    });
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
    main->addWidget(m_finder);
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
        m_set = store->browse(Query::table(m_layout.table.name).orderBy(m_layout.table.columns[0].name), &result);
        connect(m_set.get(), &RecordSet::currentRowMoved, this, &EditingWindow::ShowCurrentRow);
        connect(m_set.get(), &RecordSet::fetchFailed, this, &EditingWindow::tellFailure);
        m_grid->setRecordSet(m_set.get());
        if (!result.ok())
            tellFailure(result);
    }
    EditMode = Idle;
    LeaveMode();
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

void EditingWindow::closeEvent(QCloseEvent *event)
{
    // The close box ends the window: the next opening reads afresh.
    if (closeBoxEnds())
        m_ended = true;
    else
        cancel();
    QDialog::closeEvent(event);
}

QList<EditField> catalogueFields(const TableDef &table, const QList<int> &ordinals)
{
    QList<EditField> out;
    for (int ordinal : ordinals)
        out.append({table.columns[ordinal].fieldCaption(), ordinal, table.columns[ordinal].digitsOnly});
    return out;
}
