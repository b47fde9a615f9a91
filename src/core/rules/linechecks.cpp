#include "core/rules/linechecks.h"

#include "core/rules/payeechecks.h"
#include "core/store/schema.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/store.h"

#include <QBitArray>

namespace {

const QString kWindowTitle = QStringLiteral("匯款資料輸入");
} // namespace

const QStringList &LineFieldNames()
{
    static const QStringList names =
        Schema::table(Table::R_DETL).labels({RDetl::R_ID, RDetl::ACTNO, RDetl::TRFBK, RDetl::R_NAME, RDetl::AMT, RDetl::AMT2, RDetl::MARK});
    return names;
}

LineProblem ValidateLine(const LineTexts &line)
{
    if (const auto problem = homeAccountProblem(line.account, line.bank))
        return {1, problem->first, problem->second};
    if (InstCheckDigit(line.bank) == QLatin1String("*"))
        return {2, QStringLiteral("代碼欄位不足"), QStringLiteral("解款行代號")};
    const QString *texts[7] = {&line.code, &line.account, &line.bank, &line.name, &line.amount, &line.fee, &line.remark};
    // Fields 0 to 4 show columns 0 to 4; the remark is column MARK.
    const TableDef &lines = Schema::table(Table::R_DETL);
    const int limits[5] = {lines.width(0), lines.width(1), lines.width(2), lines.width(3), lines.width(4)};
    for (int i = 0; i < 5; ++i) {
        if (!FitsBig5(*texts[i], limits[i]))
            return {i, QStringLiteral("輸入欄位超出 %1Byte     ").arg(limits[i]), kWindowTitle};
        if (TrimBlanks(*texts[i]).isEmpty())
            return {i, QStringLiteral("欄位不可為空白"), kWindowTitle};
    }
    if (const int width = lines.width(RDetl::MARK); !FitsBig5(line.remark, width))
        return {LineProblem::Remark, QStringLiteral("輸入欄位超出 %1Byte     ").arg(width), kWindowTitle};
    // The window's box holds no more; a line from elsewhere is held to the same width.
    if (const int width = lines.width(RDetl::AMT2); !FitsBig5(line.fee, width))
        return {5, QStringLiteral("輸入欄位超出 %1Byte     ").arg(width), kWindowTitle};
    // The list adds the fee into its totals: a text there would be counted as a number.
    if (!line.fee.isEmpty() && !IsDigits(TrimBlanks(line.fee)))
        return {5, QStringLiteral("代扣手續費只能輸入整數（不輸入時為 0）"), kWindowTitle};
    // Found here, where it was typed, and not when the bank's file is written.
    for (int i = 0; i < 7; ++i) {
        if (!IsBig5Text(*texts[i]))
            return {i, QStringLiteral("%1含有無法轉成 Big5 的字元，請修改").arg(LineFieldNames()[i]), kWindowTitle};
    }
    return {};
}

QString NextTempPayeeCode(Store &store)
{
    return FreeTempPayeeCodes(store, 1).value(0);
}

QStringList FreeTempPayeeCodes(Store &store, int count)
{
    // One read of the temporary codes in use, not one search per candidate.
    const auto lines = store.select(Query::table(Table::R_DETL).wherePrefix(QStringLiteral("R_ID"), QStringLiteral("TMP")));
    QBitArray taken(10000);
    for (int r = 0; r < lines->rowCount(); ++r) {
        const QString code = lines->value(r, RDetl::R_ID);
        if (code.size() == 7 && IsDigits(code.mid(3)))
            taken.setBit(code.mid(3).toInt());
    }
    QStringList free;
    for (int n = 1; n < 10000 && free.size() < count; ++n) {
        if (!taken.testBit(n))
            free << QStringLiteral("TMP%1").arg(n, 4, 10, QLatin1Char('0'));
    }
    return free;
}

std::optional<QStringList> findPayee(Store &store, const QString &code)
{
    const auto payee = store.select(Query::table(Table::R_CUST).whereEquals(QStringLiteral("R_ID"), code));
    if (payee->isEmpty())
        return std::nullopt;
    return QStringList{TrimRightBlanks(payee->field(RCust::ACTNO)), TrimRightBlanks(payee->field(RCust::TRFBK)),
                       TrimRightBlanks(payee->field(RCust::R_NAME))};
}

QStringList readRemarkPresets(Store &store)
{
    QStringList row;
    store.readOnlyRow(Table::NNOO, row);
    QStringList presets;
    for (const QString &preset : std::as_const(row))
        presets << TrimRightBlanks(preset);
    return presets;
}

StoreResult writeRemarkPresets(Store &store, const QStringList &presets)
{
    QStringList trimmed;
    for (const QString &preset : presets)
        trimmed << TrimBlanks(preset);
    return store.writeOnlyRow(Table::NNOO, trimmed);
}
