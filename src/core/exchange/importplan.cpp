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

// Codes compare as the store compares keys: the letters A to Z without regard to case.
QChar folded(QChar c)
{
    return c >= QLatin1Char('A') && c <= QLatin1Char('Z') ? QChar(c.unicode() + ('a' - 'A')) : c;
}

QString codeKey(const QString &code)
{
    QString key = code;
    for (QChar &c : key)
        c = folded(c);
    return key;
}

// A code as a key of a set or table, compared that way; it shares the code's text, so a
// file of 100,000 codes is not copied to be told apart.
struct CodeKey {
    QString code;
    friend bool operator==(const CodeKey &a, const CodeKey &b)
    {
        return std::equal(a.code.cbegin(), a.code.cend(), b.code.cbegin(), b.code.cend(), [](QChar x, QChar y) { return folded(x) == folded(y); });
    }
    friend size_t qHash(const CodeKey &key, size_t seed = 0)
    {
        size_t h = 0;
        for (QChar c : key.code)
            h = h * 31 + folded(c).unicode();
        return qHash(h, seed);
    }
};

QString withoutLeadingZeros(const QString &digits)
{
    qsizetype from = 0;
    while (from < digits.size() && digits[from] == QLatin1Char('0'))
        ++from;
    return digits.mid(from);
}

// A stored payee: its row and its four columns (a null column as empty text).
struct StoredPayee {
    qint64 rowid = 0;
    QStringList values;
};

// A stored account that begins with zeros, and whose it is.
struct ZeroAccount {
    QString account; // without its filling blanks
    QString code;
};

// One planning under way: the plan, and what a kind's rule keeps from row to row.
struct Planning {
    Store &store;
    const ImportKindDef &def;
    const ImportFile &file;
    ImportPlan &plan;
    int row = 0;                             // the data row being checked, from 0
    QSet<CodeKey> seen = {};                 // codes of earlier rows, compared as everywhere, ignoring case
    QStringList temporary = {};              // lines: the free temporary codes, in order
    int nextTemporary = 0;
    QHash<QString, QStringList> stored = {}; // institutions: the stored rows by code
    std::unique_ptr<RecordSet> payeeRows = {}; // payees and lines: the stored payees
    QHash<CodeKey, int> payees = {};           // the first of them with each code, by code
    QHash<QString, ZeroAccount> zeroAccounts = {}; // stored accounts with leading zeros, by the rest
    QHash<QString, QString> institutions = {};     // known institution codes, with their full names

    void error(int field, const QString &message)
    {
        plan.errors.append({row + 1, file.lines.value(row), field >= 0 ? def.fields[field] : QString(), message});
    }
    void warn(int field, const QString &message)
    {
        plan.warnings.append({row + 1, file.lines.value(row), def.fields[field], message});
    }
    bool refuseFile(const QString &message)
    {
        plan.errors.append({0, 0, QString(), message});
        return false;
    }
    std::optional<StoredPayee> payee(const QString &code) const
    {
        const int row = payees.value(CodeKey{code}, -1);
        if (row < 0)
            return std::nullopt;
        QStringList values;
        for (int c : {RCust::R_ID, RCust::ACTNO, RCust::TRFBK, RCust::R_NAME})
            values << payeeRows->value(row, c);
        return StoredPayee{payeeRows->rowid(row), values};
    }
};

// The stored payees, read once: by code, and the accounts a spreadsheet could have
// shortened.
bool loadPayees(Planning &p)
{
    StoreResult read;
    p.payeeRows = p.store.select(Query::table(Table::R_CUST), &read);
    if (!read.ok())
        return p.refuseFile(QStringLiteral("無法讀取收款人資料：") + read.detail);
    const RecordSet &rows = *p.payeeRows;
    p.payees.reserve(rows.rowCount());
    // From the last row up, so that the first payee with a code or an account is kept.
    for (int r = rows.rowCount() - 1; r >= 0; --r) {
        const QString account = TrimBlanks(rows.value(r, RCust::ACTNO));
        if (account.startsWith(QLatin1Char('0'))) {
            const QString rest = withoutLeadingZeros(account);
            if (!rest.isEmpty())
                p.zeroAccounts.insert(rest, {account, rows.value(r, RCust::R_ID)});
        }
        p.payees.insert(CodeKey{rows.value(r, RCust::R_ID)}, r);
    }
    return true;
}

