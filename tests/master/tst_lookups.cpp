#include "support/testprogram.h"

#include "master/institutionlookup.h"
#include "master/payeelookup.h"
#include "store/appcontext.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/storeopening.h"

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

} // namespace

class TstLookups : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void institutionsListedAndFiltered_data();
    void institutionsListedAndFiltered();
    void confirmPicksFirstHitNotTypedText_data();
    void confirmPicksFirstHitNotTypedText();
    void enterInSearchShowsFirstHitAndMovesToConfirm();
    void gridAndCurrentRowFollowEachOther();
    void missingCodeTableIsToldAndTheLookupStillWorks();
    void payeePickHandsBackTheRow();
    void quoteInSearchIsJustACharacterAndEscapePicksNothing();
};

void TstLookups::institutionsListedAndFiltered_data()
{
    QTest::addColumn<int>("caller");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("all, in code order") << 0 << "" << QStringList{"0091230", "0120003", "9520011", "9520021", "9530010"};
    QTest::newRow("prefix") << 0 << "95" << QStringList{"9520011", "9520021", "9530010"};
    QTest::newRow("Korvana only") << 5 << "" << QStringList{"9520011", "9520021"};
    QTest::newRow("Korvana only after a prefix") << 5 << "9" << QStringList{"9520011", "9520021"};
    QTest::newRow("Korvana only: 953 lists nothing") << 5 << "953" << QStringList{};
}

void TstLookups::institutionsListedAndFiltered()
{
    QFETCH(int, caller);
    QFETCH(QString, prefix);
    QFETCH(QStringList, codes);
    Fixture f;
    f.context.values().LookupCaller = caller;
    InstitutionLookup w(f.context);
    QVERIFY(showActive(&w));
    QCOMPARE(f.context.values().DataReturn, QStringLiteral("0"));
    w.field(0)->clear();
    QTest::keyClicks(w.field(0), prefix);
    QCOMPARE(listed(w), codes);
    QCOMPARE(w.grid()->model()->rowCount(), codes.size());
    QCOMPARE(w.field(0)->text(), prefix); // the search text stays as typed
    VERIFY_DIALOGS(f.dialogs);
}

void TstLookups::confirmPicksFirstHitNotTypedText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("picked");
    QTest::newRow("first of the hits") << "952" << "9520011";
    QTest::newRow("no hit returns 0") << "8" << "0";
}

void TstLookups::confirmPicksFirstHitNotTypedText()
{
    QFETCH(QString, typed);
    QFETCH(QString, picked);
    Shown<InstitutionLookup> f;
    f.w.field(0)->clear();
    QTest::keyClicks(f.w.field(0), typed);
    f.w.findChild<QPushButton *>("Command2_0")->click();
    QCOMPARE(f.context.values().DataReturn, picked);
    QCOMPARE(f.w.result(), int(QDialog::Accepted));
}

void TstLookups::enterInSearchShowsFirstHitAndMovesToConfirm()
{
    Shown<InstitutionLookup> f;
    QCOMPARE(f.w.windowTitle(), QStringLiteral("解款行代號--查詢"));
    f.w.field(0)->clear();
    QTest::keyClicks(f.w.field(0), "01");
    QCOMPARE(f.w.field(2)->text(), QStringLiteral("範例第九商業銀行")); // not refreshed by the search
    QTest::keyClick(f.w.field(0), Qt::Key_Return);
    QCOMPARE(f.w.field(0)->text(), QStringLiteral("0120003"));
    QCOMPARE(f.w.field(1)->text(), QStringLiteral("示範銀行"));
    QCOMPARE(f.w.field(2)->text(), QStringLiteral("示範商業銀行"));
    QCOMPARE(QApplication::focusWidget(), f.w.findChild<QPushButton *>("Command2_0"));
    QVERIFY(f.w.isVisible()); // Enter in the search field does not pick by itself
}

void TstLookups::gridAndCurrentRowFollowEachOther()
{
    Shown<InstitutionLookup> f;
    // Choosing a row in the grid makes it current and shows it.
    f.w.grid()->setCurrentIndex(f.w.grid()->model()->index(3, 0));
    QCOMPARE(f.w.recordSet()->currentRow(), 3);
    QCOMPARE(f.w.field(0)->text(), QStringLiteral("9520021"));
    // Down in the search field walks the hits; the grid follows.
    f.w.field(0)->setFocus();
    QTest::keyClick(f.w.field(0), Qt::Key_Down);
    QCOMPARE(f.w.recordSet()->currentRow(), 4);
    QCOMPARE(f.w.grid()->currentIndex().row(), 4);
    QCOMPARE(f.w.field(0)->text(), QStringLiteral("9530010"));
    f.w.findChild<QPushButton *>("Command2_0")->click();
    QCOMPARE(f.context.values().DataReturn, QStringLiteral("9530010"));
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
    QCOMPARE(f.context.values().DataReturn, QStringLiteral("0"));
    // The payee lookup still lists payees; the institution name is simply unknown.
    PayeeLookup payees(f.context);
    QVERIFY(showActive(&payees));
    QCOMPARE(payees.field(2)->text(), QStringLiteral("0091230"));
    QCOMPARE(payees.institutionName(), QStringLiteral("[代碼檔未建]"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstLookups::payeePickHandsBackTheRow()
{
    Shown<PayeeLookup> f;
    QCOMPARE(listed(f.w), (QStringList{"A01", "B02", "O'K"}));
    QCOMPARE(f.w.institutionName(), QStringLiteral("[範例第九商業銀行]"));
    QTest::keyClicks(f.w.field(0), "b");
    QTest::keyClick(f.w.field(0), Qt::Key_Return);
    QCOMPARE(f.w.institutionName(), QStringLiteral("[Korvana銀行營業部]"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!f.w.isVisible());
    QCOMPARE(f.context.values().DataReturn, QStringLiteral("B02"));
    QCOMPARE(f.w.pickedRow(), (QStringList{"B02", "987654321", "9520011", "陳大華"}));
}

void TstLookups::quoteInSearchIsJustACharacterAndEscapePicksNothing()
{
    Shown<PayeeLookup> f;
    QTest::keyClicks(f.w.field(0), "O'");
    QCOMPARE(listed(f.w), QStringList{"O'K"});
    f.w.field(0)->setText("'; DROP TABLE R_CUST; --");
    QCOMPARE(listed(f.w), QStringList{});
    QCOMPARE(TestDir::rows(f.dir.working(), "R_CUST").size(), 3);
    f.w.field(0)->setText("A");
    QTest::keyClick(&f.w, Qt::Key_Escape);
    QVERIFY(!f.w.isVisible());
    QCOMPARE(f.context.values().DataReturn, QStringLiteral("0"));
    QVERIFY(f.w.pickedRow().isEmpty());
}

QTEST_MAIN(TstLookups)
#include "tst_lookups.moc"
