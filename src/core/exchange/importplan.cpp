#include "core/exchange/importkinds.h"

#include "core/output/batchfile.h"
#include "core/rules/institutionchecks.h"
#include "core/rules/linechecks.h"
#include "core/rules/payeechecks.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/schema.h"
#include "core/store/store.h"

#include <QHash>
#include <QSet>

namespace {

// One planning under way: the plan, and what a kind's rule keeps from row to row.
struct Planning {
    Store &store;
    const ImportKindDef &def;
    const ImportFile &file;
    ImportPlan &plan;
    int row = 0;                             // the data row being checked, from 0
    QSet<QString> seen = {};                 // codes of earlier rows, compared as everywhere, ignoring case
    QStringList temporary = {};              // lines: the free temporary codes, in order
    int nextTemporary = 0;
    QHash<QString, QStringList> stored = {}; // institutions: the stored rows by code

    void error(int field, const QString &message)
    {
        plan.errors.append({row + 1, file.lines.value(row), field >= 0 ? def.fields[field] : QString(), message});
    }
    bool refuseFile(const QString &message)
    {
        plan.errors.append({0, 0, QString(), message});
        return false;
    }
};

// The file's row as the kind's fields.
QStringList fieldsOf(const ImportKindDef &def, const QStringList &row, const QList<int> &mapping)
{
    QStringList values;
    for (int f = 0; f < def.fields.size(); ++f)
        values << (mapping.value(f, -1) >= 0 ? row.value(mapping[f]) : QString());
    return values;
}

// The table's columns of a row given as the kind's fields.
QStringList recordOf(const ImportKindDef &def, const QStringList &values)
{
    QStringList record(def.ordinals.size());
    // An empty field is stored as empty text, as a window stores an empty box.
    for (int f = 0; f < def.ordinals.size(); ++f)
        record[def.ordinals[f]] = values[f].isNull() ? QStringLiteral("") : values[f];
    return record;
}

// A file with no rows, or one column filling two fields (a mistake of the mapping).
bool fileFits(Planning &p, const QList<int> &mapping)
{
    if (p.file.rows.isEmpty())
        return p.refuseFile(QStringLiteral("檔案沒有資料列"));
    for (int f = 0; f < mapping.size(); ++f) {
        for (int g = f + 1; g < mapping.size(); ++g) {
            if (mapping[f] >= 0 && mapping[f] == mapping[g])
                return p.refuseFile(QStringLiteral("「%1」與「%2」對應到同一欄").arg(p.def.fields.value(f), p.def.fields.value(g)));
        }
    }
    return true;
}

// A field the bank reads as digits; the left-out marker marks a line that no payee-code
// file carries.
bool digitsAt(Planning &p, const QStringList &values, int field)
{
    const QString value = TrimBlanks(values[field]);
    const bool marker = p.def.table == Table::R_DETL && p.def.ordinals[field] == RDetl::ACTNO && value == Bank::LeftOutMarker;
    if (IsDigits(value) || marker)
        return true;
    p.error(field, QStringLiteral("只能是數字，實為「%1」").arg(values[field]));
    return false;
}

bool digitsWhereRead(Planning &p, const QStringList &values)
{
    const TableDef &table = Schema::table(p.def.table);
    for (int f = 0; f < values.size(); ++f) {
        if (table.columns[p.def.ordinals[f]].digitsOnly && !digitsAt(p, values, f))
            return false;
    }
    return true;
}

bool payeeRow(Planning &p, QStringList &values)
{
    const PayeeTexts payee{values[0], values[1], values[2], values[3]};
    const PayeeProblem problem = ValidatePayee(payee, QString(), [&](const QString &code) {
        return p.seen.contains(code.toLower()) || p.store.firstMatch(Table::R_CUST, QStringLiteral("R_ID"), code, QStringLiteral("R_ID"));
    });
    p.seen.insert(payee.code.toLower());
    if (!problem.ok())
        p.error(problem.field, problem.text);
    return problem.ok();
}

// The batch holds the file's lines with the stored ones; empty codes get temporary ones,
// in file order, past those the file itself carries (a file of exported lines does).
bool prepareLines(Planning &p, const QList<int> &mapping)
{
    const auto lines = p.store.select(Query::table(Table::R_DETL));
    const int total = lines->rowCount() + int(p.file.rows.size());
    if (total > MaxBatchLines)
        return p.refuseFile(QStringLiteral("檔案 %1 筆加上已輸入的 %2 筆共 %3 筆，超過一批可容納的 %4 筆")
                                .arg(p.file.rows.size()).arg(lines->rowCount()).arg(total).arg(MaxBatchLines));
    int emptyCodes = 0;
    QSet<QString> fileCodes;
    for (const QStringList &row : p.file.rows) {
        const QString code = TrimBlanks(fieldsOf(p.def, row, mapping)[0]);
        emptyCodes += code.isEmpty();
        fileCodes.insert(code.toUpper());
    }
    p.temporary = FreeTempPayeeCodes(p.store, emptyCodes + int(fileCodes.size()));
    p.temporary.removeIf([&](const QString &code) { return fileCodes.contains(code); });
    return true;
}

// An empty code takes the next temporary one; a registered payee's account, institution
// and name are the master's, and another value in the file is an error.
bool lineCode(Planning &p, QStringList &values)
{
    if (TrimBlanks(values[0]).isEmpty()) {
        values[0] = p.temporary.value(p.nextTemporary++);
        if (values[0].isEmpty())
            p.error(0, QStringLiteral("暫時收款人代碼 TMP0001 至 TMP9999 已全部使用"));
        return !values[0].isEmpty();
    }
    const auto payee = findPayee(p.store, values[0]);
    if (!payee)
        return true;
    for (int i = 1; i <= 3; ++i) {
        const QString given = TrimBlanks(values[i]);
        if (!given.isEmpty() && given != TrimBlanks((*payee)[i - 1])) {
            p.error(i, QStringLiteral("與收款人資料的「%1」不同").arg(TrimBlanks((*payee)[i - 1])));
            return false;
        }
    }
    for (int i = 1; i <= 3; ++i)
        values[i] = (*payee)[i - 1];
    return true;
}

bool lineRow(Planning &p, QStringList &values)
{
    if (!lineCode(p, values))
        return false;
    const LineProblem problem = ValidateLine({values[0], values[1], values[2], values[3], values[4], values[5], values[6]});
    if (!problem.ok()) {
        p.error(problem.field, problem.text);
        return false;
    }
    // The amount is judged with the line, before the account and institution digits.
    return digitsAt(p, values, 4);
}

// Stored institutions by code, for merging and counting.
bool prepareInstitutions(Planning &p, const QList<int> &)
{
    const auto rows = p.store.select(Query::table(Table::VXBANK));
    for (int r = 0; r < rows->rowCount(); ++r)
        p.stored.insert(rows->value(r, Vxbank::BKBRNO).toLower(),
                        {rows->value(r, Vxbank::BKBRNO), rows->value(r, Vxbank::BNAME), rows->value(r, Vxbank::FNAME)});
    return true;
}

bool institutionRow(Planning &p, QStringList &values)
{
    const InstitutionProblem problem = ValidateInstitution({values[0], values[1], values[2]}, p.def.fields, QString());
    if (!problem.ok()) {
        p.error(problem.field, problem.text);
        return false;
    }
    if (p.seen.contains(values[0].toLower())) {
        p.error(0, QStringLiteral("代碼在檔案中重複"));
        return false;
    }
    p.seen.insert(values[0].toLower());
    return true;
}

// Each kind's rules, in ImportKind order: what it reads before the rows (false when the
// file is refused), and its check of one row (false when the row has an error).
struct KindRules {
    bool (*prepare)(Planning &, const QList<int> &mapping);
    bool (*row)(Planning &, QStringList &values);
};
const KindRules kRules[] = {{nullptr, payeeRow}, {prepareLines, lineRow}, {prepareInstitutions, institutionRow}};

// A merged row is added, or changes a stored one, or leaves it as it was.
void count(Planning &p, const QStringList &values)
{
    if (p.plan.mode == ImportMode::Add) {
        ++p.plan.added;
        return;
    }
    const auto old = p.stored.take(values[0].toLower());
    p.plan.known.append(!old.isEmpty());
    if (old.isEmpty())
        ++p.plan.added;
    else if (old == values)
        ++p.plan.unchanged;
    else
        ++p.plan.changed;
}

} // namespace

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
    Planning p{store, importKindDef(kind), file, plan};
    const KindRules &rules = kRules[int(kind)];
    if (!fileFits(p, mapping) || (rules.prepare && !rules.prepare(p, mapping)))
        return plan;
    const TableDef &table = Schema::table(p.def.table);
    for (; p.row < file.rows.size(); ++p.row) {
        QStringList values = fieldsOf(p.def, file.rows[p.row], mapping);
        if (!rules.row(p, values) || !digitsWhereRead(p, values))
            continue;
        // Stored as the windows store a keyed value (an account filled, no fee a fee of 0).
        for (int f = 0; f < values.size(); ++f)
            values[f] = table.columns[p.def.ordinals[f]].normalised(values[f]);
        count(p, values);
        plan.records.append(recordOf(p.def, values));
    }
    if (plan.mode == ImportMode::Replace)
        plan.removed = int(p.stored.size());
    return plan;
}
