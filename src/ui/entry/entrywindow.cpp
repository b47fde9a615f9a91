#include "ui/entry/entrywindow.h"

#include "core/output/batchgeneration.h"
#include "core/output/money.h"
#include "core/rules/linechecks.h"
#include "ui/entry/presetwindow.h"

#include "ui/editing/batchheaderfields.h"
#include "ui/editing/fieldmoves.h"
#include "ui/editing/rowfinder.h"
#include "ui/master/institutionlookup.h"
#include "ui/master/payeelookup.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/storefailure.h"
#include "core/store/store.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kEntryTitle = QStringLiteral("匯款資料輸入");

EditingLayout entryLayout()
{
    return {QStringLiteral("Form2"),
            QStringLiteral("3. 匯款資料輸入"),
            kEntryTitle,
            Schema::table(Table::R_DETL),
            catalogueFields(Schema::table(Table::R_DETL), {RDetl::R_ID, RDetl::ACTNO, RDetl::TRFBK, RDetl::R_NAME, RDetl::AMT, RDetl::AMT2}),
            // The name is shown twice, beside the code and again beside the amounts.
            catalogueColumns(Schema::table(Table::R_DETL), {RDetl::R_ID, RDetl::ACTNO, RDetl::TRFBK, RDetl::R_NAME, RDetl::AMT2,
                                                            RDetl::AMT, RDetl::R_NAME, RDetl::MARK}),
            {RDetl::R_NAME, RDetl::ACTNO}};
}

QPushButton *smallButton(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    if (caption == QLatin1String("..."))
        b->setFixedWidth(32);
    return b;
}

} // namespace

