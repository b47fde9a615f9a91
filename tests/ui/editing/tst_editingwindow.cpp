#include "support/testprogram.h"

#include "ui/editing/editingwindow.h"
#include "ui/editing/rowfinder.h"
#include "core/store/recordset.h"
#include "core/store/storeopening.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// The smallest window on the component: code, account (digits only) and name of R_CUST;
// the code must not be blank.
class PlainWindow : public EditingWindow {
public:
    explicit PlainWindow(AppContext &context) : EditingWindow(context, plainLayout(), nullptr)
    {
        layOutStandard();
        open(context.working());
    }
    static EditingLayout plainLayout()
    {
        return {"FormT", "T. 測試", "測試資料", Schema::table(Table::R_CUST),
                {{"代碼：", RCust::R_ID}, {"帳號：", RCust::ACTNO, true}, {"名稱：", RCust::R_NAME}},
                {{RCust::R_ID, "代碼"}, {RCust::R_NAME, "名稱"}},
                {RCust::R_NAME, RCust::ACTNO}};
    }

protected:
    bool validate() override { return checkFields({0}, "測試資料"); }
};

const QList<QStringList> kPayees{{"B02", "2", "", "乙"}, {"A01", "1", "", "甲"}, {"C03", "3", "", "丙"}};

struct Fixture : TestProgram {
    std::unique_ptr<PlainWindow> window;
    explicit Fixture(const QList<QStringList> &payees = kPayees)
    {
        dir.makeStores();
        TestDir::insert(dir.working(), Table::R_CUST, payees);
        openWorkingStore();
        window = std::make_unique<PlainWindow>(context);
        showActive(window.get());
    }
    PlainWindow &w() { return *window; }
    QList<QStringList> stored() const { return TestDir::rows(dir.working(), Table::R_CUST); }
    // A key pressed and released where the focus is, as a user does.
    void key(Qt::Key k)
    {
        QWidget *at = QApplication::focusWidget();
        QTest::keyClick(at && at->window() == window.get() ? at : window.get(), k);
        QApplication::processEvents();
    }
    // Everything the user sees of the window's state, in one line to compare whole.
    QString state()
    {
        QStringList enabled;
        for (int i = 0; i < 6; ++i)
            if (w().actionButton(i)->isEnabled())
                enabled << QString::number(i);
        QStringList fields;
        for (int i = 0; i < w().fieldCount(); ++i)
            fields << (w().field(i)->isEnabled() ? "" : "-") + w().field(i)->text();
        return QStringLiteral("%1 %2 [%3] grid%4 confirm%5 {%6}")
            .arg(w().EditMode)
            .arg(w().heading()->text(), enabled.join(','), w().grid()->isEnabled() ? "+" : "-",
                 w().okButton()->isVisible() ? "+" : "-", fields.join('|'));
    }
    // The codes the grid shows.
    QStringList listed()
    {
        QStringList out;
        const QAbstractItemModel *model = w().grid()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->index(r, 0).data().toString();
        return out;
    }
};

const QString kIdleRows = "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-A01|-1|-甲}";
const QString kIdleEmpty = "5 測試資料 [0,4,5] grid- confirm- {-|-|-}";

} // namespace

class TstEditingWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void functionKeysActOnReleaseOnlyWhileTheirButtonIsEnabled_data();
    void functionKeysActOnReleaseOnlyWhileTheirButtonIsEnabled();
    void rowsKeyedInAddAndModify();
    void deleteAsksThenMoves_data();
    void deleteAsksThenMoves();
    void queryFollowsEveryKeystroke();
    void refusedWriteKeepsTextsAndMode_data();
    void refusedWriteKeepsTextsAndMode();
    void findMovesTheCurrentRowAsAClickWould_data();
    void findMovesTheCurrentRowAsAClickWould();
    void gridNeverHalfHidesItsTopRow();
    void rowsComeAsTheGridAndTheFindNeedThem();
};

