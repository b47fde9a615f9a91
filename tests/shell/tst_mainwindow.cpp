#include "support/testprogram.h"

#include "editing/editingwindow.h"
#include "shell/mainwindow.h"
#include "store/appcontext.h"
#include "store/schema.h"
#include "store/storecopy.h"
#include "store/storeopening.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace {

using Message = ScriptedDialogs::Message;

const Message kNoRemitter{"無匯款人資料，請先建檔。", "Talvek", MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok};
const Message kNewBatch{"\n\n舊的匯款資料已存在,是否刪除之？\n\n", "6. 產生另一批新的匯款", MsgIcon::None,
                        MsgButtons::YesNo, MsgAnswer::No};
const Message kOpenFailed{"資料庫開啟出錯", "程式即將關閉  !!", MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok};

// One program directory, the seams and the main window over them.
struct Program : TestProgram {
    MainWindow window{context};

    void remitter(const QString &branch = "123", const QString &name = "範例股份有限公司")
    {
        TestDir::insert(dir.working(), Table::R_BASE, {{branch, name, "10", "a", "b", "c"}});
    }
    void line(const QString &id = "A01")
    {
        TestDir::insert(dir.working(), Table::R_DETL, {{id, "123456789014", "9521236", "王小明", "1500", "", "0"}});
    }
    QList<int> enabledButtons() const
    {
        QList<int> out;
        for (int n = 1; n <= 8; ++n)
            if (window.button(n)->isEnabled())
                out << n;
        return out;
    }
    // Leaves the payee window loaded but hidden, as F10 does.
    void keepPayeeWindow()
    {
        inModal<EditingWindow>([](EditingWindow *w) { QTest::keyClick(w->grid(), Qt::Key_F10); },
                               [&] { window.button(2)->click(); });
    }
    int loadedWindows() const { return int(window.findChildren<EditingWindow *>().size()); }
    void trigger(const char *action) { window.findChild<QAction *>(action)->trigger(); }
    // Loads the stores and refreshes the menu, as the program does when it starts.
    bool start()
    {
        const bool loaded = window.load();
        window.RefreshMenu();
        return loaded;
    }
};

} // namespace

class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startupFailures_data();
    void startupFailures();
    void readOnlyStoreGetsItsWritePermissionBack();
    void captionsMenuAndAbout();
    void buttonsFollowRemitterAndLines_data();
    void buttonsFollowRemitterAndLines();
    void banner_data();
    void banner();
    void noRemitterMessageOnEveryActivation();
    void newBatchEmptiesLinesAndHeaderOnly();
    void bannerFollowsTheRemitterWindow();
    void closingEndsTheProgramUnlessReloading();
    void editingWindowsKeptUntilClosedOrNewBatch_data();
    void editingWindowsKeptUntilClosedOrNewBatch();
    void backupRefusesTheStoreItselfAndReloads();
    void unreadableTablesAreToldNotTakenForEmpty_data();
    void unreadableTablesAreToldNotTakenForEmpty();
    void restoreCommand_data();
    void restoreCommand();
};

void TstMainWindow::startupFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<Message>>("messages");
    const QString shown = QStringLiteral("\n%1") + QDir::separator() + QStringLiteral("VXBANK.mdb");
    QTest::newRow("missing") << "missing"
                             << QList<Message>{{"找不到資料庫,資料遺失" + shown, "Talvek", MsgIcon::Critical}};
    QTest::newRow("not a database")
        << "text" << QList<Message>{{"26\n%1" + QString(QDir::separator()) + "VXBANK.mdb 不是資料庫檔", "Talvek"}, kOpenFailed};
    QTest::newRow("a folder is no data file")
        << "folder" << QList<Message>{{"找不到資料庫,資料遺失" + shown, "Talvek", MsgIcon::Critical}};
    QTest::newRow("codes declared as numbers")
        << "numeric" << QList<Message>{{"1\n資料表 R_CUST 的欄位 ACTNO 宣告為 INTEGER，應為 TEXT", "Talvek"}, kOpenFailed};
    QTest::newRow("table missing") << "partial" << QList<Message>{{"1\n資料檔缺少資料表 R_CUST", "Talvek"}, kOpenFailed};
    QTest::newRow("a pipe") << "pipe" << QList<Message>{kOpenFailed};
    QTest::newRow("locked by another program")
        << "locked" << QList<Message>{{"資料庫唯讀,資料遺失" + shown, "Talvek", MsgIcon::Critical}};
}