EntryWindow::EntryWindow(AppContext &context, QWidget *parent) : EditingWindow(context, entryLayout(), parent)
{
    m_remark = new QComboBox(this);
    m_remark->setObjectName(QStringLiteral("Combo1"));
    m_remark->setEditable(true);
    m_remark->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is the remark: no preset may complete it behind the user's back.
    m_remark->setCompleter(nullptr);
    m_remark->setAccessibleName(QStringLiteral("備　　　註："));
    m_remark->setMinimumWidth(52 * fontMetrics().horizontalAdvance(QLatin1Char('0')));
    addEditor(m_remark, RDetl::MARK);

    m_payeeLookup = smallButton(QStringLiteral("..."), QStringLiteral("Command3_0"), this);
    m_institutionLookup = smallButton(QStringLiteral("..."), QStringLiteral("Command3_1"), this);
    m_presets = smallButton(QStringLiteral("備註欄功能鍵設定"), QStringLiteral("Command5"), this);
    m_hint = new QLabel(QStringLiteral("(不輸入時由系統編暫時之收款人代碼)"), this);
    m_hint->setObjectName(QStringLiteral("Label4"));
    m_name = makeInstitutionNameLabel(context, field(2), this);

    m_header = new BatchHeaderFields(context, BatchHeaderFields::Host::EntryTab, this);
    m_headerOk = smallButton(QStringLiteral("確定"), QStringLiteral("Command4_0"), this);
    m_headerCancel = smallButton(QStringLiteral("取消"), QStringLiteral("Command4_1"), this);
    m_header->setMoveTargets(nullptr, m_headerOk);
    m_totals = new QLabel(this);
    m_totals->setObjectName(QStringLiteral("LabelTotals"));
    m_totals->setTextInteractionFlags(Qt::TextSelectableByMouse);

    buildLayout();
    fitColumnsToScreen();

    runOnClick(m_payeeLookup, m_gate, [this] { pickPayee(); });
    runOnClick(m_institutionLookup, m_gate, [this] { pickInstitution(); });
    runOnClick(m_presets, m_gate, [this] { editPresets(); });
    runOnClick(m_headerOk, m_gate, [this] { confirmHeader(); });
    runOnClick(m_headerCancel, m_gate, [this] { m_header->LoadHeader(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == 1)
            m_header->dateField()->setFocus(Qt::TabFocusReason);
    });

    LoadRemarkPresets();
    open(context.working());
    // Whatever changes the lines (a line confirmed or deleted, an import read in) passes
    // through the record set. A prefix typed in query mode only filters the rows: its
    // keystrokes are not counted.
    if (RecordSet *set = recordSet()) {
        for (auto changed : {&RecordSet::rowAdded, &RecordSet::rowChanged, &RecordSet::rowRemoved})
            connect(set, changed, this, &EntryWindow::refreshTotals);
        connect(set, &RecordSet::refreshed, this, [this] {
            if (EditMode != Search)
                refreshTotals();
        });
    }

    // Enter walks 0, 1, 2, 3, 4 and the remark, skipping what leaving the code locked;
    // the fee is reached by Tab or the mouse, and Enter there goes to "確定".
    moves()->setLeaveFirst(true);
    // Up and Down belong to the remark box's list and to the grid, not to field moves.
    moves()->setArrowKeysMove(false);
    // Leaving to cancel or to leave the window resolves nothing.
    moves()->setUnchecked({cancelButton(), actionButton(5)});
    connect(moves(), &FieldMoves::left, this, [this](int index, bool check) {
        if (index == 0 && check)
            ResolvePayeeCode();
    });
    auto *feeMoves = new FieldMoves({field(5)}, this);
    feeMoves->setEnds(nullptr, okButton());
    feeMoves->setArrowKeysMove(false);
    connect(feeMoves, &FieldMoves::entered, this, [this] {
        if (EditMode < Reset)
            selectAllSoon(field(5));
    });
    QWidget *chain[] = {cancelButton(), m_payeeLookup, m_institutionLookup, m_presets};
    for (size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

bool EntryWindow::eventFilter(QObject *watched, QEvent *event)
{
    // From a text field, Up and Down walk the grid while it can be used (query mode), as
    // in the lookups.
    if (event->type() == QEvent::KeyPress && recordSet() && grid()->isEnabled()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        bool inField = false;
        for (int i = 0; i < fieldCount(); ++i)
            inField = inField || watched == field(i);
        if (inField && key->modifiers() == Qt::NoModifier && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            RecordSet *set = recordSet();
            if (key->key() == Qt::Key_Down && set->hasNext())
                set->moveNext();
            else if (key->key() == Qt::Key_Up && set->currentRow() > 0)
                set->movePrevious();
            return true;
        }
    }
    return EditingWindow::eventFilter(watched, event);
}

QList<QWidget *> EntryWindow::moveOrder() const
{
    return {field(0), field(1), field(2), field(3), field(4), m_remark};
}

void EntryWindow::buildLayout()
{
    auto *page = new QWidget;
    auto *buttons = new QHBoxLayout;
    for (int i = 0; i < 6; ++i)
        buttons->addWidget(actionButton(i));
    buttons->addStretch();
    auto *confirmPair = new QVBoxLayout;
    confirmPair->addWidget(okButton());
    confirmPair->addWidget(cancelButton());
    buttons->addLayout(confirmPair);

    auto *fields = new QGridLayout;
    auto row = [&](int line, int index, const QList<QWidget *> &beside) {
        auto *h = new QHBoxLayout;
        h->addWidget(field(index));
        for (QWidget *w : beside)
            h->addWidget(w);
        h->addStretch();
        fields->addWidget(fieldLabel(index), line, 0);
        fields->addLayout(h, line, 1);
    };
    auto unit = [this] { return new QLabel(QStringLiteral(" 元"), this); };
    row(0, 0, {m_payeeLookup, m_hint});
    row(1, 1, {});
    row(2, 2, {m_institutionLookup, m_name});
    row(3, 3, {});
    row(4, 4, {unit(), fieldLabel(5), field(5), unit()});
    auto *remarkLabel = new QLabel(QStringLiteral("備　　　註："), this);
    remarkLabel->setObjectName(QStringLiteral("Label5"));
    remarkLabel->setBuddy(m_remark);
    auto *remarkRow = new QHBoxLayout;
    remarkRow->addWidget(m_remark);
    remarkRow->addWidget(m_presets);
    remarkRow->addStretch();
    fields->addWidget(remarkLabel, 5, 0);
    fields->addLayout(remarkRow, 5, 1);
    fields->setColumnStretch(1, 1);

    auto *lines = new QVBoxLayout(page);
    lines->addLayout(buttons);
    lines->addWidget(heading());
    lines->addLayout(fields);
    lines->addWidget(finder());
    lines->addWidget(grid(), 1);
    lines->addWidget(m_totals);

    auto *headerPage = new QWidget;
    auto *frame = new QGroupBox(QStringLiteral("＜請輸入相關整批匯款檔資料＞"), headerPage);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(m_header);
    auto *headerButtons = new QHBoxLayout;
    headerButtons->addStretch();
    for (QPushButton *b : {m_headerOk, m_headerCancel}) {
        b->setMinimumWidth(100);
        headerButtons->addWidget(b);
    }
    headerButtons->addStretch();
    frameLayout->addLayout(headerButtons);
    auto *headerLayout = new QVBoxLayout(headerPage);
    headerLayout->addWidget(frame);
    headerLayout->addStretch();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->addTab(page, QStringLiteral("匯款明細輸入"));
    m_tabs->addTab(headerPage, QStringLiteral("匯款批號"));
    auto *main = new QVBoxLayout(this);
    main->addWidget(m_tabs);
}

void EntryWindow::fitColumnsToScreen()
{
    // The window opens wide enough for all eight columns; where the screen is narrower,
    // the names and the remark give up width (to no less than 12 bytes) before any column
    // is pushed off the right edge.
    RecordSetGrid *g = grid();
    const int gridMinimum = g->minimumWidth();
    const auto setGridMinimum = [&](int width) {
        g->setMinimumWidth(width);
        // Before the window is shown no layout above the grid hears of the change.
        for (QWidget *w = g; w; w = w == this ? nullptr : w->parentWidget()) {
            w->updateGeometry();
            if (w->layout())
                w->layout()->invalidate();
        }
    };
    const auto wanted = [&] {
        setGridMinimum(g->widthForAllColumns());
        const int width = sizeHint().width();
        setGridMinimum(gridMinimum);
        return width;
    };
    QList<int> text; // the columns that may give up width
    for (int c = 0; c < m_layout.columns.size(); ++c) {
        const int ordinal = m_layout.columns[c].ordinal;
        if (ordinal == RDetl::R_NAME || ordinal == RDetl::MARK)
            text << c;
    }
    // The window's frame is not known before it is shown: leave room for a thin one.
    const int room = (screen() ? screen()->availableGeometry().width() : 1366) - 16;
    const int byteWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int over = wanted() - room;
    if (over > 0) {
        for (int c : text) {
            const int share = (over + int(text.size()) - 1) / int(text.size());
            g->setColumnWidth(c, qMax(12 * byteWidth + 12, g->columnWidth(c) - share));
        }
    }
    resize(qMin(wanted(), room), sizeHint().height());
}

void EntryWindow::refreshTotals()
{
    LineTotals counted;
    Store *store = m_context.working();
    const StoreResult read = store ? tallyLines(*store, counted) : StoreResult::other(-1, QStringLiteral("資料庫未開啟"));
    // Figures that could not be read are never shown as zero.
    const auto figure = [&](qint64 value, bool overflow) {
        return !read.ok() ? QStringLiteral("?") : overflow ? QStringLiteral("超出可顯示範圍") : amountField(value, 0);
    };
    const QString text = QStringLiteral("筆數 %1　匯款金額 %2　手續費 %3")
                             .arg(read.ok() ? QString::number(counted.count) : QStringLiteral("?"),
                                  figure(counted.sum, counted.overflow), figure(counted.fees, counted.feesOverflow));
    m_totals->setText(text);
    m_totals->setAccessibleName(text);
    m_totals->setToolTip(read.ok() ? QString() : storeFailureNotice(read, store ? store->path() : QString()).text);
}

void EntryWindow::setPayeeFieldsEnabled(bool enabled)
{
    for (int i = 1; i <= 3; ++i)
        field(i)->setEnabled(enabled);
    m_institutionLookup->setEnabled(enabled);
}

void EntryWindow::ResolvePayeeCode()
{
    if (EditMode != Add && EditMode != Modify)
        return;
    if (EditMode == Add)
        m_hint->hide();
    Store *store = m_context.working();
    QString code = field(0)->text();
    if (const auto payee = store ? findPayee(*store, code) : std::nullopt) {
        for (int i = 1; i <= 3; ++i)
            field(i)->setText((*payee)[i - 1]);
        setPayeeFieldsEnabled(false);
        return;
    }
    const bool temporary = code.isEmpty();
    if (temporary && store) {
        code = NextTempPayeeCode(*store);
        if (code.isEmpty())
            m_context.dialogs().critical(this, QStringLiteral("暫時收款人代碼 TMP0001 至 TMP9999 已全部使用，請輸入收款人代碼"), kEntryTitle);
        field(0)->setText(code);
    }
    if (EditMode == Add || temporary) {
        for (int i = 1; i <= 3; ++i)
            field(i)->clear();
    }
    setPayeeFieldsEnabled(true);
}

void EntryWindow::LoadRemarkPresets()
{
    const QString typed = m_remark->currentText();
    m_remark->clear();
    if (m_context.working())
        m_remark->addItems(readRemarkPresets(*m_context.working()));
    m_remark->setEditText(typed);
}

bool EntryWindow::validate()
{
    const LineTexts line{field(0)->text(), field(1)->text(), field(2)->text(), field(3)->text(),
                         field(4)->text(), field(5)->text(), m_remark->currentText()};
    const LineProblem problem = ValidateLine(line);
    if (!problem.ok()) {
        refuse(problem.field == LineProblem::Remark ? static_cast<QWidget *>(m_remark) : field(problem.field),
               problem.text, problem.title);
        return false;
    }
    // The account filled and the fee given as stored, shown as stored.
    const TableDef &lines = Schema::table(Table::R_DETL);
    field(1)->setText(lines.columns[RDetl::ACTNO].normalised(field(1)->text()));
    field(5)->setText(lines.columns[RDetl::AMT2].normalised(field(5)->text()));
    return true;
}

void EntryWindow::modeEntered(int mode)
{
    if (mode == Add) {
        m_payeeLookup->setEnabled(true);
        m_institutionLookup->setEnabled(true);
        m_hint->show();
        m_name->setText(noInstitutionName());
    } else if (mode == Modify) {
        // A registered payee's account, institution and name come from the payee master.
        Store *store = m_context.working();
        const bool registered = store && findPayee(*store, field(0)->text());
        setPayeeFieldsEnabled(!registered);
        m_payeeLookup->setEnabled(true);
    }
}

void EntryWindow::modeLeft()
{
    m_payeeLookup->setEnabled(false);
    m_institutionLookup->setEnabled(false);
    m_hint->hide();
}

void EntryWindow::recordInserted()
{
    m_name->setText(noInstitutionName());
}

void EntryWindow::rowShown()
{
    m_name->setText(InstNameLabel(m_context.reference(), field(2)->text()));
}

void EntryWindow::functionKeyComing()
{
    m_tabs->setCurrentIndex(0);
}

void EntryWindow::showEvent(QShowEvent *event)
{
    EditingWindow::showEvent(event);
    // Each opening from the menu shows the stored header; a window restored from the
    // task bar keeps what was typed. The lines may have been emptied by a new batch
    // while the window was hidden.
    if (!event->spontaneous()) {
        m_header->LoadHeader();
        refreshTotals();
    }
}

void EntryWindow::pickPayee()
{
    if (const std::optional<QStringList> picked = pickPayeeRow(m_context, this)) {
        for (int i = 0; i < 4; ++i)
            field(i)->setText(picked->at(i));
        setPayeeFieldsEnabled(false);
        field(4)->setFocus();
        return;
    }
    field(0)->setEnabled(true);
    setPayeeFieldsEnabled(true);
    for (int i : {0, 1, 2, 3, 5})
        field(i)->clear();
    field(0)->setFocus();
}

void EntryWindow::pickInstitution()
{
    if (const auto code = pickInstitutionCode(m_context, this))
        field(2)->setText(*code);
}

void EntryWindow::editPresets()
{
    {
        PresetWindow presets(m_context, this);
        presets.exec();
    }
    LoadRemarkPresets();
}

void EntryWindow::confirmHeader()
{
    if (!m_header->checkDate() || !m_header->checkBatchNo() || !m_header->StoreHeader())
        return;
    m_context.dialogs().inform(this, QStringLiteral("儲存成功"));
}
