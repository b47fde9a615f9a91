#include "support/testprogram.h"

#include "ui/editing/batchheaderfields.h"
#include "ui/entry/entrywindow.h"
#include "core/rules/linechecks.h"
#include "ui/entry/presetwindow.h"
#include "ui/master/payeelookup.h"
#include "ui/output/batchfilewindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTest>

namespace {

const QString kTitle = "匯款資料輸入";
// 123456789014 carries its Korvana check digit.
const QList<QStringList> kPayees{{"A01", "123456789014", "9520011", "王小明"}, {"B'2", "5566          ", "0091230", "陳大華"}};

struct Fixture : TestProgram {
    std::unique_ptr<EntryWindow> window;
    explicit Fixture(const QList<QStringList> &lines = {}, const QStringList &presets = {})
    {
        dir.makeStores({{"9520011", "Korvana", "Korvana銀行營業部"}, {"0091230", "範例九銀", "範例第九商業銀行"}});
        TestDir::insert(dir.working(), Table::R_BASE, {{"015", "王小明", "10", "", "", ""}});
        TestDir::insert(dir.working(), Table::R_CUST, kPayees);
        TestDir::insert(dir.working(), Table::R_DETL, lines);
        if (!presets.isEmpty())
            TestDir::insert(dir.working(), Table::NNOO, {presets + QStringList(10 - presets.size(), "")});
        openWorkingStore();
        window = std::make_unique<EntryWindow>(context);
        showActive(window.get());
    }
    EntryWindow &w() { return *window; }
    QList<QStringList> stored() const { return TestDir::rows(dir.working(), Table::R_DETL); }
    // The window's focus (the application's may be elsewhere while no window is active).
    QWidget *focus() const { return window->focusWidget(); }
    void key(Qt::Key k, QWidget *at = nullptr)
    {
        QTest::keyClick(at ? at : focus(), k);
        QApplication::processEvents();
    }
    // Types into a field and leaves it by Enter, as the users key a line.
    void enter(int index, const QString &text)
    {
        QLineEdit *f = w().field(index);
        f->setFocus();
        f->selectAll();
        if (text.toLatin1() == text.toUtf8())
            QTest::keyClicks(f, text);
        else
            f->insert(text); // as an input method hands it over
        key(Qt::Key_Return, f);
    }
    // Keys a line from the code on, passing the fields that leaving the code locked.
    void enterLine(const QStringList &texts)
    {
        for (int i = 0; i < texts.size(); ++i)
            if (w().field(i)->isEnabled())
                enter(i, texts[i]);
    }
    // The code and payee fields, "-" before a locked one, and whether the institution
    // lookup is open.
    QString payee() const
    {
        QStringList out;
        for (int i = 0; i < 4; ++i)
            out << (window->field(i)->isEnabled() ? "" : "-") + window->field(i)->text();
        return out.join('|') + (window->institutionButton()->isEnabled() ? " bank+" : " bank-");
    }
};

} // namespace

class TstEntryWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lineChecks_data();
    void lineChecks();
    void temporaryCodes_data();
    void temporaryCodes();
    void enterWalksTheLine_data();
    void enterWalksTheLine();
    void keyedLinesAreStored();
    void payeeLookupPickAndCancel();
    void presets();
    void upAndDownStepTheRemarksAndTheGrid();
    void headerTab();
    void totalsAgreeWithTheBatchFileWindow_data();
    void totalsAgreeWithTheBatchFileWindow();
    void totalsFollowTheLines();
};

void TstEntryWindow::lineChecks_data()
{
    QTest::addColumn<QStringList>("line"); // code, account, bank, name, amount, fee, remark
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("field");
    for (const QStringList &c : REFERENCE_CASES("line-checks.txt"))
        QTest::newRow(qPrintable(c[0])) << QStringList{"A01"} + c.mid(1, 6) << c[7] << c[8].toInt();
}

void TstEntryWindow::lineChecks()
{
    QFETCH(QStringList, line);
    QFETCH(int, field);
    QFETCH(QString, message);
    const LineProblem p = ValidateLine({line[0], line[1], line[2], line[3], line[4], line[5], line[6]});
    QCOMPARE(p.text, message);
    QCOMPARE(p.field, field);
}

