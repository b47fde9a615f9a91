#include "ui/editing/editingwindow.h"

#include "core/store/recordset.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The modes: entering and leaving them, the current row shown in the fields, the query
// by the key's beginning, and what the confirm pair does in each mode.

namespace {

const char16_t *const kModeHeadings[5] = {u"--新增--", u"--修改--", u"--刪除--", u"--查詢--", u"--重置--"};

} // namespace

bool EditingWindow::hasRows() const
{
    return m_set && !m_set->atEnd();
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

void EditingWindow::cancel()
{
    if (EditMode == Search) {
        ReloadAll();
        return; // ReloadAll ends in LeaveMode
    }
    LeaveMode();
}
