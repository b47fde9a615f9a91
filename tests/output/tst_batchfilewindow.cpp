#include "support/testprogram.h"

#include "editing/batchheaderfields.h"
#include "output/batchfilewindow.h"
#include "output/generationlog.h"
#include "platform/big5codec.h"
#include "store/appcontext.h"
#include "store/schema.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using Message = ScriptedDialogs::Message;

const QString kToday = QStringLiteral("151206"); // 2026-12-06
const Message kDone{"產生完畢", "Talvek", MsgIcon::None};
const QString kFilter = QStringLiteral("All Files (*.*);;Text Files(*.txt)");

Message inputError(const QString &text) { return {text, "輸入錯誤", MsgIcon::Critical}; }

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QStringList kLineA{"A01", "123456789", "0091230", "王小明", "1500", "貨款", "0"};
const QStringList kLineB{"B02", "987654321", "9520011", "陳大華", "2500", "", "15"};
const QStringList kMarkerLine{"C03", "!000", "0091230", "n", "1", "", "0"};

// A program directory with a remitter and lines, and the window over it.
struct Fixture : TestProgram {
    std::unique_ptr<BatchFileWindow> window;

    // Opens the window at once unless the test has more to store first.
    explicit Fixture(const QList<QStringList> &lines = {kLineA}, bool openNow = true)
    {
        dir.makeStores();
        TestDir::insert(dir.working(), Table::R_BASE, {{"015", "範例實業股份有限公司", "11", "", "", "附註"}});
        TestDir::insert(dir.working(), Table::R_DETL, lines);
        if (openNow)
            open();
    }
    void open()
    {
        QVERIFY(openWorkingStore());
        window = std::make_unique<BatchFileWindow>(context);
        QVERIFY(showActive(window.get()));
    }
    BatchHeaderFields *header() const { return window->headerFields(); }
    QLineEdit *date() const { return header()->dateField(); }
    QLineEdit *batch() const { return header()->batchField(); }
    QLineEdit *purpose() const { return header()->purposeField(); }
    QPushButton *ok() const { return window->findChild<QPushButton *>("Command2_0"); }
    QPushButton *cancel() const { return window->findChild<QPushButton *>("Command2_1"); }
    QString output() const { return QDir(dir.path()).filePath("batch.txt"); }
    // Keys the header as a user would: the date is proposed, the batch number starts with it.
    void key(const QString &batchTail, const QString &purposeText = "薪資")
    {
        QTest::keyClick(date(), Qt::Key_Return);
        QApplication::processEvents();
        QTest::keyClicks(batch(), batchTail);
        QTest::keyClick(batch(), Qt::Key_Return);
        QApplication::processEvents();
        purpose()->setText(purposeText);
    }
    void settle() { QApplication::processEvents(); QApplication::processEvents(); }
    void press(QWidget *w, Qt::Key key) { QTest::keyClick(w, key); settle(); }
    void focus(QWidget *w, Qt::FocusReason reason = Qt::OtherFocusReason) { w->setFocus(reason); settle(); }
    void confirm() { ok()->click(); settle(); }
};

} // namespace

class TstBatchFileWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensWithTotalsAndFillsEmptyValues();
    void fieldsProposeAndKeysMove();
    void headerMessages_data();
    void headerMessages();
    void noSecondMessageUntilAKeyIsPressed();
    void writesTheFileInTheChosenOrder_data();
    void writesTheFileInTheChosenOrder();
    void warningsComeBeforeTheFileDialog();
    void unreadableLinesMakeNoFile();
    void fileCarriesTheHeaderAsConfirmed();
    void cancellingTheFileDialogStoresNothing();
    void refusedFileLeavesTheOldOneInPlace();
};

