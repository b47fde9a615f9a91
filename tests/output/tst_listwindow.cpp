#include "support/testprogram.h"

#include "output/listwindow.h"
#include "store/schema.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using Message = ScriptedDialogs::Message;

const Message kStart{"按下確定開始列印...", "Talvek"};
const Message kDone{"列印完畢", "Talvek"};

struct Fixture : TestProgram {
    std::unique_ptr<ListWindow> window;
    // count lines, stored in falling payee-code order, the account numbered like the code;
    // the second is the marker line "!000".
    explicit Fixture(int count = 3, int listOrder = 0)
    {
        dir.makeStores({{"9520011", "Korvana", "Korvana銀行營業部"}});
        TestDir::insert(dir.working(), Table::R_BASE, {{"001", "範例公司", "10", "主管", "製表", "連絡人"}});
        TestDir::insert(dir.working(), Table::R_DAY, {{"151207", "1512071201", "貨款"}});
        QList<QStringList> lines;
        for (int i = count; i >= 1; --i)
            lines << QStringList{QString("P%1").arg(i, 3, 10, QChar('0')), i == count - 1 ? "!000" : QString::number(i), "0091230",
                                 "王", "100", "", "0"};
        TestDir::insert(dir.working(), Table::R_DETL, lines);
        openWorkingStore();
        context.values().ListOrder = listOrder;
        window = std::make_unique<ListWindow>(context);
        showActive(window.get());
    }
    ListWindow &w() { return *window; }
    // The list of the stored lines of these payee codes, in this order, as read behind the
    // window's back: every column of the store in its place.
    ListResult listOf(const QStringList &codes) const
    {
        ListInput in{true, "範例公司", "主管", "製表", "連絡人", {}, "151207", "1512071201", "貨款", "9520011",
                     " [Korvana銀行營業部]", "15/12/6"};
        const QList<QStringList> rows = TestDir::rows(dir.working(), Table::R_DETL);
        for (const QString &code : codes)
            for (const QStringList &r : rows)
                if (r[0] == code)
                    in.lines << ListLineRow{r[0], r[1], r[2], r[3], r[4], r[5], r[6]};
        return BuildList(in);
    }
};

QStringList texts(const QList<PrintLine> &sheet)
{
    QStringList out;
    for (const PrintLine &l : sheet)
        out << l.text;
    return out;
}

} // namespace

class TstListWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void orderIsSharedAndHonoured();
    void printsSheetsSizesAndCopies();
    void refusalsBeforePrinting_data();
    void refusalsBeforePrinting();
    void pdfTextAndPageFollowTheList_data();
    void pdfTextAndPageFollowTheList();
    void fontAndSetupKeptOrLeft();
    void eachOptionIsATabStop();
};

void TstListWindow::orderIsSharedAndHonoured()
{
    // Written in input order last time: the second option, and all three lines. A line
    // written by other means without amount, remark or fee gets "0", a blank and "0".
    Fixture f(3, 2);
    TestDir::exec(f.dir.working(), "UPDATE R_DETL SET AMT = NULL, MARK = NULL, AMT2 = NULL WHERE R_ID = 'P001'");
    f.window = std::make_unique<ListWindow>(f.context);
    showActive(f.window.get());
    QCOMPARE(TestDir::rows(f.dir.working(), Table::R_DETL).last().mid(4), (QStringList{"0", " ", "0"}));
    QVERIFY(f.w().option(1)->isChecked());
    const QStringList inputOrder = f.listOf({"P003", "P002", "P001"}).lines;
    QCOMPARE(f.w().ListLines(), inputOrder);
    // By payee code: the marker line is left out, the preview shows the new list and the
    // choice is kept for the program.
    f.w().option(0)->click();
    QCOMPARE(f.context.values().ListOrder, 1);
    const ListResult byPayee = f.listOf({"P001", "P003"});
    QCOMPARE(f.w().ListLines(), byPayee.lines);
    QCOMPARE(f.w().previewBox()->toPlainText(), QString(byPayee.preview).replace("\r\n", "\n")); // the box keeps LF only
    // The menu entry says what it does, changes the order value and rebuilds, leaving the
    // options as they are.
    QCOMPARE(f.w().menuOrder(0)->text(), "依收款人代碼（由小－＞大）");
    f.w().option(1)->click();
    f.w().menuOrder(0)->trigger();
    QCOMPARE(f.context.values().ListOrder, 1);
    QVERIFY(f.w().option(1)->isChecked());
    QCOMPARE(f.w().ListLines(), inputOrder);
    VERIFY_DIALOGS(f.dialogs);
}

