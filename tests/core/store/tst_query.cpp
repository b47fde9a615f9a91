#include "support/teststores.h"

#include "core/store/query.h"
#include "core/store/recordset.h"
#include "core/store/store.h"

#include <QTest>

// The rows each query of the windows really returns from a small store.
class TstQuery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsReturned_data();
    void rowsReturned();
};

void TstQuery::rowsReturned_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("rows"); // each row's first two columns, "|" between, a row a blank
    for (const QStringList &c : REFERENCE_CASES("query-rows.txt"))
        QTest::newRow(qPrintable(c[0])) << c[1] << c[2] << c.value(3);
}

void TstQuery::rowsReturned()
{
    QFETCH(QString, query);
    QFETCH(QString, text);
    QFETCH(QString, rows);
    TestDir dir;
    // Out of order, letter cases mixed, a null account and the marker in either case of code.
    dir.makeStores({{"9521236", "b", ""}, {"0091230", "x", ""}, {"9520011", "a", ""}, {"9530011", "y", ""}, {"9521001", "c", ""}, {"95200", "d", ""}});
    TestDir::exec(dir.working(), "INSERT INTO R_DETL (R_ID, ACTNO) VALUES ('b02', '1'), ('A01', '!000'), ('B02', NULL), "
                                 "('a01', '2'), ('A01', '3'), ('C03', '!000'), (NULL, '4')");
    const Query q = query == "lines"      ? Queries::linesWithoutMarker()
                    : query == "branches" ? Queries::korvanaBranches(text)
                    : query == "descending" ? Query::table(Table::R_DETL).orderBy("R_ID", Qt::DescendingOrder)
                    : query == "table"    ? Query::table(Table::R_DETL)
                                          : Query::table(Table::R_DETL).whereEquals("R_ID", text);
    const Store::Opened opened = Store::open(query == "branches" ? dir.reference() : dir.working(),
                                             query == "branches" ? Schema::reference() : Schema::working());
    QVERIFY(opened.store);
    // The program's indexes in place: a window's rows come in the query's order all the same.
    opened.store->keepIndexes();
    if (query != "branches")
        TestDir::exec(opened.store->path(), "CREATE INDEX IF NOT EXISTS byCode ON R_DETL (R_ID COLLATE NOCASE)");
    StoreResult result;
    const auto set = opened.store->select(q, &result);
    QVERIFY(result.ok());
    QStringList got;
    for (int r = 0; r < set->rowCount(); ++r)
        got << set->value(r, 0) + '|' + set->value(r, 1);
    QCOMPARE(got.join(' '), rows);
    // Browsed a row or two at a time, each window taken after the last row of the one before.
    const auto walk = [](RecordSet &browsed) {
        QStringList walked;
        for (browsed.moveFirst(); !browsed.atEnd(); browsed.moveNext())
            walked << browsed.field(0) + '|' + browsed.field(1);
        return walked.join(' ');
    };
    for (int window : {1, 2}) {
        const auto browsed = opened.store->browse(q, &result, window);
        QVERIFY(result.ok());
        QCOMPARE(walk(*browsed), rows);
    }
    // Any row reached at once from the first window, or kept by a new reading, stands where
    // it belongs, with the rows before it and none twice; read from the engine a window at a
    // time, or all at once when the rows are few.
    for (int few : {0, RecordSet::FewRows}) {
        for (int r = 0; r < set->rowCount(); ++r) {
            const auto reached = opened.store->browse(q, &result, 1);
            reached->setFewRows(few);
            QCOMPARE(reached->rowOf(set->rowid(r)), r);
            QCOMPARE(walk(*reached), rows);
            const auto kept = opened.store->browse(q, &result, 1);
            kept->setFewRows(few);
            kept->refresh(set->rowid(r));
            QCOMPARE(kept->currentRow(), r);
            QCOMPARE(walk(*kept), rows);
        }
    }
}

QTEST_GUILESS_MAIN(TstQuery)
#include "tst_query.moc"
