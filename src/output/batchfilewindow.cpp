#include "batchfilewindow.h"

#include "batchfile.h"

#include "editing/batchheaderfields.h"
#include "editing/windowparts.h"
#include "platform/atomicfile.h"
#include "platform/dialogs.h"
#include "store/appcontext.h"
#include "store/batchheader.h"
#include "store/fieldroutines.h"
#include "store/linevalues.h"
#include "store/storefailure.h"
#include "store/recordset.h"

#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString withThousands(qint64 value)
{
    QString digits = QString::number(value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

} // namespace

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
    connect(m_ok, &QPushButton::clicked, this, &BatchFileWindow::GenerateBatchFile);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
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
    qint64 total = 0;
    int count = 0;
    Store *store = m_context.working();
    if (store) {
        // Every later reading of the lines sees a value; the totals are of what is stored.
        if (const StoreResult filled = fillEmptyLineValues(*store); !filled.ok())
            tellStoreFailure(m_context.dialogs(), this, filled, store->path());
        const auto lines = store->select(Query::table(Table::R_DETL));
        for (int r = 0; r < lines->rowCount(); ++r) {
            total += NumberValue(lines->value(r, RDetl::AMT));
            ++count;
        }
    }
    m_totals[0]->setText(QStringLiteral("合計　筆數：    ") + QStringLiteral("%1").arg(count, 11) + QStringLiteral("　筆"));
    m_totals[1]->setText(QStringLiteral("　　　金額：") + QStringLiteral("%1").arg(withThousands(total), 15) + QStringLiteral("　元"));
}

QString BatchFileWindow::totalsText() const
{
    return m_totals[0]->text() + QLatin1Char('\n') + m_totals[1]->text();
}

void BatchFileWindow::GenerateBatchFile()
{
    // The date is checked here too: a date never left by the keyboard would otherwise
    // reach the bank unchecked.
    if (!m_header->checkDate() || !m_header->checkBatchNo())
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
    m_context.values().ListOrder = m_byPayee->isChecked() ? 1 : 2;
    accept();
}

bool BatchFileWindow::collectInput(BatchFileInput &in, const BatchHeader &header, QString *problem)
{
    Store *store = m_context.working();
    if (!store) {
        *problem = QStringLiteral("資料庫未開啟");
        return false;
    }
    StoreResult result;
    const auto base = store->select(Query::table(Table::R_BASE), &result);
    in.hasRemitter = !base->isEmpty();
    in.remitter = {base->field(RBase::BRNO), base->field(RBase::RMTNAME), base->field(RBase::RMTKIND)};
    const auto lines = result.ok()
        ? store->select(m_byPayee->isChecked() ? Queries::linesWithoutMarker() : Query::table(Table::R_DETL), &result)
        : nullptr;
    if (!result.ok()) {
        *problem = storeFailureNotice(result, store->path()).text;
        return false;
    }
    for (int r = 0; r < lines->rowCount(); ++r)
        in.lines.append({lines->value(r, RDetl::R_ID), lines->value(r, RDetl::ACTNO), lines->value(r, RDetl::TRFBK),
                         lines->value(r, RDetl::R_NAME), lines->value(r, RDetl::AMT), lines->value(r, RDetl::MARK)});
    // The file carries what the window shows, not what was stored before.
    in.batchNo = header.batchNo;
    in.remitDate = header.date;
    return true;
}

void BatchFileWindow::WriteBatchFile(const QString &path, const BatchHeader &header)
{
    BatchFileInput in;
    QString problem;
    if (collectInput(in, header, &problem)) {
        const BatchFileResult built = buildBatchFile(in);
        problem = built.problem;
        QString error;
        if (built.ok && !writeFileAtomically(path, built.bytes, &error))
            problem = QStringLiteral("無法寫入 %1：%2").arg(QDir::toNativeSeparators(path), error);
    }
    if (problem.isEmpty())
        m_context.dialogs().inform(this, QStringLiteral("產生完畢"));
    else
        m_context.dialogs().inform(this, QStringLiteral("資料不全,建檔錯誤") + QLatin1Char('\n') + problem);
}
