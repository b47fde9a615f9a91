#include "ui/master/payeelookup.h"

#include "ui/master/institutionlookup.h"

#include "ui/platform/appcontext.h"
#include "core/store/fieldroutines.h"
#include "core/store/schema.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QList<int> kShown{RCust::R_ID, RCust::ACTNO, RCust::TRFBK, RCust::R_NAME};
// The lookup names the institution code its own way.
const QString kLookupBankName = QStringLiteral("解款人代號");

QStringList lookupLabels()
{
    QStringList labels;
    for (int ordinal : kShown)
        labels << Schema::table(Table::R_CUST).columns[ordinal].fieldCaption();
    labels[2] = kLookupBankName + QStringLiteral("：");
    return labels;
}

QList<GridColumn> lookupColumns()
{
    QList<GridColumn> columns = catalogueColumns(Schema::table(Table::R_CUST), kShown);
    columns[2].heading = kLookupBankName;
    return columns;
}

LookupLayout payeeLayout()
{
    return {QStringLiteral("Form10"),
            QStringLiteral("收款人資料--查詢"),
            QStringLiteral("收款人資料--查詢"),
            Schema::table(Table::R_CUST),
            lookupLabels(), lookupColumns(), {RCust::R_NAME, RCust::ACTNO}};
}

} // namespace

PayeeLookup::PayeeLookup(AppContext &context, QWidget *parent) : LookupWindow(context, payeeLayout(), parent)
{
    // Beside the institution code: a "..." that cannot be used here, and the institution's name.
    auto *more = new QPushButton(QStringLiteral("..."), this);
    more->setObjectName(QStringLiteral("Command3"));
    more->setEnabled(false);
    more->setFixedWidth(32);
    m_name = makeInstitutionNameLabel(m_context, field(2), this);
    auto *row = new QHBoxLayout;
    row->addWidget(more);
    row->addWidget(m_name, 1);
    m_fieldGrid->addLayout(row, 2, 2);
    for (int i = 1; i < 4; ++i)
        field(i)->setFocusPolicy(Qt::StrongFocus);
    setTabOrder(m_cancel, field(1));
    setTabOrder(field(1), field(2));
    setTabOrder(field(2), field(3));
    open(context.working());
}

QString PayeeLookup::institutionName() const
{
    return m_name->text();
}

Query PayeeLookup::queryFor(const QString &prefix) const
{
    return Query::table(Table::R_CUST).wherePrefix(QStringLiteral("R_ID"), prefix).orderBy(QStringLiteral("R_ID"));
}

std::optional<QStringList> pickPayeeRow(AppContext &context, QWidget *parent)
{
    PayeeLookup lookup(context, parent);
    lookup.exec();
    return lookup.pick();
}
