#include "support/testprogram.h"

#include "ui/editing/editingwindow.h"
#include "ui/shell/mainwindow.h"
#include "ui/platform/appcontext.h"
#include "core/store/schema.h"
#include "core/store/storeopening.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace {

using Message = ScriptedDialogs::Message;
using Tables = QList<QList<QStringList>>;
// Messages in the order they must come, each with the answer it gets.
using Script = QList<std::pair<Message, MsgAnswer>>;

const Message kNoRemitter{"無匯款人資料，請先建檔。", "Talvek", MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok};
const Message kNewBatch{"\n\n舊的匯款資料已存在,是否刪除之？\n\n", "6. 產生另一批新的匯款", MsgIcon::None,
                        MsgButtons::YesNo, MsgAnswer::No};
const Message kOpenFailed{"資料庫開啟出錯", "程式即將關閉  !!", MsgIcon::None, MsgButtons::Ok, MsgAnswer::Ok};
const Message kUnreadable{"不可預期的錯誤\ndatabase disk image is malformed (11)", "Talvek"};

// One program directory, the seams and the main window over them.
struct Program : TestProgram {
    MainWindow window{context};

    void remitter() { TestDir::insert(dir.working(), Table::R_BASE, {{"123", "範例股份有限公司", "10", "a", "b", "c"}}); }
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
    // Presses button n, on or off; the window it opens is closed at once and named.
    QString press(int n)
    {
        QString opened;
        QObject pressing; // the timer goes with this press, run or not
        QTimer::singleShot(0, &pressing, [&opened] {
            if (auto *w = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                opened = w->objectName();
                w->reject();
            }
        });
        window.button(n)->setEnabled(true);
        window.button(n)->click();
        QApplication::processEvents();
        return opened;
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
    // Stores with the remitter and one line, then started.
    bool started()
    {
        dir.makeStores({{"9521236", "Korvana", "台北"}});
        remitter();
        line();
        return start();
    }
};

} // namespace

class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openingTheStore_data();
    void openingTheStore();
    void captionsMenuAndAbout();
    void buttonsFollowTheStore_data();
    void buttonsFollowTheStore();
    void noRemitterToldAndBannerFollowsTheRemitter();
    void closingEndsTheProgramUnlessReloading();
    void keptWindowsAndTheNewBatch_data();
    void keptWindowsAndTheNewBatch();
    void backupRefusesTheStoreItselfAndReloads();
    void backupOffersTodaysNameAndSaysWhere_data();
    void backupOffersTodaysNameAndSaysWhere();
    void restoreCommand_data();
    void restoreCommand();
    void nothingStartsWhileAWindowRuns();
};

void TstMainWindow::openingTheStore_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<Message>>("messages"); // none: the store opens
    const QString shown = "\n<dir>" + QString(QDir::separator()) + "VXBANK.mdb";
    const Message missing{"找不到資料庫,資料遺失" + shown, "Talvek", MsgIcon::Critical};
    QTest::newRow("missing") << "missing" << QList<Message>{missing};
    QTest::newRow("a folder is no data file") << "folder" << QList<Message>{missing};
    QTest::newRow("not a database") << "text" << QList<Message>{{"26" + shown + " 不是資料庫檔", "Talvek"}, kOpenFailed};
    QTest::newRow("table missing") << "partial" << QList<Message>{{"1\n資料檔缺少資料表 R_CUST", "Talvek"}, kOpenFailed};
    QTest::newRow("a pipe") << "pipe" << QList<Message>{kOpenFailed};
    QTest::newRow("locked by another program")
        << "locked" << QList<Message>{{"資料庫唯讀,資料遺失" + shown, "Talvek", MsgIcon::Critical}};
    QTest::newRow("read-only: it gets its write permission back") << "read-only" << QList<Message>{};
}