void TstMainWindow::startupFailures()
{
    QFETCH(QString, kind);
    QFETCH(QList<Message>, messages);
    Program p;
    const QString file = p.dir.working();
    std::unique_ptr<HeldWriteLock> lock;
    if (kind == "text") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("This is not a data file, it only has the name of one.\n");
    } else if (kind == "folder") {
        QVERIFY(QDir(p.dir.path()).mkdir("VXBANK.mdb"));
    } else if (kind == "numeric") {
        // Such a column would read the account 001234567890 back as 1234567890.
        TestDir::exec(file, "CREATE TABLE R_BASE (BRNO, RMTNAME, RMTKIND, NOTE1, NOTE2, NOTE3)");
        TestDir::exec(file, "CREATE TABLE R_CUST (R_ID TEXT, ACTNO INTEGER, TRFBK, R_NAME)");
    } else if (kind == "partial") {
        TestDir::exec(file, "CREATE TABLE R_BASE (BRNO, RMTNAME, RMTKIND, NOTE1, NOTE2, NOTE3)");
    } else if (kind == "pipe") {
        QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    } else if (kind == "locked") {
        p.dir.makeStores();
        lock = std::make_unique<HeldWriteLock>(file);
        QVERIFY(lock->held());
    }
    for (Message m : messages) {
        if (m.text.contains("%1"))
            m.text = m.text.arg(QDir::toNativeSeparators(p.dir.path()));
        p.dialogs.expectMessage(m);
    }
    QVERIFY(!p.window.load());
    QVERIFY(!p.context.working());
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::readOnlyStoreGetsItsWritePermissionBack()
{
    Program p;
    p.dir.makeStores();
    QVERIFY(QFile::setPermissions(p.dir.working(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    QVERIFY(p.window.load());
    QVERIFY(QFileInfo(p.dir.working()).permissions() & QFileDevice::WriteOwner);
    QVERIFY(p.context.working());
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::captionsMenuAndAbout()
{
    Program p;
    QCOMPARE(p.window.windowTitle(), QStringLiteral("Talvek"));
    QCOMPARE(p.window.findChild<QLabel *>("Label1")->text(), QStringLiteral("Talvek       "));
    QStringList captions;
    for (int n = 0; n < 8; ++n)
        captions << p.window.findChild<QPushButton *>(QStringLiteral("Command1_%1").arg(n))->text();
    QCOMPARE(captions, (QStringList{"1. 匯款人資料建檔　　", "2. 收款人資料建檔　　", "3. 匯款資料輸入　　　",
                                    "4. 列印整批匯款明細　", "5. 產生整批匯款檔　　", "6. 產生另一批新的匯款",
                                    "7. 金融機購代碼檔維護", "8. 結束"}));
    QStringList menus;
    for (QAction *top : p.window.menuBar()->actions()) {
        menus << top->text();
        for (QAction *a : top->menu()->actions())
            menus << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : " (off)"));
    }
    QCOMPARE(menus, (QStringList{"系統(&S)", "回存資料", "備份資料", "-", "離開", "說明(&H)",
                                 "文件說明 (off)", "-", "關於    Talvek(&A)"}));
    QStringList about;
    inModal([&](QDialog *box) {
        auto *close = box->findChild<QPushButton *>("cmdOK");
        about << box->objectName() << box->windowTitle() << box->findChild<QLabel *>("lblTitle")->text()
              << box->findChild<QLabel *>("lblVersion")->text() << close->text();
        close->click();
    }, [&] { p.window.findChild<QAction *>("mnuAbout")->trigger(); });
    QCOMPARE(about, (QStringList{"frmAbout", "About Talvek", "Talvek",
                                 QStringLiteral("Version %1.%2.%3").arg(TALVEK_VERSION_MAJOR).arg(TALVEK_VERSION_MINOR).arg(TALVEK_VERSION_PATCH),
                                 "關　閉"}));
}

void TstMainWindow::buttonsFollowRemitterAndLines_data()
{
    QTest::addColumn<bool>("hasRemitter");
    QTest::addColumn<bool>("hasLines");
    QTest::addColumn<QList<int>>("enabled");
    QTest::newRow("nothing yet") << false << false << QList<int>{1, 2, 7, 8};
    QTest::newRow("lines but no remitter") << false << true << QList<int>{1, 2, 7, 8};
    QTest::newRow("remitter, no lines") << true << false << QList<int>{1, 2, 3, 7, 8};
    QTest::newRow("remitter and lines") << true << true << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
}

void TstMainWindow::buttonsFollowRemitterAndLines()
{
    QFETCH(bool, hasRemitter);
    QFETCH(bool, hasLines);
    QFETCH(QList<int>, enabled);
    Program p;
    p.dir.makeStores();
    if (hasRemitter)
        p.remitter();
    if (hasLines)
        p.line();
    if (!hasRemitter)
        p.dialogs.expectMessage(kNoRemitter);
    QVERIFY(p.start());
    QCOMPARE(p.enabledButtons(), enabled);
    if (hasRemitter && !hasLines) {
        // Should buttons 4 and 5 be pressed anyway, they still refuse.
        p.window.button(4)->setEnabled(true);
        p.window.button(5)->setEnabled(true);
        p.dialogs.expectMessage({"無匯款資料,請建置匯款 ", "Talvek"});
        p.window.button(4)->click();
        p.dialogs.expectMessage({"無匯款資料,請建置匯款 Data", "Talvek"});
        p.window.button(5)->click();
    } else if (hasRemitter) {
        QString opened;
        inModal([&](QDialog *w) {
            opened = w->objectName() + " " + w->windowTitle();
            w->reject();
        }, [&] { p.window.button(5)->click(); });
        QCOMPARE(opened, QStringLiteral("Form7 5. 產生整批匯款檔"));
    }
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::banner_data()
{
    QTest::addColumn<QList<Institution>>("institutions");
    QTest::addColumn<QString>("expected");
    QTest::newRow("branch in the code table")
        << QList<Institution>{{"9521230", "X", "wrong digit"}, {"9521236", "Korvana", " Korvana銀行信義分行 "}}
        << "匯款行： 952-123-6[Korvana銀行信義分行]      \n匯款人： 範例股份有限公司";
    QTest::newRow("branch not in the code table") << QList<Institution>{}
                                                  << "匯款行： 952-123-6[代碼檔未建]      \n匯款人： 範例股份有限公司";
}

void TstMainWindow::banner()
{
    QFETCH(QList<Institution>, institutions);
    QFETCH(QString, expected);
    Program p;
    p.dir.makeStores(institutions);
    p.remitter();
    QVERIFY(p.start());
    QCOMPARE(p.window.bannerText(), expected);

    // The remitter changes elsewhere: the next refresh shows it; a missing code table does not stop it.
    TestDir::exec(p.dir.working(), "UPDATE R_BASE SET RMTNAME = '新名稱'");
    QFile::remove(p.dir.reference());
    p.context.closeStores();
    QVERIFY(p.start());
    QCOMPARE(p.window.bannerText(), QStringLiteral("匯款行： 952-123-6[代碼檔未建]      \n匯款人： 新名稱"));

    // With the remitter gone the banner keeps its last text.
    TestDir::exec(p.dir.working(), "DELETE FROM R_BASE");
    p.dialogs.expectMessage(kNoRemitter);
    p.window.RefreshMenu();
    QCOMPARE(p.window.bannerText(), QStringLiteral("匯款行： 952-123-6[代碼檔未建]      \n匯款人： 新名稱"));
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::noRemitterMessageOnEveryActivation()
{
    Program p;
    p.dir.makeStores();
    QVERIFY(p.window.load());
    p.dialogs.expectMessage(kNoRemitter);
    p.window.show();
    p.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.window));
    QCOMPARE(p.dialogs.shown().size(), 1);

    // Back from another window: asked again, each time.
    QWidget other;
    for (int round = 0; round < 2; ++round) {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        p.dialogs.expectMessage(kNoRemitter);
        p.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p.window));
    }
    QCOMPARE(p.dialogs.shown().size(), 3);
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::newBatchEmptiesLinesAndHeaderOnly()
{
    Program p;
    p.dir.makeStores({{"9521236", "Korvana", "台北"}});
    p.remitter();
    p.line("A01");
    p.line("TMP0001");
    const QString working = p.dir.working();
    TestDir::insert(working, Table::R_DAY, {{"151206", "1512061001", "薪資"}});
    TestDir::insert(working, Table::R_CUST, {{"A01", "123456789014", "9521236", "王小明"}});
    TestDir::insert(working, Table::NNOO, {{"貨款", "", "", "", "", "", "", "", "", "運費"}});
    const auto batch = [&] { return QList{TestDir::rows(working, "R_DETL"), TestDir::rows(working, "R_DAY")}; };
    const auto others = [&] {
        return QList{TestDir::rows(working, "R_BASE"), TestDir::rows(working, "R_CUST"), TestDir::rows(working, "NNOO"),
                     TestDir::rows(p.dir.reference(), "VXBANK")};
    };
    const auto keptBatch = batch();
    const auto kept = others();
    QCOMPARE(keptBatch[0].size(), 2);
    QVERIFY(p.start());
    // No changes nothing.
    p.dialogs.expectMessage(kNewBatch, MsgAnswer::No);
    p.window.button(6)->click();
    QCOMPARE(batch(), keptBatch);
    // The lines are not emptied without the header: when the header cannot go, both stay.
    TestDir::exec(working, "CREATE TRIGGER keep BEFORE DELETE ON R_DAY BEGIN SELECT RAISE(ABORT, 'kept'); END");
    p.dialogs.expectMessage(kNewBatch, MsgAnswer::Yes);
    p.dialogs.expectMessage({"不可預期的錯誤\nkept (1811)", "Talvek"});
    p.window.button(6)->click();
    QCOMPARE(batch(), keptBatch);
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    TestDir::exec(working, "DROP TRIGGER keep");
    p.dialogs.expectMessage(kNewBatch, MsgAnswer::Yes);
    p.window.button(6)->click();
    QCOMPARE(batch(), (QList<QList<QStringList>>{{}, {}}));
    QCOMPARE(others(), kept);
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 7, 8}));
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::bannerFollowsTheRemitterWindow()
{
    Program p;
    p.dir.makeStores({{"9520011", "Korvana", "營業部"}});
    p.dialogs.expectMessage(kNoRemitter);
    QVERIFY(p.start());
    // Cancelled: nothing stored; back in the menu, still no remitter.
    p.dialogs.expectMessage(kNoRemitter);
    inModal([](QDialog *w) { w->findChild<QPushButton *>("Command2_1")->click(); }, [&] { p.window.button(1)->click(); });
    QCOMPARE(p.context.values().DataReturn, QStringLiteral("0"));
    QCOMPARE(p.window.bannerText(), QString());
    // Stored: the banner shows the new remitter at once, and the commands that need one are offered.
    p.dialogs.expectMessage({"儲存成功", "Talvek"});
    inModal([](QDialog *w) {
        w->findChild<QLineEdit *>("Text1_0")->setText("001");
        w->findChild<QLineEdit *>("Text1_1")->setText("範例股份有限公司");
        w->findChild<QPushButton *>("Command2_0")->click();
    }, [&] { p.window.button(1)->click(); });
    QCOMPARE(p.window.bannerText(), QStringLiteral("匯款行： 952-001-1[營業部]      \n匯款人： 範例股份有限公司"));
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 7, 8}));
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::closingEndsTheProgramUnlessReloading()
{
    Program p;
    p.dir.makeStores();
    p.remitter();
    QVERIFY(p.window.load());
    // The program's own event loop: ending the program leaves it with 0, else it ends with 7.
    auto closeAndWait = [&](bool reloading) {
        p.window.show();
        QTimer::singleShot(0, [&] {
            p.window.setReloading(reloading);
            p.window.close();
        });
        QTimer::singleShot(300, [] { QApplication::exit(7); });
        return QApplication::exec();
    };
    QCOMPARE(closeAndWait(true), 7);
    QVERIFY(!p.window.isVisible());
    QCOMPARE(closeAndWait(false), 0);
}

