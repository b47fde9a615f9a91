#include "ui/master/remitterwindow.h"

#include "core/rules/remitterchecks.h"
#include "core/store/schema.h"
#include "ui/master/institutionlookup.h"

#include "ui/editing/fieldmoves.h"
#include "ui/editing/windowparts.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/storefailure.h"
#include "core/store/storeopening.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kWindowTitle = QStringLiteral("匯款人資料建檔");

// What a new profile starts with: an ordinary remittance and the usual signature lines.
QString defaultText(int index)
{
    switch (index) {
    case 2: return QStringLiteral("10");
    case 3: return QStringLiteral("主管") + QString(19, QLatin1Char(' ')) + QStringLiteral("製表") + QString(23, QLatin1Char(' '));
    case 5: return QStringLiteral("連  絡  人");
    default: return {};
    }
}

} // namespace

RemitterWindow::RemitterWindow(AppContext &context, QWidget *parent) : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("1. 匯款人資料建檔"));
    setModal(true);

    QLabel *heading = makeHeading(kWindowTitle, this);

    // Footer lines are laid out with blanks: show them in a font where blanks keep their width.
    const TableDef &base = Schema::table(Table::R_BASE);
    const QFont fixed = fixedPitchFont();
    const int byteWidth = QFontMetrics(fixed).horizontalAdvance(QLatin1Char('0'));
    for (int i = 0; i < 6; ++i) {
        auto *f = new QLineEdit(this);
        f->setObjectName(QStringLiteral("Text1_%1").arg(i));
        f->setAccessibleName(Schema::table(Table::R_BASE).label(i));
        f->setMaxLength(base.width(i));
        f->setFont(fixed);
        f->setFixedWidth(base.width(i) * byteWidth + 14);
        m_fields[i] = f;
    }
    m_bankBox = new QLineEdit(Bank::HomeCode, this);
    m_bankBox->setObjectName(QStringLiteral("Text2_0"));
    m_checkBox = new QLineEdit(this);
    m_checkBox->setObjectName(QStringLiteral("Text2_1"));
    for (QLineEdit *box : {m_bankBox, m_checkBox}) {
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::ClickFocus);
        box->setFont(fixed);
    }
    m_bankBox->setAccessibleName(QStringLiteral("銀行代號"));
    m_checkBox->setAccessibleName(QStringLiteral("檢查碼"));
    m_bankBox->setFixedWidth(3 * byteWidth + 14);
    m_checkBox->setFixedWidth(byteWidth + 14);
    m_lookup = new QPushButton(QStringLiteral("..."), this);
    m_lookup->setObjectName(QStringLiteral("Command3"));
    m_lookup->setFixedWidth(32);
    m_name = new QLabel(noInstitutionName(), this);
    m_name->setObjectName(QStringLiteral("Label3"));
    m_name->setTextFormat(Qt::PlainText);

    auto *grid = new QGridLayout;
    auto label = [this](const QString &text, int index) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QStringLiteral("Label2_%1").arg(index));
        return l;
    };
    auto *branchRow = new QHBoxLayout;
    branchRow->addWidget(m_bankBox);
    branchRow->addWidget(m_fields[0]);
    branchRow->addWidget(m_checkBox);
    branchRow->addWidget(m_lookup);
    branchRow->addWidget(m_name, 1);
    grid->addWidget(label(QStringLiteral("匯 款 行 代 號 ："), 0), 0, 0);
    grid->addLayout(branchRow, 0, 1);
    grid->addWidget(label(QStringLiteral("匯 款 人 姓 名 ："), 1), 1, 0);
    grid->addWidget(m_fields[1], 1, 1, Qt::AlignLeft);
    auto *kindRow = new QHBoxLayout;
    kindRow->addWidget(m_fields[2]);
    auto *hint = new QLabel(QStringLiteral("(10：一般匯款，11：公庫匯款)"), this);
    hint->setObjectName(QStringLiteral("Label4"));
    kindRow->addWidget(hint);
    kindRow->addStretch();
    grid->addWidget(label(QStringLiteral("匯 款 種 類 ："), 2), 2, 0);
    grid->addLayout(kindRow, 2, 1);
    grid->addWidget(label(QStringLiteral("匯 款 資 料 清 單 末 頁 加 註 ：  ( 例 ： ’ 主管　會計　出納　製表 ’)"), 3), 3, 0, 1, 2);
    for (int i = 3; i < 6; ++i)
        grid->addWidget(m_fields[i], i + 1, 1, Qt::AlignLeft);

    const ConfirmPair buttons = makeConfirmPair(this);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    m_lookup->setAutoDefault(true);
    runOnClick(m_ok, m_gate, [this] { confirm(); });
    runOnClick(m_cancel, m_gate, [this] { reject(); });
    runOnClick(m_lookup, m_gate, [this] { pickBranch(); });
    connect(m_fields[0], &QLineEdit::textChanged, this, [this](const QString &branch) {
        if (!m_loading && branch.size() == 3)
            showInstitution();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons.row);

    QWidget *chain[] = {m_fields[0], m_fields[1], m_fields[2], m_fields[3], m_fields[4], m_fields[5],
                        m_ok, m_cancel, m_lookup};
    for (size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);
    m_moves = new FieldMoves({m_fields[0], m_fields[1], m_fields[2], m_fields[3], m_fields[4], m_fields[5]}, this);
    m_moves->setEnds(nullptr, m_ok);
    // Leaving for "取消" is not nagged, nor for "確定", which checks the type itself.
    m_moves->setUnchecked({m_ok, m_cancel});
    connect(m_moves, &FieldMoves::entered, this, [this](int index) { selectAllSoon(m_fields[index]); });
    connect(m_moves, &FieldMoves::left, this, &RemitterWindow::left);

    load();
    m_fields[0]->setFocus();
    // Only "取消" or the close box close this window.
    keepOpenOnEscape(this);
}

