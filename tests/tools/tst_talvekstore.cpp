#include "support/testprogram.h"

#include "ui/editing/batchheaderfields.h"
#include "ui/output/batchfilewindow.h"

#include "core/platform/clock.h"
#include "core/store/fieldroutines.h"
#include "core/store/schema.h"

#include <QDir>
#include <QLineEdit>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

// The store tool as make run uses it, and the program as a user starts it.
class TstTalvekStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initMakesTheStoresAndNeverOverwrites();
    void starterListIsConsistent();
    void secondCopyEndsSilently();
    void batchFileFromAShellAsTheWindowWritesIt();
    void importAndExportFromAShell();
    void backupAndRestoreFromAShell();
    void storeFailuresInTheWindowsWords_data();
    void storeFailuresInTheWindowsWords();

private:
    // Runs the store tool, or another program; its exit code, what it wrote to standard error and to standard output.
    static int tool(const QStringList &args, QString *err = nullptr, const char *program = TALVEK_STORE_TOOL, QString *out = nullptr);
};

int TstTalvekStore::tool(const QStringList &args, QString *err, const char *program, QString *out)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return -1;
    if (err)
        *err = QString::fromLocal8Bit(p.readAllStandardError());
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitCode();
}

void TstTalvekStore::initMakesTheStoresAndNeverOverwrites()
{
    TestDir dir;
    QCOMPARE(tool({"init", dir.path(), "VXBANK.mdb"}), 0);
    QVERIFY(!QFileInfo::exists(dir.reference()));
    for (const char *table : {"R_BASE", "R_CUST", "R_DETL", "R_DAY", "NNOO"})
        QVERIFY(TestDir::rows(dir.working(), table).isEmpty());
    TestDir::insert(dir.working(), Table::R_BASE, {{"123", "範例", "10", "", "", ""}});

    QString err;
    QCOMPARE(tool({"init", dir.path()}, &err), 1);
    QVERIFY2(err.contains("already exists"), qPrintable(err));
    QVERIFY(!QFileInfo::exists(dir.reference())); // refused as a whole

    QCOMPARE(tool({"init", dir.path(), "BRANCH.mdb"}), 0);
    QCOMPARE(TestDir::rows(dir.working(), "R_BASE").size(), 1);
    QVERIFY(!TestDir::rows(dir.reference(), "VXBANK").isEmpty());
    QCOMPARE(tool({"check", dir.working()}), 0);
    QCOMPARE(tool({"check", dir.reference()}), 0);

    QCOMPARE(tool({"init", dir.path() + "/missing"}, &err), 2);
    QCOMPARE(tool({"check", dir.path() + "/nothing.mdb"}, &err), 1);
}

void TstTalvekStore::starterListIsConsistent()
{
    const QList<Institution> list = starterInstitutions();
    int korvana = 0;
    QSet<QString> codes, banks;
    for (const Institution &i : list) {
        QVERIFY2(i.code.size() == 7 && !codes.contains(i.code) && i.code.right(1) == InstCheckDigit(i.code.left(6))
                     && FitsBig5(i.shortName, 10) && FitsBig5(i.fullName, 60), qPrintable(i.code));
        codes << i.code;
        banks << i.code.left(3);
        korvana += i.code.startsWith("952");
    }
    QVERIFY(korvana >= 10);
    QVERIFY(list.size() - korvana >= 24);
    // Every rule of the check digit appears: bank 009, banks 100 to 300, others.
    QVERIFY(banks.contains("009"));
    QVERIFY(std::any_of(banks.begin(), banks.end(), [](const QString &b) { return b >= "100" && b <= "300"; }));
}

void TstTalvekStore::secondCopyEndsSilently()
{
    TestDir dir;
    const QString program = QDir(dir.path()).filePath("talvek");
    QVERIFY(QFile::copy(TALVEK_PROGRAM, program));
    QCOMPARE(tool({"init", dir.path()}), 0);

    // Both copies run headless as this test does, by the environment they inherit.
    QProcess first, second;
    first.start(program);
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(QDir(dir.path()).filePath(".talvek.lock")), 10000);
    second.start(program);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(10000);
}

