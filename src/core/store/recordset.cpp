#include "core/store/recordset.h"

#include "core/store/store.h"
#include "core/store/textsearch.h"

#include "core/platform/big5codec.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <algorithm>

RecordSet::RecordSet(QString connection, TableDef table, Query query, int window)
    : m_connection(std::move(connection)), m_table(std::move(table)), m_query(std::move(query)), m_window(qMax(window, 0))
{
}

RecordSet::~RecordSet()
{
    sqlite3_value_free(m_lastKey);
    sqlite3_value_free(m_through);
}

namespace {

Query::Page::After keyKind(const sqlite3_value *key)
{
    return key && sqlite3_value_type(const_cast<sqlite3_value *>(key)) == SQLITE_NULL ? Query::Page::After::NullKey
                                                                                       : Query::Page::After::Key;
}

} // namespace

void RecordSet::clearRows()
{
    // Buffers keep their capacity: the next keystroke fills them again.
    m_arena.resize(0);
    m_cells.clear();
    m_rowids.clear();
    m_taken = 0;
    m_more = true;
    sqlite3_value_free(m_lastKey);
    m_lastKey = nullptr;
    m_hasLast = false;
    m_placed.clear();
    m_few.reset();
}

StoreResult RecordSet::refresh(qint64 keep)
{
    clearRows();
    StoreResult result;
    // The row kept is read with the rows before it in the new order, then a window after it.
    // Rows few enough to hold are all read at once, with one sort.
    int row = -1;
    const bool all = keep >= 0 && m_window > 0 && fewRows();
    if (keep >= 0 && m_window > 0 && !all && firstToCome(QStringLiteral("rowid = :text"), QVariant(keep)) >= 0)
        row = takeThrough(keep, false);
    m_more = m_more || row < 0;
    if (!take(all ? 0 : m_window, &result, false)) {
        clearRows();
        m_more = false;
        row = -1;
    }
    if (all)
        row = int(std::find(m_rowids.cbegin(), m_rowids.cend(), keep) - m_rowids.cbegin());
    m_row = row >= 0 && row < rowCount() ? row : 0;
    Q_EMIT refreshed();
    Q_EMIT currentRowMoved();
    return result;
}