void TstBatchFileWindow::opensWithTotalsAndFillsEmptyValues()
{
    Fixture f({kLineA, kLineB}, false);
    TestDir::exec(f.dir.working(), "INSERT INTO R_DETL (R_ID, ACTNO, TRFBK, R_NAME, AMT) VALUES ('C03', '1', '0091230', 'n', '1230000')");
    TestDir::exec(f.dir.working(), "INSERT INTO R_DETL (R_ID, ACTNO, TRFBK, R_NAME) VALUES ('D04', '1', '0091230', 'n')");
    TestDir::insert(f.dir.working(), Table::R_DAY, {{"151207", "1512071201", "貨款"}});
    f.open();
    QCOMPARE(f.window->totalsText(), QStringLiteral("合計　筆數：              4　筆\n"
                                                    "　　　金額：      1,234,000　元"));
    QCOMPARE(f.batch()->text(), QStringLiteral("1512071201"));
    QCOMPARE(f.purpose()->text(), QStringLiteral("貨款"));
    const auto rows = TestDir::rows(f.dir.working(), "R_DETL");
    QCOMPARE(rows[2], (QStringList{"C03", "1", "0091230", "n", "1230000", " ", "0"}));
    QCOMPARE(rows[3], (QStringList{"D04", "1", "0091230", "n", "0", " ", "0"}));
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::fieldsProposeAndKeysMove()
{
    Fixture f;
    // No header yet: today's date, selected; Up goes to the buttons above the header.
    QCOMPARE(f.date()->selectedText(), kToday);
    f.press(f.date(), Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), f.cancel());
    // Entered, the batch number starts afresh from the date, for the user to key the rest.
    f.focus(f.purpose());
    f.press(f.purpose(), Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), f.batch());
    QCOMPARE(f.batch()->text(), kToday);
    QCOMPARE(f.batch()->cursorPosition(), 6);
    QVERIFY(!f.batch()->hasSelectedText());
    QTest::keyClicks(f.batch(), "1201");
    f.focus(f.purpose());
    f.press(f.purpose(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), f.ok());
    // A stored header is what the date field proposes next time it is entered.
    TestDir::insert(f.dir.working(), Table::R_DAY, {{"151208", "1512081201", ""}});
    f.focus(f.date(), Qt::MouseFocusReason);
    QCOMPARE(f.date()->text(), QStringLiteral("151208"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::headerMessages_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("batch");
    QTest::addColumn<Message>("message");
    QTest::addColumn<bool>("dateAtFault");
    QTest::newRow("yesterday") << "151205" << "1512051201" << Message{"日期必須大於等於今天", "Talvek", MsgIcon::Critical} << true;
    QTest::newRow("month 13") << "151306" << "1513061201" << inputError("輸入日期錯誤!!") << true;
    QTest::newRow("tomorrow, but not in the batch")
        << "151207" << "1512061201" << inputError("批號中之年月日(yymmdd)應與匯款日相同!!") << false;
    QTest::newRow("sub-batch 00") << kToday << "1512061200" << inputError("批號需大於 00") << false;
}

void TstBatchFileWindow::headerMessages()
{
    QFETCH(QString, date);
    QFETCH(QString, batch);
    QFETCH(Message, message);
    QFETCH(bool, dateAtFault);
    Fixture f;
    if (dateAtFault) {
        // Leaving the date field checks it; back in it, today is proposed again.
        f.date()->setText(date);
        f.dialogs.expectMessage(message);
        f.press(f.date(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.date());
        QCOMPARE(f.date()->text(), kToday);
    }
    // The confirm button checks the whole header, even when the date field was never left.
    f.date()->setText(date);
    f.batch()->setText(batch);
    f.dialogs.expectMessage(message);
    f.confirm();
    QCOMPARE(QApplication::focusWidget(), dateAtFault ? f.date() : f.batch());
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::noSecondMessageUntilAKeyIsPressed()
{
    Fixture f;
    f.press(f.date(), Qt::Key_Return);
    QTest::keyClicks(f.batch(), "09");
    f.dialogs.expectMessage(inputError("輸入批號長度不足!!"));
    f.press(f.batch(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), f.batch());
    // Leaving again at once by the mouse: no second message.
    f.focus(f.purpose(), Qt::MouseFocusReason);
    f.focus(f.batch(), Qt::MouseFocusReason);
    // After a key, leaving checks again.
    QTest::keyClicks(f.batch(), "0901");
    f.dialogs.expectMessage(inputError("客戶代號需大於等於 10"));
    f.focus(f.purpose(), Qt::MouseFocusReason);
    QCOMPARE(QApplication::focusWidget(), f.batch());
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::writesTheFileInTheChosenOrder_data()
{
    const auto blanks = [](int n) { return QByteArray(n, ' '); };
    const QByteArray header = "1015" "1512061201" "00000" "151206" + blanks(23) + Big5::encode(u"範例實業股份有限公司") + blanks(82);
    const auto lineA = [&](const QByteArray &seq) {
        return "2015" "1512061201" + seq + "151206" "0091230" "11" "00000123456789" + Big5::encode(u"王小明") + blanks(62)
            + "        1500" "00" + Big5::encode(u"貨款");
    };
    const auto lineB = [&](const QByteArray &seq) {
        return "2015" "1512061201" + seq + "151206" "9520011" "11" "00000987654321" + Big5::encode(u"陳大華") + blanks(62)
            + "        2500" "00";
    };
    const QByteArray trailer = "3015" "1512061201" "99999" "151206" "   2" "        4000" "00" + blanks(137);
    const QByteArray byPayee = header + "\r\n" + lineA("    1") + "\r\n" + lineB("    2") + "\r\n" + trailer + "\r\n";
    QTest::addColumn<bool>("inputOrder");
    QTest::addColumn<QString>("purpose");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("listOrder");
    QTest::newRow("by payee code, marker line left out") << false << "薪資" << byPayee << 1;
    QTest::newRow("input order")
        << true << "薪資" << header + "\r\n" + lineB("    1") + "\r\n" + lineA("    2") + "\r\n" + trailer + "\r\n" << 2;
    // Too long for its column: told, the stored header kept, the file written all the same.
    QTest::newRow("purpose too long") << false << QString(31, QChar(0x8CC7)) << byPayee << 1;
}

void TstBatchFileWindow::writesTheFileInTheChosenOrder()
{
    QFETCH(bool, inputOrder);
    QFETCH(QString, purpose);
    QFETCH(QByteArray, file);
    QFETCH(int, listOrder);
    Fixture f(inputOrder ? QList<QStringList>{kLineB, kLineA} : QList<QStringList>{kLineB, kLineA, kMarkerLine}, false);
    // The header row is rewritten, never added to.
    TestDir::insert(f.dir.working(), Table::R_DAY, {{"151207", "1512071201", "貨款"}});
    f.open();
    if (inputOrder)
        f.window->findChild<QRadioButton *>("Option1_1")->setChecked(true);
    f.date()->setText(kToday);
    f.batch()->setText("1512061201");
    f.purpose()->setText(purpose);
    const bool fits = purpose.size() <= 30;
    f.dialogs.expectSaveFile({}, kFilter, f.output());
    if (!fits)
        f.dialogs.expectMessage({"輸入欄位超出", "Talvek"});
    f.dialogs.expectMessage(kDone);
    f.confirm();
    QCOMPARE(f.dialogs.lastSelectedFilter, QStringLiteral("Text Files(*.txt)"));
    QVERIFY(f.dialogs.lastConfirmOverwrite);
    QCOMPARE(f.window->result(), int(QDialog::Accepted));
    QCOMPARE(f.context.values().ListOrder, listOrder);
    QCOMPARE(TestDir::rows(f.dir.working(), "R_DAY"),
             (QList<QStringList>{fits ? QStringList{kToday, "1512061201", purpose} : QStringList{"151207", "1512071201", "貨款"}}));
    QCOMPARE(readAll(f.output()), file);
    QCOMPARE(readGenerations(generationLogPath(f.dir.path())).size(), 1);
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::warningsComeBeforeTheFileDialog()
{
    // The same account, institution and amount twice: the bank would pay twice.
    Fixture f({kLineA, kLineB, QStringList(kLineA).replaceInStrings("A01", "A02")});
    f.key("1201");
    const Message warning{"下列情形銀行會照常處理，但可能是輸入錯誤：\n"
                          "・第 1 筆（A01）、第 2 筆（A02）的帳號、解款行與金額相同\n\n是否仍要產生整批匯款檔？",
                          "5. 產生整批匯款檔", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No};
    f.dialogs.expectMessage(warning, MsgAnswer::No);
    f.confirm();
    QVERIFY(f.window->isVisible());
    f.dialogs.expectMessage(warning, MsgAnswer::Yes);
    f.dialogs.expectSaveFile({}, kFilter, f.output());
    f.dialogs.expectMessage(kDone);
    f.confirm();
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::unreadableLinesMakeNoFile()
{
    Fixture f({kLineA}, false);
    QVERIFY(f.openWorkingStore());
    TestDir::damageTable(f.dir.working(), "R_DETL");
    const QString unreadable = "不可預期的錯誤\ndatabase disk image is malformed (11)";
    f.dialogs.expectMessage({unreadable, "Talvek"});
    f.window = std::make_unique<BatchFileWindow>(f.context);
    QCOMPARE(f.window->totalsText(), QStringLiteral("合計　筆數：              ?　筆\n"
                                                    "　　　金額：              ?　元"));
    QVERIFY(showActive(f.window.get()));
    f.key("1201");
    f.dialogs.expectMessage({"資料不全,建檔錯誤\n" + unreadable, "Talvek"});
    f.confirm();
    QVERIFY(f.window->isVisible());
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::fileCarriesTheHeaderAsConfirmed()
{
    // Ten characters pass the batch check, eleven bytes do not fit the column: the store
    // fails and sends the focus to the field, which must not change what the file is told.
    Fixture f;
    f.key("9912");
    f.batch()->setText(QStringLiteral("151206991中"));
    f.dialogs.expectSaveFile({}, kFilter, f.output());
    f.dialogs.expectMessage({"輸入欄位超出", "Talvek"});
    f.dialogs.expectMessage({"資料不全,建檔錯誤\n批號與匯款日：批號應為 10 位數字，實為「151206991中」", "Talvek"});
    f.confirm();
    QVERIFY(TestDir::rows(f.dir.working(), "R_DAY").isEmpty());
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::cancellingTheFileDialogStoresNothing()
{
    Fixture f;
    f.key("1201");
    QTest::keyClick(f.purpose(), Qt::Key_Escape); // a stray Esc closes nothing
    QVERIFY(f.window->isVisible());
    f.dialogs.expectSaveFile({}, kFilter, QString());
    f.confirm();
    QVERIFY(!f.window->isVisible());
    QVERIFY(TestDir::rows(f.dir.working(), "R_DAY").isEmpty());
    QCOMPARE(f.context.values().ListOrder, 0);
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::refusedFileLeavesTheOldOneInPlace()
{
    // In input order the marker line is among the lines written, and the bank would
    // misread it: the old file stays as it was, with nothing left beside it.
    Fixture f({kLineA, kMarkerLine});
    QFile old(f.output());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("previous file\r\n");
    old.close();
    f.window->findChild<QRadioButton *>("Option1_1")->setChecked(true);
    f.key("1201");
    f.dialogs.expectSaveFile({}, kFilter, f.output());
    f.dialogs.expectMessage(
        {"資料不全,建檔錯誤\n收款人代碼 C03（第 2 筆）：帳號應為 14 位以內的數字，實為「!000」", "Talvek"});
    f.confirm();
    QVERIFY(!f.window->isVisible());
    QCOMPARE(readAll(f.output()), QByteArray("previous file\r\n"));
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"batch.txt", "BRANCH.mdb", "VXBANK.mdb"}));
    VERIFY_DIALOGS(f.dialogs);
}

QTEST_MAIN(TstBatchFileWindow)
#include "tst_batchfilewindow.moc"
