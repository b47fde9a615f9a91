#pragma once

#include "core/exchange/importer.h"

#include <QDialog>

#include <utility>

class AppContext;
class EditingWindow;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableView;
class QTableWidget;

// The preview of a spreadsheet file before its rows are taken in: the encoding (which
// the user may change), whether the first row names the columns, which column fills
// which field, whether stored payees are updated, every row as it would be stored, every
// field an update changes, every error and every warning with its line, and the count.
// "匯入" writes all rows, and only when no row has an error; warnings do not stop it.
class QBoxLayout;

class ImportDialog : public QDialog {
    Q_OBJECT
public:
    ImportDialog(AppContext &context, ImportKind kind, Store &store, const QByteArray &bytes, const QString &path,
                 QWidget *parent = nullptr);

    const ImportPlan &plan() const { return m_plan; }
    QComboBox *encodingBox() const { return m_encoding; }
    QCheckBox *headerBox() const { return m_header; }
    QComboBox *fieldBox(int field) const { return m_fields[field]; }
    QTableWidget *preview() const { return m_preview; }
    QListWidget *errorList() const { return m_errors; }
    QListWidget *warningList() const { return m_warnings; }
    QTableView *changeView() const { return m_changes; }
    QLabel *countLabel() const { return m_count; }
    QPushButton *importButton() const { return m_import; }
    QRadioButton *replaceOption() const { return m_replace; }
    QRadioButton *updateOption() const { return m_update; }

    // Writes the rows; tells the user what was done, or why nothing was.
    void importRows();

private:
    void reread();  // after the encoding or the header choice changed
    void replan();  // after the mapping or the mode changed
    void fillColumnChoices();
    // Two ways to import (label, object name) on one line, the first chosen; choosing the
    // second plans again. Returns the first; `other` gets the second.
    QRadioButton *choice(QBoxLayout *layout, const std::pair<QString, QString> &first,
                         const std::pair<QString, QString> &second, QRadioButton **other);

    AppContext &m_context;
    ImportKind m_kind;
    Store &m_store;
    QByteArray m_bytes;
    std::optional<ImportFile> m_file;
    QString m_readProblem;
    ImportPlan m_plan;
    QComboBox *m_encoding = nullptr;
    QCheckBox *m_header = nullptr;
    QList<QComboBox *> m_fields;
    QRadioButton *m_merge = nullptr;
    QRadioButton *m_replace = nullptr;
    QRadioButton *m_update = nullptr;
    Store *m_reference = nullptr;
    QTableWidget *m_preview = nullptr;
    QLabel *m_changesLabel = nullptr;
    QTableView *m_changes = nullptr;
    QLabel *m_errorsLabel = nullptr;
    QListWidget *m_errors = nullptr;
    QLabel *m_warningsLabel = nullptr;
    QListWidget *m_warnings = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_import = nullptr;
    bool m_filling = false;
};

// Gives an editing window its "匯入…" and "匯出…" commands for the kind of rows it keys.
void addExchangeCommands(EditingWindow *window, AppContext &context, ImportKind kind);
