#pragma once

#include "ui/platform/commandgate.h"

#include "core/output/remittancelist.h"

#include "ui/platform/printer.h"

#include <QDialog>

class AppContext;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// "4. 列印整批匯款檔": the remittance list in a preview box, in either order, printed
// on the printer, shown page by page or exported to PDF. The list is rebuilt whenever the
// window becomes active or the order changes, so it always shows what is stored.
class ListWindow : public QDialog {
    Q_OBJECT
public:
    explicit ListWindow(AppContext &context, QWidget *parent = nullptr);

    QPushButton *printButton() const { return m_print; }
    QPushButton *cancelButton() const { return m_cancel; }
    QRadioButton *option(int index) const { return m_options[index]; }
    QAction *menuOrder(int index) const { return m_menuOrder[index]; }
    QPlainTextEdit *previewBox() const { return m_preview; }
    const QStringList &ListLines() const { return m_list.lines; }

    QString ListFontName;
    int ListFontSize = 11;
    int PrintOrientation = 2; // 1 portrait, 2 landscape
    int PrintCopies = 1;

    void BuildList();
    // Prints the list after saying so; "列印失敗" closes the window.
    void PrintList();
    void chooseFont();
    void printSetup();
    void previewPages();
    void exportPdf();
    // The sheets of the printout, every copy starting on a new sheet.
    PrintJob printJob(int copies) const;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void orderChosen(int order);
    // Whether the list may be printed as it stands; tells the user what is wrong.
    bool printable();

    AppContext &m_context;
    QPushButton *m_print = nullptr;
    QPushButton *m_cancel = nullptr;
    QRadioButton *m_options[2] = {};
    QAction *m_menuOrder[2] = {};
    QPlainTextEdit *m_preview = nullptr;
    QList<QWidget *> m_tabStops; // the focus order, each option a stop of its own
    // Its buttons and menu start nothing while one of its commands or dialogs is open.
    CommandGate m_gate{this};
    QString m_headerDate, m_headerBatch, m_headerPurpose;
    ListResult m_list;
    bool m_hasRemitter = false;
    QString m_readProblem; // why the stored lines could not be read, when they could not
    QString m_printerName; // the printer chosen in the setup; empty: the default one
    bool m_building = false;
    bool m_justShown = false;
};
