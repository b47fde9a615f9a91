#include "support/testprogram.h"

#include "ui/master/institutionlookup.h"
#include "ui/master/payeelookup.h"
#include "core/store/recordset.h"
#include "core/store/schema.h"
#include "core/store/storeopening.h"

#include <QApplication>
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

QTEST_MAIN(TstLookups)
#include "tst_lookups.moc"
