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
    // Which of the query's rows a statement reads: all of them, or those after a row already
    // read (its key bound as :key, null or not, and its rowid as :rowid); up to and with a
    // given row (:tokey, :torowid) or all that follow; only those also meeting a further
    // condition; at most :limit of them.
    struct Page {
        enum class After { Start, Key, NullKey };
        After after = After::Start;
        After through = After::Start; // Start: no bound
        QString condition; // SQL over the table's quoted columns; empty for none
        bool limited = false;
    };
    // SQL selecting the rowid followed by every column of the table, and its bound values,
    // which come first: the page's named values follow them.
    QString sql(const TableDef &def, const Page &page) const;
    QString sql(const TableDef &def) const;
    const QVariantList &bindings() const { return m_bindings; }
    // The column the rows are ordered by before their rowid; empty for the order added.
    const QString &orderColumn() const { return m_orderBy; }

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
