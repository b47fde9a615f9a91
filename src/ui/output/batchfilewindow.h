#pragma once

#include "ui/platform/commandgate.h"

#include "core/output/batchgeneration.h"

#include <QDialog>

class AppContext;
class BatchHeaderFields;
class QLabel;
class QPushButton;
class QRadioButton;
struct BatchHeader;

// "5. 產生整批匯款檔": the batch totals, the header fields, the order of the lines, and
// the bank's batch file written to a file the user picks.
class BatchFileWindow : public QDialog {
    Q_OBJECT
public:
    explicit BatchFileWindow(AppContext &context, QWidget *parent = nullptr);

    BatchHeaderFields *headerFields() const { return m_header; }
    QString totalsText() const;

    // The confirm button: checks, asks for the file, stores the header, writes, closes.
    void GenerateBatchFile();

private:
    void showTotals();
    LineOrder order() const;

    AppContext &m_context;
    BatchHeaderFields *m_header = nullptr;
    QRadioButton *m_byPayee = nullptr;
    QRadioButton *m_inputOrder = nullptr;
    QLabel *m_totals[2] = {};
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    // Its buttons start nothing while one of its commands or messages is still open.
    CommandGate m_gate{this};
    LineTotals m_shown;     // the totals as shown when the window opened
    QString m_readProblem;  // why they could not be read, if they could not
};
