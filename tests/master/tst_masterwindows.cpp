#include "support/testprogram.h"

#include "master/institutionlookup.h"
#include "master/institutionwindow.h"
#include "master/payeewindow.h"
#include "store/recordset.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

using Message = ScriptedDialogs::Message;

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
    void confirm(const Message &expected)
    {
        if (!expected.text.isEmpty())
            dialogs.expectMessage(expected);
        w().okButton()->click();
        QApplication::processEvents();
    }
};

} // namespace

class TstMasterWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void payeeChecks_data();
    void payeeChecks();
    void payeeModifyKeepsItsOwnCode();
    void payeeInstitutionNameAndLookup();
    void institutionChecks_data();
    void institutionChecks();
    void institutionChangeShowsInOtherWindows();
};

void TstMasterWindows::payeeChecks_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("focus");
    QTest::addColumn<QStringList>("stored"); // the row added, when the checks pass
    const QString korvana = "Korvana 帳號檢核\n收款人帳號不正確";
    QTest::newRow("account filled to 14 bytes")
        << QStringList{"C03", "12345", "0091230", "張三"} << "" << "" << -1 << QStringList{"C03", "12345         ", "0091230", "張三"};
    QTest::newRow("name over 68 bytes")
        << QStringList{"C03", "1", "0091230", QString(35, QChar(0x738B))} << "輸入欄位超出 68Byte     " << "收款人資料建檔" << 3 << QStringList{};
    QTest::newRow("blank code") << QStringList{"  ", "1", "0091230", "張三"} << "欄位不可為空白" << "收款人資料建檔" << 0 << QStringList{};
    QTest::newRow("blank name before the duplicate check")
        << QStringList{"A01", "1", "0091230", ""} << "欄位不可為空白" << "收款人資料建檔" << 3 << QStringList{};
    QTest::newRow("duplicate code") << QStringList{"A01", "1", "0091230", "張三"} << "收款人代碼已經重複 !!" << "收款人代碼" << 0 << QStringList{};
    QTest::newRow("duplicate code in other letters")
        << QStringList{"b02", "1", "0091230", "張三"} << "收款人代碼已經重複 !!" << "收款人代碼" << 0 << QStringList{};
    QTest::newRow("Korvana account without its check digit")
        << QStringList{"C03", "123456789015", "9520011", "張三"} << korvana << "Korvana收款人帳號" << 1 << QStringList{};
    QTest::newRow("Korvana account check before the code length")
        << QStringList{"C03", "12345", "95200", "張三"} << korvana << "Korvana收款人帳號" << 1 << QStringList{};
    QTest::newRow("the same account elsewhere is not checked")
        << QStringList{"C03", "123456789015", "0091230", "張三"} << "" << "" << -1
        << QStringList{"C03", "123456789015  ", "0091230", "張三"};
    QTest::newRow("five-digit institution code") << QStringList{"C03", "1", "00912", "張三"} << "代碼欄位不足" << "解款行代號" << 2 << QStringList{};
    QTest::newRow("six digits, no check character, pass")
        << QStringList{"C03", "1", "009123", "張三"} << "" << "" << -1 << QStringList{"C03", "1             ", "009123", "張三"};
    QTest::newRow("a name with no Big5 form") << QStringList{"C03", "1", "0091230", "김철수"}
                                               << "收款人姓名含有無法轉成 Big5 的字元，請修改" << "收款人資料建檔" << 3 << QStringList{};
}

void TstMasterWindows::payeeChecks()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(int, focus);
    QFETCH(QStringList, stored);
    Fixture<PayeeWindow> f;
    f.w().act(EditingWindow::Add);
    f.fill(typed);
    f.confirm({message, title, MsgIcon::Critical});
    QList<QStringList> rows = kPayees;
    if (!stored.isEmpty())
        rows << stored;
    QCOMPARE(TestDir::rows(f.dir.working(), Table::R_CUST), rows);
    if (focus >= 0) {
        QCOMPARE(QApplication::focusWidget(), f.w().field(focus));
        QCOMPARE(f.w().EditMode, int(EditingWindow::Add));
    }
    VERIFY_DIALOGS(f.dialogs);
}