void TstMainWindow::openingTheStore()
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
    } else if (kind == "partial") {
        TestDir::exec(file, "CREATE TABLE R_BASE (BRNO, RMTNAME, RMTKIND, NOTE1, NOTE2, NOTE3)");
    } else if (kind == "pipe") {
        QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    } else if (kind == "locked") {
        p.dir.makeStores();
        lock = std::make_unique<HeldWriteLock>(file);
        QVERIFY(lock->held());
    } else if (kind == "read-only") {
        p.dir.makeStores();
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    }
    for (Message m : messages) {
        m.text.replace("<dir>", QDir::toNativeSeparators(p.dir.path()));
        p.dialogs.expectMessage(m);
    }
    QCOMPARE(p.window.load(), messages.isEmpty());
    if (kind == "read-only")
        QVERIFY(QFileInfo(file).permissions() & QFileDevice::WriteOwner);
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::captionsMenuAndAbout()
{
    Program p;
    QStringList shown{p.window.windowTitle()};
    for (int n = 1; n <= 8; ++n)
        shown << p.window.button(n)->text();
    for (QAction *top : p.window.menuBar()->actions()) {
        shown << top->text();
        for (QAction *a : top->menu()->actions())
            shown << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isEnabled() ? "" : " (off)"));
    }
    QCOMPARE(shown, (QStringList{"Talvek", "1. 匯款人資料建檔　　", "2. 收款人資料建檔　　", "3. 匯款資料輸入　　　",
                                 "4. 列印整批匯款明細　", "5. 產生整批匯款檔　　", "6. 產生另一批新的匯款",
                                 "7. 金融機購代碼檔維護", "8. 結束", "系統(&S)", "回存資料", "備份資料", "-", "離開",
                                 "說明(&H)", "文件說明", "-", "關於    Talvek(&A)"}));
    // The about box comes from the help menu, and its button closes it.
    QString about;
    inModal([&about](QDialog *box) {
        about = box->windowTitle();
        box->findChild<QPushButton *>("cmdOK")->click();
    }, [&] { p.trigger("mnuAbout"); });
    QCOMPARE(about, QStringLiteral("About Talvek"));
}