void TstEditingWindow::functionKeysActOnReleaseOnlyWhileTheirButtonIsEnabled_data()
{
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("state");
    QTest::newRow("empty: F3 F4 F6 do nothing") << true << QList<int>{Qt::Key_F3, Qt::Key_F4, Qt::Key_F6} << kIdleEmpty;
    QTest::newRow("F5 F7 F9 do nothing") << false << QList<int>{Qt::Key_F5, Qt::Key_F7, Qt::Key_F9} << kIdleRows;
    QTest::newRow("F4 deletes") << false << QList<int>{Qt::Key_F4} << "2 --刪除-- [5] grid+ confirm+ {-A01|-1|-甲}";
    QTest::newRow("F6 queries") << false << QList<int>{Qt::Key_F6} << "3 --查詢-- [5] grid+ confirm+ {A01|-1|-甲}";
    QTest::newRow("F3 modifies; in the mode the other keys do nothing")
        << false << QList<int>{Qt::Key_F3, Qt::Key_F2, Qt::Key_F4, Qt::Key_F6, Qt::Key_F8} << "1 --修改-- [5] grid- confirm+ {A01|1|甲}";
}

void TstEditingWindow::functionKeysActOnReleaseOnlyWhileTheirButtonIsEnabled()
{
    QFETCH(bool, empty);
    QFETCH(QList<int>, keys);
    QFETCH(QString, state);
    Fixture f(empty ? QList<QStringList>{} : kPayees);
    for (int k : keys)
        f.key(Qt::Key(k));
    QCOMPARE(f.state(), state);
    // A press alone does nothing: the key acts when it is released.
    if (f.w().EditMode == EditingWindow::Idle && !empty) {
        QTest::keyPress(f.w().grid(), Qt::Key_F2);
        QCOMPARE(f.w().EditMode, int(EditingWindow::Idle));
        QTest::keyRelease(f.w().grid(), Qt::Key_F2);
        QCOMPARE(f.w().EditMode, int(EditingWindow::Add));
    }
    VERIFY_DIALOGS(f.dialogs);
}

void TstEditingWindow::rowsKeyedInAddAndModify()
{
    Fixture f;
    f.key(Qt::Key_F2);
    QApplication::clipboard()->setText("x5");
    for (const char *code : {"D04", "E05"}) {
        QCOMPARE(QApplication::focusWidget(), f.w().field(0));
        QTest::keyClicks(f.w().field(0), code);
        f.key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.w().field(1));
        // The account takes digits only, typed or pasted.
        QTest::keyClicks(f.w().field(1), "4aB- ");
        f.w().field(1)->paste();
        f.key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.w().field(2));
        f.w().field(2)->insert("丁");
        f.key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.w().okButton());
        f.key(Qt::Key_Return);
        QCOMPARE(f.state(), "0 --新增-- [5] grid- confirm+ {||}");
    }
    QCOMPARE(f.listed(), (QStringList{"A01", "B02", "C03", "D04", "E05"}));
    QCOMPARE(f.stored().mid(3), (QList<QStringList>{{"D04", "45", "<null>", "丁"}, {"E05", "45", "<null>", "丁"}}));
    // Only cancel ends add mode; the last row added is current.
    f.w().cancelButton()->click();
    QCOMPARE(f.state(), "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-E05|-45|-丁}");
    // Modify rewrites the current row.
    f.w().recordSet()->moveTo(1);
    f.key(Qt::Key_F3);
    // A field's text is selected on entry, so what is typed replaces it.
    f.w().field(2)->setFocus();
    QApplication::processEvents();
    QCOMPARE(f.w().field(2)->selectedText(), "乙");
    f.w().field(2)->insert("乙二");
    f.w().okButton()->click();
    QCOMPARE(f.state(), "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-B02|-2|-乙二}");
    QCOMPARE(f.stored()[0], (QStringList{"B02", "2", "", "乙二"}));
    // Cancel discards what was typed: the row is shown again as stored.
    f.key(Qt::Key_F3);
    f.w().field(2)->setText("不要");
    f.w().cancelButton()->click();
    QCOMPARE(f.state(), "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-B02|-2|-乙二}");
    VERIFY_DIALOGS(f.dialogs);
}

