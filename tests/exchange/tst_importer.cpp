#include "support/teststores.h"

#include "exchange/importdialog.h"
#include "exchange/importer.h"
#include "entry/entrywindow.h"
#include "master/payeewindow.h"
#include "support/testprogram.h"
#include "platform/big5codec.h"
#include "store/schema.h"
#include "store/store.h"

#include <QStringEncoder>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
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
    void linesTakeRegisteredPayeesAndTemporaryCodes();
    void lineErrors_data();
    void lineErrors();
    void institutionsMergeOrReplace_data();
    void institutionsMergeOrReplace();
    void previewBeforeImport();
};

namespace {

const QString kFile = QStringLiteral("收款人姓名;收款人代碼;帳號;解款行代號\r\n"
                                     "王小明;A01;123456789;0091230\r\n"
                                     ";;;\r\n" // cells a spreadsheet cleared
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
    QVERIFY(applyImport(*store, plan).ok());
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
    QVERIFY(!applyImport(*store, plan).ok());
    QCOMPARE(payees(dir), before);
}

void TstImporter::exportImportsBack()
{
    TestDir from, to;
    auto source = openStore(from);
    const auto file = readImportFile(kFile.toUtf8(), ImportKind::Payees, std::nullopt, nullptr);
    QVERIFY(applyImport(*source, planImport(*source, ImportKind::Payees, *file, guessMapping(ImportKind::Payees, *file))).ok());
    StoreResult read;
    const QByteArray exported = exportTable(*source, ImportKind::Payees, &read);
    QVERIFY(read.ok());
    to.makeStores();
    auto target = std::move(Store::open(to.working(), Schema::working()).store);
    const auto back = readImportFile(exported, ImportKind::Payees, std::nullopt, nullptr);
    QVERIFY(back && back->hasHeader);
    QVERIFY(applyImport(*target, planImport(*target, ImportKind::Payees, *back, guessMapping(ImportKind::Payees, *back))).ok());
    QCOMPARE(payees(to), payees(from));
}

namespace {

// A payee A01 and a stored line that holds TMP0001.
std::unique_ptr<Store> linesStore(TestDir &dir)
{
    dir.makeStores({{"0091230", "範例", "範例銀行"}});
    TestDir::insert(dir.working(), Table::R_CUST, {{"A01", "123456789     ", "0091230", "王小明"}});
    TestDir::insert(dir.working(), Table::R_DETL, {{"TMP0001", "1             ", "0091230", "舊", "5", " ", "0"}});
    return std::move(Store::open(dir.working(), Schema::working()).store);
}

ImportPlan plan(Store &store, ImportKind kind, const QString &text, ImportMode mode = ImportMode::Add)
{
    const auto file = readImportFile(text.toUtf8(), kind, std::nullopt, nullptr);
    if (!file)
        qFatal("the test file does not read");
    return planImport(store, kind, *file, guessMapping(kind, *file), mode);
}

QStringList errorTexts(const ImportPlan &p)
{
    QStringList out;
    for (const RowError &e : p.errors)
        out << e.text();
    return out;
}

} // namespace

void TstImporter::linesTakeRegisteredPayeesAndTemporaryCodes()
{
    TestDir dir;
    auto store = linesStore(dir);
    const ImportPlan p = plan(*store, ImportKind::Lines,
                              "代碼,帳號,解款行,姓名,金額,手續費,備註\n"
                              "a01,,,,1500,,貨款\n"
                              ",987654321,0091230,陳大華,2500,15,\n"
                              "A01, 123456789 ,0091230,王小明,7,0,\n"
                              ",555,0091230,林,30,0,運費\n"
                              "TMP0002,5,0091230,子,9,0,\n"); // exported lines carry their codes
    QCOMPARE(errorTexts(p), QStringList());
    QVERIFY(applyImport(*store, p).ok());
    QCOMPARE(TestDir::rows(dir.working(), "R_DETL"),
             (QList<QStringList>{{"TMP0001", "1             ", "0091230", "舊", "5", " ", "0"},
                                 {"a01", "123456789     ", "0091230", "王小明", "1500", "貨款", "0"},
                                 {"TMP0003", "987654321     ", "0091230", "陳大華", "2500", "", "15"},
                                 {"A01", "123456789     ", "0091230", "王小明", "7", "", "0"},
                                 {"TMP0004", "555           ", "0091230", "林", "30", "運費", "0"},
                                 {"TMP0002", "5             ", "0091230", "子", "9", "", "0"}}));
}

void TstImporter::lineErrors_data()
{
    QTest::addColumn<int>("storedLines");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("each kind of wrong line")
        << 0
        << "A01,999,0091230,王小明,10,0,\n"
           "B02,1,0091230,乙,1.5,0,\n"
           "B03,1,0091230,丙,10,1.5,\n"
           "B04,1,0091230,丁,,0,\n"
           "B05,1,0091230,戊,10,0," + QString(26, QChar(0x738B)) + "\n"
           "B06,1,0091230,己,10,12345678901,\n"
        << QStringList{"第 2 行（資料第 1 筆）收款人帳號：與收款人資料的「123456789」不同",
                       "第 3 行（資料第 2 筆）匯款金額：只能是數字，實為「1.5」",
                       "第 4 行（資料第 3 筆）代扣手續費：代扣手續費只能輸入整數（不輸入時為 0）",
                       "第 5 行（資料第 4 筆）匯款金額：欄位不可為空白",
                       "第 6 行（資料第 5 筆）備註：輸入欄位超出 50Byte     ",
                       "第 7 行（資料第 6 筆）代扣手續費：輸入欄位超出 10Byte     "};
    QTest::newRow("more than a batch holds")
        << 989 << QString("B01,1,0091230,乙,10,0,\n").repeated(9)
        << QStringList{"檔案 9 筆加上已輸入的 990 筆共 999 筆，超過一批可容納的 998 筆"};
}

void TstImporter::lineErrors()
{
    QFETCH(int, storedLines);
    QFETCH(QString, rows);
    QFETCH(QStringList, errors);
    TestDir dir;
    auto store = linesStore(dir);
    if (storedLines > 0)
        TestDir::exec(dir.working(), QStringLiteral("INSERT INTO R_DETL WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
                                                    "FROM n WHERE x < %1) SELECT 'C01', '1', '0091230', 'n', '1', '', '0' FROM n").arg(storedLines));
    const auto before = TestDir::rows(dir.working(), "R_DETL");
    const ImportPlan p = plan(*store, ImportKind::Lines, "code,account,bank,name,amount,fee,remark\n" + rows);
    QCOMPARE(errorTexts(p), errors);
    QVERIFY(!applyImport(*store, p).ok());
    QCOMPARE(TestDir::rows(dir.working(), "R_DETL"), before);
}

void TstImporter::institutionsMergeOrReplace_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::newRow("merge") << int(ImportMode::Merge) << "新增 1 筆，修改 1 筆，未變 1 筆"
                           << QList<QStringList>{{"0091230", "甲", "甲銀行"}, {"0091241", "乙新", "乙新銀行"},
                                                 {"9520011", "K", "營業部"}, {"0091250", "丙", "丙銀行"}};
    QTest::newRow("replace") << int(ImportMode::Replace) << "新增 1 筆，修改 1 筆，未變 1 筆，刪除 1 筆"
                             << QList<QStringList>{{"0091230", "甲", "甲銀行"}, {"0091241", "乙新", "乙新銀行"},
                                                   {"0091250", "丙", "丙銀行"}};
}

