#pragma once

#include "ui/editing/editingwindow.h"

class QLabel;
class QPushButton;

// "2. 收款人資料建檔": the payee master R_CUST in the editing window. Codes are kept
// unique here; an account at a Korvana branch must carry its check digit.
class PayeeWindow : public EditingWindow {
    Q_OBJECT
public:
    explicit PayeeWindow(AppContext &context, QWidget *parent = nullptr);

    QLabel *institutionName() const { return m_name; }
    QPushButton *lookupButton() const { return m_lookup; }

    // Whether code may be stored: it is the code the row had when modifying began, or no
    // payee has it yet (codes compare as everywhere, ignoring case).
    bool check_RID(const QString &code) const;
    // The "..." beside the institution code: pick one from the institution lookup.
    void pickInstitution();

    // The code of the row being modified; empty in the other modes.
    QString EditKey;

protected:
    bool validate() override;
    void modeEntered(int mode) override;
    void modeLeft() override;
    void recordInserted() override;

private:
    QLabel *m_name = nullptr;
    QPushButton *m_lookup = nullptr;
};
