#include "institutionlookup.h"

#include "platform/dialogs.h"
#include "store/appcontext.h"
#include "store/schema.h"

QStringList institutionLabels()
{
    return {QStringLiteral("金融機構代碼 ："), QStringLiteral("金融機構簡稱 ："), QStringLiteral("金融機構名稱 ：")};
}

QList<GridColumn> institutionColumns()
{
    return {{Vxbank::BKBRNO, QStringLiteral("金融機構代碼 ")},
            {Vxbank::BNAME, QStringLiteral("金融機構簡稱 ")},
            {Vxbank::FNAME, QStringLiteral("金融機構名稱 ")}};
}

namespace {

LookupLayout institutionLayout()
{
    return {QStringLiteral("Form9"),
            QStringLiteral("解款行代號--查詢"),
            QStringLiteral("金融機構代碼--查詢"),
            Schema::table(Table::VXBANK),
            institutionLabels(),
            institutionColumns()};
}

} // namespace

InstitutionLookup::InstitutionLookup(AppContext &context, QWidget *parent)
    : LookupWindow(context, institutionLayout(), parent), m_korvanaOnly(context.values().LookupCaller == 5)
{
    Store *reference = context.reference();
    if (!reference)
        context.dialogs().critical(this, context.referenceProblemText());
    open(reference);
}

Query InstitutionLookup::queryFor(const QString &prefix) const
{
    if (m_korvanaOnly)
        return Queries::korvanaBranches(prefix);
    return Query::table(Table::VXBANK).wherePrefix(QStringLiteral("BKBRNO"), prefix).orderBy(QStringLiteral("BKBRNO"));
}
