#include "importer.h"

#include "master/payeechecks.h"
#include "store/fieldroutines.h"
#include "store/recordset.h"
#include "store/store.h"

#include <QSet>

namespace {

// Names a spreadsheet's header may give each payee field, compared without blanks,
// colons or letter case.
const QList<QStringList> kPayeeNames{
    {QStringLiteral("收款人代碼"), QStringLiteral("代碼"), QStringLiteral("編號"), QStringLiteral("code"), QStringLiteral("payeecode"), QStringLiteral("id")},
    {QStringLiteral("收款人帳號"), QStringLiteral("帳號"), QStringLiteral("account"), QStringLiteral("accountno"), QStringLiteral("acct")},
    {QStringLiteral("解款行代號"), QStringLiteral("解款行"), QStringLiteral("銀行代號"), QStringLiteral("金融機構代碼"), QStringLiteral("bank"),
     QStringLiteral("bankcode"), QStringLiteral("institution")},
    {QStringLiteral("收款人姓名"), QStringLiteral("收款人名稱"), QStringLiteral("姓名"), QStringLiteral("名稱"), QStringLiteral("戶名"),
     QStringLiteral("name"), QStringLiteral("payee")},
};

QString normalised(QString name)
{
    name.remove(QLatin1Char(' ')).remove(QChar(0x3000)).remove(QLatin1Char(':')).remove(QChar(0xFF1A)).remove(QLatin1Char('_'));
    return name.toLower();
}

// The field a header cell names, or -1.
int fieldNamed(const QString &cell)
{
    const QString name = normalised(cell);
    for (int f = 0; f < kPayeeNames.size(); ++f) {
        if (kPayeeNames[f].contains(name))
            return f;
    }
    return -1;
}

} // namespace

QStringList importFieldNames(ImportKind)
{
    return {QStringLiteral("收款人代碼"), QStringLiteral("收款人帳號"), QStringLiteral("解款行代號"), QStringLiteral("收款人姓名")};
}

std::optional<ImportFile> readImportFile(const QByteArray &bytes, ImportKind, std::optional<CsvText::Encoding> encoding,
                                         QString *problem)
{
    const auto fail = [&](const QString &why) {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (!encoding)
        encoding = CsvText::detect(bytes);
    if (!encoding)
        return fail(QStringLiteral("無法判斷檔案的編碼（可用 UTF-8、UTF-16 或 Big5），請指定編碼"));
    qsizetype badAt = 0;
    const auto text = CsvText::decode(bytes, *encoding, &badAt);
    if (!text)
        return fail(QStringLiteral("檔案第 %1 位元組起不是有效的 %2 文字").arg(badAt + 1).arg(CsvText::encodingName(*encoding)));
    ImportFile file;
    file.encoding = *encoding;
    file.delimiter = CsvText::detectDelimiter(*text);
    CsvText::Table table = CsvText::split(*text, file.delimiter);
    if (!table.problem.isEmpty())
        return fail(table.problem);
    if (!table.rows.isEmpty()) {
        const QStringList &first = table.rows.first();
        file.hasHeader = std::any_of(first.cbegin(), first.cend(), [](const QString &cell) { return fieldNamed(cell) >= 0; });
    }
    if (file.hasHeader) {
        file.header = table.rows.takeFirst();
        table.lineOfRow.removeFirst();
    }
    file.rows = table.rows;
    file.lines = table.lineOfRow;
    for (const QStringList &row : std::as_const(file.rows))
        file.columnCount = qMax(file.columnCount, int(row.size()));
    file.columnCount = qMax(file.columnCount, int(file.header.size()));
    return file;
}

QList<int> guessMapping(ImportKind kind, const ImportFile &file)
{
    const int fields = int(importFieldNames(kind).size());
    QList<int> mapping(fields, -1);
    if (file.hasHeader) {
        for (int c = 0; c < file.header.size(); ++c) {
            const int f = fieldNamed(file.header[c]);
            if (f >= 0 && mapping[f] < 0)
                mapping[f] = c;
        }
        return mapping;
    }
    for (int f = 0; f < fields && f < file.columnCount; ++f)
        mapping[f] = f;
    return mapping;
}

QString RowError::text() const
{
    return QStringLiteral("第 %1 行（資料第 %2 筆）").arg(line).arg(row) + (field.isEmpty() ? QString() : field + QStringLiteral("："))
        + QString(message).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

ImportPlan planImport(Store &store, ImportKind kind, const ImportFile &file, const QList<int> &mapping)
{
    ImportPlan plan;
    const QStringList names = importFieldNames(kind);
    QSet<QString> seen; // codes of earlier rows, compared as everywhere, ignoring case
    for (int r = 0; r < file.rows.size(); ++r) {
        const QStringList &row = file.rows[r];
        QStringList values;
        for (int f = 0; f < names.size(); ++f)
            values << (mapping.value(f, -1) >= 0 ? row.value(mapping[f]) : QString());
        PayeeTexts payee{values[0], values[1], values[2], values[3]};
        const auto error = [&](int field, const QString &message) {
            plan.errors.append({r + 1, file.lines.value(r), field >= 0 ? names[field] : QString(), message});
        };
        const PayeeProblem problem = ValidatePayee(payee, QString(), [&](const QString &code) {
            return seen.contains(code.toLower()) || store.firstMatch(Table::R_CUST, QStringLiteral("R_ID"), code, QStringLiteral("R_ID"));
        });
        seen.insert(payee.code.toLower());
        if (!problem.ok()) {
            error(problem.field, problem.text);
            continue;
        }
        // Digits only where the bank reads digits.
        if (!IsDigits(TrimBlanks(payee.account))) {
            error(1, QStringLiteral("只能是數字，實為「%1」").arg(payee.account));
            continue;
        }
        if (!IsDigits(payee.bank)) {
            error(2, QStringLiteral("只能是數字，實為「%1」").arg(payee.bank));
            continue;
        }
        // Stored as the payee window stores a keyed account: filled to 14 with blanks.
        if (payee.account.size() < 14)
            payee.account = SpacePadRight(14, payee.account);
        plan.records.append({payee.code, payee.account, payee.bank, payee.name});
    }
    return plan;
}

StoreResult applyImport(Store &store, ImportKind, const ImportPlan &plan)
{
    if (!plan.ok())
        return StoreResult::other(-1, QStringLiteral("匯入資料有錯誤，未寫入任何資料"));
    return store.transaction([&] {
        for (const QStringList &record : plan.records) {
            const StoreResult r = store.exec(QStringLiteral("INSERT INTO R_CUST (R_ID, ACTNO, TRFBK, R_NAME) VALUES (?, ?, ?, ?)"),
                                             {record[0], record[1], record[2], record[3]});
            if (!r.ok())
                return r;
        }
        return StoreResult::success();
    });
}

QByteArray exportTable(Store &store, ImportKind kind, StoreResult *result)
{
    StoreResult read;
    const auto rows = store.select(Query::table(Table::R_CUST), &read);
    if (result)
        *result = read;
    if (!read.ok())
        return {};
    QList<QStringList> out{importFieldNames(kind)};
    for (int r = 0; r < rows->rowCount(); ++r)
        out << QStringList{rows->value(r, RCust::R_ID), rows->value(r, RCust::ACTNO), rows->value(r, RCust::TRFBK),
                           rows->value(r, RCust::R_NAME)};
    return CsvText::write(out);
}