void TstMainWindow::buttonsFollowTheStore_data()
{
    QTest::addColumn<bool>("hasRemitter");
    QTest::addColumn<bool>("hasLines");
    QTest::addColumn<QString>("spoiled");   // a table the disk spoils once the program has the store open
    QTest::addColumn<QList<int>>("enabled");
    QTest::addColumn<QList<Message>>("told"); // on the refresh, then as 4 and 5 are pressed anyway
    QTest::addColumn<QStringList>("opened");  // by 4 and 5 pressed anyway; none: not pressed
    const QList<int> all{1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("nothing yet") << false << false << "" << QList<int>{1, 2, 7, 8} << QList<Message>{kNoRemitter}
                                 << QStringList{};
    QTest::newRow("lines but no remitter") << false << true << "" << QList<int>{1, 2, 7, 8}
                                           << QList<Message>{kNoRemitter} << QStringList{};
    QTest::newRow("remitter, no lines")
        << true << false << "" << QList<int>{1, 2, 3, 7, 8}
        << QList<Message>{{"無匯款資料,請建置匯款 ", "Talvek"}, {"無匯款資料,請建置匯款 Data", "Talvek"}} << QStringList{"", ""};
    QTest::newRow("remitter and lines") << true << true << "" << all << QList<Message>{} << QStringList{"Form3", "Form7"};
    // Under the table and under the index that could answer for it: told, not taken for empty.
    QTest::newRow("remitter unreadable") << true << true << "R_BASE" << QList<int>{1, 2, 7, 8}
                                         << QList<Message>{kUnreadable} << QStringList{};
    QTest::newRow("lines unreadable") << true << true << "R_DETL" << QList<int>{1, 2, 3, 7, 8}
                                      << QList<Message>{kUnreadable, kUnreadable, kUnreadable} << QStringList{"", ""};
}

void TstMainWindow::buttonsFollowTheStore()
{
    QFETCH(bool, hasRemitter);
    QFETCH(bool, hasLines);
    QFETCH(QString, spoiled);
    QFETCH(QList<int>, enabled);
    QFETCH(QList<Message>, told);
    QFETCH(QStringList, opened);
    Program p;
    p.dir.makeStores();
    if (hasRemitter)
        p.remitter();
    if (hasLines)
        p.line();
    for (const Message &m : told)
        p.dialogs.expectMessage(m);
    QVERIFY(p.start());
    if (!spoiled.isEmpty()) {
        TestDir::damageTable(p.dir.working(), spoiled);
        if (spoiled == "R_DETL")
            TestDir::damageTable(p.dir.working(), "R_DETL_R_ID");
        p.window.RefreshMenu();
    }
    QCOMPARE(p.enabledButtons(), enabled);
    QStringList pressed;
    for (int n = 4; n <= 5 && !opened.isEmpty(); ++n)
        pressed << p.press(n);
    QCOMPARE(pressed, opened);
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::noRemitterToldAndBannerFollowsTheRemitter()
{
    Program p;
    p.dir.makeStores({{"9521230", "X", "wrong digit"}, {"9521236", "Korvana", " Korvana銀行信義分行 "}});
    QVERIFY(p.window.load());
    p.window.show();
    // Told as the window first comes up, and again each time it is back from another window.
    QWidget other;
    for (int told = 1; told <= 3; ++told) {
        p.dialogs.expectMessage(kNoRemitter);
        p.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&p.window));
        QCOMPARE(p.dialogs.shown().size(), told);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    }
    // Cancelled: nothing stored; back in the menu, still no remitter.
    p.dialogs.expectMessage(kNoRemitter);
    inModal([](QDialog *w) { w->findChild<QPushButton *>("Command2_1")->click(); }, [&] { p.window.button(1)->click(); });
    QCOMPARE(p.window.bannerText(), QString());
    // Stored: the banner shows the new remitter at once, and the commands that need one are offered.
    p.dialogs.expectMessage({"儲存成功", "Talvek"});
    inModal([](QDialog *w) {
        w->findChild<QLineEdit *>("Text1_0")->setText("123");
        w->findChild<QLineEdit *>("Text1_1")->setText("範例股份有限公司");
        w->findChild<QPushButton *>("Command2_0")->click();
    }, [&] { p.window.button(1)->click(); });
    QCOMPARE(p.window.bannerText(), QStringLiteral("匯款行： 952-123-6[Korvana銀行信義分行]      \n匯款人： 範例股份有限公司"));
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 7, 8}));
    // Changed elsewhere: the next start shows it, and a missing code table does not stop it.
    TestDir::exec(p.dir.working(), "UPDATE R_BASE SET RMTNAME = '新名稱'");
    QFile::remove(p.dir.reference());
    p.context.closeStores();
    QVERIFY(p.start());
    const QString last = "匯款行： 952-123-6[代碼檔未建]      \n匯款人： 新名稱";
    QCOMPARE(p.window.bannerText(), last);
    // With the remitter gone the banner keeps its last text.
    TestDir::exec(p.dir.working(), "DELETE FROM R_BASE");
    p.dialogs.expectMessage(kNoRemitter);
    p.window.RefreshMenu();
    QCOMPARE(p.window.bannerText(), last);
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::closingEndsTheProgramUnlessReloading()
{
    Program p;
    QVERIFY(p.started());
    // The program's own event loop: ending the program leaves it with 0, else it ends with 7.
    // The timers belong to each wait: one left running would end the event loop of a
    // later test's window.
    auto closeAndWait = [&](bool reloading) {
        QObject wait;
        p.window.show();
        QTimer::singleShot(0, &wait, [&] {
            p.window.setReloading(reloading);
            p.window.close();
        });
        QTimer::singleShot(300, &wait, [] { QApplication::exit(7); });
        return QApplication::exec();
    };
    QCOMPARE(closeAndWait(true), 7);
    QVERIFY(!p.window.isVisible());
    QCOMPARE(closeAndWait(false), 0);
}

void TstMainWindow::keptWindowsAndTheNewBatch_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QList<int>>("shown"); // rows in the grid at each of three openings
    QTest::newRow("payees: the close box ends it") << 2 << "Form4" << "B" << QList<int>{2, 1, 2};
    QTest::newRow("institutions: the close box ends it") << 7 << "Form6" << "952" << QList<int>{3, 2, 3};
    QTest::newRow("lines: the close box only hides it") << 3 << "Form2" << "B" << QList<int>{2, 1, 1};
}