StoreResult RecordSet::prepare(EngineStatement &statement, const QString &condition, bool limited) const
{
    // Read straight from the engine: a lookup re-runs its query on every keystroke, and
    // Qt Sql's per-value path costs several times the reading itself.
    sqlite3 *db = Store::engineHandle(QSqlDatabase::database(m_connection, false));
    if (!db)
        return StoreResult::other(-1, QStringLiteral("資料檔未開啟"));
    Query::Page page;
    page.condition = condition;
    page.limited = limited;
    if (m_hasLast)
        page.after = keyKind(m_lastKey);
    if (m_throughRowid >= 0)
        page.through = keyKind(m_through);
    const QByteArray sql = m_query.sql(m_table, page).toUtf8();
    statement = prepareStatement(db, sql);
    if (!statement)
        return Store::resultOf(db);
    const QVariantList &bindings = m_query.bindings();
    for (int i = 0; i < bindings.size(); ++i) {
        const QByteArray text = bindings[i].toString().toUtf8();
        sqlite3_bind_text(statement.get(), i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    if (const int key = sqlite3_bind_parameter_index(statement.get(), ":key"); key && m_lastKey)
        sqlite3_bind_value(statement.get(), key, m_lastKey);
    if (const int rowid = sqlite3_bind_parameter_index(statement.get(), ":rowid"))
        sqlite3_bind_int64(statement.get(), rowid, m_lastRowid);
    if (const int key = sqlite3_bind_parameter_index(statement.get(), ":tokey"); key && m_through)
        sqlite3_bind_value(statement.get(), key, m_through);
    if (const int rowid = sqlite3_bind_parameter_index(statement.get(), ":torowid"))
        sqlite3_bind_int64(statement.get(), rowid, m_throughRowid);
    return StoreResult::success();
}

int RecordSet::keyColumn() const
{
    // After the rowid, which the statements select first.
    return m_query.orderColumn().isEmpty() ? -1 : m_table.ordinalOf(m_query.orderColumn()) + 1;
}

bool RecordSet::take(int limit, StoreResult *failure, bool tell)
{
    const int key = keyColumn();
    const int columns = fieldCount();
    const int first = m_taken;
    // Read straight into the rows held unless rows added here follow them.
    const bool last = first == rowCount();
    std::vector<Cell> addedCells;
    std::vector<qint64> addedRowids;
    std::vector<Cell> &cells = last ? m_cells : addedCells;
    std::vector<qint64> &rowids = last ? m_rowids : addedRowids;
    const size_t held = rowids.size();
    StoreResult result;
    // A window whose every row is held already (rewritten here) brings nothing: the next one.
    while (m_more && rowids.size() == held && result.ok()) {
        EngineStatement statement;
        result = prepare(statement, {}, limit > 0);
        if (!result.ok())
            break;
        sqlite3_stmt *stmt = statement.get();
        if (limit > 0)
            sqlite3_bind_int(stmt, sqlite3_bind_parameter_index(stmt, ":limit"), limit);
        int read = 0, rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const qint64 rowid = sqlite3_column_int64(stmt, 0);
            // Only the window's last row is where the next window begins.
            if (++read == limit) {
                sqlite3_value_free(m_lastKey);
                m_lastKey = key > 0 ? sqlite3_value_dup(sqlite3_column_value(stmt, key)) : nullptr;
                m_lastRowid = rowid;
                m_hasLast = true;
            }
            if (m_placed.contains(rowid))
                continue;
            rowids.push_back(rowid);
            for (int c = 1; c <= columns; ++c) {
                if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
                    cells.push_back({0, -1});
                } else {
                    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, c));
                    cells.push_back(store(text, sqlite3_column_bytes(stmt, c)));
                }
            }
        }
        if (rc != SQLITE_DONE) {
            result = Store::resultOf(sqlite3_db_handle(stmt));
        } else if (m_throughRowid >= 0) {
            // Up to a row still to come: the rows after it are still to come.
            sqlite3_value_free(m_lastKey);
            m_lastKey = m_through;
            m_through = nullptr;
            m_lastRowid = m_throughRowid;
            m_throughRowid = -1;
            m_hasLast = true;
            break;
        } else {
            m_more = limit > 0 && read == limit;
        }
    }
    if (!result.ok()) {
        rowids.resize(held);
        cells.resize(held * size_t(columns));
        m_more = false;
        if (failure)
            *failure = result;
        if (tell)
            Q_EMIT fetchFailed(result);
        return false;
    }
    const int count = int(rowids.size() - held);
    if (count == 0)
        return true;
    // Before the rows added here, which come after all of the query's.
    if (!last) {
        m_rowids.insert(m_rowids.begin() + first, rowids.cbegin(), rowids.cend());
        m_cells.insert(m_cells.begin() + ptrdiff_t(first) * columns, cells.cbegin(), cells.cend());
    }
    m_taken += count;
    if (m_row >= first)
        m_row += count;
    if (tell)
        Q_EMIT rowsFetched(first, count);
    return true;
}

void RecordSet::fetchMore()
{
    take(m_window, nullptr, true);
}