void TstEntryWindow::temporaryCodes_data()
{
    QTest::addColumn<QString>("lines"); // how the lines are stored
    QTest::addColumn<QString>("next");
    const QString insert = "INSERT INTO R_DETL (R_ID) ";
    QTest::newRow("none yet") << insert + "VALUES ('A01')" << "TMP0001";
    QTest::newRow("the lowest gap") << insert + "VALUES ('TMP0003'), ('TMP0001'), ('A01')" << "TMP0002";
    QTest::newRow("codes compare ignoring case") << insert + "VALUES ('tmp0001')" << "TMP0002";
    QTest::newRow("not a temporary code") << insert + "VALUES ('TMP001'), ('TMP00011'), ('TMPX001')" << "TMP0001";
    QTest::newRow("all taken") << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 9999) " + insert
                                      + "SELECT printf('TMP%04d', i) FROM n" << "";
}

void TstEntryWindow::temporaryCodes()
{
    QFETCH(QString, lines);
    QFETCH(QString, next);
    TestProgram p;
    p.dir.makeStores();
    TestDir::exec(p.dir.working(), lines);
    QVERIFY(p.openWorkingStore());
    QCOMPARE(NextTempPayeeCode(*p.context.working()), next);
}

void TstEntryWindow::enterWalksTheLine_data()
{
    QTest::addColumn<int>("row"); // the line modified, else a line is added over typed payee fields
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("payee"); // once the code is left; in modify, from the start
    QTest::addColumn<QStringList>("walk"); // where each Enter leads, from field 0 on
    for (const QStringList &c : REFERENCE_CASES("enter-walks.txt"))
        QTest::newRow(qPrintable(c[0])) << c[1].toInt() << c[2] << c[3] << c[4].split(' ');
}

void TstEntryWindow::enterWalksTheLine()
{
    QFETCH(int, row);
    QFETCH(QString, code);
    QFETCH(QString, payee);
    QFETCH(QStringList, walk);
    Fixture f({{"TMP0001", "1", "0091230", "n", "1", "", "0"}, {"A01", "123456789014", "9520011", "王小明", "100", "", "0"},
               {"Z9", "77", "0091230", "某甲", "200", "", "0"}});
    f.w().grid()->selectRow(row);
    f.key(row < 0 ? Qt::Key_F2 : Qt::Key_F3);
    QCOMPARE(f.w().hint()->isVisible(), row < 0);
    QVERIFY(f.w().payeeButton()->isEnabled());
    if (row >= 0) {
        QCOMPARE(f.payee(), payee);
    } else {
        f.w().field(1)->setText("55");
        f.w().field(2)->setText("0091230");
        f.w().field(3)->setText("某乙");
    }
    f.enter(0, code);
    QCOMPARE(f.payee(), payee);
    QVERIFY(!f.w().hint()->isVisible());
    QStringList seen;
    for (int step = 0; step < walk.size(); ++step) {
        QWidget *at = f.focus();
        seen << (at == f.w().remarkBox() || at == f.w().remarkBox()->lineEdit() ? "remark"
                 : at == f.w().okButton()                                     ? "ok"
                                                                              : at->objectName().mid(6));
        if (at != f.w().okButton())
            f.key(Qt::Key_Return, at);
    }
    QCOMPARE(seen, walk);
    // The fee is reached by Tab; Enter there goes to "確定".
    f.key(Qt::Key_Return, f.w().field(5));
    QCOMPARE(f.focus(), f.w().okButton());
    VERIFY_DIALOGS(f.dialogs);
}

void TstEntryWindow::keyedLinesAreStored()
{
    const QStringList first{"TMP0001", "1", "0091230", "甲", "1", "", "0"};
    Fixture f({first}, {"薪資"});
    f.key(Qt::Key_F2);
    f.enterLine({"A01", "", "", "", "1500"});
    f.w().remarkBox()->setCurrentIndex(0); // picked from the list
    f.key(Qt::Key_Return);
    f.key(Qt::Key_Return);
    // Confirmed, the window stays in add with the line emptied.
    QCOMPARE(f.focus(), f.w().field(0));
    QCOMPARE(f.w().field(0)->text() + f.w().field(4)->text() + f.w().remarkBox()->currentText(), "");
    f.enterLine({"", "5566", "0091230", "小明", "3x00"}); // no letters get into the amount
    f.w().field(5)->setText("15"); // as typed after a Tab
    f.key(Qt::Key_Return);
    f.key(Qt::Key_Return);
    f.w().cancelButton()->click();
    const QList<QStringList> lines{first, {"A01", "123456789014  ", "9520011", "王小明", "1500", "薪資", "0"},
                                   {"TMP0002", "5566          ", "0091230", "小明", "300", "", "15"}};
    QCOMPARE(f.stored(), lines);
    // The first temporary line deleted, its code is free again.
    f.w().grid()->selectRow(0);
    f.key(Qt::Key_F4);
    f.dialogs.expectMessage({"確定刪除", kTitle, MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No}, MsgAnswer::Yes);
    f.key(Qt::Key_Return, f.w().grid());
    f.key(Qt::Key_F2);
    f.enter(0, "");
    QCOMPARE(f.w().field(0)->text(), "TMP0001");
    // F10 leaves add mode: nothing unconfirmed is stored.
    f.key(Qt::Key_F10);
    QVERIFY(!f.w().isVisible());
    QCOMPARE(f.stored(), lines.mid(1));
    VERIFY_DIALOGS(f.dialogs);
}

