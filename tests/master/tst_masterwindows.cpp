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

// The columns of a checks table: what is typed in add, or in modify over the current
// row; the message and the field focused after, or none when the row is stored.
void checksColumns()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("focus");
}

void row(const char *name, int mode, const QStringList &typed, const QString &message = {}, const QString &title = {},
         int focus = -1)
{
    QTest::newRow(name) << mode << typed << message << title << focus;
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
    checksColumns(); // a payee stored has its account filled to 14 bytes; A01 is current
    const QString korvana = "Korvana 帳號檢核\n收款人帳號不正確", window = "收款人資料建檔", code = "收款人代碼";
    const QString duplicate = "收款人代碼已經重複 !!";
    row("account filled to 14 bytes", 0, {"C03", "12345", "0091230", "張三"});
    row("name over 68 bytes", 0, {"C03", "1", "0091230", QString(35, QChar(0x738B))}, "輸入欄位超出 68Byte     ", window, 3);
    row("blank code", 0, {"  ", "1", "0091230", "張三"}, "欄位不可為空白", window, 0);
    row("blank name before the duplicate check", 0, {"A01", "1", "0091230", ""}, "欄位不可為空白", window, 3);
    row("duplicate code, in other letters too", 0, {"b02", "1", "0091230", "張三"}, duplicate, code, 0);
    row("Korvana account without its check digit", 0, {"C03", "123456789015", "9520011", "張三"}, korvana, "Korvana收款人帳號", 1);
    row("Korvana account check before the code length", 0, {"C03", "12345", "95200", "張三"}, korvana, "Korvana收款人帳號", 1);
    row("the same account elsewhere is not checked", 0, {"C03", "123456789015", "0091230", "張三"});
    row("five-digit institution code", 0, {"C03", "1", "00912", "張三"}, "代碼欄位不足", "解款行代號", 2);
    row("six digits, no check character, pass", 0, {"C03", "1", "009123", "張三"});
    row("a name with no Big5 form", 0, {"C03", "1", "0091230", "김철수"}, "收款人姓名含有無法轉成 Big5 的字元，請修改", window, 3);
    row("modify: its own code in other letters", 1, {"a01", "123456789014", "9520011", "王大明"});
    row("modify: another payee's code", 1, {"B02", "123456789014", "9520011", "王小明"}, duplicate, code, 0);
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
    f.w().field(2)->setText("1234567");
    QCOMPARE(name->text(), "[代碼檔未建]");
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
    checksColumns(); // 0091230 is current
    const QString window = "金融機購代碼檔維護";
    row("six digits stored as typed", 0, {"009124", "新銀", "新商業銀行"});
    row("an existing code is not refused", 0, {"0091230", "重複", "重複銀行"});
    row("five digits, before the blank name", 0, {"00912", "", ""}, "代碼欄位不足", "金融機構代碼", 0);
    row("short name of 12 bytes", 0, {"0091240", "六個中文字六", "新商業銀行"}, "輸入欄位超出 10Byte     ", window, 1);
    row("blank full name", 0, {"0091240", "新銀", "   "}, "欄位不可為空白", window, 2);
    row("modify: a new name shows in the payee master", 1, {"0091230", "範例九銀", "改名銀行"});
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
    f.fill(typed);
    f.confirm(message, title);
    QList<QStringList> rows;
    for (const Institution &i : kInstitutions)
        rows << QStringList{i.code, i.shortName, i.fullName};
    if (message.isEmpty())
        (mode ? rows[1] : rows.emplace_back()) = typed;
    const QList<QStringList> stored = TestDir::rows(f.dir.reference(), Table::VXBANK);
    QCOMPARE(stored.mid(stored.size() - rows.size()), rows);
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