qint64 RecordSet::firstToCome(const QString &condition, const QVariant &value)
{
    if (!m_more)
        return -1;
    EngineStatement statement;
    StoreResult result = prepare(statement, condition, false);
    if (result.ok()) {
        const int index = sqlite3_bind_parameter_index(statement.get(), ":text");
        if (value.typeId() == QMetaType::LongLong) {
            sqlite3_bind_int64(statement.get(), index, value.toLongLong());
        } else {
            const QByteArray text = value.toString().toUtf8();
            sqlite3_bind_text(statement.get(), index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        const int key = keyColumn();
        int rc;
        while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
            const qint64 rowid = sqlite3_column_int64(statement.get(), 0);
            if (!m_placed.contains(rowid)) {
                sqlite3_value_free(m_through);
                m_through = key > 0 ? sqlite3_value_dup(sqlite3_column_value(statement.get(), key)) : nullptr;
                return rowid;
            }
        }
        if (rc != SQLITE_DONE)
            result = Store::resultOf(sqlite3_db_handle(statement.get()));
    }
    if (!result.ok()) {
        m_more = false;
        Q_EMIT fetchFailed(result);
    }
    return -1;
}

int RecordSet::takeThrough(qint64 rowid, bool tell)
{
    // One statement up to the row, however far down it stands.
    const int first = m_taken;
    m_throughRowid = rowid;
    const bool taken = take(0, nullptr, tell);
    m_throughRowid = -1;
    sqlite3_value_free(m_through);
    m_through = nullptr;
    for (int r = first; taken && r < m_taken; ++r) {
        if (m_rowids[size_t(r)] == rowid)
            return r;
    }
    return -1;
}

bool RecordSet::fewRows() const
{
    // The largest rowid is found at once and bounds the number of rows; asked once a reading,
    // not at every keystroke of a find.
    if (!m_few) {
        sqlite3 *db = Store::engineHandle(QSqlDatabase::database(m_connection, false));
        const EngineStatement max = prepareStatement(db, QStringLiteral("SELECT max(rowid) FROM \"%1\"").arg(m_table.name).toUtf8());
        m_few = max && sqlite3_step(max.get()) == SQLITE_ROW && sqlite3_column_int64(max.get(), 0) <= m_fewRows;
    }
    return *m_few;
}

int RecordSet::rowOf(qint64 rowid)
{
    const auto held = std::find(m_rowids.cbegin(), m_rowids.cend(), rowid);
    if (held != m_rowids.cend())
        return int(held - m_rowids.cbegin());
    const qint64 found = firstToCome(QStringLiteral("rowid = :text"), QVariant(rowid));
    return found >= 0 ? takeThrough(found) : -1;
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

void RecordSet::moveNext()
{
    // Past the last row taken come the rows still to be taken, then those added here.
    if (m_row + 1 == m_taken && m_more)
        take(m_window, nullptr, true);
    setRow(m_row + 1);
}

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

bool RecordSet::matches(int row, const QByteArray &needle, const QList<int> &ordinals) const
{
    for (int ordinal : ordinals) {
        const Cell &c = cell(row, ordinal);
        if (c.length >= 0 && TextSearch::holds(m_arena.constData() + c.offset, c.length, needle))
            return true;
    }
    return false;
}

int RecordSet::findContaining(const QString &text, const QList<int> &ordinals, int from)
{
    from = qMax(from, 0);
    const QByteArray needle = TextSearch::needle(text);
    if (needle.isEmpty()) {
        if (from == m_taken && m_more)
            take(m_window, nullptr, true);
        return from < rowCount() ? from : -1;
    }
    for (int row = from; row < m_taken; ++row) {
        if (matches(row, needle, ordinals))
            return row;
    }
    if (from <= m_taken && m_more && fewRows()) {
        // Rows few enough to hold: taken all at once and searched here, as every later find.
        const int first = m_taken;
        take(0, nullptr, true);
        for (int row = first; row < m_taken; ++row) {
            if (matches(row, needle, ordinals))
                return row;
        }
    }
    if (from <= m_taken && m_more) {
        // The engine compares as the search above.
        QString holds = QStringLiteral("talvek_holds(:text");
        for (int ordinal : ordinals)
            holds += QStringLiteral(", \"%1\"").arg(m_table.columns[ordinal].name);
        const qint64 found = firstToCome(holds + QLatin1Char(')'), QString::fromUtf8(needle));
        if (found >= 0)
            return takeThrough(found);
    }
    for (int row = qMax(from, m_taken); row < rowCount(); ++row) {
        if (matches(row, needle, ordinals))
            return row;
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
    if (m_more)
        m_placed.insert(m_rowids.back());
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
    if (m_more)
        m_placed.insert(m_rowids[size_t(m_row)]);
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
    if (removed < m_taken)
        --m_taken;
    Q_EMIT rowRemoved(removed);
    // The last row taken: the row that followed it is the next one still to be taken.
    if (removed == m_taken && m_more)
        take(m_window, nullptr, true);
    if (removed < rowCount())
        setRow(removed);
    else
        setRow(isEmpty() ? rowCount() : rowCount() - 1);
    return StoreResult::success();
}
