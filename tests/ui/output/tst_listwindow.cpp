#include "support/testprogram.h"

#include "ui/output/listwindow.h"
#include "core/store/schema.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using Message = ScriptedDialogs::Message;

const Message kStart{"按下確定開始列印...", "Talvek"};
const Message kDone{"列印完畢", "Talvek"};

QString reference(const QString &name) { return QString::fromUtf8(REFERENCE_BYTES(name)); }

struct Fixture : TestProgram {
    std::unique_ptr<ListWindow> window;
    // count lines, stored in falling payee-code order, the account numbered like the code;
    // the second is the marker line "!000". Names and remarks hold characters that the CJK
    // font draws with the glyph of a radical, or of another look-alike.
    explicit Fixture(int count = 3, int listOrder = 0)
    {
        dir.makeStores({{"9520011", "Korvana", "Korvana銀行營業部"}});
        TestDir::insert(dir.working(), Table::R_BASE, {{"001", "範例公司", "10", "主管", "製表", "連絡人"}});
        TestDir::insert(dir.working(), Table::R_DAY, {{"151207", "1512071201", "貨款"}});
        QList<QStringList> lines;
        for (int i = count; i >= 1; --i)
            lines << QStringList{QString("P%1").arg(i, 3, 10, QChar('0')), i == count - 1 ? "!000" : QString::number(i), "0091230",
                                 "人日行用十二月大文白力金手民長", "100", "巳尢‧／～", "0"};
        TestDir::insert(dir.working(), Table::R_DETL, lines);
        openWorkingStore();
        context.values().ListOrder = listOrder;
        window = std::make_unique<ListWindow>(context);
        showActive(window.get());
    }
    ListWindow &w() { return *window; }
    QString printed() const { return QString(window->ListLines().join("\n") + "\n").replace("\r\n", "\n"); }
};

// The sheets of a print job: each line with its size, each sheet ended by a form feed.
QString printout(const PrintJob &job)
{
    QString out;
    for (const QList<PrintLine> &sheet : job.sheets) {
        for (const PrintLine &l : sheet)
            out += QString::number(l.pointSize) + ' ' + l.text + '\n';
        out += "\f\n";
    }
    return out;
}

// What a command prints, a line each with its blanks run together, empty lines left out.
QString run(const QStringList &args)
{
    QProcess p;
    p.start(args[0], args.mid(1));
    p.waitForFinished(30000);
    QString out;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
        out += line.simplified().isEmpty() ? QString() : line.simplified() + '\n';
    return out;
}

} // namespace

class TstListWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void orderIsSharedAndHonoured();
    void print_data();
    void print();
    void pdfTextAndPageFollowTheList_data();
    void pdfTextAndPageFollowTheList();
    void fontKeptOrLeft();
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
    QCOMPARE(f.printed(), reference("list-window-input.txt"));
    // By payee code, chosen with an arrow key: the marker line is left out, the preview
    // shows the new list and the choice is kept for the program.
    f.w().option(1)->setFocus();
    QTest::keyClick(f.w().option(1), Qt::Key_Up);
    QCOMPARE(f.context.values().ListOrder, 1);
    QCOMPARE(f.printed(), reference("list-window-bypayee.txt"));
    QCOMPARE(f.w().previewBox()->toPlainText(), reference("list-window-preview.txt"));
    // The menu entry says what it does, changes the order value and rebuilds, leaving the
    // options as they are.
    QCOMPARE(f.w().menuOrder(0)->text(), "依收款人代碼（由小－＞大）");
    f.w().option(1)->click();
    f.w().menuOrder(0)->trigger();
    QCOMPARE(f.context.values().ListOrder, 1);
    QVERIFY(f.w().option(1)->isChecked());
    QCOMPARE(f.printed(), reference("list-window-input.txt"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstListWindow::print_data()
{
    QTest::addColumn<QString>("spoil");
    QTest::addColumn<QList<Message>>("messages");
    QTest::addColumn<QString>("sheets"); // the reference printout; none: nothing printed
    // Every copy starts on a sheet of its own, the second sheet from the page break on; the
    // title (and the two empty lines before it) at 12 points, everything else at 11.
    QTest::newRow("two copies of 31 lines") << "" << QList<Message>{kStart, kDone} << "list-window-printout.txt";
    QTest::newRow("printer fails: told, window closed") << "printer" << QList<Message>{kStart, {"列印失敗\n紙張用完", "Talvek"}} << "";
    QTest::newRow("a fee that is no number: asked, No prints nothing")
        << "fee" << QList<Message>{{"下列收款人代碼的金額或手續費不是整數或超過欄位，以 * 標示，未計入合計：\nP002\n\n仍要繼續嗎？", "",
                                    MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No}} << "";
    QTest::newRow("no remitter") << "remitter" << QList<Message>{{"無匯款人資料，無法產生匯款資料清單，請先建檔。", "", MsgIcon::Critical}} << "";
}

void TstListWindow::print()
{
    QFETCH(QString, spoil);
    QFETCH(QList<Message>, messages);
    QFETCH(QString, sheets);
    Fixture f(31, 2);
    f.w().PrintCopies = 2;
    if (spoil == "printer")
        f.printer.failure = "紙張用完";
    if (spoil == "fee")
        TestDir::exec(f.dir.working(), "UPDATE R_DETL SET AMT2 = '1.5' WHERE R_ID = 'P002'");
    if (spoil == "remitter")
        TestDir::exec(f.dir.working(), "DELETE FROM R_BASE");
    f.w().BuildList();
    // Enter in the preview prints nothing and closes nothing: only the buttons do.
    f.w().previewBox()->setFocus();
    QTest::keyClick(f.w().previewBox(), Qt::Key_Return);
    QVERIFY(f.printer.jobs.isEmpty() && f.w().isVisible());
    for (const Message &m : messages)
        f.dialogs.expectMessage(m, m.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok);
    f.w().printButton()->click();
    // One job, in the preview's font, landscape.
    QCOMPARE(f.printer.jobs.size(), sheets.isEmpty() ? 0 : 1);
    for (const PrintJob &job : f.printer.jobs) {
        QVERIFY(job.landscape && job.fontFamily == f.w().ListFontName);
        QCOMPARE(printout(job), reference(sheets));
    }
    QCOMPARE(f.w().isVisible(), spoil != "printer");
    VERIFY_DIALOGS(f.dialogs);
}

void TstListWindow::pdfTextAndPageFollowTheList_data()
{
    QTest::addColumn<bool>("portrait");
    QTest::addColumn<QString>("pageSize");
    QTest::newRow("setup cancelled: landscape, as the list is laid out") << false << "842 x 595";
    QTest::newRow("portrait and three copies chosen in the setup") << true << "595 x 842";
}

void TstListWindow::pdfTextAndPageFollowTheList()
{
    QFETCH(bool, portrait);
    QFETCH(QString, pageSize);
    // The setup opens on landscape all the same; copies are for the printer, not for a PDF.
    Fixture f(31, 2);
    f.dialogs.expectPrintSetup(portrait ? std::optional(PrintSetup{false, 3, {}}) : std::nullopt);
    f.w().printSetup();
    QVERIFY(f.dialogs.printSetupShown.landscape);
    QCOMPARE(f.w().PrintCopies, portrait ? 3 : 1);
    const QString path = QDir(f.dir.path()).filePath("list.pdf");
    f.dialogs.expectSaveFile("匯出 PDF", "PDF 檔 (*.pdf)", path);
    f.dialogs.expectMessage({"PDF 檔已存至\n" + QDir::toNativeSeparators(path), "Talvek"});
    f.w().exportPdf();
    QCOMPARE(f.printer.pdfPaths, QStringList{path});
    QString error;
    QVERIFY2(QtPrinter().exportPdf(f.printer.jobs[0], path, &error), qPrintable(error));
    QVERIFY(run({"pdfinfo", path}).contains(QRegularExpression("Pages: 2\\n(.|\\n)*Page size: " + pageSize + " pts")));
    // One copy: every line of the list in its order and every character as it is; the
    // reader lays the blanks out anew.
    QCOMPARE(run({"pdftotext", "-layout", path, "-"}), reference("list-window-pdf.txt"));
    // Each object stands where the cross-reference table says, the rewritten ones included.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    const QList<QByteArray> xref = pdf.mid(pdf.mid(pdf.lastIndexOf("startxref") + 9).trimmed().split('\n')[0].toLongLong()).split('\n');
    QVERIFY(xref[0] == "xref" && xref[1].startsWith("0 "));
    for (int n = 1; n < xref[1].split(' ')[1].toInt(); ++n)
        QVERIFY2(pdf.mid(xref[n + 2].left(10).toLongLong()).startsWith(QByteArray::number(n) + " 0 obj"), xref[n + 2]);
    VERIFY_DIALOGS(f.dialogs);
}

void TstListWindow::fontKeptOrLeft()
{
    Fixture f;
    QFont chosen("Noto Sans Mono CJK TC");
    chosen.setPointSizeF(13.6);
    f.dialogs.expectFont(chosen);
    f.w().chooseFont();
    // Cancelled, the dialog changes nothing.
    f.dialogs.expectFont(std::nullopt);
    f.w().chooseFont();
    QCOMPARE(f.w().ListFontName + QString(" %1").arg(f.w().ListFontSize), "Noto Sans Mono CJK TC 14");
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
        QCOMPARE(f.w().focusWidget(), next);
        QTest::keyClick(next, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(f.w().focusWidget(), order[i]);
    }
}

QTEST_MAIN(TstListWindow)
#include "tst_listwindow.moc"
