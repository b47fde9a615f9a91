#include "core/store/store.h"

#include "core/store/enginestatement.h"
#include "core/store/recordset.h"
#include "core/store/textsearch.h"
#include "core/platform/big5codec.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <sqlite3.h>

namespace {

// Whether the engine's result code (extended where it gives one) means "this store cannot
// be written now": the file or its folder refuses writing, another program holds it, or
// the file or its journal could not be written, synced, cut or removed.
bool isWriteRefusal(int code)
{
    switch (code & 0xff) {
    case SQLITE_PERM:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
        return true;
    case SQLITE_IOERR:
        return code == SQLITE_IOERR_WRITE || code == SQLITE_IOERR_FSYNC || code == SQLITE_IOERR_DIR_FSYNC
            || code == SQLITE_IOERR_TRUNCATE || code == SQLITE_IOERR_DELETE;
    default:
        return false;
    }
}

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("talvek-store-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

Store::Store(QString path, QString connection, QList<TableDef> schema)
    : m_path(std::move(path)), m_connection(std::move(connection)), m_schema(std::move(schema))
{
}

Store::~Store()
{
    m_prepared.clear();
    {
        QSqlDatabase db = database();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

namespace {

StoreResult resultOfCode(bool known, int code, const QString &detail)
{
    if (known && isWriteRefusal(code))
        return StoreResult::readOnly(detail);
    return StoreResult::other(known && code != 0 ? code : -1, detail);
}

} // namespace

StoreResult Store::resultOf(const QSqlError &error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric);
    // The engine's own words; Qt's are only "Unable to fetch row" and the like.
    return resultOfCode(numeric, code, error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

StoreResult Store::resultOf(sqlite3 *db)
{
    return resultOfCode(true, sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
}

sqlite3 *Store::engineHandle(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

Store::Opened Store::open(const QString &path, const QList<TableDef> &schema)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {nullptr, StoreResult::other(14, QStringLiteral("找不到資料檔 %1").arg(path))};
    if (!info.isFile())
        return {nullptr, StoreResult::other(14, QStringLiteral("%1 不是資料檔").arg(QDir::toNativeSeparators(path)))};

    const QString connection = nextConnectionName();
    std::unique_ptr<Store> store(new Store(info.absoluteFilePath(), connection, schema));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    // mode=rw: an existing file only, never a new empty one.
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    url.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=3000"));
    if (!db.open())
        return {nullptr, resultOf(db.lastError())};
    TextSearch::addFunction(engineHandle(db));

    // Reading the catalogue is where a file that is not a database shows itself.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        StoreResult failure = resultOf(probe.lastError());
        if (failure.otherCode == 26) // SQLITE_NOTADB
            failure.detail = QStringLiteral("%1 不是資料庫檔").arg(QDir::toNativeSeparators(path));
        return {nullptr, failure};
    }
    probe.finish();
    for (const TableDef &def : schema) {
        const Schema::TableCheck c = Schema::checkTable(engineHandle(db), def);
        if (!c.ok())
            return {nullptr, c.engineCode ? resultOfCode(true, c.engineCode, c.fault) : StoreResult::other(1, c.fault)};
    }
    return {std::move(store), StoreResult::success()};
}

StoreResult Store::checkWritable()
{
    sqlite3 *db = engineHandle(database());
    if (!db)
        return StoreResult::other(-1, QStringLiteral("資料檔未開啟"));
    // A file this user may not write (another user's, an unchangeable one, one on a disk
    // mounted read-only) the engine quietly opens for reading only.
    if (sqlite3_db_readonly(db, "main") == 1)
        return StoreResult::readOnly(QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY)));
    // Then a change the engine must really make, its journal written beside the file, and
    // rolled back: the file keeps every byte and the journal goes.
    int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_stmt *read = nullptr;
        rc = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &read, nullptr);
        const int version = rc == SQLITE_OK && sqlite3_step(read) == SQLITE_ROW ? sqlite3_column_int(read, 0) : 0;
        sqlite3_finalize(read);
        const QByteArray same = "PRAGMA user_version = " + QByteArray::number(version);
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(db, same.constData(), nullptr, nullptr, nullptr);
    }
    StoreResult result = rc == SQLITE_OK ? StoreResult::success() : resultOf(db);
    if (sqlite3_get_autocommit(db) == 0 && sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK && result.ok())
        result = resultOf(db);
    return result;
}

void Store::keepIndexes()
{
    sqlite3 *db = engineHandle(database());
    if (!db || sqlite3_db_readonly(db, "main") != 0)
        return;
    // Any whole index whose first column is the code, in any letter case, serves: the one the
    // store tool makes with a new file, or one the file came with.
    const char *served = "SELECT 1 FROM pragma_index_list(?1) AS i JOIN pragma_index_xinfo(i.name) AS c "
                         "WHERE i.partial = 0 AND c.seqno = 0 AND c.key = 1 AND c.name = ?2 COLLATE NOCASE "
                         "AND c.coll = 'NOCASE' COLLATE NOCASE";
    for (const TableDef &def : std::as_const(m_schema)) {
        if (!def.unbounded)
            continue;
        const QByteArray table = def.name.toUtf8(), code = def.columns[0].name.toUtf8();
        bool present = true;
        if (const EngineStatement check = prepareStatement(db, served)) {
            sqlite3_bind_text(check.get(), 1, table.constData(), int(table.size()), SQLITE_STATIC);
            sqlite3_bind_text(check.get(), 2, code.constData(), int(code.size()), SQLITE_STATIC);
            present = sqlite3_step(check.get()) == SQLITE_ROW;
        }
        // A failure (another program holds the file) leaves it for the next opening.
        if (!present)
            sqlite3_exec(db, Schema::codeIndexSql(def).toUtf8().constData(), nullptr, nullptr, nullptr);
    }
}

StoreResult Store::checkIntegrity(bool thorough)
{
    QSqlQuery check(database());
    check.setForwardOnly(true);
    if (!check.exec(thorough ? QStringLiteral("PRAGMA integrity_check") : QStringLiteral("PRAGMA quick_check"))
        || !check.next())
        return resultOf(check.lastError());
    const QString verdict = check.value(0).toString();
    if (verdict == QLatin1String("ok"))
        return StoreResult::success();
    return StoreResult::other(11, QStringLiteral("%1 已損壞：%2").arg(QDir::toNativeSeparators(m_path), verdict));
}

const TableDef &Store::table(const QString &name) const
{
    for (const TableDef &def : m_schema) {
        if (def.name.compare(name, Qt::CaseInsensitive) == 0)
            return def;
    }
    const TableDef *def = Schema::find(name);
    Q_ASSERT_X(def, "Store::table", "unknown table");
    return *def;
}

std::unique_ptr<RecordSet> Store::select(const Query &query, StoreResult *result)
{
    return openSet(query, 0, result);
}

std::unique_ptr<RecordSet> Store::browse(const Query &query, StoreResult *result, int window)
{
    // Checked when a window first browses, not at every opening of the file.
    if (!m_indexesKept) {
        m_indexesKept = true;
        keepIndexes();
    }
    return openSet(query, window > 0 ? window : RecordSet::BrowsingWindow, result);
}

std::unique_ptr<RecordSet> Store::openSet(const Query &query, int window, StoreResult *result)
{
    auto set = std::make_unique<RecordSet>(m_connection, table(query.tableName()), query, window);
    const StoreResult r = set->refresh();
    if (result)
        *result = r;
    return set;
}

std::optional<QString> Store::firstMatch(const QString &tableName, const QString &keyColumn, const QString &key,
                          const QString &resultColumn, StoreResult *result)
{
    const QString cacheKey = tableName + QLatin1Char('\n') + keyColumn + QLatin1Char('\n') + resultColumn;
    auto it = m_prepared.find(cacheKey);
    if (it == m_prepared.end()) {
        QSqlQuery q(database());
        q.setForwardOnly(true);
        // Keys match without regard to letter case, as codes are sorted and told apart.
        const QString sql = QStringLiteral("SELECT \"%1\" FROM \"%2\" WHERE \"%3\" = ? COLLATE NOCASE ORDER BY rowid LIMIT 1")
                                .arg(resultColumn, table(tableName).name, keyColumn);
        if (!q.prepare(sql)) {
            if (result)
                *result = resultOf(q.lastError());
            return std::nullopt;
        }
        it = m_prepared.insert(cacheKey, q);
    }
    QSqlQuery &q = it.value();
    q.bindValue(0, key);
    if (!q.exec()) {
        if (result)
            *result = resultOf(q.lastError());
        return std::nullopt;
    }
    std::optional<QString> value;
    if (q.next())
        value = q.value(0).toString();
    q.finish();
    if (result)
        *result = StoreResult::success();
    return value;
}

StoreResult Store::readOnlyRow(const QString &tableName, QStringList &values)
{
    StoreResult result;
    const auto set = select(Query::table(tableName), &result);
    values = set->isEmpty() ? QStringList() : set->currentValues();
    return result;
}

StoreResult Store::writeOnlyRow(const QString &tableName, const QStringList &values)
{
    StoreResult result;
    const auto set = select(Query::table(tableName), &result);
    if (!result.ok())
        return result;
    return set->isEmpty() ? set->addRow(values) : set->update(values);
}

bool Store::hasRows(const QString &tableName, StoreResult *result)
{
    QSqlQuery q(database());
    const bool read = q.exec(QStringLiteral("SELECT 1 FROM \"%1\" LIMIT 1").arg(table(tableName).name));
    const bool found = read && q.next();
    if (result)
        *result = read && !q.lastError().isValid() ? StoreResult::success() : resultOf(q.lastError());
    return found;
}

StoreResult Store::transaction(const std::function<StoreResult()> &work)
{
    QSqlDatabase db = database();
    if (!db.transaction())
        return resultOf(db.lastError());
    StoreResult r = work();
    if (!r.ok()) {
        db.rollback();
        return r;
    }
    if (!db.commit()) {
        r = resultOf(db.lastError());
        db.rollback();
    }
    return r;
}

StoreResult Store::clearTables(const QStringList &tables)
{
    return transaction([&] {
        for (const QString &name : tables) {
            const StoreResult r = removeRows(name);
            if (!r.ok())
                return r;
        }
        return StoreResult::success();
    });
}

namespace {

QString quotedColumns(const TableDef &def)
{
    QStringList names;
    for (const ColumnDef &c : def.columns)
        names << QStringLiteral("\"%1\"").arg(c.name);
    return names.join(QStringLiteral(", "));
}

StoreResult checkWidths(const TableDef &def, const QStringList &values)
{
    for (int i = 0; i < values.size() && i < def.columns.size(); ++i) {
        if (Big5::byteLength(values[i]) > def.columns[i].width) {
            StoreResult r = StoreResult::tooLong(QStringLiteral("%1 超過 %2 Byte").arg(def.columns[i].name).arg(def.columns[i].width));
            r.ordinal = i;
            return r;
        }
    }
    return StoreResult::success();
}

QVariantList bindingsOf(const QStringList &values)
{
    QVariantList out;
    for (const QString &v : values)
        out << v;
    return out;
}

} // namespace

StoreResult Store::appendRow(const QString &tableName, const QStringList &values)
{
    const TableDef &def = table(tableName);
    Q_ASSERT(values.size() == def.columns.size());
    if (const StoreResult wide = checkWidths(def, values); !wide.ok())
        return wide;
    const QString marks = QStringList(values.size(), QStringLiteral("?")).join(QLatin1Char(','));
    return exec(QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(def.name, quotedColumns(def), marks), bindingsOf(values));
}

StoreResult Store::rewriteRows(const QString &tableName, const QString &keyColumn, const QStringList &values)
{
    const TableDef &def = table(tableName);
    const int key = def.ordinalOf(keyColumn);
    Q_ASSERT(key >= 0 && values.size() == def.columns.size());
    if (const StoreResult wide = checkWidths(def, values); !wide.ok())
        return wide;
    QStringList sets;
    QVariantList bindings;
    for (int i = 0; i < def.columns.size(); ++i) {
        if (i == key)
            continue;
        sets << QStringLiteral("\"%1\" = ?").arg(def.columns[i].name);
        bindings << values[i];
    }
    bindings << values[key];
    return exec(QStringLiteral("UPDATE \"%1\" SET %2 WHERE \"%3\" = ? COLLATE NOCASE").arg(def.name, sets.join(QStringLiteral(", ")), def.columns[key].name),
                bindings);
}

StoreResult Store::removeRows(const QString &tableName)
{
    return exec(QStringLiteral("DELETE FROM \"%1\"").arg(table(tableName).name));
}

StoreResult Store::readPastIndexes(const QString &tableName, const std::function<void(qint64, const QStringList &)> &row)
{
    const TableDef &def = table(tableName);
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT rowid, %1 FROM \"%2\" NOT INDEXED").arg(quotedColumns(def), def.name)))
        return resultOf(q.lastError());
    while (q.next()) {
        QStringList values;
        for (int c = 1; c <= def.columns.size(); ++c)
            values << q.value(c).toString();
        row(q.value(0).toLongLong(), values);
    }
    if (q.lastError().isValid())
        return resultOf(q.lastError());
    return StoreResult::success();
}

