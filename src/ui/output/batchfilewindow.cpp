#include "ui/output/batchfilewindow.h"

#include "core/output/batchgeneration.h"
#include "core/output/remittancelist.h"

#include "ui/editing/batchheaderfields.h"
#include "ui/editing/windowparts.h"
#include "core/platform/clock.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/store/batchheader.h"
#include "core/store/fieldroutines.h"
#include "core/store/storefailure.h"
#include "core/store/store.h"

#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

BatchFileWindow::BatchFileWindow(AppContext &context, QWidget *parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("5. 產生整批匯款檔"));
    setModal(true);

    QLabel *heading = makeHeading(QStringLiteral("產生整批匯款檔"), this);

    auto *headerFrame = new QGroupBox(QStringLiteral("＜請輸入相關整批匯款檔資料＞"), this);
    headerFrame->setObjectName(QStringLiteral("Frame1"));
    m_header = new BatchHeaderFields(context, BatchHeaderFields::Host::BatchFile, headerFrame);
    (new QVBoxLayout(headerFrame))->addWidget(m_header);

    auto *orderFrame = new QGroupBox(QStringLiteral("＜產生整批匯款檔方式＞"), this);
    orderFrame->setObjectName(QStringLiteral("Frame2"));
    m_byPayee = new QRadioButton(QStringLiteral("　1.依收款人代碼（由小－＞大）"), orderFrame);
    m_byPayee->setObjectName(QStringLiteral("Option1_0"));
    m_byPayee->setAccessibleName(m_byPayee->text().trimmed());
    m_inputOrder = new QRadioButton(QStringLiteral("　2.依輸入順序"), orderFrame);
    m_inputOrder->setObjectName(QStringLiteral("Option1_1"));
    m_inputOrder->setAccessibleName(m_inputOrder->text().trimmed());
    auto *orderLayout = new QVBoxLayout(orderFrame);
    orderLayout->addWidget(m_byPayee);
    orderLayout->addWidget(m_inputOrder);

    // The totals line up by columns.
    for (int i = 0; i < 2; ++i) {
        m_totals[i] = new QLabel(this);
        m_totals[i]->setObjectName(QStringLiteral("Label3_%1").arg(i));
        m_totals[i]->setFont(fixedPitchFont(1));
    }

    const ConfirmPair buttons = makeConfirmPair(this);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    runOnClick(m_ok, m_gate, [this] { GenerateBatchFile(); });
    runOnClick(m_cancel, m_gate, [this] { reject(); });
    m_header->setMoveTargets(m_cancel, m_ok);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(headerFrame);
    layout->addWidget(orderFrame);
    layout->addSpacing(6);
    layout->addWidget(m_totals[0]);
    layout->addWidget(m_totals[1]);
    layout->addSpacing(6);
    layout->addLayout(buttons.row);
    setMinimumWidth(640);

    setTabOrder(m_header->dateField(), m_header->batchField());
    setTabOrder(m_header->batchField(), m_header->purposeField());
    setTabOrder(m_header->purposeField(), m_ok);
    setTabOrder(m_ok, m_cancel);
    setTabOrder(m_cancel, m_byPayee);
    setTabOrder(m_byPayee, m_inputOrder);

    m_header->LoadHeader();
    m_byPayee->setChecked(true);
    showTotals();
    m_header->dateField()->setFocus();
    // Only "取消" closes this window, so no keyed header is lost by a stray Esc.
    keepOpenOnEscape(this);
}