void TstImporter::institutionsMergeOrReplace()
{
    QFETCH(int, mode);
    QFETCH(QString, summary);
    QFETCH(QList<QStringList>, rows);
    TestDir dir;
    dir.makeStores({{"0091230", "甲", "甲銀行"}, {"0091241", "乙", "乙銀行"}, {"9520011", "K", "營業部"}});
    auto store = std::move(Store::open(dir.reference(), Schema::reference()).store);
    const ImportPlan p = plan(*store, ImportKind::Institutions,
                              "金融機構代碼\t簡稱\t全名\n0091230\t甲\t甲銀行\n0091241\t乙新\t乙新銀行\n0091250\t丙\t丙銀行\n",
                              ImportMode(mode));
    QCOMPARE(errorTexts(p), QStringList());
    QCOMPARE(p.summary(), summary);
    QVERIFY(applyImport(*store, p).ok());
    QCOMPARE(TestDir::rows(dir.reference(), "VXBANK"), rows);
    // A wrong row leaves the list as it is.
    const ImportPlan bad = plan(*store, ImportKind::Institutions, "代碼,簡稱,全名\n009,短,短碼\n00912A1,字,字母\n0091230,重,重複\n0091230,重,重複\n");
    QCOMPARE(errorTexts(bad), (QStringList{"第 2 行（資料第 1 筆）金融機構代碼：代碼欄位不足",
                                           "第 3 行（資料第 2 筆）金融機構代碼：只能是數字，實為「00912A1」",
                                           "第 5 行（資料第 4 筆）金融機構代碼：代碼在檔案中重複"}));
    QVERIFY(!applyImport(*store, bad).ok());
    QCOMPARE(TestDir::rows(dir.reference(), "VXBANK"), rows);
    // A file of a header alone replaces the list by nothing: refused.
    const ImportPlan empty = plan(*store, ImportKind::Institutions, "代碼,簡稱,全名\n", ImportMode::Replace);
    QCOMPARE(errorTexts(empty), QStringList{"檔案沒有資料列"});
    QVERIFY(!applyImport(*store, empty).ok());
    QCOMPARE(TestDir::rows(dir.reference(), "VXBANK"), rows);
}

