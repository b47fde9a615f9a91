#include "core/store/recordset.h"

#include "core/store/store.h"

#include "core/platform/big5codec.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <algorithm>

RecordSet::RecordSet(QString connection, TableDef table, Query query)
    : m_connection(std::move(connection)), m_table(std::move(table)), m_query(std::move(query))
{
}

StoreResult RecordSet::refresh()
{
    // Buffers keep their capacity: the next keystroke fills them again.
    m_arena.resize(0);
    m_cells.clear();
    m_rowids.clear();
    m_row = 0;
    // Read straight from the engine: a lookup re-runs its query on every keystroke, and
    // Qt Sql's per-value path costs several times the reading itself.
    sqlite3 *db = Store::engineHandle(QSqlDatabase::database(m_connection, false));
    StoreResult result;
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = m_query.sql(m_table).toUtf8();
    if (!db) {
        result = StoreResult::other(-1, QStringLiteral("資料檔未開啟"));
    } else if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) {
        result = Store::resultOf(db);
    } else {
        const QVariantList &bindings = m_query.bindings();
        for (int i = 0; i < bindings.size(); ++i) {
            const QByteArray text = bindings[i].toString().toUtf8();
            sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        const int columns = fieldCount();
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            m_rowids.push_back(sqlite3_column_int64(stmt, 0));
            for (int c = 1; c <= columns; ++c) {
                if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
                    m_cells.push_back({0, -1});
                } else {
                    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, c));
                    m_cells.push_back(store(text, sqlite3_column_bytes(stmt, c)));
                }
            }
        }
        if (rc != SQLITE_DONE) {
            result = Store::resultOf(db);
            m_arena.clear();
            m_cells.clear();
            m_rowids.clear();
        }
        sqlite3_finalize(stmt);
    }
    Q_EMIT refreshed();
    Q_EMIT currentRowMoved();
    return result;
}

RecordSet::Cell RecordSet::store(const char *utf8, int length)
{
    const Cell c{qint32(m_arena.size()), length};
    m_arena.append(utf8, length);
    return c;
}

RecordSet::Cell RecordSet::store(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return store(utf8.constData(), int(utf8.size()));
}

void RecordSet::setRow(int row)
{
    m_row = qBound(-1, row, rowCount());
    Q_EMIT currentRowMoved();
}

void RecordSet::moveFirst() { setRow(0); }
void RecordSet::moveNext() { setRow(m_row + 1); }
void RecordSet::movePrevious() { setRow(m_row - 1); }
void RecordSet::moveTo(int row) { setRow(row); }

QString RecordSet::value(int row, int ordinal) const
{
    if (row < 0 || row >= rowCount() || ordinal < 0 || ordinal >= fieldCount())
        return {};
    const Cell &c = cell(row, ordinal);
    return c.length < 0 ? QString() : QString::fromUtf8(m_arena.constData() + c.offset, c.length);
}

QString RecordSet::field(int ordinal) const
{
    return value(m_row, ordinal);
}

bool RecordSet::isNull(int ordinal) const
{
    if (!hasCurrentRow() || ordinal < 0 || ordinal >= fieldCount())
        return true;
    return cell(m_row, ordinal).length < 0;
}

QStringList RecordSet::currentValues() const
{
    QStringList out;
    for (int c = 0; c < fieldCount(); ++c)
        out << field(c);
    return out;
}

int RecordSet::findContaining(const QString &text, const QList<int> &ordinals, int from) const
{
    // Searched in the stored UTF-8 itself: a byte of a multi-byte character is never an
    // ASCII letter, and a whole character's bytes match only that character.
    const QByteArray needle = text.toUtf8().toLower();
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    const auto same = [&lower](char a, char b) { return lower(a) == b; };
    if (needle.isEmpty())
        return from < rowCount() ? qMax(from, 0) : -1;
    for (int row = qMax(from, 0); row < rowCount(); ++row) {
        for (int ordinal : ordinals) {
            const Cell &c = cell(row, ordinal);
            if (c.length < needle.size())
                continue;
            const char *begin = m_arena.constData() + c.offset;
            if (std::search(begin, begin + c.length, needle.cbegin(), needle.cend(), same) != begin + c.length)
                return row;
        }
    }
    return -1;
}

