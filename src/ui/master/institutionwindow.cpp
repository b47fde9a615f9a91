#include "ui/master/institutionwindow.h"

#include "ui/master/institutionlookup.h"

#include "ui/platform/dialogs.h"
#include "ui/platform/appcontext.h"
#include "core/rules/institutionchecks.h"

#include <QLineEdit>

namespace {

const QString kInstitutionTitle = QStringLiteral("金融機購代碼檔維護");

EditingLayout institutionEditing()
{
    const QStringList labels = institutionLabels();
    return {QStringLiteral("Form6"),
            QStringLiteral("7. 金融機購代碼檔維護"),
            kInstitutionTitle,
            Schema::table(Table::VXBANK),
            {{labels[0], Vxbank::BKBRNO, true}, {labels[1], Vxbank::BNAME}, {labels[2], Vxbank::FNAME}},
            institutionColumns(),
            {Vxbank::BKBRNO, Vxbank::BNAME, Vxbank::FNAME}};
}

} // namespace

InstitutionWindow::InstitutionWindow(AppContext &context, QWidget *parent)
    : EditingWindow(context, institutionEditing(), parent)
{
    layOutStandard();
    Store *reference = context.reference();
    if (!reference)
        context.dialogs().critical(this, context.referenceProblemText());
    open(reference);
}

bool InstitutionWindow::validate()
{
    // The messages name each field as its label does.
    QStringList names = institutionLabels();
    for (QString &name : names)
        name.remove(QChar(0xFF1A)).remove(QLatin1Char(' '));
    const InstitutionProblem problem = ValidateInstitution({field(0)->text(), field(1)->text(), field(2)->text()}, names, kInstitutionTitle);
    if (!problem.ok())
        refuse(field(problem.field), problem.text, problem.title);
    return problem.ok();
}
