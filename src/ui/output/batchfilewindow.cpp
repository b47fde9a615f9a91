#include "ui/output/batchfilewindow.h"

#include "core/output/batchgeneration.h"
#include "core/services/batchrun.h"
#include "core/output/money.h"

#include "ui/editing/batchheaderfields.h"
#include "ui/editing/windowparts.h"
#include "core/platform/clock.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
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

void BatchFileWindow::GenerateBatchFile()
{
    Store *store = m_context.working();
    Dialogs &dialogs = m_context.dialogs();
    if (!store) {
        tell(dialogs, this, incomplete(QStringLiteral("資料庫未開啟")));
        return;
    }
    const BatchRunQuestions ask{
        [&](const QStringList &warnings) {
            return dialogs.message(this, warningQuestion(warnings), windowTitle(), MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No)
                == MsgAnswer::Yes;
        },
        [&] {
            return dialogs.saveFile(this, QString(), QStringLiteral("All Files (*.*);;Text Files(*.txt)"), QStringLiteral("Text Files(*.txt)"),
                                    QString(), true);
        }};
    const BatchRunOutcome outcome = runBatch(*store, {m_header->values(), order(), m_shown, m_readProblem, generationLogPath(m_context.dataDir()),
                                                               m_context.backedUpLines()},
                                             m_context.clock(), ask);
    // A refused field takes the focus back; while its message shows, leaving it checks nothing.
    m_header->MessageShown = m_header->MessageShown || outcome.headerRefused;
    for (const Notice &notice : outcome.notices)
        m_header->tell(notice);
    // Leaving the save dialog closes the window, and so does a run that reached its file,
    // whether written or not; a refused field or declined warnings keep it open.
    if (outcome.noTarget)
        reject();
    else if (!outcome.target.isEmpty()) {
        m_context.values().ListOrder = order() == LineOrder::ByPayee ? 1 : 2;
        accept();
    }
}
