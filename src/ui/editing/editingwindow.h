#pragma once

#include "ui/editing/recordsetgrid.h"

#include "ui/platform/commandgate.h"
#include "core/store/schema.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class AppContext;
class FieldMoves;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class RecordSet;
class RowFinder;
class Store;
struct StoreResult;

// One text field of an editing window: its label and the column it shows and writes.
struct EditField {
    QString label;
    int ordinal;
    bool digitsOnly = false; // only "0" to "9" can be typed (and nothing else pasted)
};

// The fields of a table's columns, named and ruled as the catalogue of columns says.
QList<EditField> catalogueFields(const TableDef &table, const QList<int> &ordinals);

// What a window hands the editing component: its names, its table, its fields and grid.
// The rows are read in the order of the table's first column (the key), and the query
// mode filters by the beginning of that column.
struct EditingLayout {
    QString objectName;
    QString caption;
    QString idleHeading;
    const TableDef &table;
    QList<EditField> fields;
    QList<GridColumn> columns;
    // The columns "搜尋：" finds a row by (any part of them): a name, an account.
    QList<int> found = {};
};

// The add / modify / delete / query / reset window that the payee master, the
// institution codes and the remittance entry share. It keeps the modes, the six action
// buttons with their function keys, the confirm pair, the grid over its own record set
// and the window's lifetime; a window adds its checks and what it shows beside the fields.
// Its work is kept in one file per job: the parts and layout (editingwindow.cpp), the
// command bar and function keys (editingcommands.cpp), the modes (editingmodes.cpp) and
// the writing of rows (editingrecords.cpp).
//
// Lifetime: "離開 [ F10 ]" only hides the window, which keeps its record set, filter and
// current row for the next opening; the close box ends it (ended() turns true) and the
// opener makes a new one next time.
class EditingWindow : public QDialog {
    Q_OBJECT
public:
    enum Mode { Add = 0, Modify = 1, Delete = 2, Search = 3, Reset = 4, Idle = 5 };

    // The mode (Idle once LeaveMode has run); the field behaviours that depend on it
    // (select-all on entry, Enter to the next field) are off while idle.
    int EditMode = Idle;
    // Set while the window itself re-runs its query or copies the current row into the
    // fields; moves of the current row are then not shown.
    bool Busy = false;

    QLabel *heading() const { return m_heading; }
    QPushButton *actionButton(int index) const { return m_actions[size_t(index)]; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    QLineEdit *field(int index) const { return m_fields[index]; }
    QLabel *fieldLabel(int index) const { return m_labels[index]; }
    int fieldCount() const { return int(m_fields.size()); }
    RecordSetGrid *grid() const { return m_grid; }
    RowFinder *finder() const { return m_finder; }
    RecordSet *recordSet() const { return m_set.get(); }
    bool ended() const { return m_ended; }
    Store *store() const { return m_store; }
    ~EditingWindow() override;

    // Action button `index` (0 add ... 4 reset, 5 leave), as if clicked.
    void act(int index);
    void confirm();
    void cancel();

    void LeaveMode();
    void ReloadAll();

    // A command of its own after the action buttons (importing a file, say), offered only
    // while no mode is entered and run like the action buttons, one at a time.
    QPushButton *addCommand(const QString &text, const QString &objectName, std::function<void()> command);
    // Copies the current row into the editors (blanks them past the last row).
    void ShowCurrentRow();

protected:
    EditingWindow(AppContext &context, const EditingLayout &layout, QWidget *parent);

    // Opens the record set on the store with all rows and goes idle; call at the end of the
    // window's constructor. Without a store the window opens empty and offers only to leave.
    void open(Store *store);

    // Places heading, action buttons, the fields (each with what the window puts beside
    // it), the confirm pair, "搜尋：" and the grid, one under the other.
    void layOutStandard(const QList<QLayout *> &besideFields = {});

    // An editor the window makes itself (a drop-down box) for column `ordinal`; it is
    // cleared, shown, enabled and stored like the text fields, after them.
    void addEditor(QWidget *editor, int ordinal);
    const QList<QWidget *> &editors() const { return m_editors; }

    // The window's checks for add and modify; on failure it has told the user and put the
    // focus on the field (refuse() does both).
    virtual bool validate() = 0;
    // The row to store, in column order; by default each editor's text as typed.
    virtual QStringList rowValues() const;
    // After the common steps of entering a mode / leaving to idle / storing a new row.
    virtual void modeEntered(int) {}
    virtual void modeLeft() {}
    virtual void recordInserted() {}
    // After the current row was copied into the editors.
    virtual void rowShown() {}
    // Before a function key acts (a window with tabs brings the editing tab forward).
    virtual void functionKeyComing() {}
    // Whether the close box ends the window (else it leaves it like "離開 [ F10 ]").
    virtual bool closeBoxEnds() const { return true; }
    FieldMoves *moves() const { return m_moves; }
    // The editors in the order Enter walks them; by default all, in order.
    virtual QList<QWidget *> moveOrder() const { return m_editors; }

    // Tells an input error (critical icon, OK) and puts the focus on the editor.
    void refuse(QWidget *editor, const QString &text, const QString &title);
    // For each field in turn: it must fit its column in Big5 bytes, must not be blank, and
    // must be writable in Big5. The first failure is told with the title; false then.
    bool checkFields(const QList<int> &indexes, const QString &title);
    // Tells a store that refused a change; the typed texts and the mode stay.
    void tellFailure(const StoreResult &result);

    static QString editorText(const QWidget *editor);
    static void setEditorText(QWidget *editor, const QString &text);

    AppContext &m_context;
    const EditingLayout m_layout;
    // The window's buttons and function keys start nothing while one of its commands, or a
    // window or message it opened, is still running.
    CommandGate m_gate{this};

    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void makeActionButtons();
    void EnterMode();
    void InsertRecord();
    void modifyRecord();
    void deleteRecord();
    void searchChanged();
    void setEditorsEnabled(bool enabled);
    void clearEditors();
    void focusIdle();
    bool hasRows() const;
    void refreshed(const StoreResult &result);

    QLabel *m_heading = nullptr;
    std::array<QPushButton *, 6> m_actions{};
    QList<QPushButton *> m_commands;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QList<QLineEdit *> m_fields;
    QList<QLabel *> m_labels;
    QList<QWidget *> m_editors;
    QList<int> m_ordinals; // column of each editor
    RecordSetGrid *m_grid = nullptr;
    RowFinder *m_finder = nullptr;
    QStringList m_shownBeforeFind; // what the editors showed when a find began
    FieldMoves *m_moves = nullptr;
    Store *m_store = nullptr;
    std::unique_ptr<RecordSet> m_set;
    bool m_ended = false;
};
