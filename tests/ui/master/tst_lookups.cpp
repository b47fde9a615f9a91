#include "support/testprogram.h"

#include "ui/editing/rowfinder.h"
#include "ui/master/institutionlookup.h"
#include "ui/master/payeelookup.h"
#include "core/store/recordset.h"
#include "core/store/schema.h"
#include "core/store/storeopening.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QList<Institution> kInstitutions{
    {"9520021", "Korvana", "Korvana銀行台北分行"}, {"0091230", "範例九銀", "範例第九商業銀行"},
    {"9520011", "Korvana", "Korvana銀行營業部"},   {"0120003", "示範銀行", "示範商業銀行"},
    {"9530010", "其他", "其他銀行"}};

struct Fixture : TestProgram {
    explicit Fixture(bool withReference = true)
    {
        dir.makeStores(kInstitutions);
        if (!withReference)
            QFile::remove(dir.reference());
        TestDir::insert(dir.working(), Table::R_CUST,
                        {{"B02", "987654321", "9520011", "陳大華"}, {"A01", "123456789014", "0091230", "王小明"},
                         {"O'K", "5", "0120003", "引號公司"}});
        openWorkingStore();
    }
};

// The fixture with a lookup window of the given kind up.
template <typename Lookup>
struct Shown : Fixture {
    Lookup w{context};
    Shown() { QVERIFY(showActive(&w)); }
};

QStringList listed(LookupWindow &w)
{
    QStringList out;
    RecordSet *set = w.recordSet();
    for (int r = 0; set && r < set->rowCount(); ++r)
        out << set->value(r, 0);
    return out;
}

// The fields of the current row, as the window shows them.
QString shown(LookupWindow &w)
{
    return w.field(0)->text() + "|" + w.field(1)->text() + "|" + w.field(2)->text();
}

} // namespace

class TstLookups : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void gridSearchFieldAndShownRowFollowEachOther();
    void missingCodeTableIsToldAndTheLookupStillWorks();
    void payeePickHandsBackTheRowAndEscPicksNothing();
    void findMovesTheCursorAndKeepsThePrefix_data();
    void findMovesTheCursorAndKeepsThePrefix();
    void sortedThePickIsTheRowUnderTheCursor_data();
    void sortedThePickIsTheRowUnderTheCursor();
};

void TstLookups::gridSearchFieldAndShownRowFollowEachOther()
{
    Shown<InstitutionLookup> f;
    // All listed, in code order; the grid holds the same rows.
    QCOMPARE(listed(f.w), (QStringList{"0091230", "0120003", "9520011", "9520021", "9530010"}));
    QCOMPARE(f.w.grid()->model()->rowCount(), 5);
    // Choosing a row in the grid makes it current and shows it.
    f.w.grid()->setCurrentIndex(f.w.grid()->model()->index(3, 0));
    QCOMPARE(shown(f.w), "9520021|Korvana|Korvana銀行台北分行");
    // Down in the search field walks the hits; the grid follows.
    f.w.field(0)->setFocus();
    QTest::keyClick(f.w.field(0), Qt::Key_Down);
    QCOMPARE(f.w.grid()->currentIndex().row(), 4);
    QCOMPARE(shown(f.w), "9530010|其他|其他銀行");
    // Typing only filters, the text staying as typed; Enter shows the first hit and goes
    // to "確定" without picking.
    f.w.field(0)->clear();
    QTest::keyClicks(f.w.field(0), "0");
    QCOMPARE(listed(f.w), (QStringList{"0091230", "0120003"}));
    QTest::keyClicks(f.w.field(0), "1");
    QCOMPARE(listed(f.w), QStringList{"0120003"});
    QCOMPARE(f.w.grid()->model()->rowCount(), 1);
    QCOMPARE(shown(f.w), "01|其他|其他銀行");
    QTest::keyClick(f.w.field(0), Qt::Key_Return);
    QCOMPARE(shown(f.w), "0120003|示範銀行|示範商業銀行");
    QCOMPARE(QApplication::focusWidget(), f.w.findChild<QPushButton *>("Command2_0"));
    QVERIFY(f.w.isVisible());
    f.w.findChild<QPushButton *>("Command2_0")->click();
    QCOMPARE(f.w.pickedCode().value_or("none"), "0120003");
}

