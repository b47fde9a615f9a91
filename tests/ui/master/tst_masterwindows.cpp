#include "support/testprogram.h"

#include "ui/master/institutionlookup.h"
#include "ui/master/institutionwindow.h"
#include "ui/master/payeewindow.h"
#include "core/store/recordset.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QList<Institution> kInstitutions{
    {"9520011", "Korvana", "Korvana銀行營業部"}, {"0091230", "範例九銀", "範例第九商業銀行"}, {"0120003", "示範銀行", "示範商業銀行"}};
// 123456789014 carries its Korvana check digit; 123456789015 does not.
const QList<QStringList> kPayees{{"A01", "123456789014", "9520011", "王小明"}, {"B02", "5             ", "0091230", "陳大華"}};

template <typename Window>
struct Fixture : TestProgram {
    std::unique_ptr<Window> window;
    Fixture()
    {
        dir.makeStores(kInstitutions);
        TestDir::insert(dir.working(), Table::R_CUST, kPayees);
        openWorkingStore();
        window = std::make_unique<Window>(context);
        showActive(window.get());
    }
    Window &w() { return *window; }
    void fill(const QStringList &texts)
    {
        for (int i = 0; i < texts.size(); ++i)
            w().field(i)->setText(texts[i]);
    }
    // Confirms; the message the window must show (if any) first.
    void confirm(const QString &message, const QString &title)
    {
        if (!message.isEmpty())
            dialogs.expectMessage({message, title, MsgIcon::Critical});
        w().okButton()->click();
    }
};

// A checks table from its reference list: what is typed in add, or in modify over the
// current row; the message and the field focused after, or none when the row is stored.
void checksFrom(const QString &name)
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("focus");
    for (const QStringList &c : caseList(fileBytes(QFINDTESTDATA("data/" + name))))
        QTest::newRow(qPrintable(c[0])) << c[1].toInt() << c.mid(2, c.size() - 5) << c[c.size() - 3] << c[c.size() - 2]
                                        << c.last().toInt();
}

} // namespace

class TstMasterWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void payeeChecks_data();
    void payeeChecks();
    void payeeInstitutionNameAndLookup();
    void institutionChecks_data();
    void institutionChecks();
};

void TstMasterWindows::payeeChecks_data()
{
    checksFrom("payee-checks.txt");
}

void TstMasterWindows::payeeChecks()
{
    QFETCH(int, mode);
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(int, focus);
    Fixture<PayeeWindow> f;
    f.w().act(mode);
    f.fill(typed);
    f.confirm(message, title);
    QList<QStringList> rows = kPayees;
    if (message.isEmpty()) {
        typed[1] = typed[1].leftJustified(14);
        (mode ? rows[0] : rows.emplace_back()) = typed;
    }
    QCOMPARE(TestDir::rows(f.dir.working(), Table::R_CUST), rows);
    if (focus >= 0) {
        QCOMPARE(QApplication::focusWidget(), f.w().field(focus));
        QCOMPARE(f.w().EditMode, mode);
    }
    VERIFY_DIALOGS(f.dialogs);
}

void TstMasterWindows::payeeInstitutionNameAndLookup()
{
    Fixture<PayeeWindow> f;
    QLabel *name = f.w().institutionName();
    QCOMPARE(name->text(), "[Korvana銀行營業部]");
    QVERIFY(!f.w().lookupButton()->isEnabled());
    f.w().act(EditingWindow::Add);
    QCOMPARE(name->text(), "[金融機構名稱]");
    QVERIFY(f.w().lookupButton()->isEnabled());
    // The label follows from the seventh character on.
    QTest::keyClicks(f.w().field(2), "009123");
    QCOMPARE(name->text(), "[金融機構名稱]");
    QTest::keyClicks(f.w().field(2), "0");
    QCOMPARE(name->text(), "[範例第九商業銀行]");
    // A pick from the lookup (all institutions offered) sets the code; no pick leaves it.
    f.w().field(1)->setFocus();
    for (const QString search : {"012", "8"}) {
        inModal<InstitutionLookup>(
            [search](InstitutionLookup *lookup) {
                QCOMPARE(lookup->grid()->model()->rowCount(), 3);
                lookup->field(0)->clear();
                QTest::keyClicks(lookup->field(0), search);
                lookup->findChild<QPushButton *>("Command2_0")->click();
            },
            [&] { f.w().lookupButton()->click(); });
        QCOMPARE(f.w().field(2)->text(), "0120003");
        QCOMPARE(name->text(), "[示範商業銀行]");
    }
    QCOMPARE(f.context.values().LookupCaller, 0);
    VERIFY_DIALOGS(f.dialogs);
}

void TstMasterWindows::institutionChecks_data()
{
    checksFrom("institution-checks.txt");
}

void TstMasterWindows::institutionChecks()
{
    QFETCH(int, mode);
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(int, focus);
    Fixture<InstitutionWindow> f;
    f.w().act(mode);
    // Only the code takes digits alone.
    f.fill({"", ""});
    QTest::keyClicks(f.w().field(0), "9a");
    QTest::keyClicks(f.w().field(1), "9a");
    QCOMPARE(f.w().field(0)->text() + f.w().field(1)->text(), "99a");
    QList<QStringList> rows = TestDir::rows(f.dir.reference(), Table::VXBANK);
    f.fill(typed);
    f.confirm(message, title);
    if (message.isEmpty())
        (mode ? rows[1] : rows.emplace_back()) = typed;
    QCOMPARE(TestDir::rows(f.dir.reference(), Table::VXBANK), rows);
    if (focus >= 0)
        QCOMPARE(QApplication::focusWidget(), f.w().field(focus));
    if (mode) { // B02's institution: the payee master shows its new name
        PayeeWindow payees(f.context);
        payees.recordSet()->moveTo(1);
        QCOMPARE(payees.institutionName()->text(), "[改名銀行]");
    }
    VERIFY_DIALOGS(f.dialogs);
}

QTEST_MAIN(TstMasterWindows)
#include "tst_masterwindows.moc"
