#include "core/exchange/importkinds.h"

#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/schema.h"
#include "core/store/store.h"

namespace {

ImportKindDef kindOf(const QString &table, const QList<int> &ordinals)
{
    const TableDef &def = Schema::table(table);
    ImportKindDef kind{table, def.labels(ordinals), ordinals, {}};
    for (int ordinal : ordinals)
        kind.headerNames << QStringList{def.label(ordinal)} + def.columns[ordinal].importNames;
    return kind;
}

QString normalised(QString name)
{
    name.remove(QLatin1Char(' ')).remove(QChar(0x3000)).remove(QLatin1Char(':')).remove(QChar(0xFF1A)).remove(QLatin1Char('_'));
    return name.toLower();
}

// The field a header cell names, or -1.
int fieldNamed(const ImportKindDef &def, const QString &cell)
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
bool readsAsHeader(const ImportKindDef &def, const QStringList &row)
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

} // namespace

const ImportKindDef &importKindDef(ImportKind kind)
{
    static const ImportKindDef payees = kindOf(Table::R_CUST, {RCust::R_ID, RCust::ACTNO, RCust::TRFBK, RCust::R_NAME});
    static const ImportKindDef lines =
        kindOf(Table::R_DETL, {RDetl::R_ID, RDetl::ACTNO, RDetl::TRFBK, RDetl::R_NAME, RDetl::AMT, RDetl::AMT2, RDetl::MARK});
    static const ImportKindDef institutions = kindOf(Table::VXBANK, {Vxbank::BKBRNO, Vxbank::BNAME, Vxbank::FNAME});
    switch (kind) {
    case ImportKind::Payees: return payees;
    case ImportKind::Lines: return lines;
    case ImportKind::Institutions: return institutions;
    }
    return payees;
}

QStringList importFieldNames(ImportKind kind)
{
    return importKindDef(kind).fields;
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
    const ImportKindDef &def = importKindDef(kind);
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
    const ImportKindDef &def = importKindDef(kind);
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

namespace {

// The updated payees' rows rewritten the way the payee window's modify rewrites its current
// row, each only while it still holds what the preview showed.
StoreResult rewritePayees(Store &store, const ImportPlan &plan)
{
    StoreResult read;
    const auto rows = store.select(Query::table(Table::R_CUST), &read);
    if (!read.ok())
        return read;
    QHash<qint64, int> rowOf;
    for (int r = 0; r < rows->rowCount(); ++r)
        rowOf.insert(rows->rowid(r), r);
    for (const PlannedChange &change : plan.changes) {
        const int row = rowOf.value(change.rowid, -1);
        if (row >= 0)
            rows->moveTo(row);
        if (row < 0 || rows->currentValues() != change.before)
            return StoreResult::other(-1, QStringLiteral("收款人 %1 的資料在預覽之後已經變更，未匯入任何資料").arg(TrimBlanks(change.before.value(0))));
        if (const StoreResult r = rows->update(plan.records[change.record]); !r.ok())
            return r;
    }
    return StoreResult::success();
}

} // namespace

StoreResult applyImport(Store &store, const ImportPlan &plan)
{
    if (!plan.ok())
        return StoreResult::other(-1, QStringLiteral("匯入資料有錯誤，未寫入任何資料"));
    const ImportKindDef &def = importKindDef(plan.kind);
    const TableDef &table = Schema::table(def.table);
    return store.transaction([&] {
        if (plan.mode == ImportMode::Update) {
            if (const StoreResult r = rewritePayees(store, plan); !r.ok())
                return r;
        }
        if (plan.mode == ImportMode::Replace) {
            if (const StoreResult r = store.removeRows(table.name); !r.ok())
                return r;
        }
        for (int i = 0; i < plan.records.size(); ++i) {
            const QStringList &record = plan.records[i];
            // An updated or unchanged payee was dealt with above.
            if (plan.mode == ImportMode::Update && plan.known.value(i))
                continue;
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
    const ImportKindDef &def = importKindDef(kind);
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