void TstMasterWindows::payeeModifyKeepsItsOwnCode()
{
    Fixture<PayeeWindow> f;
    // Current row A01: its own code passes, in other letters too.
    f.w().act(EditingWindow::Modify);
    f.w().field(0)->setText("a01");
    f.w().field(3)->setText("王大明");
    f.confirm({});
    QCOMPARE(TestDir::rows(f.dir.working(), Table::R_CUST)[0], (QStringList{"a01", "123456789014  ", "9520011", "王大明"}));
    // Another payee's code is refused.
    f.w().act(EditingWindow::Modify);
    f.w().field(0)->setText("B02");
    f.confirm({"收款人代碼已經重複 !!", "收款人代碼", MsgIcon::Critical});
    QCOMPARE(f.w().EditMode, int(EditingWindow::Modify));
    QCOMPARE(TestDir::rows(f.dir.working(), Table::R_CUST)[0][0], "a01");
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
    f.w().field(2)->setText("1234567");
    QCOMPARE(name->text(), "[代碼檔未建]");
    // A pick from the lookup (all institutions offered) sets the code; no pick leaves it.
    f.w().field(1)->setFocus();
    for (const QString search : {"012", "8"}) {
        QTimer::singleShot(0, [&] {
            auto *lookup = qobject_cast<InstitutionLookup *>(QApplication::activeModalWidget());
            QVERIFY(lookup);
            QCOMPARE(lookup->grid()->model()->rowCount(), 3);
            lookup->field(0)->clear();
            QTest::keyClicks(lookup->field(0), search);
            lookup->findChild<QPushButton *>("Command2_0")->click();
        });
        f.w().lookupButton()->click();
        QCOMPARE(f.w().field(2)->text(), "0120003");
        QCOMPARE(name->text(), "[示範商業銀行]");
    }
    QCOMPARE(f.context.values().LookupCaller, 0);
    VERIFY_DIALOGS(f.dialogs);
}

void TstMasterWindows::institutionChecks_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("focus");
    const QString window = "金融機購代碼檔維護";
    QTest::newRow("six digits stored as typed") << QStringList{"009124", "新銀", "新商業銀行"} << "" << "" << -1;
    QTest::newRow("an existing code is not refused") << QStringList{"0091230", "重複", "重複銀行"} << "" << "" << -1;
    QTest::newRow("five digits, before the blank name")
        << QStringList{"00912", "", ""} << "代碼欄位不足" << "金融機構代碼" << 0;
    QTest::newRow("short name of 12 bytes")
        << QStringList{"0091240", "六個中文字六", "新商業銀行"} << "輸入欄位超出 10Byte     " << window << 1;
    QTest::newRow("blank full name") << QStringList{"0091240", "新銀", "   "} << "欄位不可為空白" << window << 2;
}

void TstMasterWindows::institutionChecks()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(int, focus);
    Fixture<InstitutionWindow> f;
    f.w().act(EditingWindow::Add);
    // Only the code takes digits alone.
    QTest::keyClicks(f.w().field(0), "9a");
    QTest::keyClicks(f.w().field(1), "9a");
    QCOMPARE(f.w().field(0)->text() + f.w().field(1)->text(), "99a");
    f.fill(typed);
    f.confirm({message, title, MsgIcon::Critical});
    QList<QStringList> rows;
    for (const Institution &i : kInstitutions)
        rows << QStringList{i.code, i.shortName, i.fullName};
    if (focus < 0)
        rows << typed;
    const QList<QStringList> stored = TestDir::rows(f.dir.reference(), Table::VXBANK);
    QCOMPARE(stored.mid(stored.size() - rows.size()), rows);
    if (focus >= 0)
        QCOMPARE(QApplication::focusWidget(), f.w().field(focus));
    VERIFY_DIALOGS(f.dialogs);
}

void TstMasterWindows::institutionChangeShowsInOtherWindows()
{
    Fixture<InstitutionWindow> f;
    // Current row 0091230 (code order): rename it, and the payee master shows the new name.
    f.w().act(EditingWindow::Modify);
    QCOMPARE(f.w().field(0)->text(), "0091230");
    f.w().field(2)->setText("改名銀行");
    f.confirm({});
    PayeeWindow payees(f.context);
    payees.recordSet()->moveTo(1);
    QCOMPARE(payees.institutionName()->text(), "[改名銀行]");
    VERIFY_DIALOGS(f.dialogs);
}

QTEST_MAIN(TstMasterWindows)
#include "tst_masterwindows.moc"