void TstListWindow::printsSheetsSizesAndCopies()
{
    Fixture f(31, 2);
    // Enter in the preview prints nothing and closes nothing: only the buttons do.
    f.w().previewBox()->setFocus();
    QTest::keyClick(f.w().previewBox(), Qt::Key_Return);
    QVERIFY(f.printer.jobs.isEmpty() && f.w().isVisible());
    f.w().PrintCopies = 2;
    f.dialogs.expectMessage(kStart);
    f.dialogs.expectMessage(kDone);
    f.w().printButton()->click();
    QCOMPARE(f.printer.jobs.size(), 1);
    const PrintJob &job = f.printer.jobs[0];
    QVERIFY(job.landscape);
    QCOMPARE(job.fontFamily, f.w().ListFontName);
    // Every line of the list, the second sheet from the page break on; every copy starts
    // on a sheet of its own.
    QCOMPARE(job.sheets.size(), 4);
    QCOMPARE(texts(job.sheets[0]) + texts(job.sheets[1]), f.w().ListLines().join("\r\n").split("\r\n"));
    QCOMPARE(texts(job.sheets[0]).last(), "     資料未完；接下頁");
    QCOMPARE(texts(job.sheets[2]), texts(job.sheets[0]));
    QCOMPARE(texts(job.sheets[3]), texts(job.sheets[1]));
    // The title (with its two empty lines before it) at 12 points, everything else at 11.
    QStringList sizes;
    for (const PrintLine &l : job.sheets[1].mid(0, 4))
        sizes << QString::number(l.pointSize);
    QCOMPARE(sizes, (QStringList{"12", "12", "12", "11"}));
    VERIFY_DIALOGS(f.dialogs);
}

void TstListWindow::refusalsBeforePrinting_data()
{
    QTest::addColumn<QString>("spoil");
    QTest::addColumn<QList<Message>>("messages");
    QTest::addColumn<bool>("open");
    QTest::newRow("printer fails: told, window closed")
        << "printer" << QList<Message>{kStart, {"列印失敗\n紙張用完", "Talvek"}} << false;
    QTest::newRow("a fee that is no number: asked, No prints nothing")
        << "fee" << QList<Message>{{"下列收款人代碼的金額或手續費不是整數或超過欄位，以 * 標示，未計入合計：\nP002\n\n仍要繼續嗎？", "",
                                    MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No}} << true;
    QTest::newRow("no remitter") << "remitter"
                                 << QList<Message>{{"無匯款人資料，無法產生匯款資料清單，請先建檔。", "", MsgIcon::Critical}} << true;
}

void TstListWindow::refusalsBeforePrinting()
{
    QFETCH(QString, spoil);
    QFETCH(QList<Message>, messages);
    QFETCH(bool, open);
    Fixture f(3, 2);
    if (spoil == "printer")
        f.printer.failure = "紙張用完";
    if (spoil == "fee")
        TestDir::exec(f.dir.working(), "UPDATE R_DETL SET AMT2 = '1.5' WHERE R_ID = 'P002'");
    if (spoil == "remitter")
        TestDir::exec(f.dir.working(), "DELETE FROM R_BASE");
    f.w().BuildList();
    for (const Message &m : messages)
        f.dialogs.expectMessage(m, m.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok);
    f.w().printButton()->click();
    QVERIFY(f.printer.jobs.isEmpty());
    QCOMPARE(f.w().isVisible(), open);
    VERIFY_DIALOGS(f.dialogs);
}