void RemitterWindow::load()
{
    setStored(false);
    if (!m_context.reference())
        m_context.dialogs().critical(this, m_context.referenceProblemText());
    m_loading = true;
    QStringList base;
    if (m_context.working())
        m_context.working()->readOnlyRow(Table::R_BASE, base);
    for (int i = 0; i < 6; ++i)
        m_fields[i]->setText(base.isEmpty() ? defaultText(i) : base.value(i));
    if (!base.isEmpty())
        showInstitution();
    m_loading = false;
}

void RemitterWindow::setStored(bool stored)
{
    m_stored = stored;
    m_context.values().DataReturn = stored ? QStringLiteral("5") : QStringLiteral("0");
}

void RemitterWindow::showInstitution()
{
    const QString code = HomeBankCode(m_fields[0]->text());
    const QString check = code.mid(3 + m_fields[0]->text().size());
    m_checkBox->setText(check);
    m_name->setText(InstNameLabel(m_context.reference(), code));
}

QString RemitterWindow::checkCharacter() const
{
    return m_checkBox->text();
}

QString RemitterWindow::institutionName() const
{
    return m_name->text();
}

void RemitterWindow::refuse(int index, const QString &text, const QString &title, bool critical)
{
    m_context.dialogs().message(this, text, title, critical ? MsgIcon::Critical : MsgIcon::None, MsgButtons::Ok,
                                MsgAnswer::Ok);
    m_fields[index]->setFocus();
}

void RemitterWindow::left(int index, bool check)
{
    // "7" becomes "007" whichever field is left; the institution follows. Blanks around
    // the digits are dropped first: padded, " 7" would not fit the three positions.
    const QString padded = ZeroPadLeft(3, TrimBlanks(m_fields[0]->text()));
    if (padded != m_fields[0]->text())
        m_fields[0]->setText(padded);
    if (!check || index != 2 || isKnownRemitKind(m_fields[2]->text()))
        return;
    QMetaObject::invokeMethod(this, [this] { refuse(2, remitKindProblem().text, applicationTitle(), false); }, Qt::QueuedConnection);
}

void RemitterWindow::pickBranch()
{
    // The remitter remits from a Korvana branch: only those are offered. LookupCaller
    // tells the same while the lookup is open.
    m_context.values().LookupCaller = 5;
    const std::optional<QString> code = pickInstitutionCode(m_context, this, InstitutionOffer::KorvanaOnly);
    m_context.values().LookupCaller = 0;
    // The branch digits stand between the bank code and the check character.
    if (code)
        m_fields[0]->setText(code->mid(3, 3));
    m_fields[1]->setFocus();
}

void RemitterWindow::confirm()
{
    QStringList values;
    for (QLineEdit *f : m_fields)
        values << f->text();
    if (const RemitterProblem problem = ValidateRemitter(values); !problem.ok()) {
        refuse(problem.field, problem.text, problem.title.isEmpty() ? applicationTitle() : problem.title, problem.select);
        return;
    }
    Store *store = m_context.working();
    const StoreResult result = store ? store->writeOnlyRow(Table::R_BASE, values) : StoreResult::other(-1, QString());
    if (!result.ok()) {
        tellStoreFailure(m_context.dialogs(), this, result, workingStorePath(m_context.dataDir()));
        if (result.error == StoreResult::Error::TooLong)
            m_fields[qBound(0, result.ordinal, 5)]->setFocus();
        return;
    }
    setStored(true);
    m_context.dialogs().inform(this, QStringLiteral("儲存成功"));
    QDialog::accept();
}

void RemitterWindow::reject()
{
    setStored(false);
    QDialog::reject();
}
