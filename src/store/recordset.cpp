#include "recordset.h"

#include "store.h"

#include "platform/big5codec.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

RecordSet::RecordSet(QString connection, TableDef table, Query query)
    : m_connection(std::move(connection)), m_table(std::move(table)), m_query(std::move(query))
{
}

StoreResult RecordSet::refresh()
{
    m_rows.clear();
    m_row = 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    StoreResult result;
    if (!q.prepare(m_query.sql(m_table))) {
        result = Store::resultOf(q.lastError());
    } else {
        const QVariantList &bindings = m_query.bindings();
        for (int i = 0; i < bindings.size(); ++i)
            q.bindValue(i, bindings[i]);
        if (!q.exec()) {
            result = Store::resultOf(q.lastError());
        } else {
            const int columns = fieldCount();
            while (q.next()) {
                Row row{q.value(0).toLongLong(), {}};
                row.values.reserve(columns);
                for (int c = 0; c < columns; ++c)
                    row.values.append(q.value(c + 1));
                m_rows.append(std::move(row));
            }
        }
    }
    Q_EMIT refreshed();
    Q_EMIT currentRowMoved();
    return result;
}

void RecordSet::setRow(int row)
{
    m_row = qBound(-1, row, int(m_rows.size()));
    Q_EMIT currentRowMoved();
}

void RecordSet::moveFirst() { setRow(0); }
void RecordSet::moveNext() { setRow(m_row + 1); }
void RecordSet::movePrevious() { setRow(m_row - 1); }
void RecordSet::moveLast() { setRow(int(m_rows.size()) - 1); }
void RecordSet::moveTo(int row) { setRow(row); }

QString RecordSet::value(int row, int ordinal) const
{
    if (row < 0 || row >= m_rows.size() || ordinal < 0 || ordinal >= fieldCount())
        return {};
    return m_rows[row].values[ordinal].toString();
}

QString RecordSet::field(int ordinal) const
{
    return value(m_row, ordinal);
}

bool RecordSet::isNull(int ordinal) const
{
    if (m_row < 0 || m_row >= m_rows.size() || ordinal < 0 || ordinal >= fieldCount())
        return true;
    return m_rows[m_row].values[ordinal].isNull();
}

QStringList RecordSet::currentValues() const
{
    QStringList out;
    for (int c = 0; c < fieldCount(); ++c)
        out << field(c);
    return out;
}

StoreResult RecordSet::checkWidths(const QList<int> &ordinals, const QStringList &values) const
{
    for (int i = 0; i < ordinals.size(); ++i) {
        const ColumnDef &col = m_table.columns[ordinals[i]];
        if (Big5::byteLength(values[i]) > col.width)
            return StoreResult::tooLong(QStringLiteral("%1 超過 %2 Byte").arg(col.name).arg(col.width));
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
    Row row{q.lastInsertId().toLongLong(), {}};
    for (int c = 0; c < fieldCount(); ++c)
        row.values.append(c < values.size() ? QVariant(values[c]) : QVariant());
    m_rows.append(std::move(row));
    const int added = int(m_rows.size()) - 1;
    Q_EMIT rowAdded(added);
    setRow(added);
    return StoreResult::success();
}

StoreResult RecordSet::update(const QStringList &values)
{
    Q_ASSERT(values.size() <= fieldCount());
    if (m_row < 0 || m_row >= m_rows.size())
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
    q.bindValue(int(values.size()), m_rows[m_row].rowid);
    if (!q.exec())
        return Store::resultOf(q.lastError());
    if (q.numRowsAffected() != 1)
        return StoreResult::other(-1, QStringLiteral("資料列已不存在"));
    for (int i = 0; i < values.size(); ++i)
        m_rows[m_row].values[i] = values[i];
    Q_EMIT rowChanged(m_row);
    return StoreResult::success();
}

StoreResult RecordSet::update(int ordinal, const QString &value)
{
    if (m_row < 0 || m_row >= m_rows.size())
        return StoreResult::other(-1, QStringLiteral("沒有目前的資料列"));
    if (StoreResult r = checkWidths({ordinal}, {value}); !r.ok())
        return r;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(QStringLiteral("UPDATE \"%1\" SET \"%2\" = ? WHERE rowid = ?").arg(m_table.name, m_table.columns[ordinal].name)))
        return Store::resultOf(q.lastError());
    q.bindValue(0, value);
    q.bindValue(1, m_rows[m_row].rowid);
    if (!q.exec())
        return Store::resultOf(q.lastError());
    if (q.numRowsAffected() != 1)
        return StoreResult::other(-1, QStringLiteral("資料列已不存在"));
    m_rows[m_row].values[ordinal] = value;
    Q_EMIT rowChanged(m_row);
    return StoreResult::success();
}

StoreResult RecordSet::remove()
{
    if (m_row < 0 || m_row >= m_rows.size())
        return StoreResult::other(-1, QStringLiteral("沒有目前的資料列"));
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(QStringLiteral("DELETE FROM \"%1\" WHERE rowid = ?").arg(m_table.name)))
        return Store::resultOf(q.lastError());
    q.bindValue(0, m_rows[m_row].rowid);
    if (!q.exec())
        return Store::resultOf(q.lastError());
    const int removed = m_row;
    m_rows.removeAt(removed);
    Q_EMIT rowRemoved(removed);
    setRow(removed);
    return StoreResult::success();
}

bool RecordSet::findFirst(int ordinal, const QString &value)
{
    for (int r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].values[ordinal].toString() == value) {
            setRow(r);
            return true;
        }
    }
    setRow(int(m_rows.size()));
    return false;
}