void TstLookups::missingCodeTableIsToldAndTheLookupStillWorks()
{
    Fixture f(false);
    f.dialogs.expectMessage({"找不到金融機構代碼檔，無法顯示金融機構名稱\n" + displayPath(f.dir.reference()), "Talvek",
                             MsgIcon::Critical});
    InstitutionLookup w(f.context);
    QVERIFY(showActive(&w));
    QTest::keyClicks(w.field(0), "9");
    w.findChild<QPushButton *>("Command2_0")->click();
    QVERIFY(!w.pick());
    // The payee lookup still lists payees; the institution name is simply unknown.
    PayeeLookup payees(f.context);
    QVERIFY(showActive(&payees));
    QCOMPARE(payees.field(2)->text(), QStringLiteral("0091230"));
    QCOMPARE(payees.institutionName(), QStringLiteral("[代碼檔未建]"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstLookups::payeePickHandsBackTheRowAndEscPicksNothing()
{
    Shown<PayeeLookup> f;
    QCOMPARE(listed(f.w), (QStringList{"A01", "B02", "O'K"}));
    QCOMPARE(f.w.institutionName(), QStringLiteral("[範例第九商業銀行]"));
    QTest::keyClicks(f.w.field(0), "O'"); // a quote is just a character of the prefix
    QCOMPARE(listed(f.w), QStringList{"O'K"});
    f.w.field(0)->clear();
    QTest::keyClick(f.w.field(0), Qt::Key_Down); // the second of the three
    QTest::keyClick(f.w.field(0), Qt::Key_Return);
    QCOMPARE(f.w.institutionName(), QStringLiteral("[Korvana銀行營業部]"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!f.w.isVisible());
    QCOMPARE(f.w.pick().value_or(QStringList()), (QStringList{"B02", "987654321", "9520011", "陳大華"}));
    // Opened again, Esc picks nothing, though a row is current and one was picked before.
    PayeeLookup again(f.context);
    QVERIFY(showActive(&again));
    QTest::keyClick(&again, Qt::Key_Escape);
    QVERIFY(!again.isVisible());
    QVERIFY(!again.pick());
}

void TstLookups::findMovesTheCursorAndKeepsThePrefix_data()
{
    QTest::addColumn<QStringList>("keys"); // in the institution lookup, from the search field
    QTest::addColumn<QString>("seen");     // fields, focus, find status, rows listed
    const QString ninetyFive = " rows 9520011,9520021,9530010";
    QTest::newRow("a name in the prefix's rows; Enter there confirms nothing")
        << QStringList{">95", "^F", ">台北", "Enter"} << "9520021|Korvana|Korvana銀行台北分行 @TextFind 已從頭找起" + ninetyFive;
    QTest::newRow("a code's middle, any case of a name")
        << QStringList{">95", "^F", ">KORVANA", "Enter"} << "9520021|Korvana|Korvana銀行台北分行 @TextFind " + ninetyFive;
    QTest::newRow("outside the prefix's rows: not found")
        << QStringList{">95", "^F", ">示範"} << "95|範例九銀|範例第九商業銀行 @TextFind 找不到" + ninetyFive;
    QTest::newRow("Esc goes back to the search field as it was and closes nothing")
        << QStringList{">95", "^F", ">其他", "Esc"} << "95|範例九銀|範例第九商業銀行 @Text1_0 " + ninetyFive;
}

void TstLookups::findMovesTheCursorAndKeepsThePrefix()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, seen);
    Shown<InstitutionLookup> f;
    pressKeys(&f.w, keys);
    QVERIFY(f.w.isVisible());
    QCOMPARE(QStringLiteral("%1 @%2 %3 rows %4")
                 .arg(shown(f.w), QApplication::focusWidget()->objectName(), f.w.finder()->status()->text(), listed(f.w).join(',')),
             seen);
    // What "確定" picks is the row the cursor is on.
    f.w.findChild<QPushButton *>("Command2_0")->click();
    QCOMPARE(f.w.pickedCode().value_or("none"), f.w.recordSet()->field(0));
}

void TstLookups::sortedThePickIsTheRowUnderTheCursor_data()
{
    QTest::addColumn<bool>("payees");        // else institutions
    QTest::addColumn<QList<int>>("clicks");  // on the headings, in turn
    QTest::addColumn<QString>("typed");      // into the search field after them
    QTest::addColumn<int>("cursor");         // the row the cursor is put on
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("picked");
    QTest::newRow("by name") << true << QList<int>{3} << "" << 0 << "O'K A01 B02" << "O'K";
    QTest::newRow("by name, reversed") << true << QList<int>{3, 3} << "" << 0 << "B02 A01 O'K" << "B02";
    QTest::newRow("by account, as text") << true << QList<int>{1} << "" << 1 << "A01 O'K B02" << "O'K";
    QTest::newRow("the code's heading reverses the order at once") << true << QList<int>{0} << "" << 0 << "O'K B02 A01" << "O'K";
    QTest::newRow("a new heading starts ascending") << true << QList<int>{3, 3, 1} << "" << 2 << "A01 O'K B02" << "B02";
    QTest::newRow("a prefix typed while sorted keeps the order")
        << false << QList<int>{2, 2} << "95" << 0 << "9530010 9520011 9520021" << "9530010";
}

void TstLookups::sortedThePickIsTheRowUnderTheCursor()
{
    QFETCH(bool, payees);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, typed);
    QFETCH(int, cursor);
    QFETCH(QString, listed);
    QFETCH(QString, picked);
    Fixture f;
    std::unique_ptr<LookupWindow> w;
    if (payees)
        w = std::make_unique<PayeeLookup>(f.context);
    else
        w = std::make_unique<InstitutionLookup>(f.context);
    QVERIFY(showActive(w.get()));
    QHeaderView *header = w->grid()->horizontalHeader();
    for (int section : clicks) {
        const QPoint middle(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
    }
    // The keys stay with the search field, where the prefix is typed.
    QCOMPARE(QApplication::focusWidget(), w->field(0));
    w->field(0)->selectAll(); // as when the field takes the focus
    QTest::keyClicks(w->field(0), typed);
    QCOMPARE(::listed(*w).join(' '), listed);
    QCOMPARE(header->sortIndicatorSection(), clicks.last());
    // The grid shows the rows in the record set's order: the cursor's row is the row shown.
    w->grid()->setCurrentIndex(w->grid()->model()->index(cursor, 0));
    QCOMPARE(w->grid()->model()->index(cursor, 0).data().toString(), picked);
    w->findChild<QPushButton *>("Command2_0")->click();
    QCOMPARE(w->pick().value_or(QStringList{"none"}).first(), picked);
}

QTEST_MAIN(TstLookups)
#include "tst_lookups.moc"