void TstEntryWindow::payeeLookupPickAndCancel()
{
    Fixture f;
    f.key(Qt::Key_F2);
    f.w().field(0)->setText("X");
    f.w().field(4)->setText("900");
    f.w().field(5)->setText("10");
    f.w().remarkBox()->setEditText("貨款");
    auto pick = [&](const QString &code) {
        inModal<PayeeLookup>(
            [&f, code](PayeeLookup *lookup) {
                // The entry window behind the lookup starts nothing.
                const QStringList opened = windowsOpenedBy(lookup, [&] {
                    for (QPushButton *b : {f.w().presetButton(), f.w().payeeButton(), f.w().actionButton(5)})
                        b->click();
                });
                QCOMPARE(opened, QStringList());
                QCOMPARE(QApplication::activeModalWidget(), lookup);
                lookup->field(0)->setText(code);
                lookup->findChild<QPushButton *>(code.isEmpty() ? "Command2_1" : "Command2_0")->click();
            },
            [&] { f.w().payeeButton()->click(); });
        QApplication::processEvents();
    };
    pick("A");
    QCOMPARE(f.payee(), "A01|-123456789014|-9520011|-王小明 bank-");
    QCOMPARE(f.focus(), f.w().field(4));
    // No pick: payee fields and fee emptied and open; amount and remark kept.
    pick("");
    QCOMPARE(f.payee(), "||| bank+");
    QCOMPARE(f.w().field(4)->text() + "|" + f.w().field(5)->text(), "900|");
    QCOMPARE(f.w().remarkBox()->currentText(), "貨款");
    QCOMPARE(f.focus(), f.w().field(0));
    VERIFY_DIALOGS(f.dialogs);
}

void TstEntryWindow::upAndDownStepTheRemarksAndTheGrid()
{
    Fixture f({{"A01", "1", "0091230", "n", "1", "", "0"}, {"A02", "2", "0091230", "m", "2", "", "0"}}, {"薪資", "租金"});
    f.key(Qt::Key_F2);
    QComboBox *remark = f.w().remarkBox();
    remark->setFocus();
    QStringList seen;
    for (Qt::Key k : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
        f.key(k, remark);
        seen << remark->currentText();
    }
    QCOMPARE(seen, (QStringList{"租金", "", "租金"}));
    QVERIFY(remark->hasFocus());
    f.w().cancelButton()->click();
    // In query mode the typed code stays in front while the grid moves.
    f.key(Qt::Key_F6);
    QCOMPARE(f.focus(), f.w().field(0));
    f.key(Qt::Key_Down, f.w().field(0));
    QCOMPARE(f.focus(), f.w().field(0));
    QCOMPARE(f.w().recordSet()->currentRow(), 1);
    f.key(Qt::Key_Up, f.w().field(0));
    QCOMPARE(f.w().recordSet()->currentRow(), 0);
    VERIFY_DIALOGS(f.dialogs);
}