StoreResult RecordSet::checkWidths(const QList<int> &ordinals, const QStringList &values) const
{
    for (int i = 0; i < ordinals.size(); ++i) {
        const ColumnDef &col = m_table.columns[ordinals[i]];
        if (Big5::byteLength(values[i]) > col.width)
        {
            StoreResult r = StoreResult::tooLong(QStringLiteral("%1 超過 %2 Byte").arg(col.name).arg(col.width));
            r.ordinal = ordinals[i];
            return r;
        }
    }
    return StoreResult::success();
}

StoreResult RecordSet::addRow(const QStringList &values)
{
    Q_ASSERT(values.size() <= fieldCount());
    QList<int> ordinals;
    QStringList names, marks;
    for (int i = 0; i < values.size(); ++i) {
        ordinals << i;
        names << QLatin1Char('"') + m_table.columns[i].name + QLatin1Char('"');
        marks << QStringLiteral("?");
    }
    if (StoreResult r = checkWidths(ordinals, values); !r.ok())
        return r;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    const QString sql = values.isEmpty()
        ? QStringLiteral("INSERT INTO \"%1\" DEFAULT VALUES").arg(m_table.name)
        : QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
              .arg(m_table.name, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    if (!q.prepare(sql))
        return Store::resultOf(q.lastError());
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec())
        return Store::resultOf(q.lastError());
    m_rowids.push_back(q.lastInsertId().toLongLong());
    for (int c = 0; c < fieldCount(); ++c)
        m_cells.push_back(c < values.size() ? store(values[c]) : Cell{0, -1});
    const int added = rowCount() - 1;
    Q_EMIT rowAdded(added);
    setRow(added);
    return StoreResult::success();
}

StoreResult RecordSet::update(const QStringList &values)
{
    Q_ASSERT(values.size() <= fieldCount());
    if (!hasCurrentRow())
        return StoreResult::other(-1, QStringLiteral("沒有目前的資料列"));
    QList<int> ordinals;
    QStringList sets;
    for (int i = 0; i < values.size(); ++i) {
        ordinals << i;
        sets << QLatin1Char('"') + m_table.columns[i].name + QStringLiteral("\" = ?");
    }
    if (StoreResult r = checkWidths(ordinals, values); !r.ok())
        return r;
    if (values.isEmpty())
        return StoreResult::success();
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid = ?").arg(m_table.name, sets.join(QLatin1Char(',')))))
        return Store::resultOf(q.lastError());
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    q.bindValue(int(values.size()), m_rowids[m_row]);
    if (!q.exec())
        return Store::resultOf(q.lastError());
    if (q.numRowsAffected() != 1)
        return StoreResult::other(-1, QStringLiteral("資料列已不存在"));
    for (int i = 0; i < values.size(); ++i)
        cell(m_row, i) = store(values[i]);
    Q_EMIT rowChanged(m_row);
    return StoreResult::success();
}

StoreResult RecordSet::removeCurrentRow()
{
    if (!hasCurrentRow())
        return StoreResult::other(-1, QStringLiteral("沒有目前的資料列"));
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(QStringLiteral("DELETE FROM \"%1\" WHERE rowid = ?").arg(m_table.name)))
        return Store::resultOf(q.lastError());
    q.bindValue(0, m_rowids[m_row]);
    if (!q.exec())
        return Store::resultOf(q.lastError());
    const int removed = m_row;
    m_rowids.erase(m_rowids.begin() + removed);
    const auto first = m_cells.begin() + ptrdiff_t(removed) * fieldCount();
    m_cells.erase(first, first + fieldCount());
    Q_EMIT rowRemoved(removed);
    if (removed < rowCount())
        setRow(removed);
    else
        setRow(isEmpty() ? rowCount() : rowCount() - 1);
    return StoreResult::success();
}
