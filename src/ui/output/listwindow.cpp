#include "ui/output/listwindow.h"

#include "ui/editing/windowparts.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/store/batchheader.h"
#include "core/store/fieldroutines.h"
#include "core/store/linevalues.h"
#include "core/store/recordset.h"
#include "core/store/storefailure.h"

#include <QButtonGroup>
#include <QDir>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString kTitleEntry = QStringLiteral("　 　整　批　匯　款　資　料　清　單");
const QString kNextPage = QStringLiteral("接下頁");

} // namespace

ListWindow::ListWindow(AppContext &context, QWidget *parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("4. 列印整批匯款檔"));
    setModal(true);

    m_print = new QPushButton(QStringLiteral("列印"), this);
    m_print->setObjectName(QStringLiteral("Command1_0"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("Command1_1"));
    // Enter in the preview or on an option must not print the list.
    for (QPushButton *b : {m_print, m_cancel})
        b->setAutoDefault(false);
    const QString optionTexts[2] = {QStringLiteral("　1.依收款人代碼（由小－＞大）"), QStringLiteral("　2.依輸入順序")};
    auto *group = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        m_options[i] = new QRadioButton(optionTexts[i], this);
        m_options[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        m_options[i]->setAccessibleName(optionTexts[i].trimmed());
        group->addButton(m_options[i], i + 1);
    }
    m_preview = new QPlainTextEdit(this);
    m_preview->setObjectName(QStringLiteral("Text1"));
    m_preview->setAccessibleName(QStringLiteral("匯款資料清單"));
    m_preview->setReadOnly(true);
    m_preview->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_preview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_preview->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_preview->setFont(fixedPitchFont());
    m_preview->setMinimumSize(900, 420);

    auto *menus = new QMenuBar(this);
    QMenu *settings = menus->addMenu(QStringLiteral("設定(&S)"));
    QMenu *order = settings->addMenu(QStringLiteral("列印方式"));
    // The first entry lists by ascending payee code, and says so.
    const QString orderTexts[2] = {QStringLiteral("依收款人代碼（由小－＞大）"), QStringLiteral("依輸入順序")};
    for (int i = 0; i < 2; ++i) {
        m_menuOrder[i] = order->addAction(orderTexts[i]);
        m_menuOrder[i]->setCheckable(true);
        connect(m_menuOrder[i], &QAction::triggered, this, [this, i] {
            m_menuOrder[i]->setChecked(true);
            m_menuOrder[1 - i]->setChecked(false);
            m_context.values().ListOrder = i + 1;
            BuildList();
        });
    }
    settings->addSeparator();
    runOnClick(settings->addAction(QStringLiteral("字型")), m_gate, [this] { chooseFont(); });
    runOnClick(settings->addAction(QStringLiteral("列印")), m_gate, [this] { printSetup(); });
    runOnClick(settings->addAction(QStringLiteral("預覽列印")), m_gate, [this] { previewPages(); });
    runOnClick(settings->addAction(QStringLiteral("匯出 PDF…")), m_gate, [this] { exportPdf(); });
    settings->addSeparator();
    runOnClick(settings->addAction(QStringLiteral("離開")), m_gate, [this] { reject(); });

    auto *top = new QHBoxLayout;
    top->addWidget(m_print);
    top->addWidget(m_cancel);
    top->addSpacing(24);
    auto *options = new QVBoxLayout;
    options->addWidget(m_options[0]);
    options->addWidget(m_options[1]);
    top->addLayout(options);
    top->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menus);
    layout->addLayout(top);
    layout->addWidget(m_preview, 1);

    m_tabStops = {m_cancel, m_preview, m_print, m_options[1], m_options[0]};
    for (qsizetype i = 1; i < m_tabStops.size(); ++i)
        setTabOrder(m_tabStops[i - 1], m_tabStops[i]);
    runOnClick(m_print, m_gate, [this] { PrintList(); });
    runOnClick(m_cancel, m_gate, [this] { reject(); });
    connect(group, &QButtonGroup::idClicked, this, &ListWindow::orderChosen);

    // The font the preview really shows: 細明體 where installed, else the CJK monospace
    // font standing in for it, so that the printout keeps the same columns.
    ListFontName = QFontInfo(m_preview->font()).family();
    ListFontSize = qRound(m_preview->font().pointSizeF());
    BatchHeader header;
    if (m_context.working())
        readHeader(*m_context.working(), header);
    m_headerDate = header.date;
    m_headerBatch = header.batchNo;
    m_headerPurpose = header.purpose;
    // Lines written by other means get their empty values once, as the window opens.
    if (Store *store = m_context.working()) {
        if (const StoreResult filled = fillEmptyLineValues(*store); !filled.ok())
            tellStoreFailure(m_context.dialogs(), this, filled, store->path());
    }
    const int chosen = m_context.values().ListOrder == 2 ? 2 : 1;
    m_building = true; // the window's first activation builds the list
    m_options[chosen - 1]->setChecked(true);
    m_menuOrder[chosen - 1]->setChecked(true);
    m_context.values().ListOrder = chosen;
    m_building = false;
    m_cancel->setFocus();
}