void TstEntryWindow::presets()
{
    Fixture f;
    QCOMPARE(f.w().remarkBox()->count(), 0);
    f.key(Qt::Key_F2);
    f.w().remarkBox()->setEditText("已打的備註");
    inModal<PresetWindow>(
        [&](PresetWindow *w) {
            auto closing = qScopeGuard([w] { w->reject(); }); // a failed check must not leave it open
            // Up from the first field and Enter from the last go to "1.確定".
            QTest::keyClick(w->field(0), Qt::Key_Up);
            QCOMPARE(w->focusWidget(), w->okButton());
            QTest::keyClick(w->field(9), Qt::Key_Return);
            QCOMPARE(w->focusWidget(), w->okButton());
            // Too long for its column: told, the window stays with the texts.
            w->field(0)->setText("  薪資  ");
            w->field(2)->setText(QString(26, QChar(0x738B)));
            f.dialogs.expectMessage({"輸入欄位超出", "Talvek"});
            w->okButton()->click();
            QCOMPARE(w->focusWidget(), w->field(2));
            QVERIFY(TestDir::rows(f.dir.working(), Table::NNOO).isEmpty());
            w->field(2)->setText(" 租金");
            w->field(3)->setText("Rent");
            w->okButton()->click();
            closing.dismiss();
        },
        [&] { f.w().presetButton()->click(); });
    const QStringList stored{"薪資", "", "租金", "Rent", "", "", "", "", "", ""};
    QCOMPARE(TestDir::rows(f.dir.working(), Table::NNOO), QList<QStringList>{stored});
    QStringList listed;
    for (int k = 0; k < f.w().remarkBox()->count(); ++k)
        listed << f.w().remarkBox()->itemText(k);
    QCOMPARE(listed, stored);
    QCOMPARE(f.w().remarkBox()->currentText(), "已打的備註");
    // What is typed stays what is typed: a preset does not complete it.
    showActive(&f.w());
    f.w().remarkBox()->setEditText("");
    f.w().remarkBox()->setFocus();
    QTest::keyClicks(f.w().remarkBox()->lineEdit(), "re");
    QCOMPARE(f.w().remarkBox()->currentText(), "re");
    // A column without a value reads as an empty preset; cancel stores nothing.
    TestDir::exec(f.dir.working(), "UPDATE NNOO SET MARK2 = NULL, MARK3 = '租金   '");
    inModal<PresetWindow>(
        [](PresetWindow *w) {
            QCOMPARE(w->field(1)->text() + "|" + w->field(2)->text(), "|租金");
            w->field(0)->setText("改過");
            w->cancelButton()->click();
        },
        [&] { f.w().presetButton()->click(); });
    QCOMPARE(TestDir::rows(f.dir.working(), Table::NNOO)[0][0], "薪資");
    QCOMPARE(f.w().remarkBox()->count(), 10); // the list read again, not added to
    VERIFY_DIALOGS(f.dialogs);
}

void TstEntryWindow::headerTab()
{
    Fixture f;
    f.w().tabs()->setCurrentIndex(1);
    BatchHeaderFields *h = f.w().header();
    QCOMPARE(f.focus(), h->dateField());
    QCOMPARE(h->dateField()->text(), "151206"); // today
    // Confirm checks the date first, then the batch number, then stores.
    h->dateField()->setText("151205");
    h->batchField()->setText("1512061201");
    f.dialogs.expectMessage({"日期必須大於等於今天", "Talvek", MsgIcon::Critical});
    f.w().headerOkButton()->click();
    QCOMPARE(f.focus(), h->dateField());
    h->dateField()->setText("151207");
    f.dialogs.expectMessage({"批號中之年月日(yymmdd)應與匯款日相同!!", "輸入錯誤", MsgIcon::Critical});
    f.w().headerOkButton()->click();
    h->batchField()->setText("1512071201");
    h->purposeField()->setText(" 薪資 ");
    f.dialogs.expectMessage({"儲存成功", "Talvek"});
    f.w().headerOkButton()->click();
    QCOMPARE(TestDir::rows(f.dir.working(), Table::R_DAY), (QList<QStringList>{{"151207", "1512071201", "薪資"}}));
    h->purposeField()->setText("改了");
    f.w().headerCancelButton()->click();
    QCOMPARE(h->purposeField()->text(), "薪資");
    // A function key on this tab brings the lines forward and acts there.
    f.key(Qt::Key_F2, h->purposeField());
    QCOMPARE(f.w().tabs()->currentIndex(), 0);
    QCOMPARE(f.w().EditMode, int(EditingWindow::Add));
    VERIFY_DIALOGS(f.dialogs);
}

void TstEntryWindow::totalsAgreeWithTheBatchFileWindow_data()
{
    QTest::addColumn<QString>("lines"); // how the lines are stored, "damaged" for a table that cannot be read
    QTest::addColumn<QString>("totals");
    const QString insert = "INSERT INTO R_DETL (R_ID, ACTNO, AMT, AMT2) VALUES ";
    QTest::newRow("no amount or fee at all, a marked line, thousands")
        << insert + "('A', '1', NULL, NULL), ('B', '!000', '700', '5'), ('C', '2', '1234567', '1015')"
        << "筆數 3　匯款金額 1,235,267　手續費 1,020";
    QTest::newRow("text counts its leading digits") << insert + "('A', '1', '12ab', '15元')" << "筆數 1　匯款金額 12　手續費 15";
    QTest::newRow("unreadable") << "damaged" << "筆數 ?　匯款金額 ?　手續費 ?";
}