void TstMainWindow::keptWindowsAndTheNewBatch()
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
    // A new batch empties the lines and the header (the batch, first) and unloads the kept
    // windows; all else outlives it. Refused, nothing changes.
    const QString working = p.dir.working();
    TestDir::insert(working, Table::R_DAY, {{"151206", "1512061001", "薪資"}});
    TestDir::insert(working, Table::NNOO, {{"貨款", "", "", "", "", "", "", "", "", "運費"}});
    const auto all = [&] {
        return TestDir::rows(working, {"R_DETL", "R_DAY", "R_BASE", "R_CUST", "NNOO"}) << TestDir::rows(p.dir.reference(), "VXBANK");
    };
    const Tables before = all();
    p.dialogs.expectMessage(kNewBatch, MsgAnswer::No);
    p.window.button(6)->click();
    QCOMPARE(all(), before);
    // The lines are not emptied without the header: when the header cannot go, both stay.
    TestDir::exec(working, "CREATE TRIGGER keep BEFORE DELETE ON R_DAY BEGIN SELECT RAISE(ABORT, 'kept'); END");
    p.dialogs.expectMessage(kNewBatch, MsgAnswer::Yes);
    p.dialogs.expectMessage({"不可預期的錯誤\nkept (1811)", "Talvek"});
    p.window.button(6)->click();
    QCOMPARE(all(), before);
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    QVERIFY(!opened.isNull());
    TestDir::exec(working, "DROP TRIGGER keep");
    p.dialogs.expectMessage(kNewBatch, MsgAnswer::Yes);
    p.window.button(6)->click();
    Tables emptied = before;
    emptied[0] = emptied[1] = {};
    QCOMPARE(all(), emptied);
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 7, 8}));
    QVERIFY(opened.isNull());
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::backupRefusesTheStoreItselfAndReloads()
{
    Program p;
    QVERIFY(p.started());
    const QString working = p.dir.working();
    const QString link = QDir(p.dir.path()).filePath("link.mdb");
    QVERIFY(QFile::link(working, link));
    const QString title = "選擇要備份的資料檔";
    const QString filter = "目的資料 (*.mdb)";
    const QString target = QDir(p.dir.path()).filePath("備份");
    const Message create{displayPath(target + ".mdb") + "\n此檔案不存在。\n要建立檔案嗎?", title, MsgIcon::Exclamation,
                         MsgButtons::YesNo, MsgAnswer::Yes};
    // Cancelled: nothing happens.
    p.keepPayeeWindow();
    p.dialogs.expectSaveFile(title, filter, "");
    p.trigger("mnuBackup");
    QCOMPARE(p.loadedWindows(), 1);
    // The store by another name, or the institution codes, are refused and the dialog
    // comes back; a new name is created only when the user agrees.
    p.dialogs.expectSaveFile(title, filter, link);
    p.dialogs.expectMessage({"備份檔案錯誤：目的檔案與來源檔案相同", "備份檔案錯誤 " + displayPath(working), MsgIcon::Critical});
    p.dialogs.expectSaveFile(title, filter, p.dir.reference());
    p.dialogs.expectMessage({"備份檔案錯誤：目的檔案是金融機構代碼檔", "備份檔案錯誤 " + displayPath(p.dir.reference()),
                             MsgIcon::Critical});
    p.dialogs.expectSaveFile(title, filter, target);
    p.dialogs.expectMessage(create, MsgAnswer::No);
    p.dialogs.expectSaveFile(title, filter, target);
    p.dialogs.expectMessage(create, MsgAnswer::Yes);
    p.dialogs.expectMessage({"備份完成\n" + displayPath(target + ".mdb"), "備份資料", MsgIcon::Information});
    p.trigger("mnuBackup");
    // Today's name in the folder last chosen, also after a refusal.
    QCOMPARE(p.dialogs.lastSaveFolder, QDir(p.dir.path()).filePath("VXBANK-1151206.mdb"));
    QVERIFY(!p.dialogs.lastConfirmOverwrite);
    QCOMPARE(TestDir::rows(target + ".mdb", "R_DETL"), TestDir::rows(working, "R_DETL"));
    // Every window was unloaded and the store opened afresh.
    QCOMPARE(p.loadedWindows(), 0);
    QVERIFY(p.window.isVisible());
    // A copy that fails says why, and the menu comes back over the store as it was.
    const QString folder = QDir(p.dir.path()).filePath("folder.mdb");
    QVERIFY(QDir().mkdir(folder));
    p.dialogs.expectSaveFile(title, filter, folder);
    p.dialogs.expectMessage({"備份檔案失敗!!\n" + displayPath(folder) + " 不是檔案", "Talvek"});
    p.trigger("mnuBackup");
    QVERIFY(p.context.working());
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::backupOffersTodaysNameAndSaysWhere_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("name");
    QTest::newRow("ROC year of three digits") << QDate(2026, 12, 6) << "VXBANK-1151206.mdb";
    QTest::newRow("ROC year of two digits") << QDate(2010, 5, 4) << "VXBANK-990504.mdb";
}

