#include "support/teststores.h"

#include "exchange/importer.h"
#include "platform/big5codec.h"
#include "store/schema.h"
#include "store/store.h"

#include <QStringEncoder>
#include <QTest>

// Payees from a spreadsheet file: every supported encoding and separator, each row
// checked as if keyed, and nothing written while any row is wrong.
class TstImporter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsEveryEncoding_data();
    void readsEveryEncoding();
    void rowErrors_data();
    void rowErrors();
    void exportImportsBack();
};

namespace {

const QString kFile = QStringLiteral("收款人姓名;收款人代碼;帳號;解款行代號\r\n"
                                     "王小明;A01;123456789;0091230\r\n"
                                     "\"陳;大華\";B02;987654321;0091230\r\n"
                                     "台北市政府財政局;C03;952001000013;9520011\r\n");
const QList<QStringList> kStored{{"A01", "123456789     ", "0091230", "王小明"},
                                 {"B02", "987654321     ", "0091230", "陳;大華"},
                                 {"C03", "952001000013  ", "9520011", "台北市政府財政局"}};

std::unique_ptr<Store> openStore(TestDir &dir)
{
    dir.makeStores();
    TestDir::insert(dir.working(), Table::R_CUST, {{"Z09", "1             ", "0091230", "已有"}}); // as keyed
    return std::move(Store::open(dir.working(), Schema::working()).store);
}

QList<QStringList> payees(TestDir &dir)
{
    return TestDir::rows(dir.working(), "R_CUST");
}

} // namespace

void TstImporter::readsEveryEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("encoding");
    QStringEncoder le(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-8") << kFile.toUtf8() << "UTF-8";
    QTest::newRow("UTF-8 with its mark") << "\xEF\xBB\xBF" + kFile.toUtf8() << "UTF-8";
    QTest::newRow("UTF-16 with its mark") << QByteArray(le(kFile)) << "UTF-16";
    QTest::newRow("Big5") << Big5::encode(kFile) << "Big5";
}

void TstImporter::readsEveryEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, encoding);
    TestDir dir;
    auto store = openStore(dir);
    QString problem;
    const auto file = readImportFile(bytes, ImportKind::Payees, std::nullopt, &problem);
    QVERIFY2(file, qPrintable(problem));
    QCOMPARE(CsvText::encodingName(file->encoding), encoding);
    QVERIFY(file->hasHeader);
    // The header's names put the columns in the table's order.
    QCOMPARE(guessMapping(ImportKind::Payees, *file), (QList<int>{1, 2, 3, 0}));
    const ImportPlan plan = planImport(*store, ImportKind::Payees, *file, guessMapping(ImportKind::Payees, *file));
    QCOMPARE(plan.errors.size(), 0);
    QVERIFY(applyImport(*store, ImportKind::Payees, plan).ok());
    QCOMPARE(payees(dir), (QList<QStringList>{{"Z09", "1             ", "0091230", "已有"}} + kStored));
}

void TstImporter::rowErrors_data()
{
    QTest::addColumn<QString>("rows"); // after a header line, in code, account, institution, name order
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("each kind of wrong row")
        << "A01,123,0091230,甲\n"
           "a01,456,0091230,乙\n"
           "Z09,789,0091230,丙\n"
           ",1,0091230,丁\n"
           "E05,1,0091230," + QString(35, QChar(0x738B)) + "\n"
           "F06,1,0091230,王\U0001F600\n"
           "G07,952001000014,9520011,戊\n"
           "H08,1,009,己\n"
           "I09,12-34,0091230,庚\n"
           "J10,1,00912A0,辛\n"
           "K11,1,0091230,\"兩\n行\"\n"
        << QStringList{"第 3 行（資料第 2 筆）收款人代碼：收款人代碼已經重複 !!",
                       "第 4 行（資料第 3 筆）收款人代碼：收款人代碼已經重複 !!",
                       "第 5 行（資料第 4 筆）收款人代碼：欄位不可為空白",
                       "第 6 行（資料第 5 筆）收款人姓名：輸入欄位超出 68Byte     ",
                       "第 7 行（資料第 6 筆）收款人姓名：收款人姓名含有無法轉成 Big5 的字元，請修改",
                       "第 8 行（資料第 7 筆）收款人帳號：Korvana 帳號檢核 收款人帳號不正確",
                       "第 9 行（資料第 8 筆）解款行代號：代碼欄位不足",
                       "第 10 行（資料第 9 筆）收款人帳號：只能是數字，實為「12-34」",
                       "第 11 行（資料第 10 筆）解款行代號：只能是數字，實為「00912A0」",
                       "第 12 行（資料第 11 筆）收款人姓名：收款人姓名含有無法轉成 Big5 的字元，請修改"};
}

void TstImporter::rowErrors()
{
    QFETCH(QString, rows);
    QFETCH(QStringList, errors);
    TestDir dir;
    auto store = openStore(dir);
    const auto before = payees(dir);
    const auto file = readImportFile(("code,account,bank,name\n" + rows).toUtf8(), ImportKind::Payees, std::nullopt, nullptr);
    QVERIFY(file);
    const ImportPlan plan = planImport(*store, ImportKind::Payees, *file, guessMapping(ImportKind::Payees, *file));
    QStringList found;
    for (const RowError &e : plan.errors)
        found << e.text();
    QCOMPARE(found, errors);
    // One bad row, and nothing is written.
    QVERIFY(!applyImport(*store, ImportKind::Payees, plan).ok());
    QCOMPARE(payees(dir), before);
}

void TstImporter::exportImportsBack()
{
    TestDir from, to;
    auto source = openStore(from);
    const auto file = readImportFile(kFile.toUtf8(), ImportKind::Payees, std::nullopt, nullptr);
    QVERIFY(applyImport(*source, ImportKind::Payees, planImport(*source, ImportKind::Payees, *file, guessMapping(ImportKind::Payees, *file))).ok());
    StoreResult read;
    const QByteArray exported = exportTable(*source, ImportKind::Payees, &read);
    QVERIFY(read.ok());
    to.makeStores();
    auto target = std::move(Store::open(to.working(), Schema::working()).store);
    const auto back = readImportFile(exported, ImportKind::Payees, std::nullopt, nullptr);
    QVERIFY(back && back->hasHeader);
    QVERIFY(applyImport(*target, ImportKind::Payees, planImport(*target, ImportKind::Payees, *back, guessMapping(ImportKind::Payees, *back))).ok());
    QCOMPARE(payees(to), payees(from));
}

QTEST_GUILESS_MAIN(TstImporter)
#include "tst_importer.moc"