void TstMainWindow::editingWindowsKeptUntilClosedOrNewBatch_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QList<int>>("shown"); // rows in the grid at each of three openings
    QTest::newRow("payees: the close box ends it") << 2 << "Form4" << "B" << QList<int>{2, 1, 2};
    QTest::newRow("institutions: the close box ends it") << 7 << "Form6" << "952" << QList<int>{3, 2, 3};
    QTest::newRow("lines: the close box only hides it") << 3 << "Form2" << "B" << QList<int>{2, 1, 1};
}

void TstMainWindow::editingWindowsKeptUntilClosedOrNewBatch()
{
    QFETCH(int, button);
    QFETCH(QString, objectName);
    QFETCH(QString, prefix);
    QFETCH(QList<int>, shown);
    Program p;
    p.dir.makeStores({{"0091230", "範例", "範例銀行"}, {"9520011", "K", "營業部"}, {"9520021", "K", "台北"}});
    TestDir::insert(p.dir.working(), Table::R_CUST, {{"A01", "1", "0091230", "甲"}, {"B02", "2", "0091230", "乙"}});
    p.remitter();
    p.line("A01");
    p.line("B02");
    QVERIFY(p.start());
    QPointer<EditingWindow> opened;
    QList<int> seen;
    // Does `work` in the window that the button opens, once it is up.
    auto inWindow = [&](const std::function<void(EditingWindow *)> &work) {
        inModal<EditingWindow>([&, work](EditingWindow *w) {
            QCOMPARE(w->objectName(), objectName);
            seen << w->grid()->model()->rowCount();
            work(w);
        }, [&] { p.window.button(button)->click(); });
    };
    // A confirmed query, then F10: the window is only hidden, and opens filtered.
    inWindow([&](EditingWindow *w) {
        opened = w;
        w->act(EditingWindow::Search);
        w->field(0)->setText(prefix);
        w->okButton()->click();
        QTest::keyClick(w->grid(), Qt::Key_F10);
    });
    inWindow([&](EditingWindow *w) {
        QCOMPARE(w, opened.data());
        w->close();
    });
    QCOMPARE(opened.isNull(), button != 3);
    inWindow([&](EditingWindow *w) {
        opened = w;
        w->act(5);
    });
    QCOMPARE(seen, shown);
    // A new batch unloads the kept windows.
    QVERIFY(!opened.isNull());
    p.dialogs.expectMessage(kNewBatch, MsgAnswer::Yes);
    p.window.button(6)->click();
    QVERIFY(opened.isNull());
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::backupRefusesTheStoreItselfAndReloads()
{
    Program p;
    p.dir.makeStores({{"9521236", "Korvana", "台北"}});
    p.remitter();
    p.line("A01");
    QVERIFY(p.start());
    const QString working = p.dir.working();
    const QString link = QDir(p.dir.path()).filePath("link.mdb");
    QVERIFY(QFile::link(working, link));
    const QString title = "選擇要備份的資料檔";
    const QString filter = "目的資料 (*.mdb)";
    const Message sameFile{"備份檔案錯誤：目的檔案與來源檔案相同", "備份檔案錯誤 " + displayPath(working), MsgIcon::Critical};
    const QString target = QDir(p.dir.path()).filePath("備份");
    const Message create{displayPath(target + ".mdb") + "\n此檔案不存在。\n要建立檔案嗎?", title, MsgIcon::Exclamation,
                         MsgButtons::YesNo, MsgAnswer::Yes};
    // Cancelled: nothing happens.
    p.keepPayeeWindow();
    p.dialogs.expectSaveFile(title, filter, "");
    p.trigger("mnuBackup");
    QCOMPARE(p.dialogs.lastSaveFolder, QDir::homePath());
    QCOMPARE(p.loadedWindows(), 1);
    // The store by another name, or the institution codes, are refused and the dialog
    // comes back; a new name is created only when the user agrees.
    p.dialogs.expectSaveFile(title, filter, link);
    p.dialogs.expectMessage(sameFile);
    p.dialogs.expectSaveFile(title, filter, p.dir.reference());
    p.dialogs.expectMessage({"備份檔案錯誤：目的檔案是金融機構代碼檔", "備份檔案錯誤 " + displayPath(p.dir.reference()),
                             MsgIcon::Critical});
    p.dialogs.expectSaveFile(title, filter, target);
    p.dialogs.expectMessage(create, MsgAnswer::No);
    p.dialogs.expectSaveFile(title, filter, target);
    p.dialogs.expectMessage(create, MsgAnswer::Yes);
    p.trigger("mnuBackup");
    VERIFY_DIALOGS(p.dialogs);
    QCOMPARE(p.dialogs.lastSaveFolder, p.dir.path());
    QVERIFY(!p.dialogs.lastConfirmOverwrite);
    QCOMPARE(TestDir::rows(target + ".mdb", "R_DETL"), TestDir::rows(working, "R_DETL"));
    QCOMPARE(TestDir::rows(target + ".mdb", "R_BASE"), TestDir::rows(working, "R_BASE"));
    // Every window was unloaded and the store opened afresh.
    QCOMPARE(p.loadedWindows(), 0);
    QVERIFY(p.context.working());
    QVERIFY(p.window.isVisible());
    // A copy that fails says why, and the menu comes back over the store as it was.
    const QString folder = QDir(p.dir.path()).filePath("folder.mdb");
    QVERIFY(QDir().mkdir(folder));
    p.dialogs.expectSaveFile(title, filter, folder);
    p.dialogs.expectMessage({"備份檔案失敗!!\n" + displayPath(folder) + " 不是檔案", "Talvek"});
    p.trigger("mnuBackup");
    VERIFY_DIALOGS(p.dialogs);
    QVERIFY(p.context.working());
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

void TstMainWindow::restoreCommand_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<bool>("reloaded");
    QTest::newRow("No at the warning") << "warning No" << false << false;
    QTest::newRow("file dialog cancelled") << "cancelled" << false << false;
    QTest::newRow("the store itself by another path") << "itself" << false << false;
    QTest::newRow("a source without R_DETL") << "no R_DETL" << false << false;
    QTest::newRow("a source that is not a database") << "not a store" << false << false;
    QTest::newRow("No at the import question") << "import No" << false << true;
    QTest::newRow("a value the store cannot hold") << "too long" << false << false;
    QTest::newRow("restored") << "Yes" << true << true;
}

void TstMainWindow::restoreCommand()
{
    QFETCH(QString, kind);
    QFETCH(bool, restored);
    QFETCH(bool, reloaded);
    Program p;
    p.dir.makeStores({{"9521236", "Korvana", "台北"}});
    p.remitter("123", "舊公司");
    p.line("A01");
    TestDir::insert(p.dir.working(), Table::NNOO, {{"貨款", "", "", "", "", "", "", "", "", "運費"}});
    TestProgram other;
    other.dir.makeStores();
    TestDir::insert(other.dir.working(), Table::R_BASE, {{"456", "新公司", "11", "", "", ""}});
    TestDir::insert(other.dir.working(), Table::R_CUST, {{"B02", "1", "0091230", "乙"}, {"A01", "2", "0091230", "甲"}});
    TestDir::insert(other.dir.working(), Table::R_DETL, {{"B02", "1", "0091230", "乙", "10", "", "0"}});
    const QString source = QDir(p.dir.path()).filePath("source.mdb");
    QString reason;
    QVERIFY(backupStoreFile(other.dir.working(), source, &reason));
    if (kind == "no R_DETL")
        TestDir::exec(source, "DROP TABLE R_DETL");
    if (kind == "too long")
        TestDir::exec(source, "UPDATE R_CUST SET R_NAME = printf('%.69c', 'x') WHERE R_ID = 'A01'");
    if (kind == "not a store")
        QVERIFY(QFile::resize(source, 0));
    const QStringList tables{"R_BASE", "R_CUST", "R_DETL", "R_DAY", "NNOO"};
    const auto rows = [&](const QString &file) {
        QList<QList<QStringList>> out;
        for (const QString &t : tables)
            out << TestDir::rows(file, t);
        return out;
    };
    auto expected = rows(p.dir.working());
    if (restored) {
        const auto fromSource = rows(source);
        expected = {fromSource[0], fromSource[1], fromSource[2], fromSource[3], expected[4]};
    }
    QVERIFY(p.start());
    p.keepPayeeWindow();

    const Message warning{"警告!!\n      回存資料來源,不正確時會造成無法挽回的錯誤\n      回存資料後,原本資料會被覆蓋,無法提供使用查詢\n"
                          "請問是否還要執行", "警告!!回存資料", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No};
    const QString title = "選擇要回存的資料檔";
    const QString filter = "來源資料 (*.mdb)";
    const Message question{" 確定開始匯入資料?\n", "匯入資料", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::Yes};
    p.dialogs.expectMessage(warning, kind == "warning No" ? MsgAnswer::No : MsgAnswer::Yes);
    if (kind == "cancelled") {
        p.dialogs.expectOpenFile(title, filter, "");
    } else if (kind == "itself") {
        p.dialogs.expectOpenFile(title, filter, p.dir.path() + "/./VXBANK.mdb");
        p.dialogs.expectMessage({"回存檔案錯誤：目的檔案與來源檔案相同", "回存檔案錯誤 " + displayPath(p.dir.working()),
                                 MsgIcon::Critical});
        p.dialogs.expectMessage(warning, MsgAnswer::No);
    } else if (kind != "warning No") {
        p.dialogs.expectOpenFile(title, filter, source);
    }
    if (kind == "no R_DETL")
        p.dialogs.expectMessage({"選擇的來源資料庫錯誤!回存失敗,回存動作終止!\n來源資料檔缺少資料表 R_DETL", "資料庫格式不相符",
                                 MsgIcon::Critical});
    if (kind == "not a store")
        p.dialogs.expectMessage({"回存失敗，原資料未變更\n" + displayPath(source) + " 不是資料庫檔",
                                 "回存資料", MsgIcon::Critical});
    if (kind == "import No" || kind == "too long" || kind == "Yes")
        p.dialogs.expectMessage(question, kind == "import No" ? MsgAnswer::No : MsgAnswer::Yes);
    if (kind == "too long")
        p.dialogs.expectMessage({"回存失敗，原資料未變更\n來源資料表 R_CUST 第 2 筆的 R_NAME 超過 68 Byte", "回存資料",
                                 MsgIcon::Critical});
    if (kind == "Yes")
        p.dialogs.expectMessage({"資料回存完畢!!", "回存完成", MsgIcon::Information});
    p.trigger("mnuRestore");
    VERIFY_DIALOGS(p.dialogs);
    QCOMPARE(rows(p.dir.working()), expected);
    QCOMPARE(p.loadedWindows(), reloaded ? 0 : 1);
    QVERIFY(p.context.working());
    QCOMPARE(p.window.bannerText().endsWith(restored ? "新公司" : "舊公司"), true);
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

void TstMainWindow::unreadableTablesAreToldNotTakenForEmpty_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QList<int>>("enabled");
    QTest::newRow("the remitter") << "R_BASE" << QList<int>{1, 2, 7, 8};
    QTest::newRow("the lines") << "R_DETL" << QList<int>{1, 2, 3, 7, 8};
}

void TstMainWindow::unreadableTablesAreToldNotTakenForEmpty()
{
    QFETCH(QString, table);
    QFETCH(QList<int>, enabled);
    Program p;
    p.dir.makeStores();
    p.remitter();
    p.line();
    QVERIFY(p.start());
    // The disk fails after the program has opened the store, under the table and under
    // the index that could answer for it.
    TestDir::damageTable(p.dir.working(), table);
    if (table == "R_DETL")
        TestDir::damageTable(p.dir.working(), "R_DETL_R_ID");
    const Message unreadable{"不可預期的錯誤\ndatabase disk image is malformed (11)", "Talvek"};
    p.dialogs.expectMessage(unreadable);
    p.window.RefreshMenu();
    QCOMPARE(p.enabledButtons(), enabled);
    if (table == "R_DETL") {
        p.dialogs.expectMessage(unreadable);
        p.window.button(4)->setEnabled(true);
        p.window.button(4)->click();
    }
    VERIFY_DIALOGS(p.dialogs);
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
