#include "core/exchange/importkinds.h"

#include "core/store/enginestatement.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/schema.h"
#include "core/store/store.h"

#include <sqlite3.h>

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
    // Telling UTF-8 reads the bytes, and that reading is the text.
    std::optional<QString> text;
    if (!encoding)
        encoding = CsvText::detect(bytes, &text);
    const bool utf16WithoutMark = bytes.contains('\0') && !bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF");
    if (utf16WithoutMark && (!encoding || *encoding == CsvText::Encoding::Utf16))
        return fail(QStringLiteral("檔案似乎是沒有位元組順序記號 (BOM) 的 UTF-16 文字，請在試算表另存為「UTF-8」或「Unicode 文字」"));
    if (!encoding)
        return fail(QStringLiteral("無法判斷檔案的編碼（可用 UTF-8、UTF-16 或 Big5），請指定編碼"));
    qsizetype badAt = 0;
    if (!text)
        text = CsvText::decode(bytes, *encoding, &badAt);
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
    const auto blank = [](const QString &f) { return std::all_of(f.cbegin(), f.cend(), [](QChar c) { return c == QLatin1Char(' '); }); };
    qsizetype kept = 0;
    for (qsizetype r = 0; r < table.rows.size(); ++r) {
        if (std::all_of(table.rows[r].cbegin(), table.rows[r].cend(), blank))
            continue;
        if (kept != r) {
            table.rows[kept] = std::move(table.rows[r]);
            table.lineOfRow[kept] = table.lineOfRow[r];
        }
        ++kept;
    }
    table.rows.resize(kept);
    table.lineOfRow.resize(kept);
    file.rows = std::move(table.rows);
    file.lines = std::move(table.lineOfRow);
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
// row, once every one of them still holds what the preview showed.
StoreResult rewritePayees(Store &store, const ImportPlan &plan)
{
    StoreResult read;
    const auto rows = store.select(Query::table(Table::R_CUST), &read);
    if (!read.ok())
        return read;
    QHash<qint64, int> rowOf;
    rowOf.reserve(rows->rowCount());
    for (int r = 0; r < rows->rowCount(); ++r)
        rowOf.insert(rows->rowid(r), r);
    QList<qint64> rowids;
    QList<QStringList> records;
    for (const PlannedChange &change : plan.changes) {
        const int row = rowOf.value(change.rowid, -1);
        bool same = row >= 0;
        for (int c = 0; same && c < rows->fieldCount(); ++c)
            same = rows->value(row, c) == change.before.value(c);
        if (!same)
            return StoreResult::other(-1, QStringLiteral("收款人 %1 的資料在預覽之後已經變更，未匯入任何資料").arg(TrimBlanks(change.before.value(0))));
        rowids << change.rowid;
        records << plan.records[change.record];
    }
    return store.rewriteRowsAt(Table::R_CUST, rowids, records);
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
        // Rows to add go to the store together, in file order with the rewrites between them.
        QList<QStringList> added;
        const auto addPending = [&] {
            const StoreResult r = store.appendRows(table.name, added);
            added.clear();
            return r;
        };
        for (int i = 0; i < plan.records.size(); ++i) {
            const QStringList &record = plan.records[i];
            // An updated or unchanged payee was dealt with above.
            if (plan.mode == ImportMode::Update && plan.known.value(i))
                continue;
            if (plan.mode == ImportMode::Merge && plan.known.value(i)) {
                if (const StoreResult r = addPending(); !r.ok())
                    return r;
                // A known code takes the file's names in its own row, keeping its place.
                if (const StoreResult r = store.rewriteRows(table.name, table.columns[0].name, record); !r.ok())
                    return r;
                continue;
            }
            added << record;
        }
        return addPending();
    });
}

QByteArray exportTable(Store &store, ImportKind kind, StoreResult *result)
{
    const ImportKindDef &def = importKindDef(kind);
    const TableDef &table = Schema::table(def.table);
    const auto fail = [&](const StoreResult &r) {
        if (result)
            *result = r;
        return QByteArray();
    };
    // Streamed from the engine into the file's bytes: a payee master of 100,000 rows is
    // written without a copy of the table in between.
    sqlite3 *db = Store::engineHandle(store.database());
    if (!db)
        return fail(StoreResult::other(-1, QStringLiteral("資料檔未開啟")));
    QStringList columns;
    for (int ordinal : def.ordinals)
        columns << QStringLiteral("\"%1\"").arg(table.columns[ordinal].name);
    const QByteArray sql = QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY rowid").arg(columns.join(QLatin1Char(',')), table.name).toUtf8();
    const EngineStatement statement = prepareStatement(db, sql);
    if (!statement)
        return fail(Store::resultOf(db));
    sqlite3_stmt *stmt = statement.get();
    QByteArray out = CsvText::write({def.fields});
    QList<QByteArray> converted(def.ordinals.size());
    QList<QByteArrayView> fields(def.ordinals.size());
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < fields.size(); ++c) {
            const QByteArrayView value(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)), sqlite3_column_bytes(stmt, c));
            // Stored UTF-8 is written as it stands: read as text and written back it comes
            // out the same. Bytes that are not UTF-8, and a leading byte-order mark, which
            // reading changes, take the way through text.
            const bool ascii = std::all_of(value.begin(), value.end(), [](char b) { return uchar(b) < 0x80; });
            if (ascii || (value.isValidUtf8() && !value.startsWith("\xEF\xBB\xBF"))) {
                fields[c] = value;
            } else {
                converted[c] = QString::fromUtf8(value).toUtf8();
                fields[c] = converted[c];
            }
        }
        CsvText::appendUtf8Row(out, fields);
    }
    if (rc != SQLITE_DONE)
        return fail(Store::resultOf(db));
    if (result)
        *result = StoreResult::success();
    return out;
}