void TstEditingWindow::deleteAsksThenMoves_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("state");
    QTest::newRow("middle row: the next one") << 1 << MsgAnswer::Yes << 3 << "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-C03|-3|-丙}";
    QTest::newRow("last row: the new last one") << 2 << MsgAnswer::Yes << 3 << "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-B02|-2|-乙}";
    QTest::newRow("only row: an empty set") << 0 << MsgAnswer::Yes << 1 << kIdleEmpty;
    QTest::newRow("No keeps the row") << 2 << MsgAnswer::No << 3 << "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-C03|-3|-丙}";
}

void TstEditingWindow::deleteAsksThenMoves()
{
    QFETCH(int, row);
    QFETCH(MsgAnswer, answer);
    QFETCH(int, rows);
    QFETCH(QString, state);
    Fixture f(rows == 1 ? QList<QStringList>{{"A01", "1", "", "甲"}} : kPayees);
    f.key(Qt::Key_F4);
    f.w().grid()->selectRow(row); // the row is picked in the grid
    f.dialogs.expectMessage({"確定刪除", "測試資料", MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No}, answer);
    f.key(Qt::Key_Return); // in the grid, Enter confirms
    QCOMPARE(f.state(), state);
    QCOMPARE(f.stored().size(), answer == MsgAnswer::Yes ? rows - 1 : rows);
    QCOMPARE(f.listed().size(), f.stored().size());
    VERIFY_DIALOGS(f.dialogs);
}

void TstEditingWindow::queryFollowsEveryKeystroke()
{
    Fixture f({{"A01", "1", "", "甲"}, {"B02", "2", "", "乙"}, {"A'%", "3", "", "引號"}, {"AB_", "4", "", "底線"}});
    f.key(Qt::Key_F6);
    QTest::keyClick(f.w().field(0), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f.w().field(0), "A");
    QCOMPARE(f.listed(), (QStringList{"A'%", "A01", "AB_"}));
    // Percent and underscore are characters of the prefix, not any characters.
    for (const char *wild : {"%", "_"}) {
        QTest::keyClicks(f.w().field(0), wild);
        QCOMPARE(f.listed(), QStringList());
        QTest::keyClick(f.w().field(0), Qt::Key_Backspace);
    }
    f.w().field(0)->clear();
    QCOMPARE(f.listed().size(), 4);
    // Confirmed, the filter stays; with no hits the window is idle as over an empty table.
    QTest::keyClicks(f.w().field(0), "B");
    // The query has only its first field: Enter goes to confirm, and there confirms.
    f.key(Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), f.w().okButton());
    f.key(Qt::Key_Return);
    QCOMPARE(f.state(), "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-B02|-2|-乙}");
    QCOMPARE(f.listed(), (QStringList{"B02"}));
    f.key(Qt::Key_F6);
    QTest::keyClicks(f.w().field(0), "Z");
    f.w().okButton()->click();
    QCOMPARE(f.state(), kIdleEmpty);
    f.key(Qt::Key_F8);
    QCOMPARE(f.listed().size(), 4);
    // Cancel drops the filter.
    f.key(Qt::Key_F6);
    QTest::keyClicks(f.w().field(0), "B");
    f.w().cancelButton()->click();
    QCOMPARE(f.state(), "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-A'%|-3|-引號}"); // A'% does not start with B
    VERIFY_DIALOGS(f.dialogs);
}

void TstEditingWindow::refusedWriteKeepsTextsAndMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("code"); // typed in add
    QTest::addColumn<QString>("refusal"); // a check's message, else the store locked
    QTest::addColumn<QString>("state");
    QTest::newRow("add, blank code") << 0 << "" << "欄位不可為空白" << "0 --新增-- [5] grid- confirm+ {|4|丁}";
    QTest::newRow("add, eight bytes in a seven-byte code")
        << 0 << "中文字四" << "輸入欄位超出 7Byte     " << "0 --新增-- [5] grid- confirm+ {中文字四|4|丁}";
    QTest::newRow("add, store locked") << 0 << "D04" << "locked" << "0 --新增-- [5] grid- confirm+ {D04|4|丁}";
    QTest::newRow("modify, store locked") << 1 << "" << "locked" << "1 --修改-- [5] grid- confirm+ {A01|1|丁}";
    QTest::newRow("delete, store locked") << 2 << "" << "locked" << kIdleRows;
}

