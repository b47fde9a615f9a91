#include "support/testprogram.h"

#include "output/batchgeneration.h"
#include "output/batchverify.h"
#include "store/schema.h"
#include "store/storeopening.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTest>

// One generation of the bank file from a store: whole files when all is well, no file
// and the reason when anything read, built or written is not right.
class TstBatchGeneration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesVerifiesAndLogs();
    void refusals_data();
    void refusals();
    void warnings();
};

namespace {

QByteArray blanks(int n)
{
    return QByteArray(n, ' ');
}

// Big5: 王 A4FD, 小明 A470 A9FA, 薪資 C17E B8EA.
const QByteArray kWang = "\xA4\xFD";
const QByteArray kXiaoMing = "\xA4\x70\xA9\xFA";

// The payee-code file of the fixture: A01 before B02, the "!000" line left out.
const QByteArray kFile = "1015151206120100000151206" + blanks(23) + kWang + kXiaoMing + blanks(82) + "\r\n"
    "20151512061201" "    1" "151206" "0091230" "10" "00000123456789" + kWang + blanks(66) + "        1500" "00" "\xC1\x7E\xB8\xEA\r\n"
    "20151512061201" "    2" "151206" "9520011" "10" "00000987654321" + kXiaoMing + blanks(64) + "        2500" "00" "\r\n"
    "3015151206120199999151206" "   2" "        4000" "00" + blanks(137) + "\r\n";

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

// A remitter, two lines in reverse code order and a "!000" line, opened as the program does.
struct Fixture : TestProgram {
    LineTotals shown;
    Fixture()
    {
        dir.makeStores();
        TestDir::insert(dir.working(), Table::R_BASE, {{"015", "王小明", "10", "", "", ""}});
        TestDir::insert(dir.working(), Table::R_DETL, {{"B02", "987654321", "9520011", "小明", "2500", "", "15"},
                                                       {"A01", "123456789", "0091230", "王", "1500", "薪資", "0"},
                                                       {"C03", "!000", "0091230", "明", "7", "", "0"}});
    }
    QString output() const { return QDir(dir.path()).filePath("batch.txt"); }
    QString log() const { return generationLogPath(dir.path()); }
    GenerationOutcome generate(const QString &batchNo = "1512061201", const QString &path = {})
    {
        if (!context.working() && !openWorkingStore())
            qFatal("the store does not open");
        countLines(*context.working(), shown);
        return generateBatchFile(*context.working(), {path.isEmpty() ? output() : path, batchNo, "151206",
                                                      LineOrder::ByPayee, shown, log(), clock.now()});
    }
};

} // namespace

void TstBatchGeneration::writesVerifiesAndLogs()
{
    Fixture f;
    QFile old(f.output());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older file");
    old.close();
    const GenerationOutcome outcome = f.generate();
    QVERIFY2(outcome.written, qPrintable(outcome.problem));
    QCOMPARE(readAll(f.output()), kFile);
    QVERIFY(verifyBatchFile(kFile).clean());
    QCOMPARE(QDir(f.dir.path()).entryList({"batch.txt*"}, QDir::Files | QDir::Hidden), QStringList{"batch.txt"});
    // The log knows the file by its bytes; a second generation adds a second line.
    QVERIFY(f.generate("1512061202", QDir(f.dir.path()).filePath("second.txt")).written);
    const QList<GenerationEntry> log = readGenerations(f.log());
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[0].describe(),
             QStringLiteral("2026-12-06 09:30:00 產生，批號 1512061201，依收款人代碼，明細 2 筆，總額 4,000 元，%1")
                 .arg(QDir::toNativeSeparators(f.output())));
    QCOMPARE(log[0].sha256, QCryptographicHash::hash(kFile, QCryptographicHash::Sha256).toHex());
    QCOMPARE(log[1].batchNo, QStringLiteral("1512061202"));
}

