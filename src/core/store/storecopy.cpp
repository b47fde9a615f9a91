#include "core/store/storecopy.h"

#include "core/store/enginestatement.h"

#include "core/store/fieldroutines.h"
#include "core/store/schema.h"
#include "core/store/store.h"

#include "core/platform/atomicfile.h"
#include "core/platform/big5codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

#include <sqlite3.h>

#include <cerrno>
#include <memory>

namespace {

using Statement = EngineStatement;

struct ConnectionDeleter {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionDeleter>;

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The engine's failure in words for the user; a full disk is named as such.
QString engineReason(sqlite3 *db, int rc)
{
    const int primary = rc & 0xff;
    if (primary == SQLITE_FULL)
        return systemReason(ENOSPC);
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return QStringLiteral("資料檔正被其他程式使用");
    const int system = db ? sqlite3_system_errno(db) : 0;
    if (system == ENOSPC || system == EFBIG)
        return systemReason(system);
    QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (system != 0)
        text += QStringLiteral(" (%1)").arg(systemReason(system));
    return text;
}

// Opens a file read-only, by a URI so that the engine never makes it anew.
Connection openReadOnly(const QString &path, int *rc)
{
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setQuery(QStringLiteral("mode=ro"));
    sqlite3 *db = nullptr;
    *rc = sqlite3_open_v2(url.toString(QUrl::FullyEncoded).toUtf8().constData(), &db,
                          SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    Connection out(db);
    if (db)
        sqlite3_busy_timeout(db, 2000);
    return out;
}

Statement prepare(sqlite3 *db, const QString &sql, int *rc)
{
    return prepareStatement(db, sql.toUtf8(), rc);
}

QString quotedName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// Why a source's value may not enter the working store, or empty. The engine hands back
// a text's bytes as stored; only bytes that are exactly the UTF-8 form of a text are one
// (no broken, overlong or surrogate sequences, nothing past U+10FFFF). A leading byte-order
// mark stays a character of the text, which then has no Big5 form.
QString restoredTextFault(const QByteArray &bytes, int width)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (text.toUtf8() != bytes)
        return QStringLiteral("不是有效的 UTF-8 文字");
    switch (Big5TextFault(text)) {
    case TextFault::Control:
        return QStringLiteral("含有控制字元（如定位字元、換行）");
    case TextFault::NotBig5:
        return QStringLiteral("含有無法原樣轉成 Big5 的字元");
    case TextFault::None:
        break;
    }
    // The working store's columns hold no more than their widths.
    if (Big5::byteLength(text) > width)
        return QStringLiteral("超過 %1 Byte").arg(width);
    return {};
}

// Copies every page of the working store into the (empty) file at copyPath.
QString copyPages(const QString &workingPath, const QString &copyPath)
{
    int rc = SQLITE_OK;
    const Connection source = openReadOnly(workingPath, &rc);
    if (rc != SQLITE_OK)
        return engineReason(source.get(), rc);
    sqlite3 *raw = nullptr;
    rc = sqlite3_open_v2(QFile::encodeName(copyPath).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const Connection copy(raw);
    if (rc != SQLITE_OK)
        return engineReason(copy.get(), rc);
    // The copy is discarded on any failure, and pushed to the disk as a whole afterwards.
    sqlite3_exec(copy.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_backup *backup = sqlite3_backup_init(copy.get(), "main", source.get(), "main");
    if (!backup)
        return engineReason(copy.get(), sqlite3_errcode(copy.get()));
    rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        return engineReason(copy.get(), rc == SQLITE_OK ? sqlite3_errcode(copy.get()) : rc);
    // A store kept in write-ahead mode gives a copy marked so; the copy is a file of its
    // own, which a restore reads alone.
    rc = sqlite3_exec(copy.get(), "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return engineReason(copy.get(), rc);
    return {};
}

// The copy opens as the program opens its working store, and the engine finds it whole.
QString checkCopy(const QString &copyPath)
{
    Store::Opened opened = Store::open(copyPath, Schema::working());
    if (!opened.store)
        return QStringLiteral("備份檔檢查不符：") + opened.failure.detail;
    const StoreResult whole = opened.store->checkIntegrity(true);
    if (!whole.ok())
        return QStringLiteral("備份檔檢查不符：") + whole.detail;
    return {};
}

// The tables that a restore replaces, in the order it copies them, each with all its
// columns: every table of the working store but the remark presets.
QList<TableDef> restoredTables()
{
    QList<TableDef> tables = Schema::working();
    tables.removeIf([](const TableDef &t) { return t.name == Table::NNOO; });
    return tables;
}

} // namespace

bool backupStoreFile(const QString &workingPath, const QString &target, QString *reason)
{
    PendingFile copy(target);
    // A new backup is no more readable than the store it copies.
    copy.setNewFileModeFrom(workingPath);
    if (!copy.open(reason))
        return false;
    QString why = copyPages(workingPath, copy.path());
    if (why.isEmpty())
        why = checkCopy(copy.path());
    if (!why.isEmpty()) {
        if (reason)
            *reason = why;
        return false;
    }
    return copy.commit(reason);
}

RestoreSource::RestoreSource(const QString &path)
{
    inspect(path);
}

RestoreSource::~RestoreSource()
{
    if (m_db) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
}

bool RestoreSource::fail(Problem problem, const QString &reason)
{
    m_problem = problem;
    m_reason = reason;
    return false;
}

bool RestoreSource::inspect(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return fail(Problem::Unusable, QStringLiteral("找不到檔案 %1").arg(shownPath(path)));
    if (!info.isFile())
        return fail(Problem::Unusable, QStringLiteral("%1 不是檔案").arg(shownPath(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Problem::Unusable, QStringLiteral("無法讀取 %1：%2").arg(shownPath(path), file.errorString()));
    const QByteArray head = file.read(100);
    const qint64 size = file.size();
    file.close();
    if (head.size() < 100 || !head.startsWith(databaseFileMagic()))
        return fail(Problem::Unusable, QStringLiteral("%1 不是資料庫檔").arg(shownPath(path)));
    // A store in write-ahead mode keeps recent changes beside the file, where a read-only
    // reader may not look.
    if (head[18] != 1 || head[19] != 1)
        return fail(Problem::Unusable, QStringLiteral("%1 使用預寫記錄 (WAL) 模式，無法安全讀取").arg(shownPath(path)));
    const auto number = [&](int at) {
        return (quint32(quint8(head[at])) << 24) | (quint32(quint8(head[at + 1])) << 16) | (quint32(quint8(head[at + 2])) << 8)
            | quint32(quint8(head[at + 3]));
    };
    const quint32 sizeField = quint32(quint8(head[16])) << 8 | quint8(head[17]);
    const quint32 pageSize = sizeField == 1 ? 65536 : sizeField;
    const quint32 pages = number(28);
    if (pages > 0 && number(24) == number(92) && size < qint64(pageSize) * pages)
        return fail(Problem::Unusable, QStringLiteral("%1 不完整：應有 %2 位元組，只有 %3 位元組").arg(shownPath(path)).arg(qint64(pageSize) * pages).arg(size));
    // A journal or write-ahead log left by a program that ended mid-change: the file alone
    // is not what that program last stored.
    for (const QString &suffix : {QStringLiteral("-journal"), QStringLiteral("-wal")}) {
        const QFileInfo side(path + suffix);
        if (side.exists() && side.size() > 0)
            return fail(Problem::Unusable, QStringLiteral("%1 旁有未完成的交易記錄 %2，請先以建立它的程式開啟並正常關閉")
                                               .arg(shownPath(path), side.fileName()));
    }

    int rc = SQLITE_OK;
    Connection db = openReadOnly(path, &rc);
    if (rc != SQLITE_OK)
        return fail(Problem::Unusable, engineReason(db.get(), rc));
    const auto engineFailure = [&](int code) {
        if ((code & 0xff) == SQLITE_NOTADB)
            return fail(Problem::Unusable, QStringLiteral("%1 不是資料庫檔").arg(shownPath(path)));
        if ((code & 0xff) == SQLITE_CORRUPT)
            return fail(Problem::Unusable, QStringLiteral("%1 已損壞：%2").arg(shownPath(path), QString::fromUtf8(sqlite3_errmsg(db.get()))));
        return fail(Problem::Unusable, engineReason(db.get(), code));
    };
    // One read transaction from the check to the copy: what was checked is what is copied.
    rc = sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return engineFailure(rc);
    {
        Statement check = prepare(db.get(), QStringLiteral("PRAGMA quick_check"), &rc);
        if (rc != SQLITE_OK)
            return engineFailure(rc);
        rc = sqlite3_step(check.get());
        if (rc != SQLITE_ROW)
            return engineFailure(rc);
        const QString verdict = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(check.get(), 0)));
        if (verdict != QLatin1String("ok"))
            return fail(Problem::Unusable, QStringLiteral("%1 已損壞：%2").arg(shownPath(path), verdict));
    }
    for (const TableDef &def : restoredTables()) {
        // The line table is looked for by its exact name and must have its seven columns;
        // the others are found in any letter case, as the engine finds tables, and need at
        // least the columns copied.
        const bool lines = def.name == Table::R_DETL;
        const Schema::TableCheck table = Schema::checkTable(db.get(), def, lines ? Schema::Columns::Counted : Schema::Columns::Leading,
                                                            lines ? Qt::CaseSensitive : Qt::CaseInsensitive);
        if (table.engineCode)
            return engineFailure(table.engineCode);
        if (!table.ok())
            return fail(Problem::Layout, QStringLiteral("來源") + table.fault);
    }
    m_db = db.release();
    return true;
}

bool RestoreSource::copyInto(Store &store, QString *reason)
{
    sqlite3 *working = Store::engineHandle(store.database());
    const auto failWith = [&](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (!m_db)
        return failWith(m_reason);
    int rc = sqlite3_exec(working, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return failWith(engineReason(working, rc));
    const auto undo = [&](const QString &why) {
        sqlite3_exec(working, "ROLLBACK", nullptr, nullptr, nullptr);
        return failWith(why);
    };
    const QList<TableDef> tables = restoredTables();
    for (const TableDef &def : tables) {
        rc = sqlite3_exec(working, QStringLiteral("DELETE FROM %1").arg(quotedName(def.name)).toUtf8().constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return undo(engineReason(working, rc));
    }
    for (const TableDef &def : tables) {
        const int columns = int(def.columns.size());
        QStringList sourceColumns, targetColumns, marks;
        {
            Statement info = prepare(m_db, QStringLiteral("PRAGMA table_info(%1)").arg(quotedName(def.name)), &rc);
            while (info && sqlite3_step(info.get()) == SQLITE_ROW && sourceColumns.size() < columns)
                sourceColumns << quotedName(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(info.get(), 1))));
        }
        for (int c = 0; c < columns; ++c) {
            targetColumns << quotedName(def.columns[c].name);
            marks << QStringLiteral("?");
        }
        if (sourceColumns.size() != columns)
            return undo(QStringLiteral("無法讀取來源資料表 %1 的欄位").arg(def.name));
        Statement read = prepare(m_db, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(sourceColumns.join(QLatin1Char(',')), quotedName(def.name)), &rc);
        if (rc != SQLITE_OK)
            return undo(engineReason(m_db, rc));
        Statement write = prepare(working, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                               .arg(quotedName(def.name), targetColumns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))), &rc);
        if (rc != SQLITE_OK)
            return undo(engineReason(working, rc));
        int row = 0;
        while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
            ++row;
            for (int c = 0; c < columns; ++c) {
                QByteArray text;
                switch (sqlite3_column_type(read.get(), c)) {
                case SQLITE_NULL:
                    sqlite3_bind_null(write.get(), c + 1);
                    continue;
                case SQLITE_INTEGER: {
                    const sqlite3_int64 v = sqlite3_column_int64(read.get(), c);
                    sqlite3_bind_int64(write.get(), c + 1, v);
                    text = QByteArray::number(v);
                    break;
                }
                case SQLITE_FLOAT:
                    sqlite3_bind_double(write.get(), c + 1, sqlite3_column_double(read.get(), c));
                    text = reinterpret_cast<const char *>(sqlite3_column_text(read.get(), c));
                    break;
                case SQLITE_TEXT:
                    text = QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(read.get(), c)), sqlite3_column_bytes(read.get(), c));
                    sqlite3_bind_text(write.get(), c + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                    break;
                default:
                    return undo(QStringLiteral("來源資料表 %1 第 %2 筆的 %3 不是文字").arg(def.name).arg(row).arg(def.columns[c].name));
                }
                // A restored value is held to the rules of a keyed one: every window, the list
                // and the bank's file read it as keyed text.
                const QString why = restoredTextFault(text, def.width(c));
                if (!why.isEmpty())
                    return undo(QStringLiteral("來源資料表 %1 第 %2 筆的 %3 %4").arg(def.name).arg(row).arg(def.columns[c].name, why));
            }
            rc = sqlite3_step(write.get());
            if (rc != SQLITE_DONE)
                return undo(engineReason(working, rc));
            sqlite3_reset(write.get());
        }
        if (rc != SQLITE_DONE)
            return undo(engineReason(m_db, rc));
    }
    rc = sqlite3_exec(working, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return undo(engineReason(working, rc));
    return true;
}