void TstEditingWindow::refusedWriteKeepsTextsAndMode()
{
    QFETCH(int, mode);
    QFETCH(QString, code);
    QFETCH(QString, refusal);
    QFETCH(QString, state);
    Fixture f;
    const QList<QStringList> before = f.stored();
    f.w().act(mode);
    if (mode == 0) {
        f.w().field(0)->setText(code);
        f.w().field(1)->setText("4");
    }
    if (mode != 2)
        f.w().field(2)->setText("丁");
    else
        f.dialogs.expectMessage({"確定刪除", "測試資料", MsgIcon::None, MsgButtons::YesNo, MsgAnswer::No}, MsgAnswer::Yes);
    std::unique_ptr<HeldWriteLock> lock;
    if (refusal == "locked") {
        lock = std::make_unique<HeldWriteLock>(f.dir.working());
        f.dialogs.expectMessage({"資料庫唯讀,資料遺失\n" + displayPath(f.dir.working()), "Talvek", MsgIcon::Critical});
    } else {
        f.dialogs.expectMessage({refusal, "測試資料", MsgIcon::Critical});
    }
    f.w().okButton()->click();
    lock.reset();
    QCOMPARE(f.state(), state);
    QCOMPARE(f.stored(), before);
    QCOMPARE(f.listed(), (QStringList{"A01", "B02", "C03"}));
    if (code.isEmpty() && mode == 0)
        QCOMPARE(QApplication::focusWidget(), f.w().field(0));
    VERIFY_DIALOGS(f.dialogs);
}

void TstEditingWindow::findMovesTheCurrentRowAsAClickWould_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("seen"); // the window's state, the focus, the find field, the rows listed
    const QString idle = "5 測試資料 [0,1,2,3,4,5] grid+ confirm- ";
    QTest::newRow("the first row holding the text, any case; the fields follow")
        << QStringList{"^F", ">GAM"} << idle + "{-C03|-1234|-Gamma 甲乙} @TextFind find+ rows A01,A02,B02,C03";
    QTest::newRow("an account: the first in the grid's order")
        << QStringList{"^F", ">99"} << idle + "{-A02|-9999|-ALPHA 丙} @TextFind find+ rows A01,A02,B02,C03";
    QTest::newRow("Enter: the next, then from the top again")
        << QStringList{"^F", ">al", "Enter", "Enter"} << idle + "{-A01|-5678|-alpha 甲} @TextFind find+已從頭找起 rows A01,A02,B02,C03";
    QTest::newRow("no row holds it: the row stays, the field says so")
        << QStringList{"^F", ">be", ">x"} << idle + "{-B02|-1299|-Beta 乙} @TextFind find+找不到 rows A01,A02,B02,C03";
    QTest::newRow("Esc: back to the row and the control it began from")
        << QStringList{"^F", ">gam", "Enter", "Esc"} << idle + "{-A01|-5678|-alpha 甲} @DataGrid1 find+ rows A01,A02,B02,C03";
    QTest::newRow("the function keys still act from the find field")
        << QStringList{"^F", ">be", "F3"} << "1 --修改-- [5] grid- confirm+ {B02|1299|Beta 乙} @Text1_0 find- rows A01,A02,B02,C03";
    QTest::newRow("add: no find") << QStringList{"F2", "^F"} << "0 --新增-- [5] grid- confirm+ {||} @Text1_0 find- rows A01,A02,B02,C03";
    QTest::newRow("modify: no find")
        << QStringList{"F3", "^F"} << "1 --修改-- [5] grid- confirm+ {A01|5678|alpha 甲} @Text1_0 find- rows A01,A02,B02,C03";
    QTest::newRow("delete: Enter in the find field deletes nothing")
        << QStringList{"F4", "^F", ">gam", "Enter"} << "2 --刪除-- [5] grid+ confirm+ {-C03|-1234|-Gamma 甲乙} @TextFind find+已從頭找起 rows A01,A02,B02,C03";
    QTest::newRow("a query's rows only; Esc shows the prefix again; confirmed, the rows stay")
        << QStringList{"F6", ">A", "^F", ">ph", "Enter", "Esc", "Enter", "Enter"}
        << idle + "{-A01|-5678|-alpha 甲} @DataGrid1 find+ rows A01,A02";
    QTest::newRow("rows taken afresh: the miss no longer shown")
        << QStringList{"^F", ">x", "F8"} << idle + "{-A01|-5678|-alpha 甲} @DataGrid1 find+ rows A01,A02,B02,C03";
    QTest::newRow("a confirmed query: not found outside it")
        << QStringList{"F6", ">B", "Enter", "Enter", "^F", ">alpha"} << idle + "{-B02|-1299|-Beta 乙} @TextFind find+找不到 rows B02";
}

