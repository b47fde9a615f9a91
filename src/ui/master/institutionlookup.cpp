#include "ui/master/institutionlookup.h"

#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/store/fieldroutines.h"
#include "core/store/schema.h"

#include <QLabel>
#include <QLineEdit>

QStringList institutionLabels()
{
    QStringList labels;
    for (int ordinal : {Vxbank::BKBRNO, Vxbank::BNAME, Vxbank::FNAME})
        labels << Schema::table(Table::VXBANK).columns[ordinal].fieldCaption();
    return labels;
}

QList<GridColumn> institutionColumns()
{
    return catalogueColumns(Schema::table(Table::VXBANK), {Vxbank::BKBRNO, Vxbank::BNAME, Vxbank::FNAME});
}

QString noInstitutionName()
{
    return QStringLiteral("[金融機構名稱]");
}

QLabel *makeInstitutionNameLabel(AppContext &context, QLineEdit *codeField, QWidget *parent)
{
    auto *name = new QLabel(noInstitutionName(), parent);
    name->setObjectName(QStringLiteral("Label3"));
    name->setTextFormat(Qt::PlainText);
    QObject::connect(codeField, &QLineEdit::textChanged, name, [&context, name](const QString &code) {
        if (code.size() >= 7)
            name->setText(InstNameLabel(context.reference(), code));
    });
    return name;
}

namespace {

LookupLayout institutionLayout()
{
    return {QStringLiteral("Form9"),
            QStringLiteral("解款行代號--查詢"),
            QStringLiteral("金融機構代碼--查詢"),
            Schema::table(Table::VXBANK),
            institutionLabels(),
            institutionColumns(),
            {Vxbank::BKBRNO, Vxbank::BNAME, Vxbank::FNAME}};
}

} // namespace

InstitutionLookup::InstitutionLookup(AppContext &context, QWidget *parent, InstitutionOffer offer)
    : LookupWindow(context, institutionLayout(), parent), m_offer(offer)
{
    Store *reference = context.reference();
    if (!reference)
        context.dialogs().critical(this, context.referenceProblemText());
    open(reference);
}

Query InstitutionLookup::queryFor(const QString &prefix) const
{
    if (m_offer == InstitutionOffer::KorvanaOnly)
        return Queries::korvanaBranches(prefix);
    return Query::table(Table::VXBANK).wherePrefix(QStringLiteral("BKBRNO"), prefix).orderBy(QStringLiteral("BKBRNO"));
}

std::optional<QString> InstitutionLookup::pickedCode() const
{
    if (!pick())
        return std::nullopt;
    return pick()->first();
}

std::optional<QString> pickInstitutionCode(AppContext &context, QWidget *parent, InstitutionOffer offer)
{
    InstitutionLookup lookup(context, parent, offer);
    lookup.exec();
    return lookup.pickedCode();
}