void TstTalvekStore::batchFileFromAShellAsTheWindowWritesIt()
{
    // Two copies of one store: the window writes from one, the shell from the other.
    TestProgram p;
    p.clock.set(QDate::currentDate());
    p.dir.makeStores();
    TestDir::insert(p.dir.working(), Table::R_BASE, {{"015", "範例實業", "11", "", "", ""}});
    TestDir::insert(p.dir.working(), Table::R_DETL, {{"B02", "987654321", "9520011", "陳大華", "2500", "", "15"},
                                                     {"A01", "123456789", "0091230", "王小明", "1500", "貨款", "0"},
                                                     {"C03", "!000", "0091230", "明", "7", "", "0"}});
    TestDir shell;
    QVERIFY(QFile::copy(p.dir.working(), shell.working()));
    const QString today = RocToday(p.clock, QStringLiteral("2"));
    const QString shellFile = QDir(shell.path()).filePath("batch.txt");
    const QString log = QDir(shell.path()).filePath("talvek-batch.log");
    QString err;
    QCOMPARE(tool({"batchfile", shell.working(), shellFile, "--date", today, "--batch", today + "0901"}, &err), 1);
    QCOMPARE(err, QStringLiteral("talvek-store: 客戶代號需大於等於 10\n"));
    QCOMPARE(tool({"batchfile", shell.working(), shellFile, "--date", today, "--batch", today + "1201", "--purpose", "薪資"}), 0);

    QVERIFY(p.openWorkingStore());
    BatchFileWindow window(p.context);
    window.headerFields()->dateField()->setText(today);
    window.headerFields()->batchField()->setText(today + "1201");
    window.headerFields()->purposeField()->setText("薪資");
    const QString windowFile = QDir(p.dir.path()).filePath("batch.txt");
    p.dialogs.expectSaveFile({}, "All Files (*.*);;Text Files(*.txt)", windowFile);
    p.dialogs.expectMessage({"產生完畢\n建議立即備份資料檔（系統 → 備份資料）", "Talvek"});
    window.GenerateBatchFile();
    VERIFY_DIALOGS(p.dialogs);
    QFile a(windowFile), b(shellFile);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), b.readAll()); // the verifier below finds the file whole
    b.close();
    QCOMPARE(TestDir::rows(shell.working(), "R_DAY"), TestDir::rows(p.dir.working(), "R_DAY"));

    // The verifier finds the shell's file whole and in the generation log.
    QString said;
    QCOMPARE(tool({shellFile, "--log", log}, nullptr, TALVEK_VERIFY, &said), 0);
    QCOMPARE(said.split('\n').mid(1, 1).join(QString()).section("，", 1), QStringLiteral("批號 %1，依收款人代碼，明細 2 筆，總額 4,000 元，%2")
                                                                              .arg(today + "1201", QDir::toNativeSeparators(shellFile)));
    // The same file changed by hand: the bank would misread it, and the log does not know it.
    QVERIFY(b.open(QIODevice::ReadWrite) && b.seek(175));
    b.write("X");
    b.close();
    QCOMPARE(tool({shellFile, "--log", log}, nullptr, TALVEK_VERIFY, &said), 1);
    QCOMPARE(said.split('\n'), (QStringList{"第 2 筆記錄第 35 位元組，帳號：應為 14 位數字，實為「0X000123456789」",
                                             "分行 015，批號 " + today + "1201，匯款日 " + today + "，明細 2 筆，總額 4,000 元",
                                             "產生記錄 " + QDir::toNativeSeparators(log) + " 中沒有此檔案", "檢查結果：1 項錯誤", ""}));
    QCOMPARE(tool({shellFile + ".none"}, nullptr, TALVEK_VERIFY), 1);
}

