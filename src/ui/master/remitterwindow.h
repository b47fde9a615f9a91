#pragma once

#include "ui/platform/commandgate.h"

#include <QDialog>

class AppContext;
class FieldMoves;
class QLabel;
class QLineEdit;
class QPushButton;

// "1. 匯款人資料建檔": the customer's own profile, the single row of R_BASE. "確定"
// stores the six fields, and the main menu then shows the new remitter; "取消" stores
// nothing. DataReturn is left "5" or "0" accordingly, for whoever reads it.
class RemitterWindow : public QDialog {
    Q_OBJECT
public:
    explicit RemitterWindow(AppContext &context, QWidget *parent = nullptr);

    QLineEdit *field(int index) const { return m_fields[index]; }
    QString checkCharacter() const;
    QString institutionName() const;
    // Whether "確定" stored the profile since the window opened.
    bool stored() const { return m_stored; }

    void confirm();
    void pickBranch();

protected:
    void reject() override;

private:
    void load();
    void setStored(bool stored);
    void showInstitution();
    void left(int index, bool check);
    // Tells the user what is wrong with field `index` and puts the focus there.
    void refuse(int index, const QString &text, const QString &title, bool critical);

    AppContext &m_context;
    QLineEdit *m_fields[6] = {};
    QLineEdit *m_bankBox = nullptr;
    QLineEdit *m_checkBox = nullptr;
    QLabel *m_name = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_lookup = nullptr;
    FieldMoves *m_moves = nullptr;
    // Its buttons start nothing while one of its commands or messages is still open.
    CommandGate m_gate{this};
    bool m_loading = false;
    bool m_stored = false;
};