bool ListWindow::focusNextPrevChild(bool next)
{
    // Qt makes exclusive options one stop; here each option is a stop of its own.
    const qsizetype at = m_tabStops.indexOf(focusWidget());
    if (at < 0)
        return QDialog::focusNextPrevChild(next);
    const qsizetype count = m_tabStops.size();
    m_tabStops[(at + (next ? 1 : count - 1)) % count]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void ListWindow::orderChosen(int order)
{
    m_context.values().ListOrder = order;
    m_menuOrder[order - 1]->setChecked(true);
    m_menuOrder[2 - order]->setChecked(false);
    BuildList();
}

void ListWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    BuildList();
    // The activation that follows the showing finds the list just built.
    m_justShown = true;
}

void ListWindow::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || !isVisible())
        return;
    if (m_justShown)
        m_justShown = false;
    else
        BuildList();
}

void ListWindow::BuildList()
{
    if (m_building)
        return;
    m_building = true;
    Store *store = m_context.working();
    ListInput in;
    m_readProblem.clear();
    if (store) {
        QStringList base;
        StoreResult read = store->readOnlyRow(Table::R_BASE, base);
        in.hasRemitter = !base.isEmpty();
        in.name = TrimBlanks(base.value(RBase::RMTNAME));
        in.note1 = TrimBlanks(base.value(RBase::NOTE1));
        in.note2 = TrimBlanks(base.value(RBase::NOTE2));
        in.note3 = TrimBlanks(base.value(RBase::NOTE3));
        in.homeBankCode = HomeBankCode(TrimBlanks(base.value(RBase::BRNO)));
        in.homeBankLabel = QLatin1Char(' ') + InstNameLabel(m_context.reference(), in.homeBankCode);
        const auto lines = store->select(m_options[0]->isChecked() ? Queries::linesWithoutMarker() : Query::table(Table::R_DETL),
                                         read.ok() ? &read : nullptr);
        // A list that could not be read whole is no list to sign: told now, and not printed.
        if (!read.ok()) {
            m_readProblem = storeFailureNotice(read, store->path()).text;
            m_context.dialogs().critical(this, m_readProblem);
            in.lines.clear();
        }
        for (int r = 0; r < lines->rowCount(); ++r)
            in.lines.append({lines->value(r, RDetl::R_ID), lines->value(r, RDetl::ACTNO), lines->value(r, RDetl::TRFBK),
                             lines->value(r, RDetl::R_NAME), lines->value(r, RDetl::AMT), lines->value(r, RDetl::MARK),
                             lines->value(r, RDetl::AMT2)});
    }
    in.headerDate = m_headerDate;
    in.headerBatch = m_headerBatch;
    in.headerPurpose = m_headerPurpose;
    in.today = RocToday(m_context.clock(), 1);
    if (!m_readProblem.isEmpty())
        in.lines.clear();
    m_list = ::BuildList(in);
    m_hasRemitter = in.hasRemitter;
    m_preview->setPlainText(m_list.preview);
    m_building = false;
}

