#include "support/testprogram.h"

#include "core/output/batchgeneration.h"
#include "core/services/batchrun.h"
#include "core/services/storecopyservice.h"
#include "core/store/recordset.h"
#include "core/store/schema.h"
#include "core/store/storeopening.h"

#include <QDir>
#include <QTest>

// One generation of the bank file from a store: whole files when all is well, no file
// and the reason when anything read, built or written is not right.
class TstBatchGeneration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesAndLogs();
    void refusals_data();
    void refusals();
    void warnings();
    void backupSuggestedUntilBackedUp_data();
    void backupSuggestedUntilBackedUp();
};

namespace {

// A remitter, two lines in reverse code order and a "!000" line, opened as the program does.
struct Fixture : TestProgram {
    Fixture()
    {
        dir.makeStores();
        TestDir::insert(dir.working(), Table::R_BASE, {{"015", "範例實業股份有限公司", "11", "", "", ""}});
        TestDir::insert(dir.working(), Table::R_DETL, {{"B02", "987654321", "9520011", "陳大華", "2500", "", "15"},
                                                       {"A01", "123456789", "0091230", "王小明", "1500", "貨款", "0"},
                                                       {"C03", "!000", "0091230", "明", "7", "", "0"}});
        if (!openWorkingStore())
            qFatal("the store does not open");
    }
    QString file(const QString &name) const { return QDir(dir.path()).filePath(name); }
    QString log() const { return generationLogPath(dir.path()); }
    // The window's totals, `more` lines off.
    GenerationOutcome generate(const QString &path, const QString &batchNo = "1512061201", int more = 0)
    {
        LineTotals shown;
        countLines(*context.working(), shown);
        shown.count += more;
        return generateBatchFile(*context.working(), {path, batchNo, "151206", LineOrder::ByPayee, shown, log(), clock.now()});
    }
};

} // namespace

void TstBatchGeneration::writesAndLogs()
{
    Fixture f;
    const GenerationOutcome outcome = f.generate(f.file("batch.txt"));
    QVERIFY2(outcome.written, qPrintable(outcome.problem));
    QCOMPARE(fileBytes(f.file("batch.txt")), REFERENCE_BYTES("lines-bypayee.txt"));
    QCOMPARE(QDir(f.dir.path()).entryList({"batch.txt*"}, QDir::Files | QDir::Hidden), QStringList{"batch.txt"});
    // The log knows the file by its bytes; a second generation adds a second line.
    QVERIFY(f.generate(f.file("second.txt"), "1512061202").written);
    const QList<GenerationEntry> log = readGenerations(f.log());
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[0].describe(), "2026-12-06 09:30:00 產生，批號 1512061201，依收款人代碼，明細 2 筆，總額 4,000 元，"
                                    + QDir::toNativeSeparators(f.file("batch.txt")));
    QCOMPARE(log[0].sha256, QByteArray("3edea49d2e94b1953fd8fc1310fbaf7308e81e62617cf84baa94ad33ef64be34"));
    QCOMPARE(log[1].batchNo, QStringLiteral("1512061202"));
}

void TstBatchGeneration::refusals_data()
{
    QTest::addColumn<QString>("kind"); // what is wrong, or the target file
    QTest::addColumn<QString>("problem"); // %1: the program directory
    QTest::newRow("a line without an account") << "null account" << "收款人代碼 D04（第 3 筆）：帳號應為 14 位以內的數字，實為「」";
    QTest::newRow("a line its index does not know")
        << "past index" << "不可預期的錯誤\n%1/VXBANK.mdb 已損壞：row 4 missing from index R_DETL_R_ID (11)";
    QTest::newRow("totals other than the window showed") << "shown" << "檔案的筆數與金額（2 筆，4,000 元）與畫面（3 筆，4,000 元）不符";
    QTest::newRow("a folder that is gone") << "gone/batch.txt" << "無法寫入 %1/gone/batch.txt：資料夾 %1/gone 不存在";
    QTest::newRow("the store itself as the target") << "VXBANK.mdb" << "%1/VXBANK.mdb 是資料檔，不可被整批匯款檔取代";
    QTest::newRow("a backup as the target") << "backup.mdb" << "%1/backup.mdb 是資料檔，不可被整批匯款檔取代";
}