void TstBatchGeneration::refusals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem"); // %1: the program directory
    QTest::newRow("a line without an account")
        << "null account" << "收款人代碼 D04（第 3 筆）：帳號應為 14 位以內的數字，實為「」";
    QTest::newRow("a line its index does not know")
        << "past index" << "不可預期的錯誤\n%1/VXBANK.mdb 已損壞：row 4 missing from index R_DETL_R_ID (11)";
    QTest::newRow("totals other than the window showed")
        << "shown" << "檔案的筆數與金額（2 筆，4,000 元）與畫面（3 筆，4,000 元）不符";
    QTest::newRow("an invisible character in a name")
        << "zero width" << "收款人代碼 A01（第 1 筆）：收款人名稱含有無法原樣轉成 Big5 的字元";
    QTest::newRow("a C1 control in a remark")
        << "c1" << "收款人代碼 A01（第 1 筆）：備註含有控制字元（如定位字元、換行）";
    QTest::newRow("a letter in the batch number")
        << "letter" << "批號與匯款日：批號應為 10 位數字，實為「151206121l」";
    QTest::newRow("a folder that is gone")
        << "no folder" << "無法寫入 %1/gone/batch.txt：資料夾 %1/gone 不存在";
    QTest::newRow("the store itself as the target")
        << "onto the store" << "%1/VXBANK.mdb 是資料檔，不可被整批匯款檔取代";
    QTest::newRow("a backup as the target")
        << "onto a backup" << "%1/backup.mdb 是資料檔，不可被整批匯款檔取代";
    QTest::newRow("a damaged page of the lines")
        << "damaged" << "不可預期的錯誤\n%1/VXBANK.mdb 已損壞：";
}

void TstBatchGeneration::refusals()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    Fixture f;
    const QString working = f.dir.working();
    QString batchNo = "1512061201";
    QString path = f.output();
    QVERIFY(f.openWorkingStore());
    if (kind == "null account")
        TestDir::exec(working, "INSERT INTO R_DETL VALUES ('D04', NULL, '0091230', '丁', '5', '', '0')");
    if (kind == "past index")
        TestDir::execPastIndexes(working, "R_DETL", "INSERT INTO R_DETL VALUES ('A00', '1', '0091230', '甲', '5', '', '0')");
    if (kind == "zero width")
        TestDir::exec(working, "UPDATE R_DETL SET R_NAME = '王' || char(0x200B) || '明' WHERE R_ID = 'A01'");
    if (kind == "c1")
        TestDir::exec(working, "UPDATE R_DETL SET MARK = 'a' || char(0x80) WHERE R_ID = 'A01'");
    if (kind == "letter")
        batchNo = "151206121l";
    if (kind == "no folder")
        path = QDir(f.dir.path()).filePath("gone/batch.txt");
    if (kind == "damaged")
        TestDir::damageTable(working, "R_DETL");
    if (kind == "onto the store")
        path = working;
    if (kind == "onto a backup")
        QVERIFY(QFile::copy(f.dir.reference(), path = QDir(f.dir.path()).filePath("backup.mdb")));
    const auto stored = kind == "damaged" ? QList<QStringList>() : TestDir::rows(working, "R_DETL");
    LineTotals &shown = f.shown;
    countLines(*f.context.working(), shown);
    if (kind == "shown")
        ++shown.count;
    const GenerationOutcome outcome = generateBatchFile(*f.context.working(), {path, batchNo, "151206", LineOrder::ByPayee,
                                                                               shown, f.log(), f.clock.now()});
    QVERIFY(!outcome.written);
    const QString expected = problem.contains("%1") ? problem.arg(QDir::toNativeSeparators(f.dir.path())) : problem;
    // A damaged page is named by the engine in words of its own after ours.
    QVERIFY2(kind == "damaged" ? outcome.problem.startsWith(expected) : outcome.problem == expected, qPrintable(outcome.problem));
    QCOMPARE(QDir(f.dir.path()).entryList({"batch.txt*"}, QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(!QFileInfo::exists(f.log()));
    if (kind != "damaged")
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
    GenerationEntry earlier{QDateTime(QDate(2026, 12, 5), QTime(16, 0)), "1512061201", "輸入順序", 4, 3030, QByteArray(64, 'a'), "/tmp/x.txt"};
    QCOMPARE(batchWarnings(in, {earlier}),
             (QStringList{"第 3 筆（C03）金額為 0", "第 4 筆（D04）手續費 30 不小於金額 30",
                          "第 1 筆（A01）、第 2 筆（B02）、第 5 筆（E05）的帳號、解款行與金額相同",
                          "批號 1512061201 已用過：2026-12-05 16:00:00 產生，批號 1512061201，依輸入順序，明細 4 筆，總額 3,030 元，"
                              + QDir::toNativeSeparators("/tmp/x.txt")}));
    in.batchNo = "1512061202";
    in.lines.removeLast();
    in.lines.removeAt(1);
    in.lines.removeAt(1);
    QCOMPARE(batchWarnings(in, {earlier}), (QStringList{"第 2 筆（D04）手續費 30 不小於金額 30"}));
}

QTEST_MAIN(TstBatchGeneration)
#include "tst_batchgeneration.moc"
