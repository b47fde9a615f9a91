#pragma once

#include <QList>
#include <qnamespace.h>
#include <QString>
#include <QVariant>

struct TableDef;

// One query over one table: conditions on columns and an order. Typed text only ever
// travels as a bound value, so a quote, "%" or "_" in it is just a character.
class Query {
public:
    // The table in the order its rows were added.
    static Query table(const QString &name);

    // Rows by the column, then (for equal values) in the order they were added; descending
    // reverses both, so that the list read backwards is the ascending one.
    Query &orderBy(const QString &column, Qt::SortOrder order = Qt::AscendingOrder);
    Query &whereEquals(const QString &column, const QString &value);
    Query &whereNotEquals(const QString &column, const QString &value);
    // Rows whose column begins with the text. Codes compare ignoring (ASCII) case.
    Query &wherePrefix(const QString &column, const QString &prefix);

    const QString &tableName() const { return m_table; }
    // SQL selecting the rowid followed by every column of the table, and its bound values.
    QString sql(const TableDef &def) const;
    const QVariantList &bindings() const { return m_bindings; }

private:
    QString m_table;
    QStringList m_conditions; // with column names checked against the table when built
    QStringList m_conditionColumns;
    QVariantList m_bindings;
    QString m_orderBy;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

// The access paths of the windows.
namespace Queries {
// Lines of the batch by payee code, without the lines marked to be left out.
Query linesWithoutMarker();
// Korvana branches (codes beginning with the home bank code) that begin with the typed text.
Query korvanaBranches(const QString &prefix);
} // namespace Queries
