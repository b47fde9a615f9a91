#include "core/rules/institutionchecks.h"

#include "core/store/fieldroutines.h"
#include "core/store/schema.h"

InstitutionProblem ValidateInstitution(const InstitutionTexts &row, const QStringList &names, const QString &title)
{
    if (InstCheckDigit(row.code) == QLatin1String("*"))
        return {Vxbank::BKBRNO, QStringLiteral("代碼欄位不足"), QStringLiteral("金融機構代碼")};
    const TableDef &institutions = Schema::table(Table::VXBANK);
    const QString *texts[3] = {&row.code, &row.shortName, &row.fullName};
    for (int i = 0; i < 3; ++i) {
        if (const QString problem = FieldTextProblem(*texts[i], institutions.width(i), names.value(i)); !problem.isEmpty())
            return {i, problem, title};
    }
    return {};
}