void TstEntryWindow::totalsAgreeWithTheBatchFileWindow()
{
    QFETCH(QString, lines);
    QFETCH(QString, totals);
    Fixture f;
    // Stored behind the window's back, then the window opened again from the menu.
    f.key(Qt::Key_F10);
    const bool damaged = lines == "damaged";
    damaged ? TestDir::damageTable(f.dir.working(), Table::R_DETL) : TestDir::exec(f.dir.working(), lines);
    const QList<QStringList> before = damaged ? QList<QStringList>{} : f.stored();
    showActive(&f.w());
    QCOMPARE(f.w().totals()->text() + "|" + f.w().totals()->accessibleName(), totals + "|" + totals);
    // Showing the totals wrote nothing: empty values stay empty until window 5 fills them.
    QCOMPARE(damaged ? before : f.stored(), before);
    if (damaged)
        f.dialogs.expectMessage({"不可預期的錯誤\ndatabase disk image is malformed (11)", "Talvek"});
    const QStringList five = BatchFileWindow(f.context).totalsText().split('\n'), entry = totals.split(QChar(0x3000));
    for (int i : {0, 1})
        QCOMPARE(five[i].section(QStringLiteral("："), 1).chopped(2).trimmed(), entry[i].section(' ', 1));
    VERIFY_DIALOGS(f.dialogs);
}

void TstEntryWindow::totalsFollowTheLines()
{
    Fixture f({{"A01", "1", "0091230", "n", "1500", "", "015"}});
    const auto cells = [&](int row) {
        const QAbstractItemModel *grid = f.w().grid()->model();
        return grid->index(row, 5).data().toString() + "|" + grid->index(row, 4).data(Qt::AccessibleTextRole).toString();
    };
    QStringList seen{f.w().totals()->text(), cells(0)};
    QCOMPARE(f.w().grid()->model()->index(0, 5).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, int(Qt::AlignRight));
    f.key(Qt::Key_F2);
    f.enterLine({"", "5566", "0091230", "小明", "2000000"});
    f.key(Qt::Key_Return);
    f.key(Qt::Key_Return);
    f.w().cancelButton()->click();
    seen << f.w().totals()->text() << cells(1);
    // Shown with commas, modified, confirmed: stored as keyed.
    f.w().grid()->selectRow(1);
    f.key(Qt::Key_F3);
    f.w().field(5)->setText("30");
    f.w().okButton()->click();
    QCOMPARE(f.stored()[1], (QStringList{"TMP0001", "5566          ", "0091230", "小明", "2000000", "", "30"}));
    seen << f.w().totals()->text();
    f.w().grid()->selectRow(0);
    f.key(Qt::Key_F4);
    f.dialogs.expectMessage({"確定刪除", kTitle, MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No}, MsgAnswer::Yes);
    f.key(Qt::Key_Return, f.w().grid());
    seen << f.w().totals()->text();
    // An import stores its lines and reads all lines again.
    TestDir::insert(f.dir.working(), Table::R_DETL, {{"B02", "7", "0091230", "m", "30000", "", "0"}});
    f.w().ReloadAll();
    seen << f.w().totals()->text();
    // A new batch empties the lines while the window is hidden.
    f.key(Qt::Key_F10);
    TestDir::exec(f.dir.working(), "DELETE FROM R_DETL");
    showActive(&f.w());
    seen << f.w().totals()->text();
    QCOMPARE(seen, (QStringList{"筆數 1　匯款金額 1,500　手續費 15", "1,500|015", "筆數 2　匯款金額 2,001,500　手續費 15",
                                "2,000,000|0", "筆數 2　匯款金額 2,001,500　手續費 45", "筆數 1　匯款金額 2,000,000　手續費 30",
                                "筆數 2　匯款金額 2,030,000　手續費 30", "筆數 0　匯款金額 0　手續費 0"}));
    VERIFY_DIALOGS(f.dialogs);
}

QTEST_MAIN(TstEntryWindow)
#include "tst_entrywindow.moc"