StoreResult Store::exec(const QString &sql, const QVariantList &bindings)
{
    // A statement run for every row of an import is prepared once.
    auto it = m_prepared.find(sql);
    if (it == m_prepared.end()) {
        QSqlQuery q(database());
        if (!q.prepare(sql))
            return resultOf(q.lastError());
        it = m_prepared.insert(sql, q);
    }
    QSqlQuery &q = it.value();
    for (int i = 0; i < bindings.size(); ++i)
        q.bindValue(i, bindings[i]);
    const bool done = q.exec();
    const StoreResult result = done ? StoreResult::success() : resultOf(q.lastError());
    q.finish();
    return result;
}

namespace {

// Binds the values from parameter 1 on, to be stored as binding them through Qt Sql stores
// them: a null text as NULL, other text as its characters. Text below U+D800 (ASCII, Chinese)
// goes as UTF-8 written into `utf8`; other text (surrogates, the user-defined area, a mark)
// as UTF-16, which the engine converts as it converts Qt Sql's. Both must outlive the step.
void bindTexts(sqlite3_stmt *stmt, const QStringList &values, QByteArray &utf8)
{
    qsizetype room = 0;
    for (const QString &v : values)
        room += v.size() * 3;
    if (utf8.size() < room)
        utf8.resize(room);
    char *out = utf8.data();
    for (int i = 0; i < values.size(); ++i) {
        const QString &v = values[i];
        if (v.isNull()) {
            sqlite3_bind_null(stmt, i + 1);
            continue;
        }
        char *const begin = out;
        bool plain = true;
        for (QChar c : v) {
            const char16_t u = c.unicode();
            if (u < 0x80) {
                *out++ = char(u);
            } else if (u < 0x800) {
                *out++ = char(0xC0 | (u >> 6));
                *out++ = char(0x80 | (u & 0x3F));
            } else if (u < 0xD800) {
                *out++ = char(0xE0 | (u >> 12));
                *out++ = char(0x80 | ((u >> 6) & 0x3F));
                *out++ = char(0x80 | (u & 0x3F));
            } else {
                plain = false;
                break;
            }
        }
        if (plain) {
            sqlite3_bind_text(stmt, i + 1, begin, int(out - begin), SQLITE_STATIC);
        } else {
            out = begin;
            sqlite3_bind_text16(stmt, i + 1, v.utf16(), int(v.size() * sizeof(char16_t)), SQLITE_STATIC);
        }
    }
}

} // namespace

