#include "core/store/query.h"

#include "core/store/schema.h"

namespace {

QString escapeLike(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QString quoted(const QString &identifier)
{
    return QLatin1Char('"') + identifier + QLatin1Char('"');
}

} // namespace

Query Query::table(const QString &name)
{
    Query q;
    q.m_table = name;
    return q;
}

Query &Query::orderBy(const QString &column, Qt::SortOrder order)
{
    m_orderBy = column;
    m_order = order;
    return *this;
}

Query &Query::whereEquals(const QString &column, const QString &value)
{
    m_conditionColumns << column;
    m_conditions << QStringLiteral("%1 = ? COLLATE NOCASE");
    m_bindings << value;
    return *this;
}

Query &Query::whereNotEquals(const QString &column, const QString &value)
{
    m_conditionColumns << column;
    // A null differs from every value: "IS NOT" keeps the rows that "<>" would lose.
    m_conditions << QStringLiteral("%1 IS NOT ? COLLATE NOCASE");
    m_bindings << value;
    return *this;
}

Query &Query::wherePrefix(const QString &column, const QString &prefix)
{
    m_conditionColumns << column;
    m_conditions << QStringLiteral("%1 LIKE ? ESCAPE '\\'");
    m_bindings << escapeLike(prefix) + QLatin1Char('%');
    return *this;
}

QString Query::sql(const TableDef &def) const
{
    return sql(def, Page());
}

QString Query::sql(const TableDef &def, const Page &page) const
{
    QStringList columns{QStringLiteral("rowid")};
    for (const ColumnDef &c : def.columns)
        columns << quoted(c.name);
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QLatin1Char(',')), quoted(def.name));
    QStringList where;
    for (int i = 0; i < m_conditions.size(); ++i) {
        Q_ASSERT(def.ordinalOf(m_conditionColumns[i]) >= 0);
        where << m_conditions[i].arg(quoted(m_conditionColumns[i]));
    }
    const bool descending = m_order == Qt::DescendingOrder;
    if (page.after != Page::After::Start) {
        // The rows that follow in the order below. Nulls come first ascending and last
        // descending; the comparison on the column alone lets an index find the first one.
        const QString c = m_orderBy.isEmpty() ? QString() : quoted(m_orderBy);
        const QString op = descending ? QStringLiteral("<") : QStringLiteral(">");
        if (c.isEmpty())
            where << QStringLiteral("rowid %1 :rowid").arg(op);
        else if (page.after == Page::After::NullKey)
            where << (descending ? QStringLiteral("(%1 IS NULL AND rowid < :rowid)")
                                 : QStringLiteral("(%1 IS NOT NULL OR rowid > :rowid)"))
                         .arg(c);
        else
            where << QStringLiteral("((%1 %2= :key COLLATE NOCASE AND (%1 COLLATE NOCASE, rowid) %2 (:key, :rowid))%3)")
                         .arg(c, op, descending ? QStringLiteral(" OR %1 IS NULL").arg(c) : QString());
    }
    if (page.through != Page::After::Start) {
        const QString c = m_orderBy.isEmpty() ? QString() : quoted(m_orderBy);
        if (c.isEmpty())
            where << QStringLiteral("rowid %1 :torowid").arg(descending ? QStringLiteral(">=") : QStringLiteral("<="));
        else if (page.through == Page::After::NullKey)
            where << (descending ? QStringLiteral("(%1 IS NOT NULL OR rowid >= :torowid)")
                                 : QStringLiteral("(%1 IS NULL AND rowid <= :torowid)"))
                         .arg(c);
        else
            where << (descending ? QStringLiteral("(%1 COLLATE NOCASE, rowid) >= (:tokey, :torowid)")
                                 : QStringLiteral("(%1 IS NULL OR (%1 COLLATE NOCASE, rowid) <= (:tokey, :torowid))"))
                         .arg(c);
    }
    if (!page.condition.isEmpty())
        where << QLatin1Char('(') + page.condition + QLatin1Char(')');
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    // Codes compare without regard to case everywhere: equal, prefix and order. Equal
    // keys keep the order in which their rows were added.
    const QString direction = descending ? QStringLiteral(" DESC") : QString();
    sql += QStringLiteral(" ORDER BY ");
    if (!m_orderBy.isEmpty()) {
        Q_ASSERT(def.ordinalOf(m_orderBy) >= 0);
        sql += quoted(m_orderBy) + QStringLiteral(" COLLATE NOCASE") + direction + QLatin1Char(',');
    }
    sql += QStringLiteral("rowid") + direction;
    if (page.limited)
        sql += QStringLiteral(" LIMIT :limit");
    return sql;
}

namespace Queries {

Query linesWithoutMarker()
{
    return Query::table(Table::R_DETL).whereNotEquals(QStringLiteral("ACTNO"), Bank::LeftOutMarker).orderBy(QStringLiteral("R_ID"));
}

Query korvanaBranches(const QString &prefix)
{
    Query q = Query::table(Table::VXBANK).wherePrefix(QStringLiteral("BKBRNO"), Bank::HomeCode);
    if (!prefix.isEmpty())
        q.wherePrefix(QStringLiteral("BKBRNO"), prefix);
    return q.orderBy(QStringLiteral("BKBRNO"));
}

} // namespace Queries
