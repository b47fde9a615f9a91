#include "support/teststores.h"

#include "ui/exchange/importdialog.h"
#include "core/exchange/importer.h"
#include "ui/entry/entrywindow.h"
#include "ui/master/payeewindow.h"
#include "support/testprogram.h"
#include "core/platform/big5codec.h"
#include "core/store/schema.h"
#include "core/store/store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStringEncoder>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

// Spreadsheet files taken into payees, lines and institutions: every supported encoding
// and separator, the header told from data, each row checked as if keyed, and nothing
// written while any row is wrong.
class TstImporter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileToTable_data();
    void fileToTable();
    void exportImportsBack();
    void previewBeforeImport();
    void updateRefusedAfterAChange();
};

namespace {

const int Payees = int(ImportKind::Payees), Lines = int(ImportKind::Lines), Institutions = int(ImportKind::Institutions);

// Every kind's store: payees A01, K02 (an account with leading zeros) and K03, a line
// TMP0001 and three institutions.
void fillStores(TestDir &dir)
{
    dir.makeStores({{"0091230", "甲", "甲銀行"}, {"0091241", "乙", "乙銀行"}, {"9520011", "K", "營業部"}});
    TestDir::insert(dir.working(), Table::R_CUST, {{"A01", "123456789     ", "0091230", "王小明"},
                                                   {"K02", "0012345678    ", "0091241", "李四"},
                                                   {"K03", "987654321     ", "0091230", "陳大華"}});
    TestDir::insert(dir.working(), Table::R_DETL, {{"TMP0001", "1             ", "0091230", "舊", "5", " ", "0"}});
}

QString fileOf(ImportKind kind, const TestDir &dir)
{
    return kind == ImportKind::Institutions ? dir.reference() : dir.working();
}

QStringList tableRows(ImportKind kind, const TestDir &dir)
{
    const char *table = kind == ImportKind::Institutions ? "VXBANK" : kind == ImportKind::Lines ? "R_DETL" : "R_CUST";
    QStringList out;
    for (const QStringList &row : TestDir::rows(fileOf(kind, dir), table))
        out << row.join(QLatin1Char('|'));
    return out;
}

// What the store tool's import does with the bytes: why the file cannot be read, or the
// rows' errors, warnings and updated fields, or the summary, then the table afterwards.
QStringList outcome(TestDir &dir, ImportKind kind, const QByteArray &bytes, ImportMode mode = ImportMode::Add)
{
    auto store = std::move(Store::open(fileOf(kind, dir), kind == ImportKind::Institutions ? Schema::reference() : Schema::working()).store);
    auto reference = std::move(Store::open(dir.reference(), Schema::reference()).store);
    QString problem;
    const auto file = readImportFile(bytes, kind, std::nullopt, &problem);
    if (!file)
        return {problem};
    const ImportPlan plan = planImport(*store, kind, *file, guessMapping(kind, *file), mode, reference.get());
    QStringList out;
    for (const RowError &e : plan.errors)
        out << e.text();
    for (const RowError &w : plan.warnings)
        out << QStringLiteral("注意：") + w.text();
    for (const FieldChange &c : plan.fieldChanges())
        out << QStringLiteral("%1 %2：%3 → %4").arg(c.code, c.field, c.before, c.after);
    if (applyImport(*store, plan).ok() != plan.ok())
        out << QStringLiteral("written despite errors, or not written without any");
    if (plan.ok())
        out << plan.summary();
    return out + tableRows(kind, dir);
}

QString testData(const QString &name)
{
    QFile file(QFINDTESTDATA(QStringLiteral("data/") + name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QByteArray encoded(const QString &text, const QString &encoding)
{
    if (encoding == QLatin1String("Big5"))
        return Big5::encode(text);
    if (encoding.startsWith(QLatin1String("UTF-16")))
        return QStringEncoder(QStringConverter::Utf16LE,
                              encoding == QLatin1String("UTF-16") ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default)(text);
    return (encoding == QLatin1String("UTF-8 with its mark") ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
}

} // namespace

void TstImporter::fileToTable_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("file"); // <file>.csv here, saved in `encoding`
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("expected"); // <expected>.txt here: the outcome line by line
    const int add = int(ImportMode::Add), merge = int(ImportMode::Merge), replace = int(ImportMode::Replace),
              update = int(ImportMode::Update);
    for (const char *encoding : {"UTF-8", "UTF-8 with its mark", "UTF-16", "Big5"})
        QTest::addRow("payees, %s, named columns in another order", encoding) << Payees << "payees" << encoding << add << "payees";
    QTest::newRow("UTF-16 without its mark is named") << Payees << "payees" << "UTF-16 without its mark" << add << "utf16-without-mark";
    QTest::newRow("payees, a header with a column of its own") << Payees << "payees-header-extra" << "UTF-8" << add << "payees-header-extra";
    QTest::newRow("payees, one named 收款人姓名 first") << Payees << "payees-no-header" << "UTF-8" << add << "payees-no-header";
    QTest::newRow("payees, a name among no numbers") << Payees << "payees-two-columns" << "UTF-8" << add << "payees-two-columns";
    QTest::newRow("payees, each kind of wrong row") << Payees << "payees-errors" << "UTF-8" << add << "payees-errors";
    QTest::newRow("payees updated: only the listed ones, codes as stored; leading zeros lost")
        << Payees << "payees-update" << "UTF-8" << update << "payees-update";
    QTest::newRow("payees updated, rows wrong: nothing written") << Payees << "payees-update-errors" << "UTF-8" << update
                                                                 << "payees-update-errors";
    QTest::newRow("lines, registered payees and temporary codes") << Lines << "lines" << "UTF-8" << add << "lines";
    QTest::newRow("lines, a remark 備註 first") << Lines << "lines-no-header" << "UTF-8" << add << "lines-no-header";
    QTest::newRow("lines, each kind of wrong line") << Lines << "lines-errors" << "UTF-8" << add << "lines-errors";
    QTest::newRow("lines, more than a batch holds") << Lines << "lines-too-many" << "UTF-8" << add << "lines-too-many";
    QTest::newRow("institutions merged") << Institutions << "institutions" << "UTF-8" << merge << "institutions-merged";
    QTest::newRow("institutions replaced") << Institutions << "institutions" << "UTF-8" << replace << "institutions-replaced";
    QTest::newRow("institutions, names like the columns' first") << Institutions << "institutions-no-header" << "UTF-8" << merge
                                                                 << "institutions-no-header";
    QTest::newRow("institutions, each kind of wrong row") << Institutions << "institutions-errors" << "UTF-8" << merge
                                                          << "institutions-errors";
    QTest::newRow("institutions, a header alone replaces nothing") << Institutions << "institutions-header-only" << "UTF-8" << replace
                                                                   << "institutions-header-only";
}

void TstImporter::fileToTable()
{
    QFETCH(int, kind);
    QFETCH(QString, file);
    QFETCH(QString, encoding);
    QFETCH(int, mode);
    QFETCH(QString, expected);
    TestDir dir;
    fillStores(dir);
    const QByteArray bytes = encoded(testData(file + ".csv"), encoding);
    QCOMPARE(outcome(dir, ImportKind(kind), bytes, ImportMode(mode)).join('\n') + '\n', testData(expected + ".txt").remove(QLatin1Char('\r')));
}

void TstImporter::exportImportsBack()
{
    TestDir from, to;
    fillStores(from);
    to.makeStores();
    auto source = std::move(Store::open(from.working(), Schema::working()).store);
    StoreResult read;
    const QByteArray exported = exportTable(*source, ImportKind::Lines, &read);
    QVERIFY(read.ok());
    QCOMPARE(outcome(to, ImportKind::Lines, exported), QStringList{"新增 1 筆"} + tableRows(ImportKind::Lines, from));
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
    // A payee named like a column does not make a header; the user may still say it is one.
    const QByteArray bytes = QString("P01\t123456789\t0091230\t收款人姓名\nP02\t98x\t0091230\t陳大華\n").toUtf8();
    {
        ImportDialog d(p.context, ImportKind::Payees, *p.context.working(), bytes, "/tmp/p.txt");
        QVERIFY(!d.headerBox()->isChecked());
        QCOMPARE(d.fieldBox(1)->currentText(), QStringLiteral("第 2 欄：123456789"));
        QCOMPARE(d.preview()->rowCount(), 2);
        QCOMPARE(errors(d), QStringList{"第 2 行（資料第 2 筆）收款人帳號：只能是數字，實為「98x」"});
        QCOMPARE(d.countLabel()->text(), QStringLiteral("共 2 筆，有 1 項錯誤：修正後才能匯入"));
        QVERIFY(!d.importButton()->isEnabled());
        d.headerBox()->setChecked(true);
        QCOMPARE(d.preview()->rowCount(), 1);
        QCOMPARE(d.fieldBox(0)->currentText(), QStringLiteral("（不匯入）"));
        QCOMPARE(d.fieldBox(3)->currentText(), QStringLiteral("第 4 欄：收款人姓名"));
        d.headerBox()->setChecked(false);
        QCOMPARE(d.preview()->rowCount(), 2);
        // Read as Big5, the Chinese is not Big5 text; the user's header choice stays.
        d.encodingBox()->setCurrentIndex(3);
        QCOMPARE(errors(d), QStringList{"檔案第 23 位元組起不是有效的 Big5 文字"});
        d.encodingBox()->setCurrentIndex(0);
        QVERIFY(!d.headerBox()->isChecked());
        d.fieldBox(2)->setCurrentIndex(2);
        QCOMPARE(errors(d), QStringList{"「收款人帳號」與「解款行代號」對應到同一欄"});
        d.fieldBox(2)->setCurrentIndex(3);
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
    // Updating: each changed field shown, a lost zero pointed out without stopping the import,
    // and every value shown whole.
    TestDir::insert(p.dir.reference(), Table::VXBANK, {{"0091230", "甲", "甲銀行"}});
    const QByteArray update = QString("收款人代碼,收款人帳號,解款行代號,收款人姓名\np01,98487833771234,0091230,王小明\n"
                                      "P09,1,091230,臺北市信義區松仁路某某某某股份有限公司附設員工消費合作社\n").toUtf8();
    {
        ImportDialog d(p.context, ImportKind::Payees, *p.context.working(), update, "/tmp/u.csv");
        const QString warned = "；1 項注意，請看下方";
        QCOMPARE(d.countLabel()->text(), "共 2 筆，有 1 項錯誤：修正後才能匯入" + warned);
        QVERIFY(d.changeView()->isHidden());
        d.updateOption()->setChecked(true);
        QCOMPARE(d.countLabel()->text(), "共 2 筆，將新增 1 筆，更新 1 筆，不變 0 筆" + warned);
        QCOMPARE(errors(d), QStringList());
        QCOMPARE(d.warningList()->item(0)->text(), "第 3 行（資料第 2 筆）解款行代號：可能少了開頭的 0：檔案為「091230」，金融機構代碼檔有「0091230」（甲銀行）");
        QStringList shown;
        for (QTableView *view : {static_cast<QTableView *>(d.preview()), d.changeView()}) {
            const QAbstractItemModel *m = view->model();
            for (int c = 0; c < m->columnCount(); ++c) {
                for (int r = -1; r < m->rowCount(); ++r) {
                    const QString text = r < 0 ? m->headerData(c, Qt::Horizontal).toString() : m->index(r, c).data().toString();
                    const QFont font = r < 0 ? view->horizontalHeader()->font() : view->font();
                    QVERIFY2(view->columnWidth(c) > QFontMetrics(font).horizontalAdvance(text), qPrintable(text));
                    if (view == d.changeView())
                        shown << text;
                }
            }
        }
        QCOMPARE(shown, (QStringList{"收款人代碼", "P01", "欄位", "收款人帳號", "舊值", "123456789", "新值", "98487833771234"}));
        p.dialogs.expectMessage({"已匯入：新增 1 筆，更新 1 筆，不變 0 筆", "Talvek"});
        d.importButton()->click();
    }
    QCOMPARE(TestDir::rows(p.dir.working(), "R_CUST"), (QList<QStringList>{{"P01", "98487833771234", "0091230", "王小明"},
                                                                          {"P02", "987654321     ", "0091230", "陳大華"},
                                                                          {"P09", "1             ", "091230", "臺北市信義區松仁路某某某某股份有限公司附設員工消費合作社"}}));
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

// A payee changed between the preview and the import stops the whole import: nothing is
// updated and nothing added.
void TstImporter::updateRefusedAfterAChange()
{
    TestDir dir;
    fillStores(dir);
    auto store = std::move(Store::open(dir.working(), Schema::working()).store);
    const auto file = readImportFile(testData("payees-update.csv").toUtf8(), ImportKind::Payees, std::nullopt, nullptr);
    const ImportPlan plan = planImport(*store, ImportKind::Payees, *file, guessMapping(ImportKind::Payees, *file), ImportMode::Update);
    QCOMPARE(plan.changes.size(), 1);
    TestDir::exec(dir.working(), "UPDATE R_CUST SET R_NAME = '王中明' WHERE R_ID = 'A01'");
    const QStringList before = tableRows(ImportKind::Payees, dir);
    QCOMPARE(applyImport(*store, plan).detail, QStringLiteral("收款人 A01 的資料在預覽之後已經變更，未匯入任何資料"));
    QCOMPARE(tableRows(ImportKind::Payees, dir), before);
}

QTEST_MAIN(TstImporter)
#include "tst_importer.moc"
