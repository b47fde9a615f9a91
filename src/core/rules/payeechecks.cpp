#include "core/rules/payeechecks.h"

#include "core/store/fieldroutines.h"
#include "core/store/schema.h"

const QStringList &PayeeFieldNames()
{
    static const QStringList names = Schema::table(Table::R_CUST).labels({RCust::R_ID, RCust::ACTNO, RCust::TRFBK, RCust::R_NAME});
    return names;
}

std::optional<std::pair<QString, QString>> homeAccountProblem(const QString &account, const QString &bank)
{
    if (!bank.startsWith(Bank::HomeCode) || CheckHomeAccount(TrimBlanks(account)))
        return std::nullopt;
    return std::pair{QStringLiteral("Korvana 帳號檢核") + QLatin1Char('\n') + QStringLiteral("收款人帳號不正確"),
                     QStringLiteral("Korvana收款人帳號")};
}

PayeeProblem ValidatePayee(const PayeeTexts &payee, const QString &title, const std::function<bool(const QString &)> &codeTaken)
{
    const TableDef &payees = Schema::table(Table::R_CUST);
    const QString *texts[4] = {&payee.code, &payee.account, &payee.bank, &payee.name};
    const QStringList &names = PayeeFieldNames();
    for (int i = 0; i < 4; ++i) {
        if (const QString problem = FieldTextProblem(*texts[i], payees.width(i), names[i]); !problem.isEmpty())
            return {i, problem, title};
    }
    if (codeTaken(payee.code))
        return {0, QStringLiteral("收款人代碼已經重複 !!"), QStringLiteral("收款人代碼")};
    if (const auto problem = homeAccountProblem(payee.account, payee.bank))
        return {1, problem->first, problem->second};
    if (InstCheckDigit(payee.bank) == QLatin1String("*"))
        return {2, QStringLiteral("代碼欄位不足"), QStringLiteral("解款行代號")};
    return {};
}