void TstMainWindow::backupOffersTodaysNameAndSaysWhere()
{
    QFETCH(QDate, today);
    QFETCH(QString, name);
    Program p;
    QVERIFY(p.started());
    p.clock.set(today);
    const QString title = "選擇要備份的資料檔", filter = "目的資料 (*.mdb)";
    // An old backup is replaced without a question, and the box names it in full.
    const QString folder = QDir(p.dir.path()).filePath("備份");
    QVERIFY(QDir().mkdir(folder));
    const QString target = QDir(folder).filePath("old.mdb");
    QVERIFY(QFile::copy(p.dir.reference(), target));
    p.dialogs.expectSaveFile(title, filter, target);
    p.dialogs.expectMessage({"備份完成\n" + QDir::toNativeSeparators(target), "備份資料", MsgIcon::Information});
    p.trigger("mnuBackup");
    QCOMPARE(p.dialogs.lastSaveFolder, QDir(QDir::homePath()).filePath(name));
    // The next backup of this run starts where this one went.
    p.dialogs.expectSaveFile(title, filter, "");
    p.trigger("mnuBackup");
    QCOMPARE(p.dialogs.lastSaveFolder, QDir(folder).filePath(name));
    VERIFY_DIALOGS(p.dialogs);
}

void TstMainWindow::restoreCommand_data()
{
    QTest::addColumn<QString>("picked"); // in the file dialog; "none": not asked
    QTest::addColumn<QString>("spoil");  // done to the source first
    QTest::addColumn<Script>("script");  // the file dialog comes after the first message
    QTest::addColumn<bool>("restored");
    QTest::addColumn<bool>("reloaded");
    const Message warning{"警告!!\n      回存資料來源,不正確時會造成無法挽回的錯誤\n      回存資料後,原本資料會被覆蓋,無法提供使用查詢\n"
                          "請問是否還要執行", "警告!!回存資料", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No};
    const Message question{" 確定開始匯入資料?\n", "匯入資料", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::Yes};
    const std::pair go{warning, MsgAnswer::Yes}, stop{warning, MsgAnswer::No};
    const std::pair import{question, MsgAnswer::Yes}, keep{question, MsgAnswer::No};
    const auto said = [](const QString &text, const QString &title, MsgIcon icon = MsgIcon::Critical) {
        return std::pair{Message{text, title, icon}, MsgAnswer::Ok};
    };
    const auto failed = [&](const QString &reason) { return said("回存失敗，原資料未變更\n" + reason, "回存資料"); };
    QTest::newRow("No at the warning") << "none" << "" << Script{stop} << false << false;
    QTest::newRow("file dialog cancelled") << "" << "" << Script{go} << false << false;
    QTest::newRow("the store itself by another path")
        << "itself" << "" << Script{go, said("回存檔案錯誤：目的檔案與來源檔案相同", "回存檔案錯誤 <working>"), stop} << false << false;
    QTest::newRow("a source without R_DETL")
        << "source" << "DROP TABLE R_DETL"
        << Script{go, said("選擇的來源資料庫錯誤!回存失敗,回存動作終止!", "資料庫格式不相符")} << false << false;
    QTest::newRow("a source that is not a database")
        << "source" << "empty" << Script{go, failed("<source> 不是資料庫檔")} << false << false;
    QTest::newRow("No at the import question") << "source" << "" << Script{go, keep} << false << true;
    QTest::newRow("a value the store cannot hold")
        << "source" << "UPDATE R_CUST SET R_NAME = printf('%.69c', 'x') WHERE R_ID = 'A01'"
        << Script{go, import, failed("來源資料表 R_CUST 第 2 筆的 R_NAME 超過 68 Byte")} << false << false;
    QTest::newRow("restored") << "source" << ""
                              << Script{go, import, said("資料回存完畢!!", "回存完成", MsgIcon::Information)} << true << true;
}