void TstListWindow::pdfTextAndPageFollowTheList_data()
{
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<QString>("pageSize");
    QTest::newRow("landscape, as the list is laid out") << false << "842 x 595";
    QTest::newRow("portrait chosen in the setup") << true << "595 x 842";
}

void TstListWindow::pdfTextAndPageFollowTheList()
{
    QFETCH(bool, portrait);
    QFETCH(QString, pageSize);
    // 31 lines: two sheets. The CJK font draws these characters with the glyphs of radicals,
    // of an em space or of other look-alikes, which Qt names the glyphs by.
    Fixture f(31, 2);
    TestDir::exec(f.dir.working(), "UPDATE R_DETL SET R_NAME = '人日行用十二月大文白力金手民長', MARK = '巳尢‧／～'");
    f.w().BuildList();
    if (portrait) {
        f.dialogs.expectPrintSetup(PrintSetup{false, 2, {}});
        f.w().printSetup();
    }
    const QString path = QDir(f.dir.path()).filePath("list.pdf");
    f.dialogs.expectSaveFile("匯出 PDF", "PDF 檔 (*.pdf)", path);
    f.dialogs.expectMessage({"PDF 檔已存至\n" + QDir::toNativeSeparators(path), "Talvek"});
    f.w().exportPdf();
    QCOMPARE(f.printer.pdfPaths, QStringList{path});
    QString error;
    QVERIFY2(QtPrinter().exportPdf(f.printer.jobs[0], path, &error), qPrintable(error));
    auto run = [](const QStringList &args) {
        QProcess p;
        p.start(args[0], args.mid(1));
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    QVERIFY(run({"pdfinfo", path}).contains(QRegularExpression("Pages:\\s+2\\n(.|\\n)*Page size:\\s+" + pageSize + " pts")));
    // One copy, every line of the list in its order and every character as it is; the
    // reader lays the blanks out anew.
    QStringList words, read;
    for (const QString &line : f.w().ListLines().join("\r\n").split("\r\n"))
        words << line.simplified();
    for (const QString &line : run({"pdftotext", "-layout", path, "-"}).split('\n'))
        read << line.simplified();
    QCOMPARE(read.filter(QRegularExpression(".")), words.filter(QRegularExpression(".")));
    VERIFY_DIALOGS(f.dialogs);
}

void TstListWindow::fontAndSetupKeptOrLeft()
{
    Fixture f;
    QFont chosen("Noto Sans Mono CJK TC");
    chosen.setPointSizeF(13.6);
    f.dialogs.expectFont(chosen);
    f.w().chooseFont();
    f.dialogs.expectPrintSetup(PrintSetup{false, 3, {}});
    f.w().printSetup();
    // Cancelled, neither dialog changes anything; the setup opens on landscape all the same.
    f.dialogs.expectFont(std::nullopt);
    f.w().chooseFont();
    f.dialogs.expectPrintSetup(std::nullopt);
    f.w().printSetup();
    QVERIFY(f.dialogs.printSetupShown.landscape);
    QCOMPARE(f.w().ListFontName + QString(" %1 %2 %3").arg(f.w().ListFontSize).arg(f.w().PrintOrientation).arg(f.w().PrintCopies),
             "Noto Sans Mono CJK TC 14 1 3");
    QCOMPARE(f.w().previewBox()->font().family(), "Noto Sans Mono CJK TC");
    VERIFY_DIALOGS(f.dialogs);
}

void TstListWindow::eachOptionIsATabStop()
{
    Fixture f;
    QWidget *const order[] = {f.w().cancelButton(), f.w().previewBox(), f.w().printButton(), f.w().option(1), f.w().option(0)};
    for (int i = 0; i < 5; ++i) {
        QWidget *next = order[(i + 1) % 5];
        order[i]->setFocus();
        QTest::keyClick(order[i], Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
        QTest::keyClick(next, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    // The arrow keys still choose between the options.
    QTest::keyClick(f.w().option(0), Qt::Key_Down);
    QVERIFY(f.w().option(1)->isChecked() && f.w().option(1)->hasFocus());
    QCOMPARE(f.context.values().ListOrder, 2);
}

QTEST_MAIN(TstListWindow)
#include "tst_listwindow.moc"