bool ListWindow::printable()
{
    if (!m_readProblem.isEmpty()) {
        m_context.dialogs().critical(this, m_readProblem);
        return false;
    }
    if (!m_hasRemitter) {
        m_context.dialogs().critical(this, QStringLiteral("無匯款人資料，無法產生匯款資料清單，請先建檔。"));
        return false;
    }
    if (m_list.totalsTooLarge) {
        m_context.dialogs().critical(this, QStringLiteral("合計金額超過清單的欄位，無法列印。"));
        return false;
    }
    if (!m_list.notCounted.isEmpty()) {
        const QString text = QStringLiteral("下列收款人代碼的金額或手續費不是整數或超過欄位，以 * 標示，未計入合計：") + QLatin1Char('\n')
            + m_list.notCounted.join(QStringLiteral("、")) + QLatin1Char('\n') + QLatin1Char('\n') + QStringLiteral("仍要繼續嗎？");
        return m_context.dialogs().message(this, text, QString(), MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No)
            == MsgAnswer::Yes;
    }
    return true;
}

PrintJob ListWindow::printJob(int copies) const
{
    PrintJob job;
    job.documentName = windowTitle();
    job.fontFamily = ListFontName;
    job.landscape = PrintOrientation == 2;
    job.printerName = m_printerName;
    for (int copy = 0; copy < copies; ++copy) {
        // Each copy is signed on its own: it starts on a sheet of its own.
        job.sheets.append(QList<PrintLine>());
        for (const QString &entry : m_list.lines) {
            const qreal size = entry.contains(kTitleEntry) ? 12 : 11;
            for (const QString &line : entry.split(QStringLiteral("\r\n")))
                job.sheets.last().append({line, size});
            if (entry.contains(kNextPage))
                job.sheets.append(QList<PrintLine>());
        }
    }
    return job;
}

void ListWindow::PrintList()
{
    if (!printable())
        return;
    Dialogs &dialogs = m_context.dialogs();
    dialogs.inform(this, QStringLiteral("按下確定開始列印..."));
    QString error;
    if (!m_context.printer().print(printJob(PrintCopies), &error)) {
        dialogs.inform(this, QStringLiteral("列印失敗") + (error.isEmpty() ? QString() : QLatin1Char('\n') + error));
        reject();
        return;
    }
    dialogs.inform(this, QStringLiteral("列印完畢"));
}

void ListWindow::chooseFont()
{
    if (const std::optional<QFont> font = m_context.dialogs().chooseFont(this, m_preview->font())) {
        m_preview->setFont(*font);
        ListFontName = QFontInfo(*font).family();
        ListFontSize = qRound(font->pointSizeF());
    }
}

void ListWindow::printSetup()
{
    PrintSetup setup{PrintOrientation == 2, PrintCopies, m_printerName};
    // The setup dialog opens on landscape, as the list is laid out for it.
    setup.landscape = true;
    if (!m_context.dialogs().printSetup(this, setup))
        return;
    PrintOrientation = setup.landscape ? 2 : 1;
    PrintCopies = qMax(1, setup.copies);
    m_printerName = setup.printerName;
}

void ListWindow::previewPages()
{
    if (printable())
        m_context.printer().preview(printJob(1), this);
}

void ListWindow::exportPdf()
{
    if (!printable())
        return;
    Dialogs &dialogs = m_context.dialogs();
    const QString path = dialogs.saveFile(this, QStringLiteral("匯出 PDF"), QStringLiteral("PDF 檔 (*.pdf)"),
                                          QStringLiteral("PDF 檔 (*.pdf)"), QDir::homePath(), true);
    if (path.isEmpty())
        return;
    QString error;
    if (m_context.printer().exportPdf(printJob(1), path, &error))
        dialogs.inform(this, QStringLiteral("PDF 檔已存至") + QLatin1Char('\n') + QDir::toNativeSeparators(path));
    else
        dialogs.critical(this, QStringLiteral("PDF 匯出失敗") + QLatin1Char('\n') + error);
}