// The institution codes known to the reference store, read once.
void loadInstitutions(Planning &p, Store *reference)
{
    StoreResult read;
    const auto rows = reference ? reference->select(Query::table(Table::VXBANK), &read) : nullptr;
    if (!rows || !read.ok()) {
        p.plan.warnings.append({0, 0, QString(), QStringLiteral("無法讀取金融機構代碼檔，未檢查解款行代號是否少了開頭的 0")});
        return;
    }
    for (int r = 0; r < rows->rowCount(); ++r) {
        const QString code = TrimBlanks(rows->value(r, Vxbank::BKBRNO));
        if (!p.institutions.contains(code))
            p.institutions.insert(code, TrimBlanks(rows->value(r, Vxbank::FNAME)));
    }
}

// The file's row as the kind's fields.
QStringList fieldsOf(const ImportKindDef &def, const QStringList &row, const QList<int> &mapping)
{
    QStringList values;
    values.reserve(def.fields.size());
    for (int f = 0; f < def.fields.size(); ++f)
        values << (mapping.value(f, -1) >= 0 ? row.value(mapping[f]) : QString());
    return values;
}

// The table's columns of a row given as the kind's fields.
QStringList recordOf(const ImportKindDef &def, QStringList &&values)
{
    // An empty field is stored as empty text, as a window stores an empty box.
    const auto stored = [](QString &value) { return value.isNull() ? QStringLiteral("") : std::move(value); };
    bool inOrder = true;
    for (int f = 0; f < def.ordinals.size(); ++f)
        inOrder = inOrder && def.ordinals[f] == f;
    if (inOrder) {
        for (QString &value : values)
            value = stored(value);
        return std::move(values);
    }
    QStringList record(def.ordinals.size());
    for (int f = 0; f < def.ordinals.size(); ++f)
        record[def.ordinals[f]] = stored(values[f]);
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

bool digitsWhereRead(Planning &p, const TableDef &table, const QStringList &values)
{
    for (int f = 0; f < values.size(); ++f) {
        if (table.columns[p.def.ordinals[f]].digitsOnly && !digitsAt(p, values, f))
            return false;
    }
    return true;
}

bool payeeRow(Planning &p, QStringList &values)
{
    const PayeeTexts payee{values[0], values[1], values[2], values[3]};
    // An update rewrites the payee that has the code, as a modify does: only an earlier row
    // of the file takes it.
    const bool updating = p.plan.mode == ImportMode::Update;
    const PayeeProblem problem = ValidatePayee(payee, QString(), [&](const QString &code) {
        const CodeKey key{code};
        return p.seen.contains(key) || (!updating && p.payees.contains(key));
    });
    p.seen.insert(CodeKey{payee.code});
    if (!problem.ok())
        p.error(problem.field, problem.text);
    return problem.ok();
}

bool preparePayees(Planning &p, const QList<int> &)
{
    return loadPayees(p);
}

// The batch holds the file's lines with the stored ones; empty codes get temporary ones,
// in file order, past those the file itself carries (a file of exported lines does).
bool prepareLines(Planning &p, const QList<int> &mapping)
{
    if (!loadPayees(p))
        return false;
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
    const auto payee = p.payee(values[0]);
    if (!payee)
        return true;
    for (int i = 1; i <= 3; ++i) {
        const QString given = TrimBlanks(values[i]);
        if (!given.isEmpty() && given != TrimBlanks(payee->values[i])) {
            p.error(i, QStringLiteral("與收款人資料的「%1」不同").arg(TrimBlanks(payee->values[i])));
            return false;
        }
    }
    // As the entry window fills them from the payee master.
    for (int i = 1; i <= 3; ++i)
        values[i] = TrimRightBlanks(payee->values[i]);
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
    for (int r = 0; r < rows->rowCount(); ++r) {
        const QString code = rows->value(r, Vxbank::BKBRNO);
        p.stored.insert(codeKey(code), {code, rows->value(r, Vxbank::BNAME), rows->value(r, Vxbank::FNAME)});
        if (!p.institutions.contains(TrimBlanks(code)))
            p.institutions.insert(TrimBlanks(code), TrimBlanks(rows->value(r, Vxbank::FNAME)));
    }
    return true;
}

bool institutionRow(Planning &p, QStringList &values)
{
    const InstitutionProblem problem = ValidateInstitution({values[0], values[1], values[2]}, p.def.fields, QString());
    if (!problem.ok()) {
        p.error(problem.field, problem.text);
        return false;
    }
    if (p.seen.contains(CodeKey{values[0]})) {
        p.error(0, QStringLiteral("代碼在檔案中重複"));
        return false;
    }
    p.seen.insert(CodeKey{values[0]});
    return true;
}

// Each kind's rules, in ImportKind order: what it reads before the rows (false when the
// file is refused), and its check of one row (false when the row has an error).
struct KindRules {
    bool (*prepare)(Planning &, const QList<int> &mapping);
    bool (*row)(Planning &, QStringList &values);
};
const KindRules kRules[] = {{preparePayees, payeeRow}, {prepareLines, lineRow}, {prepareInstitutions, institutionRow}};

// A merged or updated row is added, or changes a stored one, or leaves it as it was.
void count(Planning &p, QStringList &values)
{
    if (p.plan.mode == ImportMode::Add) {
        ++p.plan.added;
        return;
    }
    if (p.plan.mode == ImportMode::Update) {
        const auto stored = p.payee(values[0]);
        p.plan.known.append(stored.has_value());
        if (!stored) {
            ++p.plan.added;
            return;
        }
        // The payee keeps its code as stored; a code differing in letter case names it.
        values[0] = stored->values[0];
        if (values == stored->values) {
            ++p.plan.unchanged;
        } else {
            ++p.plan.changed;
            p.plan.changes.append({int(p.plan.records.size()), stored->rowid, stored->values});
        }
        return;
    }
    const auto old = p.stored.take(codeKey(values[0]));
    p.plan.known.append(!old.isEmpty());
    if (old.isEmpty())
        ++p.plan.added;
    else if (old == values)
        ++p.plan.unchanged;
    else
        ++p.plan.changed;
}

// A spreadsheet shows a number without its leading zeros and saves it so: a row whose
// institution code or account reads as a known one shortened is pointed out.
void leadingZeros(Planning &p, const QStringList &values)
{
    const bool institutions = p.def.table == Table::VXBANK;
    const QString account = institutions ? QString() : TrimBlanks(values[1]);
    if (!p.zeroAccounts.isEmpty() && !account.isEmpty() && IsDigits(account)) {
        const auto stored = p.zeroAccounts.constFind(withoutLeadingZeros(account));
        if (stored != p.zeroAccounts.cend() && account.size() < stored->account.size())
            p.warn(1, QStringLiteral("可能少了開頭的 0：檔案為「%1」，收款人 %2 的帳號為「%3」").arg(account, TrimBlanks(stored->code), stored->account));
    }
    const int bankField = institutions ? 0 : 2;
    const QString bank = TrimBlanks(values[bankField]);
    // Six digits pass the checks (a code without its check character), so only a code
    // known with a zero before it says that one was lost.
    if (bank.size() == 6 && IsDigits(bank)) {
        const auto known = p.institutions.constFind(QLatin1Char('0') + bank);
        if (known != p.institutions.cend())
            p.warn(bankField, QStringLiteral("可能少了開頭的 0：檔案為「%1」，金融機構代碼檔有「%2」%3")
                                  .arg(bank, known.key(), known->isEmpty() ? QString() : QStringLiteral("（%1）").arg(*known)));
    }
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
    if (mode == ImportMode::Update)
        parts << QStringLiteral("更新 %1 筆").arg(changed) << QStringLiteral("不變 %1 筆").arg(unchanged);
    else if (mode != ImportMode::Add)
        parts << QStringLiteral("修改 %1 筆").arg(changed) << QStringLiteral("未變 %1 筆").arg(unchanged);
    if (mode == ImportMode::Replace)
        parts << QStringLiteral("刪除 %1 筆").arg(removed);
    return parts.join(QStringLiteral("，"));
}

QList<FieldChange> ImportPlan::fieldChanges() const
{
    const QStringList &names = importKindDef(kind).fields;
    QList<FieldChange> out;
    for (const PlannedChange &change : changes) {
        const QStringList &after = records.value(change.record);
        for (int f = 1; f < names.size() && f < after.size(); ++f) {
            if (change.before.value(f) != after[f])
                out.append({TrimBlanks(after[0]), names[f], TrimRightBlanks(change.before.value(f)), TrimRightBlanks(after[f])});
        }
    }
    return out;
}

namespace {

// Plans the file's rows; with `take` (the file's rows) a row that is the kind's fields in
// their order becomes its record without a copy.
ImportPlan planRows(Store &store, ImportKind kind, const ImportFile &file, QList<QStringList> *take, const QList<int> &mapping,
                    ImportMode mode, Store *reference)
{
    ImportPlan plan;
    plan.kind = kind;
    if (kind == ImportKind::Institutions)
        plan.mode = mode == ImportMode::Replace ? ImportMode::Replace : ImportMode::Merge;
    else
        plan.mode = kind == ImportKind::Payees && mode == ImportMode::Update ? ImportMode::Update : ImportMode::Add;
    Planning p{store, importKindDef(kind), file, plan};
    const KindRules &rules = kRules[int(kind)];
    if (!fileFits(p, mapping) || !rules.prepare(p, mapping))
        return plan;
    // The institutions' own store knows their codes.
    if (kind != ImportKind::Institutions)
        loadInstitutions(p, reference);
    const TableDef &table = Schema::table(p.def.table);
    p.seen.reserve(file.rows.size());
    plan.records.reserve(file.rows.size());
    bool inOrder = take != nullptr;
    for (int f = 0; f < p.def.fields.size(); ++f)
        inOrder = inOrder && mapping.value(f, -1) == f;
    for (; p.row < file.rows.size(); ++p.row) {
        const bool whole = inOrder && file.rows[p.row].size() == p.def.fields.size();
        QStringList values = whole ? std::move((*take)[p.row]) : fieldsOf(p.def, file.rows[p.row], mapping);
        if (!rules.row(p, values) || !digitsWhereRead(p, table, values))
            continue;
        // Stored as the windows store a keyed value (an account filled, no fee a fee of 0).
        for (int f = 0; f < values.size(); ++f)
            values[f] = table.columns[p.def.ordinals[f]].normalised(values[f]);
        count(p, values);
        leadingZeros(p, values);
        plan.records.append(recordOf(p.def, std::move(values)));
    }
    if (plan.mode == ImportMode::Replace)
        plan.removed = int(p.stored.size());
    return plan;
}

} // namespace

ImportPlan planImport(Store &store, ImportKind kind, const ImportFile &file, const QList<int> &mapping, ImportMode mode, Store *reference)
{
    return planRows(store, kind, file, nullptr, mapping, mode, reference);
}

ImportPlan planImport(Store &store, ImportKind kind, ImportFile &&file, const QList<int> &mapping, ImportMode mode, Store *reference)
{
    return planRows(store, kind, file, &file.rows, mapping, mode, reference);
}
