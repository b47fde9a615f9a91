#include "core/rules/remitterchecks.h"

#include "core/store/fieldroutines.h"
#include "core/store/schema.h"

namespace {

const QString kRemitterTitle = QStringLiteral("匯款人資料建檔");

} // namespace

bool isKnownRemitKind(const QString &kind)
{
    return kind == QLatin1String("10") || kind == QLatin1String("11");
}

RemitterProblem remitKindProblem()
{
    return {2, QStringLiteral("匯款種類只能輸入") + QLatin1Char('\n') + QStringLiteral("(10：一般匯款，11：公庫匯款)")};
}

RemitterProblem ValidateRemitter(const QStringList &values)
{
    const TableDef &remitter = Schema::table(Table::R_BASE);
    for (int i = 0; i < 3; ++i) {
        if (TrimBlanks(values.value(i)).isEmpty())
            return {i, QStringLiteral("欄位必須有值")};
    }
    for (int i = 0; i < 6; ++i) {
        if (!FitsBig5(values.value(i), remitter.width(i)))
            return {i, QStringLiteral("輸入欄位超出 %1Byte     ").arg(remitter.width(i)), kRemitterTitle, true};
    }
    for (int i = 0; i < 6; ++i) {
        if (!IsBig5Text(values.value(i)))
            return {i, QStringLiteral("%1含有無法轉成 Big5 的字元，請修改").arg(remitter.label(i)), kRemitterTitle, true};
    }
    // A kind that was never left (a click on "確定") is held to the same rule.
    if (!isKnownRemitKind(values.value(2)))
        return remitKindProblem();
    return {};
}