void TstMainWindow::restoreCommand()
{
    QFETCH(QString, picked);
    QFETCH(QString, spoil);
    QFETCH(Script, script);
    QFETCH(bool, restored);
    QFETCH(bool, reloaded);
    Program p;
    QVERIFY(p.started());
    TestDir::insert(p.dir.working(), Table::NNOO, {{"貨款", "", "", "", "", "", "", "", "", "運費"}});
    // The source: another program directory's store.
    TestDir other;
    other.makeStores();
    const QString source = other.working();
    TestDir::insert(source, Table::R_BASE, {{"456", "新公司", "11", "", "", ""}});
    TestDir::insert(source, Table::R_CUST, {{"B02", "1", "0091230", "乙"}, {"A01", "2", "0091230", "甲"}});
    TestDir::insert(source, Table::R_DETL, {{"B02", "1", "0091230", "乙", "10", "", "0"}});
    if (spoil == "empty")
        QVERIFY(QFile::resize(source, 0));
    else if (!spoil.isEmpty())
        TestDir::exec(source, spoil);
    // The four tables a restore replaces, and the presets it keeps.
    const QStringList copied{"R_BASE", "R_CUST", "R_DETL", "R_DAY"};
    const Tables expected = TestDir::rows(restored ? source : p.dir.working(), copied) << TestDir::rows(p.dir.working(), "NNOO");
    p.keepPayeeWindow();

    for (qsizetype i = 0; i < script.size(); ++i) {
        auto [message, answer] = script[i];
        message.title.replace("<working>", displayPath(p.dir.working()));
        message.text.replace("<source>", displayPath(source));
        p.dialogs.expectMessage(message, answer);
        if (i == 0 && picked != "none")
            p.dialogs.expectOpenFile("選擇要回存的資料檔", "來源資料 (*.mdb)",
                                     picked == "itself" ? p.dir.path() + "/./VXBANK.mdb" : picked == "source" ? source : "");
    }
    p.trigger("mnuRestore");
    VERIFY_DIALOGS(p.dialogs);
    QCOMPARE(TestDir::rows(p.dir.working(), copied) << TestDir::rows(p.dir.working(), "NNOO"), expected);
    QCOMPARE(p.loadedWindows(), reloaded ? 0 : 1);
    QVERIFY(p.context.working());
    QCOMPARE(p.window.bannerText().endsWith(restored ? "新公司" : "範例股份有限公司"), true);
    QCOMPARE(p.enabledButtons(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

void TstMainWindow::nothingStartsWhileAWindowRuns()
{
    // A screen reader's "press" reaches the menu behind window 5 while its message is open.
    Program p;
    QVERIFY(p.started());
    QStringList opened{"not run"};
    inModal([&](QDialog *w) {
        w->findChild<QLineEdit *>("Text1_0")->setText("151206");
        w->findChild<QLineEdit *>("Text1_1")->setText("09");
        p.dialogs.whileNextMessage = [&] {
            opened = windowsOpenedBy(w, [&] {
                for (int n : {5, 2, 1})
                    p.window.button(n)->click();
                for (const char *action : {"mnuBackup", "mnuRestore", "mnuAbout", "mnuExit"})
                    p.trigger(action);
                w->findChild<QPushButton *>("Command2_0")->click(); // its own 確定 again
            });
        };
        p.dialogs.expectMessage({"輸入批號長度不足!!", "輸入錯誤", MsgIcon::Critical});
        w->findChild<QPushButton *>("Command2_0")->click();
        QCOMPARE(QApplication::activeModalWidget(), w);
        QCOMPARE(p.window.findChildren<QDialog *>("Form7").size(), 1);
        w->reject();
    }, [&] { p.window.button(5)->click(); });
    QCOMPARE(opened, QStringList());
    VERIFY_DIALOGS(p.dialogs);
    // Once it has closed, the menu works again.
    QCOMPARE(p.press(5), QStringLiteral("Form7"));
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
