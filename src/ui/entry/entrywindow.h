#pragma once

#include "ui/editing/editingwindow.h"

class BatchHeaderFields;
class QComboBox;
class QTabWidget;

// "3. 匯款資料輸入": the lines of the batch (R_DETL) in the editing window, on its first
// tab; the batch header on the second. A registered payee's code brings its account,
// institution and name from the payee master; an empty code gets a temporary one.
// Closing the window, like F10, only hides it.
class EntryWindow : public EditingWindow {
    Q_OBJECT
public:
    explicit EntryWindow(AppContext &context, QWidget *parent = nullptr);

    QTabWidget *tabs() const { return m_tabs; }
    QComboBox *remarkBox() const { return m_remark; }
    QLabel *institutionName() const { return m_name; }
    QLabel *hint() const { return m_hint; }
    QPushButton *payeeButton() const { return m_payeeLookup; }
    QPushButton *institutionButton() const { return m_institutionLookup; }
    QPushButton *presetButton() const { return m_presets; }
    BatchHeaderFields *header() const { return m_header; }
    QPushButton *headerOkButton() const { return m_headerOk; }
    QPushButton *headerCancelButton() const { return m_headerCancel; }
    QLabel *totals() const { return m_totals; }

    // Counts the stored lines (all of them, whatever the query shows) as window 5 will,
    // without writing, and shows count, amount and fees under the grid; "?" when the
    // lines cannot be read.
    void refreshTotals();

    // Leaving the payee code in add or modify mode: a registered payee fills and locks
    // account, institution and name; an empty code gets the lowest free temporary code.
    void ResolvePayeeCode();
    // Refills the remark box's list from the stored presets; its text stays.
    void LoadRemarkPresets();
    void pickPayee();
    void pickInstitution();
    void editPresets();
    // The header tab's "確定": date check, batch number check, store, "儲存成功".
    void confirmHeader();

protected:
    bool validate() override;
    void modeEntered(int mode) override;
    void modeLeft() override;
    void recordInserted() override;
    void rowShown() override;
    void functionKeyComing() override;
    bool closeBoxEnds() const override { return false; }
    QList<QWidget *> moveOrder() const override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLayout();
    void fitColumnsToScreen();
    void setPayeeFieldsEnabled(bool enabled);

    QTabWidget *m_tabs = nullptr;
    QComboBox *m_remark = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_hint = nullptr;
    QPushButton *m_payeeLookup = nullptr;
    QPushButton *m_institutionLookup = nullptr;
    QPushButton *m_presets = nullptr;
    BatchHeaderFields *m_header = nullptr;
    QPushButton *m_headerOk = nullptr;
    QPushButton *m_headerCancel = nullptr;
    QLabel *m_totals = nullptr;
};