void TstImporter::previewBeforeImport()
{
    TestProgram p;
    p.dir.makeStores();
    QVERIFY(p.openWorkingStore());
    const auto errors = [](ImportDialog &d) {
        QStringList out;
        for (int i = 0; i < d.errorList()->count(); ++i)
            out << d.errorList()->item(i)->text();
        return out;
    };
    // UTF-16 without its mark is told as such, not taken for another encoding.
    QString problem;
    QStringEncoder noMark(QStringConverter::Utf16LE);
    QVERIFY(!readImportFile(noMark(QStringLiteral("A01,123,0091230,n\n")), ImportKind::Payees, std::nullopt, &problem));
    QCOMPARE(problem, QStringLiteral("檔案似乎是沒有位元組順序記號 (BOM) 的 UTF-16 文字，請在試算表另存為「UTF-8」或「Unicode 文字」"));
    // A file without a header: columns in the table's order; one bad row blocks the rest.
    const QByteArray bytes = QString("P01\t123456789\t0091230\t王小明\nP02\t98x\t0091230\t陳大華\n").toUtf8();
    {
        ImportDialog d(p.context, ImportKind::Payees, *p.context.working(), bytes, "/tmp/p.txt");
        QVERIFY(!d.headerBox()->isChecked());
        QCOMPARE(d.fieldBox(1)->currentText(), QStringLiteral("第 2 欄：123456789"));
        QCOMPARE(d.preview()->rowCount(), 2);
        QCOMPARE(errors(d), QStringList{"第 2 行（資料第 2 筆）收款人帳號：只能是數字，實為「98x」"});
        QCOMPARE(d.countLabel()->text(), QStringLiteral("共 2 筆，有 1 項錯誤：修正後才能匯入"));
        QVERIFY(!d.importButton()->isEnabled());
        // Read as Big5, the Chinese is not Big5 text.
        d.encodingBox()->setCurrentIndex(3);
        QCOMPARE(errors(d), QStringList{"檔案第 23 位元組起不是有效的 Big5 文字"});
        d.encodingBox()->setCurrentIndex(0);
        // Two fields from one column is a mistake of the mapping.
        d.fieldBox(2)->setCurrentIndex(2);
        QCOMPARE(errors(d), QStringList{"「收款人帳號」與「解款行代號」對應到同一欄"});
        d.fieldBox(2)->setCurrentIndex(3);
        // With the account's column left out, every row lacks it.
        d.fieldBox(1)->setCurrentIndex(0);
        QCOMPARE(errors(d), (QStringList{"第 1 行（資料第 1 筆）收款人帳號：欄位不可為空白", "第 2 行（資料第 2 筆）收款人帳號：欄位不可為空白"}));
    }
    QVERIFY(TestDir::rows(p.dir.working(), "R_CUST").isEmpty());
    // Columns in another order, mapped by hand; the mapping is kept for the next file.
    const QByteArray swapped = QString("王小明,P01,0091230,123456789\n陳大華,P02,0091230,987654321\n").toUtf8();
    {
        ImportDialog d(p.context, ImportKind::Payees, *p.context.working(), swapped, "/tmp/p.csv");
        for (const auto &[field, column] : {std::pair{0, 2}, std::pair{1, 4}, std::pair{2, 3}, std::pair{3, 1}})
            d.fieldBox(field)->setCurrentIndex(column);
        QCOMPARE(d.countLabel()->text(), QStringLiteral("共 2 筆，將新增 2 筆"));
        p.dialogs.expectMessage({"已匯入：新增 2 筆", "Talvek"});
        d.importButton()->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }
    QCOMPARE(TestDir::rows(p.dir.working(), "R_CUST"),
             (QList<QStringList>{{"P01", "123456789     ", "0091230", "王小明"}, {"P02", "987654321     ", "0091230", "陳大華"}}));
    ImportDialog again(p.context, ImportKind::Payees, *p.context.working(), QString("林,P03,0091230,5\n").toUtf8(), "/tmp/q.csv");
    QCOMPARE(again.countLabel()->text(), QStringLiteral("共 1 筆，將新增 1 筆"));
    // The entry window keeps its buttons on a tab page: the commands join them there.
    EntryWindow entry(p.context);
    addExchangeCommands(&entry, p.context, ImportKind::Lines);
    QVERIFY(showActive(&entry));
    for (const char *name : {"cmdImport", "cmdExport"})
        QCOMPARE(entry.findChild<QPushButton *>(name)->geometry().top(), entry.actionButton(5)->geometry().top());
    entry.close();
    // The payee window offers the commands while idle only.
    PayeeWindow w(p.context);
    addExchangeCommands(&w, p.context, ImportKind::Payees);
    auto *import = w.findChild<QPushButton *>("cmdImport");
    QVERIFY(import && import->isEnabled());
    w.act(EditingWindow::Add);
    QVERIFY(!import->isEnabled());
    w.cancel();
    QVERIFY(import->isEnabled());
    VERIFY_DIALOGS(p.dialogs);
}

QTEST_MAIN(TstImporter)
#include "tst_importer.moc"