void TstTalvekStore::importAndExportFromAShell()
{
    TestDir dir;
    dir.makeStores({{"0091230", "甲", "甲銀行"}});
    const QString payees = QFINDTESTDATA("data/payees.csv");
    QString err;
    QCOMPARE(tool({"import", "payees", dir.working(), payees, "--encoding", "utf8"}, &err), 0);
    QCOMPARE(TestDir::rows(dir.working(), "R_CUST"), (QList<QStringList>{{"A01", "123           ", "0091230", "王"}}));
    // The same rows again: every code is taken, nothing is written.
    QCOMPARE(tool({"import", "payees", dir.working(), payees}, &err), 1);
    QCOMPARE(err, QStringLiteral("第 2 行（資料第 1 筆）收款人代碼：收款人代碼已經重複 !!\n有 1 項錯誤，未匯入任何資料\n"));
    QCOMPARE(tool({"import", "payees", dir.working(), payees, "--replace"}, &err), 2);
    // Told that the first row is data, its names are checked as a payee's values.
    QCOMPARE(tool({"import", "payees", dir.working(), payees, "--header", "no"}, &err), 1);
    QCOMPARE(err, QStringLiteral("第 1 行（資料第 1 筆）解款行代號：代碼欄位不足\n第 2 行（資料第 2 筆）收款人代碼：收款人代碼已經重複 !!\n"
                                 "有 2 項錯誤，未匯入任何資料\n"));
    QCOMPARE(tool({"import", "payees", dir.working(), payees, "--header", "maybe"}, &err), 2);
    const QString exported = QDir(dir.path()).filePath("out.csv");
    QCOMPARE(tool({"export", "payees", dir.working(), exported}, &err), 0);
    QFile out(exported);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), QByteArray("\xEF\xBB\xBF") + QString("收款人代碼,收款人帳號,解款行代號,收款人姓名\r\nA01,123           ,0091230,王\r\n").toUtf8());

    // Updating: the stored code takes the file's values; run again, nothing changes. The
    // institution codes are those beside the store.
    const QString update = QFINDTESTDATA("data/payees-update.csv");
    const QString bank = "注意：第 3 行（資料第 2 筆）解款行代號：可能少了開頭的 0：檔案為「091230」，金融機構代碼檔有「0091230」（甲銀行）\n";
    QString said;
    QCOMPARE(tool({"import", "payees", "--update", dir.working(), update}, &err, TALVEK_STORE_TOOL, &said), 0);
    QCOMPARE(QStringList({err, said}), QStringList({bank, "已匯入：新增 1 筆，更新 1 筆，不變 0 筆\n"}));
    QCOMPARE(tool({"import", "payees", dir.working(), update, "--update"}, &err, TALVEK_STORE_TOOL, &said), 0);
    QCOMPARE(QStringList({err, said}),
             QStringList({"注意：第 3 行（資料第 2 筆）收款人帳號：可能少了開頭的 0：檔案為「123」，收款人 A01 的帳號為「00123」\n" + bank,
                          "已匯入：新增 0 筆，更新 0 筆，不變 2 筆\n"}));
    QCOMPARE(TestDir::rows(dir.working(), "R_CUST"), (QList<QStringList>{{"A01", "00123         ", "0091230", "王"}, {"B01", "123           ", "091230", "乙"}}));
    QCOMPARE(tool({"import", "lines", "--update", dir.working(), update}, &err), 2);
    QCOMPARE(tool({"import", "payees", "--update", "--replace", dir.working(), update}, &err), 2);
}

void TstTalvekStore::backupAndRestoreFromAShell()
{
    // Run in their order: a command (DIR: the stores' folder), its exit code, and all it says.
    TestDir dir;
    dir.makeStores();
    for (QStringList c : REFERENCE_CASES("backup-restore.txt")) {
        c.replaceInStrings("DIR", dir.path());
        QString err, out;
        const int code = tool(c[0].split(' '), &err, TALVEK_STORE_TOOL, &out);
        QCOMPARE((QStringList{c[0], QString::number(code), err + out}), c);
    }
}

void TstTalvekStore::storeFailuresInTheWindowsWords_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<QStringList>("args"); // DIR: the store's folder, TODAY: today's date
    QTest::addColumn<QString>("reason");
    QTest::newRow("restore, the store held by another program")
        << "lock" << QStringList{"restore", "DIR/VXBANK.mdb", "DIR/source.mdb"} << "database is locked";
    QTest::newRow("batch file, the store made unchangeable")
        << "immutable" << QStringList{"batchfile", "DIR/VXBANK.mdb", "DIR/out.txt", "--date", "TODAY", "--batch", "TODAY1201"}
        << "attempt to write a readonly database";
}

void TstTalvekStore::storeFailuresInTheWindowsWords()
{
    QFETCH(QString, obstacle);
    QFETCH(QStringList, args);
    QFETCH(QString, reason);
    TestDir dir;
    dir.makeStores();
    args.replaceInStrings("DIR", dir.path()).replaceInStrings("TODAY", RocToday(SystemClock(), QStringLiteral("2")));
    std::optional<HeldWriteLock> lock;
    if (obstacle == "lock")
        QVERIFY(lock.emplace(dir.working()).held());
    else if (QProcess::execute("chattr", {"+i", dir.working()}) != 0)
        QSKIP("cannot make a file unchangeable here");
    const auto thaw = qScopeGuard([&] { QProcess::execute("chattr", {"-i", dir.working()}); });
    QString err;
    QCOMPARE(tool(args, &err), 1);
    QCOMPARE(err, "talvek-store: 資料庫唯讀,資料遺失\n" + QDir::toNativeSeparators(dir.working()) + "\n" + reason + "\n");
}

QTEST_MAIN(TstTalvekStore)
#include "tst_talvekstore.moc"