void TstEditingWindow::findMovesTheCurrentRowAsAClickWould()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, seen);
    Fixture f({{"C03", "1234", "", "Gamma 甲乙"}, {"A01", "5678", "", "alpha 甲"}, {"B02", "1299", "", "Beta 乙"}, {"A02", "9999", "", "ALPHA 丙"}});
    pressKeys(f.window.get(), keys);
    const RowFinder *finder = f.w().finder();
    QCOMPARE(QStringLiteral("%1 @%2 find%3%4 rows %5")
                 .arg(f.state(), QApplication::focusWidget()->objectName(), finder->field()->isEnabled() ? "+" : "-",
                      finder->status()->text(), f.listed().join(',')),
             seen);
    // The grid shows the current row as current.
    QCOMPARE(f.w().grid()->currentIndex().row(), f.w().recordSet()->currentRow());
    VERIFY_DIALOGS(f.dialogs);
}

void TstEditingWindow::gridNeverHalfHidesItsTopRow()
{
    QList<QStringList> payees;
    for (int i = 0; i < 60; ++i)
        payees << QStringList{QString::number(100 + i), "1", "", "n"};
    Fixture f(payees);
    RecordSetGrid *grid = f.w().grid();
    // A height of no whole number of rows, as a window's usually is.
    grid->setFixedHeight(8 * grid->rowHeight(0) + grid->rowHeight(0) / 3);
    for (int row : {59, 30, 0, 45}) {
        f.w().recordSet()->moveTo(row);
        QApplication::processEvents();
        // The top row lines up with the heading, and the current row shows whole.
        const int at = grid->rowViewportPosition(row);
        QVERIFY(grid->rowViewportPosition(grid->rowAt(0)) == 0 && at >= 0 && at + grid->rowHeight(row) <= grid->viewport()->height());
    }
}

void TstEditingWindow::rowsComeAsTheGridAndTheFindNeedThem()
{
    QList<QStringList> payees;
    for (int i = 0; i < 300; ++i)
        payees << QStringList{QString::number(1000 + i), "1", "", QStringLiteral("名%1").arg(i)};
    Fixture f(payees);
    const int opened = f.w().grid()->model()->rowCount();
    QVERIFY(opened < 300);
    // Found far below the rows shown at first: the fields and the grid follow; Esc goes back.
    pressKeys(f.window.get(), {"^F", ">名250"});
    QCOMPARE(f.state(), "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-1250|-1|-名250}");
    QCOMPARE(f.w().grid()->currentIndex().row(), 250);
    pressKeys(f.window.get(), {"Esc"});
    QCOMPARE(f.state(), "5 測試資料 [0,1,2,3,4,5] grid+ confirm- {-1000|-1|-名0}");
    // Scrolled to the end, the grid holds every row.
    f.w().grid()->scrollToBottom();
    for (int i = 0; i < 10 && f.w().grid()->model()->rowCount() < 300; ++i) {
        f.w().grid()->scrollToBottom();
        QTest::qWait(10);
    }
    QCOMPARE(f.listed().size(), 300);
    QCOMPARE(f.listed().last(), "1299");
}

QTEST_MAIN(TstEditingWindow)
#include "tst_editingwindow.moc"