void BatchFileWindow::showTotals()
{
    Store *store = m_context.working();
    const StoreResult counted = store ? countLines(*store, m_shown) : StoreResult::other(-1, QStringLiteral("資料庫未開啟"));
    m_readProblem.clear();
    if (!counted.ok()) {
        // Totals that could not be read are not shown as zero, and no file is made from them.
        const QString storePath = store ? store->path() : QString();
        m_readProblem = storeFailureNotice(counted, storePath).text;
        tellStoreFailure(m_context.dialogs(), this, counted, storePath);
    }
    const QString count = m_readProblem.isEmpty() ? QString::number(m_shown.count) : QStringLiteral("?");
    const QString sum = !m_readProblem.isEmpty() ? QStringLiteral("?")
        : m_shown.overflow                        ? QStringLiteral("超出可顯示範圍")
                                                  : amountField(m_shown.sum, 0);
    m_totals[0]->setText(QStringLiteral("合計　筆數：    ") + QStringLiteral("%1").arg(count, 11) + QStringLiteral("　筆"));
    m_totals[1]->setText(QStringLiteral("　　　金額：") + QStringLiteral("%1").arg(sum, 15) + QStringLiteral("　元"));
}

QString BatchFileWindow::totalsText() const
{
    return m_totals[0]->text() + QLatin1Char('\n') + m_totals[1]->text();
}

LineOrder BatchFileWindow::order() const
{
    return m_byPayee->isChecked() ? LineOrder::ByPayee : LineOrder::Input;
}

bool BatchFileWindow::goOnDespiteWarnings()
{
    Store *store = m_context.working();
    BatchFileInput in;
    if (!store || !readBatchInput(*store, order(), m_header->values().batchNo, m_header->values().date, in).ok())
        return true; // the generation itself reads again and says what fails
    const QStringList warnings = batchWarnings(in, readGenerations(generationLogPath(m_context.programDir())));
    if (warnings.isEmpty())
        return true;
    constexpr int kShown = 15;
    QString text = QStringLiteral("下列情形銀行會照常處理，但可能是輸入錯誤：\n");
    for (int i = 0; i < qMin(kShown, int(warnings.size())); ++i)
        text += QStringLiteral("・") + warnings[i] + QLatin1Char('\n');
    if (warnings.size() > kShown)
        text += QStringLiteral("…另有 %1 項\n").arg(warnings.size() - kShown);
    text += QStringLiteral("\n是否仍要產生整批匯款檔？");
    return m_context.dialogs().message(this, text, windowTitle(), MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No)
        == MsgAnswer::Yes;
}

void BatchFileWindow::GenerateBatchFile()
{
    // The date is checked here too: a date never left by the keyboard would otherwise
    // reach the bank unchecked.
    if (!m_header->checkDate() || !m_header->checkBatchNo())
        return;
    if (!m_readProblem.isEmpty()) {
        m_context.dialogs().inform(this, QStringLiteral("資料不全,建檔錯誤") + QLatin1Char('\n') + m_readProblem);
        return;
    }
    if (!goOnDespiteWarnings())
        return;
    const QString path = m_context.dialogs().saveFile(this, QString(), QStringLiteral("All Files (*.*);;Text Files(*.txt)"),
                                                      QStringLiteral("Text Files(*.txt)"), QString(), true);
    if (path.isEmpty()) {
        reject();
        return;
    }
    // The file carries the header as it stood when "確定" was pressed; a failed store
    // that sends the focus back into a field must not change what is written.
    const BatchHeader header = m_header->values();
    m_header->StoreHeader();
    WriteBatchFile(path, header);
    m_context.values().ListOrder = order() == LineOrder::ByPayee ? 1 : 2;
    accept();
}

void BatchFileWindow::WriteBatchFile(const QString &path, const BatchHeader &header)
{
    Store *store = m_context.working();
    GenerationOutcome outcome;
    outcome.problem = QStringLiteral("資料庫未開啟");
    if (store)
        outcome = generateBatchFile(*store, {path, header.batchNo, header.date, order(), m_shown,
                                             generationLogPath(m_context.programDir()), m_context.clock().now()});
    Dialogs &dialogs = m_context.dialogs();
    if (!outcome.written) {
        dialogs.inform(this, QStringLiteral("資料不全,建檔錯誤") + QLatin1Char('\n') + outcome.problem);
        return;
    }
    dialogs.inform(this, QStringLiteral("產生完畢"));
    if (!outcome.logProblem.isEmpty())
        dialogs.message(this, outcome.logProblem, QString(), MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
}
