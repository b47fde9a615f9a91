#pragma once

#include "core/store/enginestatement.h"
#include "core/store/query.h"
#include "core/store/schema.h"
#include "core/store/storeresult.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

struct sqlite3_value;

// One query over one table with a current row. Moves are announced, so a window can show
// the current row and a grid can follow it; changes go to the store at once and into the
// rows held only when the store took them.
//
// A set made for reading takes every row at once. A set made for browsing takes them a
// window at a time, as a grid scrolls or a move, a find or a removal needs the next ones, so
// that opening costs the same over a hundred rows or a hundred thousand. Its rows are the
// rows of the query taken so far, in its order, then the rows added here in the order
// added: taking more puts them before the added ones, and the current row stays on its row.
class RecordSet : public QObject {
    Q_OBJECT
public:
    // A window of rows: more than a grid shows at once.
    static constexpr int BrowsingWindow = 128;
    // Rows few enough that a find or a new order reads all of them at once and keeps them:
    // cheaper then than asking the engine again at every keystroke.
    static constexpr int FewRows = 20000;
    void setFewRows(int rows)
    {
        m_fewRows = rows;
        m_few.reset();
    }

    // `window` rows are taken at a time; 0 takes every row at once.
    RecordSet(QString connection, TableDef table, Query query, int window = 0);
    ~RecordSet() override;

    // Re-runs the query; the first row becomes current, or the row with the rowid `keep`
    // while the query still has it (a lookup sorted anew).
    StoreResult refresh(qint64 keep = -1);
    // Changes the query (a lookup's new prefix); takes effect at the next refresh.
    void setQuery(Query query) { m_query = std::move(query); }
    const Query &query() const { return m_query; }

    const TableDef &table() const { return m_table; }
    // The rows held now: those taken from the query so far and those added here.
    int rowCount() const { return int(m_rowids.size()); }
    qint64 rowid(int row) const { return m_rowids[size_t(row)]; }
    int fieldCount() const { return int(m_table.columns.size()); }
    int currentRow() const { return m_row; }
    bool atEnd() const { return m_row >= rowCount(); }
    bool atStart() const { return m_row < 0 || isEmpty(); }
    bool isEmpty() const { return m_rowids.empty(); }
    // Whether a next row follows the current one, taken or not.
    bool hasNext() const { return m_row + 1 < rowCount() || (m_row + 1 == m_taken && m_more); }

    // Whether the query may have rows not taken yet, and taking the next window of them.
    bool canFetchMore() const { return m_more; }
    void fetchMore();

    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveTo(int row);

    // Field of the current row; empty text for a null column or when no row is current.
    QString field(int ordinal) const;
    bool isNull(int ordinal) const;
    QString value(int row, int ordinal) const;
    QStringList currentValues() const;
    // The first row from `from` on (in the order of the rows, those not taken yet included)
    // whose value in one of the columns contains the text (ASCII letters in either case), or
    // -1. An empty text is in every row. A row found among those not taken is taken with the
    // rows before it.
    int findContaining(const QString &text, const QList<int> &ordinals, int from = 0);
    // Where the row with this rowid stands, taking rows up to it when it is still to come;
    // -1 when the query has no such row.
    int rowOf(qint64 rowid);

    // Stores a new row (missing trailing fields stay null) and makes it current.
    StoreResult addRow(const QStringList &values);
    // Rewrites the current row's fields, all in one statement.
    StoreResult update(const QStringList &values);
    // Deletes the current row. The row that followed it becomes current; when it was the
    // last row, the new last row does; an emptied set is at its end.
    StoreResult removeCurrentRow();

Q_SIGNALS:
    void currentRowMoved();
    void refreshed();
    void rowAdded(int row);
    void rowChanged(int row);
    void rowRemoved(int row);
    // Rows taken from the query were put at `first`, before the rows added here.
    void rowsFetched(int first, int count);
    // Taking more rows failed; the rows held stay, and no more are taken until a refresh.
    void fetchFailed(const StoreResult &result);

private:
    // The rows keep the engine's UTF-8 bytes and make text of a field only when it is read:
    // a lookup over thousands of rows shows a screenful of them.
    struct Cell {
        qint32 offset;
        qint32 length; // -1 for a null column
    };
    StoreResult checkWidths(const QList<int> &ordinals, const QStringList &values) const;
    void setRow(int row);
    bool hasCurrentRow() const { return m_row >= 0 && m_row < rowCount(); }
    Cell store(const char *utf8, int length);
    Cell store(const QString &text);
    const Cell &cell(int row, int ordinal) const { return m_cells[size_t(row) * fieldCount() + ordinal]; }
    Cell &cell(int row, int ordinal) { return m_cells[size_t(row) * fieldCount() + ordinal]; }
    // Takes up to `limit` more rows of the query (all when 0) and tells of them; false when
    // the engine failed, which is then told too.
    bool take(int limit, StoreResult *failure, bool tell);
    // The column of a statement's row that holds the key of the query's order; -1 for none.
    int keyColumn() const;
    // Prepares the query for the rows after those taken (up to m_through when set), with the
    // page's extra condition.
    StoreResult prepare(EngineStatement &statement, const QString &condition, bool limited) const;
    bool matches(int row, const QByteArray &needle, const QList<int> &ordinals) const;
    // Whether the table holds no more than m_fewRows rows.
    bool fewRows() const;
    // The first row not yet taken that meets the condition (bound as :text): its rowid, or
    // -1, and its key kept as m_through.
    qint64 firstToCome(const QString &condition, const QVariant &text);
    // Takes the rows up to and with the one firstToCome found; its row, or -1.
    int takeThrough(qint64 rowid, bool tell = true);
    void clearRows();

    QString m_connection;
    TableDef m_table;
    Query m_query;
    int m_window = 0;
    int m_fewRows = FewRows;
    mutable std::optional<bool> m_few; // whether the table held few rows when last read
    QByteArray m_arena;
    std::vector<Cell> m_cells;
    std::vector<qint64> m_rowids;
    int m_row = 0;
    int m_taken = 0;     // rows [0, m_taken) came from the query; the rest were added here
    bool m_more = false; // the query may have rows after the last one taken
    // The last row taken: its key in the query's order (null, or the engine's own value, so
    // that it compares as stored) and its rowid.
    sqlite3_value *m_lastKey = nullptr;
    qint64 m_lastRowid = 0;
    bool m_hasLast = false;
    // A row still to come that the next take reads up to: its key and rowid.
    sqlite3_value *m_through = nullptr;
    qint64 m_throughRowid = -1;
    // Rows added or rewritten here while rows were still to come: a window that brings one
    // of them again leaves it out, since it is held already.
    QSet<qint64> m_placed;
};