StoreResult Store::appendRows(const QString &tableName, const QList<QStringList> &rows)
{
    const TableDef &def = table(tableName);
    sqlite3 *db = engineHandle(database());
    if (!db)
        return StoreResult::other(-1, QStringLiteral("資料檔未開啟"));
    const QString marks = QStringList(def.columns.size(), QStringLiteral("?")).join(QLatin1Char(','));
    const QByteArray sql = QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(def.name, quotedColumns(def), marks).toUtf8();
    const EngineStatement insert = prepareStatement(db, sql);
    if (!insert)
        return resultOf(db);
    QByteArray utf8;
    for (const QStringList &values : rows) {
        Q_ASSERT(values.size() == def.columns.size());
        if (const StoreResult wide = checkWidths(def, values); !wide.ok())
            return wide;
        bindTexts(insert.get(), values, utf8);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            return resultOf(db);
        sqlite3_reset(insert.get());
    }
    return StoreResult::success();
}

StoreResult Store::rewriteRowsAt(const QString &tableName, const QList<qint64> &rowids, const QList<QStringList> &rows)
{
    Q_ASSERT(rowids.size() == rows.size());
    const TableDef &def = table(tableName);
    sqlite3 *db = engineHandle(database());
    if (!db)
        return StoreResult::other(-1, QStringLiteral("資料檔未開啟"));
    QStringList sets;
    for (const ColumnDef &c : def.columns)
        sets << QStringLiteral("\"%1\" = ?").arg(c.name);
    const QByteArray sql = QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid = ?").arg(def.name, sets.join(QLatin1Char(','))).toUtf8();
    const EngineStatement update = prepareStatement(db, sql);
    if (!update)
        return resultOf(db);
    const int rowidParameter = int(def.columns.size()) + 1;
    QByteArray utf8;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        Q_ASSERT(rows[r].size() == def.columns.size());
        if (const StoreResult wide = checkWidths(def, rows[r]); !wide.ok())
            return wide;
        bindTexts(update.get(), rows[r], utf8);
        sqlite3_bind_int64(update.get(), rowidParameter, rowids[r]);
        if (sqlite3_step(update.get()) != SQLITE_DONE)
            return resultOf(db);
        sqlite3_reset(update.get());
        if (sqlite3_changes(db) != 1)
            return StoreResult::other(-1, QStringLiteral("資料列已不存在"));
    }
    return StoreResult::success();
}
