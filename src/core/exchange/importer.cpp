#include "core/exchange/importer.h"

#include "core/store/schema.h"
#include "core/rules/linechecks.h"
#include "core/rules/payeechecks.h"
#include "core/output/batchfile.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/store.h"

#include <QHash>
#include <QSet>

namespace {

struct KindDef {
    QString table;
    QStringList fields;            // as the user knows them, in the table's order
    QList<int> ordinals;           // the table column of each field
    QList<QStringList> headerNames; // what a header may call each field, compared loosely
};

KindDef kindOf(const QString &table, const QList<int> &ordinals)
{
    const TableDef &def = Schema::table(table);
    KindDef kind{table, def.labels(ordinals), ordinals, {}};
    for (int ordinal : ordinals)
        kind.headerNames << QStringList{def.label(ordinal)} + def.columns[ordinal].importNames;
    return kind;
}

const KindDef &kindDef(ImportKind kind)
{
    static const KindDef payees = kindOf(Table::R_CUST, {RCust::R_ID, RCust::ACTNO, RCust::TRFBK, RCust::R_NAME});
    static const KindDef lines =
        kindOf(Table::R_DETL, {RDetl::R_ID, RDetl::ACTNO, RDetl::TRFBK, RDetl::R_NAME, RDetl::AMT, RDetl::AMT2, RDetl::MARK});
    static const KindDef institutions = kindOf(Table::VXBANK, {Vxbank::BKBRNO, Vxbank::BNAME, Vxbank::FNAME});
    switch (kind) {
    case ImportKind::Payees: return payees;
    case ImportKind::Lines: return lines;
    case ImportKind::Institutions: return institutions;
    }
    return payees;
}

QString normalised(QString name)
{
    name.remove(QLatin1Char(' ')).remove(QChar(0x3000)).remove(QLatin1Char(':')).remove(QChar(0xFF1A)).remove(QLatin1Char('_'));
    return name.toLower();
}

// The field a header cell names, or -1.
int fieldNamed(const KindDef &def, const QString &cell)
{
    const QString name = normalised(cell);
    for (int f = 0; f < def.headerNames.size(); ++f) {
        if (def.headerNames[f].contains(name))
            return f;
    }
    return -1;
}

// Whether a cell holds a value of a digit column (an account, an institution code, an
// amount), written as a spreadsheet may write it.
bool looksNumeric(const QString &cell)
{
    bool digit = false;
    for (QChar c : cell) {
        if (c.isDigit() && c.unicode() < 0x80)
            digit = true;
        else if (c != QLatin1Char(' ') && c != QLatin1Char('-') && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return false;
    }
    return digit;
}

// A first row names the columns only when it reads as a header: most of its cells are
// field names and none holds a number. A data row always does (its institution code),
// so a payee named "收款人姓名" or a remark "備註" does not make a header of it.
bool readsAsHeader(const KindDef &def, const QStringList &row)
{
    int filled = 0, named = 0;
    for (const QString &cell : row) {
        if (TrimBlanks(cell).isEmpty())
            continue;
        if (looksNumeric(cell))
            return false;
        ++filled;
        named += fieldNamed(def, cell) >= 0;
    }
    return named * 2 > filled;
}

// The file's row as the kind's fields.
QStringList fieldsOf(const KindDef &def, const QStringList &row, const QList<int> &mapping)
{
    QStringList values;
    for (int f = 0; f < def.fields.size(); ++f)
        values << (mapping.value(f, -1) >= 0 ? row.value(mapping[f]) : QString());
    return values;
}

// The table's columns of a row given as the kind's fields.
QStringList recordOf(const KindDef &def, const QStringList &values)
{
    QStringList record(def.ordinals.size());
    // An empty field is stored as empty text, as a window stores an empty box.
    for (int f = 0; f < def.ordinals.size(); ++f)
        record[def.ordinals[f]] = values[f].isNull() ? QStringLiteral("") : values[f];
    return record;
}

QString digitsOnly(const QString &text)
{
    return QStringLiteral("只能是數字，實為「%1」").arg(text);
}

} // namespace

QStringList importFieldNames(ImportKind kind)
{
    return kindDef(kind).fields;
}

std::optional<ImportFile> readImportFile(const QByteArray &bytes, ImportKind kind, std::optional<CsvText::Encoding> encoding,
                                         QString *problem, std::optional<bool> header)
{
    const auto fail = [&](const QString &why) {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (!encoding)
        encoding = CsvText::detect(bytes);
    const bool utf16WithoutMark = bytes.contains('\0') && !bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF");
    if (utf16WithoutMark && (!encoding || *encoding == CsvText::Encoding::Utf16))
        return fail(QStringLiteral("檔案似乎是沒有位元組順序記號 (BOM) 的 UTF-16 文字，請在試算表另存為「UTF-8」或「Unicode 文字」"));
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
    const KindDef &def = kindDef(kind);
    if (!table.rows.isEmpty())
        file.hasHeader = header.value_or(readsAsHeader(def, table.rows.first()));
    if (file.hasHeader) {
        file.header = table.rows.takeFirst();
        table.lineOfRow.removeFirst();
    }
    // Rows whose every field is blank are what a spreadsheet writes for cleared cells.
    for (int r = 0; r < table.rows.size(); ++r) {
        const QStringList &row = table.rows[r];
        if (std::all_of(row.cbegin(), row.cend(), [](const QString &f) { return TrimBlanks(f).isEmpty(); }))
            continue;
        file.rows << row;
        file.lines << table.lineOfRow[r];
    }
    for (const QStringList &row : std::as_const(file.rows))
        file.columnCount = qMax(file.columnCount, int(row.size()));
    file.columnCount = qMax(file.columnCount, int(file.header.size()));
    return file;
}

QList<int> guessMapping(ImportKind kind, const ImportFile &file)
{
    const KindDef &def = kindDef(kind);
    const int fields = int(def.fields.size());
    QList<int> mapping(fields, -1);
    if (file.hasHeader) {
        for (int c = 0; c < file.header.size(); ++c) {
            const int f = fieldNamed(def, file.header[c]);
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
    const QString where = row == 0 ? QString() : QStringLiteral("第 %1 行（資料第 %2 筆）").arg(line).arg(row);
    return where + (field.isEmpty() ? QString() : field + QStringLiteral("：")) + QString(message).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString ImportPlan::summary() const
{
    QStringList parts{QStringLiteral("新增 %1 筆").arg(added)};
    if (mode != ImportMode::Add)
        parts << QStringLiteral("修改 %1 筆").arg(changed) << QStringLiteral("未變 %1 筆").arg(unchanged);
    if (mode == ImportMode::Replace)
        parts << QStringLiteral("刪除 %1 筆").arg(removed);
    return parts.join(QStringLiteral("，"));
}

ImportPlan planImport(Store &store, ImportKind kind, const ImportFile &file, const QList<int> &mapping, ImportMode mode)
{
    ImportPlan plan;
    plan.kind = kind;
    plan.mode = kind == ImportKind::Institutions ? (mode == ImportMode::Add ? ImportMode::Merge : mode) : ImportMode::Add;
    const KindDef &def = kindDef(kind);
    const TableDef &table = Schema::table(def.table);
    // Stored institutions by code, for merging and counting.
    QHash<QString, QStringList> stored;
    if (kind == ImportKind::Institutions) {
        const auto rows = store.select(Query::table(Table::VXBANK));
        for (int r = 0; r < rows->rowCount(); ++r)
            stored.insert(rows->value(r, Vxbank::BKBRNO).toLower(),
                          {rows->value(r, Vxbank::BKBRNO), rows->value(r, Vxbank::BNAME), rows->value(r, Vxbank::FNAME)});
    }
    if (file.rows.isEmpty()) {
        plan.errors.append({0, 0, QString(), QStringLiteral("檔案沒有資料列")});
        return plan;
    }
    // One column fills one field: two fields from one column is a mistake of the mapping.
    for (int f = 0; f < mapping.size(); ++f) {
        for (int g = f + 1; g < mapping.size(); ++g) {
            if (mapping[f] >= 0 && mapping[f] == mapping[g]) {
                plan.errors.append({0, 0, QString(), QStringLiteral("「%1」與「%2」對應到同一欄").arg(def.fields.value(f), def.fields.value(g))});
                return plan;
            }
        }
    }
    if (kind == ImportKind::Lines) {
        const auto lines = store.select(Query::table(Table::R_DETL));
        const int total = lines->rowCount() + int(file.rows.size());
        if (total > MaxBatchLines) {
            plan.errors.append({0, 0, QString(), QStringLiteral("檔案 %1 筆加上已輸入的 %2 筆共 %3 筆，超過一批可容納的 %4 筆")
                                                         .arg(file.rows.size()).arg(lines->rowCount()).arg(total).arg(MaxBatchLines)});
            return plan;
        }
    }
    // Empty codes of lines get temporary ones, in file order, past those the file itself
    // carries (a file of exported lines does).
    int emptyCodes = 0;
    QSet<QString> fileCodes;
    if (kind == ImportKind::Lines) {
        for (const QStringList &row : file.rows) {
            const QString code = TrimBlanks(fieldsOf(def, row, mapping)[0]);
            emptyCodes += code.isEmpty();
            fileCodes.insert(code.toUpper());
        }
    }
    QStringList temporary = FreeTempPayeeCodes(store, emptyCodes + int(fileCodes.size()));
    temporary.removeIf([&](const QString &code) { return fileCodes.contains(code); });
    int nextTemporary = 0;

    QSet<QString> seen; // codes of earlier rows, compared as everywhere, ignoring case
    for (int r = 0; r < file.rows.size(); ++r) {
        QStringList values = fieldsOf(def, file.rows[r], mapping);
        const auto error = [&](int field, const QString &message) {
            plan.errors.append({r + 1, file.lines.value(r), field >= 0 ? def.fields[field] : QString(), message});
        };
        if (kind == ImportKind::Payees) {
            PayeeTexts payee{values[0], values[1], values[2], values[3]};
            const PayeeProblem problem = ValidatePayee(payee, QString(), [&](const QString &code) {
                return seen.contains(code.toLower()) || store.firstMatch(Table::R_CUST, QStringLiteral("R_ID"), code, QStringLiteral("R_ID"));
            });
            seen.insert(payee.code.toLower());
            if (!problem.ok()) {
                error(problem.field, problem.text);
                continue;
            }
        } else if (kind == ImportKind::Lines) {
            if (TrimBlanks(values[0]).isEmpty()) {
                values[0] = temporary.value(nextTemporary++);
                if (values[0].isEmpty()) {
                    error(0, QStringLiteral("暫時收款人代碼 TMP0001 至 TMP9999 已全部使用"));
                    continue;
                }
            } else if (const auto payee = findPayee(store, values[0])) {
                // A registered payee's account, institution and name are the master's.
                bool differs = false;
                for (int i = 1; i <= 3 && !differs; ++i) {
                    const QString given = TrimBlanks(values[i]);
                    if (!given.isEmpty() && given != TrimBlanks((*payee)[i - 1])) {
                        error(i, QStringLiteral("與收款人資料的「%1」不同").arg(TrimBlanks((*payee)[i - 1])));
                        differs = true;
                    }
                }
                if (differs)
                    continue;
                for (int i = 1; i <= 3; ++i)
                    values[i] = (*payee)[i - 1];
            }
            const LineProblem problem = ValidateLine({values[0], values[1], values[2], values[3], values[4], values[5], values[6]});
            if (!problem.ok()) {
                error(problem.field == LineProblem::Remark ? 6 : problem.field, problem.text);
                continue;
            }
            if (!IsDigits(TrimBlanks(values[4]))) {
                error(4, digitsOnly(values[4]));
                continue;
            }
            values[5] = table.columns[RDetl::AMT2].normalised(values[5]);
        } else {
            if (InstCheckDigit(values[0]) == QLatin1String("*")) {
                error(0, QStringLiteral("代碼欄位不足"));
                continue;
            }
            QString problem;
            int field = 0;
            for (; field < 3 && problem.isEmpty(); ++field)
                problem = FieldTextProblem(values[field], table.width(def.ordinals[field]), def.fields[field]);
            if (!problem.isEmpty()) {
                error(field - 1, problem);
                continue;
            }
            if (seen.contains(values[0].toLower())) {
                error(0, QStringLiteral("代碼在檔案中重複"));
                continue;
            }
            seen.insert(values[0].toLower());
        }
        // Digits where the bank reads digits; the left-out marker marks a line that no payee-code
        // file carries.
        const QString account = TrimBlanks(values.value(1));
        if (kind != ImportKind::Institutions && !IsDigits(account) && !(kind == ImportKind::Lines && account == Bank::LeftOutMarker)) {
            error(1, digitsOnly(values[1]));
            continue;
        }
        const int bankField = kind == ImportKind::Institutions ? 0 : 2;
        if (!IsDigits(TrimBlanks(values[bankField]))) {
            error(bankField, digitsOnly(values[bankField]));
            continue;
        }
        // Accounts are stored as the windows store a keyed one.
        if (kind != ImportKind::Institutions)
            values[1] = table.columns[def.ordinals[1]].normalised(values[1]);
        if (kind == ImportKind::Institutions) {
            const auto old = stored.take(values[0].toLower());
            plan.known.append(!old.isEmpty());
            if (old.isEmpty())
                ++plan.added;
            else if (old == values)
                ++plan.unchanged;
            else
                ++plan.changed;
        } else {
            ++plan.added;
        }
        plan.records.append(recordOf(def, values));
    }
    if (plan.mode == ImportMode::Replace)
        plan.removed = int(stored.size());
    return plan;
}

StoreResult applyImport(Store &store, const ImportPlan &plan)
{
    if (!plan.ok())
        return StoreResult::other(-1, QStringLiteral("匯入資料有錯誤，未寫入任何資料"));
    const KindDef &def = kindDef(plan.kind);
    const TableDef &table = Schema::table(def.table);
    return store.transaction([&] {
        if (plan.mode == ImportMode::Replace) {
            if (const StoreResult r = store.removeRows(table.name); !r.ok())
                return r;
        }
        for (int i = 0; i < plan.records.size(); ++i) {
            const QStringList &record = plan.records[i];
            if (plan.mode == ImportMode::Merge && plan.known.value(i)) {
                // A known code takes the file's names in its own row, keeping its place.
                if (const StoreResult r = store.rewriteRows(table.name, table.columns[0].name, record); !r.ok())
                    return r;
                continue;
            }
            if (const StoreResult r = store.appendRow(table.name, record); !r.ok())
                return r;
        }
        return StoreResult::success();
    });
}

QByteArray exportTable(Store &store, ImportKind kind, StoreResult *result)
{
    const KindDef &def = kindDef(kind);
    StoreResult read;
    const auto rows = store.select(Query::table(def.table), &read);
    if (result)
        *result = read;
    if (!read.ok())
        return {};
    QList<QStringList> out{def.fields};
    for (int r = 0; r < rows->rowCount(); ++r) {
        QStringList values;
        for (int ordinal : def.ordinals)
            values << rows->value(r, ordinal);
        out << values;
    }
    return CsvText::write(out);
}
