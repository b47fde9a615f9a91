#include "ui/master/institutionwindow.h"

#include "ui/master/institutionlookup.h"

#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/store/fieldroutines.h"

#include <QLineEdit>

namespace {

const QString kTitle = QStringLiteral("金融機購代碼檔維護");

EditingLayout institutionLayout()
{
    const QStringList labels = institutionLabels();
    return {QStringLiteral("Form6"),
            QStringLiteral("7. 金融機購代碼檔維護"),
            kTitle,
            Schema::table(Table::VXBANK),
            {{labels[0], Vxbank::BKBRNO, true}, {labels[1], Vxbank::BNAME}, {labels[2], Vxbank::FNAME}},
            institutionColumns()};
}

} // namespace

InstitutionWindow::InstitutionWindow(AppContext &context, QWidget *parent)
    : EditingWindow(context, institutionLayout(), parent)
{
    layOutStandard();
    Store *reference = context.reference();
    if (!reference)
        context.dialogs().critical(this, context.referenceProblemText());
    open(reference);
}

bool InstitutionWindow::validate()
{
    // The check character itself is not compared: the bank's list is taken as it comes.
    if (InstCheckDigit(field(0)->text()) == QLatin1String("*")) {
        refuse(field(0), QStringLiteral("代碼欄位不足"), QStringLiteral("金融機構代碼"));
        return false;
    }
    return checkFields({0, 1, 2}, kTitle);
}
