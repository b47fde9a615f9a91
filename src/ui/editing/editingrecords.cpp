#include "ui/editing/editingwindow.h"

#include "ui/platform/appcontext.h"
#include "ui/platform/dialogs.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/storefailure.h"

#include <QLabel>

// Storing what the fields hold: the row to write, adding, changing and deleting it, and
// telling the user what the checks or the store refused.

QStringList EditingWindow::rowValues() const
{
    // A column no editor shows keeps what it holds (nothing, for a new row).
    QStringList values = EditMode == Modify && hasRows() ? m_set->currentValues()
                                                          : QStringList(m_layout.table.columns.size());
    for (int i = 0; i < m_editors.size(); ++i)
        values[m_ordinals[i]] = editorText(m_editors[i]);
    return values;
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