void TstBatchGeneration::refusals()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    Fixture f;
    const QString working = f.dir.working();
    if (kind == "null account")
        TestDir::exec(working, "INSERT INTO R_DETL VALUES ('D04', NULL, '0091230', '丁', '5', '', '0')");
    if (kind == "past index")
        TestDir::execPastIndexes(working, "R_DETL", "INSERT INTO R_DETL VALUES ('A00', '1', '0091230', '甲', '5', '', '0')");
    if (kind == "backup.mdb")
        QVERIFY(QFile::copy(f.dir.reference(), f.file(kind)));
    const auto stored = TestDir::rows(working, "R_DETL");
    const GenerationOutcome outcome = f.generate(f.file(kind.contains('.') ? kind : "batch.txt"), "1512061201", kind == "shown");
    QVERIFY(!outcome.written);
    QCOMPARE(outcome.problem, problem.replace("%1", QDir::toNativeSeparators(f.dir.path())));
    QCOMPARE(QDir(f.dir.path()).entryList({"batch.txt*"}, QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(!QFileInfo::exists(f.log()));
    QCOMPARE(TestDir::rows(working, "R_DETL"), stored);
}

void TstBatchGeneration::warnings()
{
    BatchFileInput in;
    in.batchNo = "1512061201";
    in.lines = {{"A01", "123", "0091230", "甲", "1500", "", "0"},
                {"B02", " 123 ", "0091230", "乙", "1500", "", "15"},
                {"C03", "456", "0091230", "丙", "0", "", "0"},
                {"D04", "789", "0091230", "丁", "30", "", "30"},
                {"E05", "000123", "0091230", "戊", "01500", "", "0"}}; // the same account and amount to the bank
    GenerationEntry earlier{QDateTime(QDate(2026, 12, 5), QTime(16, 0)), "1512061201", "輸入順序", 4, 3030, QByteArray(64, 'a'), "x.txt"};
    QCOMPARE(batchWarnings(in, {earlier}), QString::fromUtf8(REFERENCE_BYTES("warnings.txt")).split('\n', Qt::SkipEmptyParts));
    in.batchNo = "1512061202";
    in.lines = {in.lines[0], in.lines[3]};
    QCOMPARE(batchWarnings(in, {earlier}), (QStringList{"第 2 筆（D04）手續費 30 不小於金額 30"}));
}

void TstBatchGeneration::backupSuggestedUntilBackedUp_data()
{
    QTest::addColumn<QStringList>("steps"); // done in turn before the file is made
    QTest::addColumn<bool>("suggested");
    QTest::newRow("nothing known at start") << QStringList{} << true;
    QTest::newRow("backed up, nothing changed since") << QStringList{"backup"} << false;
    QTest::newRow("a line keyed, then backed up") << QStringList{"key", "backup"} << false;
    QTest::newRow("backed up, then a line keyed") << QStringList{"backup", "key"} << true;
    QTest::newRow("backed up, then a line changed in its window") << QStringList{"backup", "edit"} << true;
    QTest::newRow("backed up, then the lines emptied at once") << QStringList{"backup", "clear"} << true;
    QTest::newRow("a later backup that failed") << QStringList{"backup", "key", "fail"} << true;
    QTest::newRow("changed and changed back") << QStringList{"backup", "edit", "unedit"} << false;
}

void TstBatchGeneration::backupSuggestedUntilBackedUp()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, suggested);
    Fixture f;
    QByteArray backedUp;
    for (const QString &step : steps) {
        Store &store = *f.context.working();
        if (step == "backup" || step == "fail") {
            // As the menu does it: every connection closed, the copy made, the store opened again.
            f.context.closeStores();
            QVERIFY(QDir().mkpath(f.file("folder.mdb")));
            const StoreCopyOutcome done = backupStore(workingStorePath(f.dir.path()), f.file(step == "backup" ? "copy.mdb" : "folder.mdb"));
            QCOMPARE(done.ok(), step == "backup");
            if (done.ok())
                backedUp = done.lines;
            QVERIFY(f.openWorkingStore());
        } else if (step == "key") {
            QVERIFY(store.appendRow(Table::R_DETL, {"D04", "5", "0091230", "丁", "9", "", "0"}).ok());
        } else if (step == "edit" || step == "unedit") {
            const auto lines = store.select(Query::table(Table::R_DETL));
            const bool forth = step == "edit";
            QVERIFY(lines->update(QStringList(lines->currentValues()).replaceInStrings(forth ? "2500" : "2600", forth ? "2600" : "2500")).ok());
        } else if (step == "clear") {
            QVERIFY(store.clearTables({Table::R_DETL}).ok());
        }
    }
    const BatchRunQuestions ask{[](const QStringList &) { return true; }, [&f] { return f.file("batch.txt"); }};
    const BatchRunOutcome outcome =
        runBatch(*f.context.working(), {{"151206", "1512061201", ""}, LineOrder::ByPayee, {}, {}, f.log(), backedUp}, f.clock, ask);
    QVERIFY(outcome.written());
    QCOMPARE(outcome.notices.value(outcome.doneAt).text,
             suggested ? QStringLiteral("產生完畢\n建議立即備份資料檔（系統 → 備份資料）") : QStringLiteral("產生完畢"));
}

QTEST_MAIN(TstBatchGeneration)
#include "tst_batchgeneration.moc"
