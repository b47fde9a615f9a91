#include "support/teststores.h"

#include "core/platform/clock.h"
#include "core/rules/headerrules.h"
#include "core/store/store.h"

#include <QRegularExpression>
#include <QTest>

// What a batch header must be: the date and batch number checks, and storing the header,
// each problem a notice that sends the user back to its field.
class TstHeaderRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void problemsAndStoredRow_data();
    void problemsAndStoredRow();
};

void TstHeaderRules::problemsAndStoredRow_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<QString>("notice"); // text|icon|title|focus; empty when there is none
    for (const QStringList &c : REFERENCE_CASES("header-problems.txt"))
        QTest::newRow(qPrintable(c[0])) << c[1] << c.mid(2, 3) << c.value(5);
}

void TstHeaderRules::problemsAndStoredRow()
{
    QFETCH(QString, rule);
    QFETCH(QStringList, header);
    QFETCH(QString, notice);
    TestDir dir;
    dir.makeStores();
    const QList<QStringList> old{{"151201", "1512011001", "舊"}};
    TestDir::insert(dir.working(), Table::R_DAY, old);
    const auto store = Store::open(dir.working(), Schema::working()).store;
    QVERIFY(store);
    const FixedClock today(QDate(2026, 12, 6)); // ROC 151206
    const auto n = rule == "date"    ? HeaderRules::dateProblem(header[0], today)
                   : rule == "batch" ? HeaderRules::batchProblem(header[1], header[0])
                                     : HeaderRules::store(*store, {header[0], header[1], header[2]});
    const QStringList icons{"None", "Critical", "Question", "Exclamation", "Information"};
    const QString shown = n ? QStringList{n->text, icons[int(n->icon)], n->title, n->focus}.join('|') : QString();
    QCOMPARE(shown, notice);
    // A stored header replaces the one row, trimmed; a refused one leaves it as it was.
    const bool stored = rule == "store" && !n;
    const QStringList trimmed = QStringList(header).replaceInStrings(QRegularExpression("^ +| +$"), QString());
    QCOMPARE(TestDir::rows(dir.working(), Table::R_DAY), stored ? QList<QStringList>{trimmed} : old);
}

QTEST_GUILESS_MAIN(TstHeaderRules)
#include "tst_headerrules.moc"
