#include "ui/master/payeewindow.h"

#include "ui/master/institutionlookup.h"
#include "core/rules/payeechecks.h"

#include "ui/platform/appcontext.h"
#include "core/store/fieldroutines.h"
#include "core/store/storeopening.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kPayeeTitle = QStringLiteral("收款人資料建檔");

EditingLayout payeeEditing()
{
    return {QStringLiteral("Form4"),
            QStringLiteral("2. 收款人資料建檔"),
            kPayeeTitle,
            Schema::table(Table::R_CUST),
            catalogueFields(Schema::table(Table::R_CUST), {RCust::R_ID, RCust::ACTNO, RCust::TRFBK, RCust::R_NAME}),
            catalogueColumns(Schema::table(Table::R_CUST), {RCust::R_ID, RCust::ACTNO, RCust::TRFBK, RCust::R_NAME}),
            {RCust::R_NAME, RCust::ACTNO}};
}

} // namespace

PayeeWindow::PayeeWindow(AppContext &context, QWidget *parent) : EditingWindow(context, payeeEditing(), parent)
{
    m_lookup = new QPushButton(QStringLiteral("..."), this);
    m_lookup->setObjectName(QStringLiteral("Command3"));
    m_lookup->setFixedWidth(32);
    m_name = makeInstitutionNameLabel(context, field(2), this);
    auto *beside = new QHBoxLayout;
    beside->addWidget(m_lookup);
    beside->addWidget(m_name, 1);
    layOutStandard({nullptr, nullptr, beside});

    runOnClick(m_lookup, m_gate, [this] { pickInstitution(); });
    open(context.working());
    setTabOrder(cancelButton(), m_lookup);
}

// Codes that differ only in letter case count as the same code ("a001" beside "A001" is a
// duplicate): they sort as one in every list, and a clerk reading them out cannot tell
// them apart. The store's key searches compare the same way.
bool PayeeWindow::check_RID(const QString &code) const
{
    if (code.compare(EditKey, Qt::CaseInsensitive) == 0)
        return true;
    Store *store = m_context.working();
    return !store || !store->firstMatch(Table::R_CUST, QStringLiteral("R_ID"), code, QStringLiteral("R_ID"));
}

bool PayeeWindow::validate()
{
    // The field checks come first so that the account is padded only when they pass.
    if (!checkFields({0, 1, 2, 3}, kPayeeTitle))
        return false;
    // The account as stored (filled to the bank's width) is what is shown and checked.
    field(1)->setText(Schema::table(Table::R_CUST).columns[RCust::ACTNO].normalised(field(1)->text()));
    const PayeeProblem problem = ValidatePayee({field(0)->text(), field(1)->text(), field(2)->text(), field(3)->text()}, kPayeeTitle,
                                               [this](const QString &code) { return !check_RID(code); });
    if (!problem.ok()) {
        refuse(field(problem.field), problem.text, problem.title);
        return false;
    }
    return true;
}

void PayeeWindow::modeEntered(int mode)
{
    EditKey = mode == Modify ? field(0)->text() : QString();
    if (mode == Add)
        m_name->setText(noInstitutionName());
    m_lookup->setEnabled(mode == Add || mode == Modify);
}

void PayeeWindow::modeLeft()
{
    m_lookup->setEnabled(false);
}

void PayeeWindow::recordInserted()
{
    m_name->setText(noInstitutionName());
}

void PayeeWindow::pickInstitution()
{
    if (const auto code = pickInstitutionCode(m_context, this))
        field(2)->setText(*code);
}
