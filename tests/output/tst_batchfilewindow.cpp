#include "support/testprogram.h"

#include "editing/batchheaderfields.h"
#include "output/batchfilewindow.h"
#include "store/appcontext.h"
#include "store/schema.h"
#include "store/storeopening.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using Message = ScriptedDialogs::Message;

const QString kToday = QStringLiteral("151206"); // 2026-12-06
const Message kDone{"產生完畢", "Talvek", MsgIcon::None};
const QString kFilter = QStringLiteral("All Files (*.*);;Text Files(*.txt)");

Message inputError(const QString &text)
{
    return {text, "輸入錯誤", MsgIcon::Critical};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program directory with a remitter and lines, and the window over it.
struct Fixture : TestProgram {
    std::unique_ptr<BatchFileWindow> window;

    Fixture()
    {
        dir.makeStores();
        TestDir::insert(dir.working(), Table::R_BASE, {{"015", "範例實業股份有限公司", "10", "", "", ""}});
    }
    void lines(const QList<QStringList> &rows) { TestDir::insert(dir.working(), Table::R_DETL, rows); }
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
};

const QStringList kLineA{"A01", "123456789", "0091230", "王小明", "1500", "貨款", "0"};
const QStringList kLineB{"B02", "987654321", "9520011", "陳大華", "2500", "", "15"};

} // namespace

class TstBatchFileWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensWithTotalsAndFillsEmptyValues();
    void proposesDateAndBatchNumber();
    void keysMoveBetweenFieldsOncePerStroke();
    void batchNumberMessages_data();
    void batchNumberMessages();
    void dateMessages_data();
    void dateMessages();
    void noSecondMessageUntilAKeyIsPressed();
    void writesTheFileInTheChosenOrder_data();
    void writesTheFileInTheChosenOrder();
    void refusesALineTheBankWouldMisread();
    void fileCarriesTheHeaderAsConfirmed();
    void cancellingTheFileDialogStoresNothing();
    void overLongPurposeIsReportedAndTheFileStillWritten();
    void failedWriteLeavesTargetUnchanged_data();
    void failedWriteLeavesTargetUnchanged();
};

void TstBatchFileWindow::opensWithTotalsAndFillsEmptyValues()
{
    Fixture f;
    f.lines({kLineA, kLineB});
    TestDir::exec(f.dir.working(), "INSERT INTO R_DETL (R_ID, ACTNO, TRFBK, R_NAME, AMT) VALUES ('C03', '1', '0091230', 'n', '1230000')");
    TestDir::exec(f.dir.working(), "INSERT INTO R_DETL (R_ID, ACTNO, TRFBK, R_NAME) VALUES ('D04', '1', '0091230', 'n')");
    TestDir::insert(f.dir.working(), Table::R_DAY, {{"151207", "1512071201", "貨款"}});
    f.open();
    QCOMPARE(f.window->objectName(), QStringLiteral("Form7"));
    QCOMPARE(f.window->windowTitle(), QStringLiteral("5. 產生整批匯款檔"));
    QCOMPARE(f.window->totalsText(), QStringLiteral("合計　筆數：              4　筆\n"
                                                    "　　　金額：      1,234,000　元"));
    QVERIFY(f.window->findChild<QRadioButton *>("Option1_0")->isChecked());
    QCOMPARE(f.batch()->text(), QStringLiteral("1512071201"));
    QCOMPARE(f.purpose()->text(), QStringLiteral("貨款"));
    const auto rows = TestDir::rows(f.dir.working(), "R_DETL");
    QCOMPARE(rows[1], kLineB); // an empty remark stored as empty text stays empty
    QCOMPARE(rows[2], (QStringList{"C03", "1", "0091230", "n", "1230000", " ", "0"}));
    QCOMPARE(rows[3], (QStringList{"D04", "1", "0091230", "n", "0", " ", "0"}));
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::proposesDateAndBatchNumber()
{
    Fixture f;
    f.lines({kLineA});
    f.open();
    // No header yet: today's date, selected, and the batch number starts from it.
    QCOMPARE(f.date()->text(), kToday);
    QCOMPARE(f.date()->selectedText(), kToday);
    QTest::keyClick(f.date(), Qt::Key_Return);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.batch());
    QCOMPARE(f.batch()->text(), kToday);
    QCOMPARE(f.batch()->cursorPosition(), 6);
    QVERIFY(!f.batch()->hasSelectedText());
    // A stored header is what the date field proposes next time it is entered.
    TestDir::insert(f.dir.working(), Table::R_DAY, {{"151208", "1512081201", ""}});
    f.batch()->setText("1512061201");
    f.date()->setFocus(Qt::MouseFocusReason);
    f.settle();
    QCOMPARE(f.date()->text(), QStringLiteral("151208"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::keysMoveBetweenFieldsOncePerStroke()
{
    Fixture f;
    f.lines({kLineA});
    f.open();
    QTest::keyClick(f.date(), Qt::Key_Up);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.cancel());
    f.purpose()->setFocus();
    f.settle();
    QTest::keyClick(f.purpose(), Qt::Key_Up);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.batch());
    QCOMPARE(f.batch()->text(), kToday); // entering starts the batch number afresh
    QTest::keyClicks(f.batch(), "1201");
    f.purpose()->setFocus();
    f.settle();
    QTest::keyClick(f.purpose(), Qt::Key_Return);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.ok());
    // A release without its own key press (the press went to another control) moves nothing.
    f.purpose()->setFocus();
    f.settle();
    QTest::keyRelease(f.purpose(), Qt::Key_Return);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.purpose());
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::batchNumberMessages_data()
{
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("message");
    QTest::newRow("customer 12, sub-batch 01") << "1512061201" << "";
    QTest::newRow("nine characters") << "151206120" << "輸入批號長度不足!!";
    QTest::newRow("next day's date") << "1512071201" << "批號中之年月日(yymmdd)應與匯款日相同!!";
    QTest::newRow("customer 09") << "1512060901" << "客戶代號需大於等於 10";
    QTest::newRow("sub-batch 00") << "1512061200" << "批號需大於 00";
    QTest::newRow("both: sub-batch wins") << "1512060900" << "批號需大於 00";
}

void TstBatchFileWindow::batchNumberMessages()
{
    QFETCH(QString, batch);
    QFETCH(QString, message);
    Fixture f;
    f.lines({kLineA});
    f.open();
    QTest::keyClick(f.date(), Qt::Key_Return);
    f.settle();
    f.batch()->setText(batch);
    if (message.isEmpty()) {
        f.dialogs.expectSaveFile({}, kFilter, {}); // cancelled: only the check is under test here
    } else {
        f.dialogs.expectMessage(inputError(message));
    }
    f.ok()->click();
    f.settle();
    if (!message.isEmpty()) {
        QVERIFY(f.window->isVisible());
        QCOMPARE(QApplication::focusWidget(), f.batch());
        QVERIFY(f.header()->MessageShown);
    }
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::dateMessages_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QList<Message>>("messages");
    QTest::newRow("today") << kToday << QList<Message>{};
    QTest::newRow("tomorrow") << "151207" << QList<Message>{};
    QTest::newRow("yesterday") << "151205" << QList<Message>{{"日期必須大於等於今天", "Talvek", MsgIcon::Critical}};
    QTest::newRow("month 13") << "151306" << QList<Message>{inputError("輸入日期錯誤!!")};
    QTest::newRow("five characters") << "15120" << QList<Message>{inputError("輸入日期錯誤!!")};
}

void TstBatchFileWindow::dateMessages()
{
    QFETCH(QString, date);
    QFETCH(QList<Message>, messages);
    Fixture f;
    f.lines({kLineA});
    f.open();
    f.date()->setText(date);
    for (const Message &m : messages)
        f.dialogs.expectMessage(m);
    QTest::keyClick(f.date(), Qt::Key_Return); // leaving the date field checks it
    f.settle();
    QCOMPARE(QApplication::focusWidget(), messages.isEmpty() ? f.batch() : f.date());
    VERIFY_DIALOGS(f.dialogs);

    // The confirm button checks the date as well, even when the date field was never left.
    if (!messages.isEmpty()) {
        QCOMPARE(f.date()->text(), kToday); // back in the date field, today is proposed again
        f.date()->setText(date);
        f.batch()->setText(date + "1201");
        for (const Message &m : messages)
            f.dialogs.expectMessage(m);
        f.ok()->click();
        f.settle();
        QVERIFY(f.window->isVisible());
        QVERIFY(!QFileInfo::exists(f.output()));
        VERIFY_DIALOGS(f.dialogs);
    }
}

void TstBatchFileWindow::noSecondMessageUntilAKeyIsPressed()
{
    Fixture f;
    f.lines({kLineA});
    f.open();
    QTest::keyClick(f.date(), Qt::Key_Return);
    f.settle();
    QTest::keyClicks(f.batch(), "09");
    f.dialogs.expectMessage(inputError("輸入批號長度不足!!"));
    QTest::keyClick(f.batch(), Qt::Key_Return);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.batch());
    // Leaving again at once by the mouse: no second message.
    f.purpose()->setFocus(Qt::MouseFocusReason);
    f.settle();
    f.batch()->setFocus(Qt::MouseFocusReason);
    f.settle();
    // After a key, leaving checks again.
    QTest::keyClicks(f.batch(), "0901");
    f.dialogs.expectMessage(inputError("客戶代號需大於等於 10"));
    f.purpose()->setFocus(Qt::MouseFocusReason);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.batch());
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::writesTheFileInTheChosenOrder_data()
{
    QTest::addColumn<bool>("inputOrder");
    QTest::addColumn<QStringList>("payees");
    QTest::addColumn<int>("listOrder");
    QTest::newRow("by payee code, marker line left out") << false << QStringList{"A01", "B02"} << 1;
    QTest::newRow("input order") << true << QStringList{"B02", "A01"} << 2;
}

void TstBatchFileWindow::writesTheFileInTheChosenOrder()
{
    QFETCH(bool, inputOrder);
    QFETCH(QStringList, payees);
    QFETCH(int, listOrder);
    Fixture f;
    QList<QStringList> rows{kLineB, kLineA};
    if (!inputOrder)
        rows.append({"C03", "!000", "0091230", "n", "1", "", "0"});
    f.lines(rows);
    f.open();
    if (inputOrder)
        f.window->findChild<QRadioButton *>("Option1_1")->setChecked(true);
    f.key("1201", "  薪資  ");
    f.dialogs.expectSaveFile({}, kFilter, f.output());
    f.dialogs.expectMessage(kDone);
    f.ok()->click();
    f.settle();
    QCOMPARE(f.dialogs.lastSelectedFilter, QStringLiteral("Text Files(*.txt)"));
    QVERIFY(f.dialogs.lastConfirmOverwrite);
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.window->result(), int(QDialog::Accepted));
    QCOMPARE(f.context.values().ListOrder, listOrder);
    QCOMPARE(TestDir::rows(f.dir.working(), "R_DAY"), (QList<QStringList>{{kToday, "1512061201", "薪資"}}));

    const QList<QByteArray> records = readAll(f.output()).split('\n');
    QCOMPARE(records.size(), 5); // header, two lines, trailer, and the empty rest after the last CR LF
    QVERIFY(records[0].startsWith("1015" "1512061201" "00000" "151206"));
    QCOMPARE(records[1].mid(0, 25), QByteArray("2015" "1512061201" "    1" "151206"));
    for (int i = 0; i < 2; ++i) {
        const QStringList &line = payees[i] == "A01" ? kLineA : kLineB;
        QCOMPARE(records[1 + i].mid(25, 7), line[2].toLatin1());
    }
    QCOMPARE(records[3].left(43), QByteArray("3015" "1512061201" "99999" "151206" "   2" "        4000" "00"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::refusesALineTheBankWouldMisread()
{
    Fixture f;
    f.lines({kLineA, {"C03", "!000", "0091230", "n", "1", "", "0"}});
    QFile old(f.output());
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("previous file\r\n");
    old.close();
    f.open();
    f.window->findChild<QRadioButton *>("Option1_1")->setChecked(true);
    f.key("1201");
    f.dialogs.expectSaveFile({}, kFilter, f.output());
    f.dialogs.expectMessage({"資料不全,建檔錯誤\n收款人代碼 C03（第 2 筆）：帳號應為 14 位以內的數字，實為「!000」", "Talvek"});
    f.ok()->click();
    f.settle();
    QCOMPARE(readAll(f.output()), QByteArray("previous file\r\n"));
    QVERIFY(!f.window->isVisible());
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::fileCarriesTheHeaderAsConfirmed()
{
    // Ten characters pass the batch check, eleven bytes do not fit the column: the store
    // fails and sends the focus to the field, which must not change what the file is told.
    Fixture f;
    f.lines({kLineA});
    f.open();
    f.key("9912");
    f.batch()->setText(QStringLiteral("151206991中"));
    f.dialogs.expectSaveFile({}, kFilter, f.output());
    f.dialogs.expectMessage({"輸入欄位超出", "Talvek"});
    f.dialogs.expectMessage({"資料不全,建檔錯誤\n批號與匯款日：批號應為 10 位，實為「151206991中」", "Talvek"});
    f.ok()->click();
    f.settle();
    QVERIFY(!QFileInfo::exists(f.output()));
    QVERIFY(TestDir::rows(f.dir.working(), "R_DAY").isEmpty());
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::cancellingTheFileDialogStoresNothing()
{
    Fixture f;
    f.lines({kLineA});
    f.open();
    f.key("1201");
    QTest::keyClick(f.purpose(), Qt::Key_Escape); // a stray Esc closes nothing
    QVERIFY(f.window->isVisible());
    f.dialogs.expectSaveFile({}, kFilter, QString());
    f.ok()->click();
    f.settle();
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.window->result(), int(QDialog::Rejected));
    QVERIFY(TestDir::rows(f.dir.working(), "R_DAY").isEmpty());
    QCOMPARE(f.context.values().ListOrder, 0);
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::overLongPurposeIsReportedAndTheFileStillWritten()
{
    Fixture f;
    f.lines({kLineA});
    f.open();
    f.key("1201", QString(31, QChar(0x8CC7)));
    f.dialogs.expectSaveFile({}, kFilter, f.output());
    f.dialogs.expectMessage({"輸入欄位超出", "Talvek"});
    f.dialogs.expectMessage(kDone);
    f.ok()->click();
    f.settle();
    QVERIFY(TestDir::rows(f.dir.working(), "R_DAY").isEmpty());
    QVERIFY(readAll(f.output()).startsWith("1015"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::failedWriteLeavesTargetUnchanged_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("folder that does not exist") << "missing/batch.txt";
    QTest::newRow("target is a folder") << "folder";
}

void TstBatchFileWindow::failedWriteLeavesTargetUnchanged()
{
    QFETCH(QString, target);
    Fixture f;
    f.lines({kLineA});
    QDir(f.dir.path()).mkdir("folder");
    const QString path = QDir(f.dir.path()).filePath(target);
    f.open();
    f.key("1201");
    f.dialogs.expectSaveFile({}, kFilter, path);
    f.ok()->click();
    f.settle();
    QCOMPARE(f.dialogs.shown().size(), 1);
    QVERIFY(f.dialogs.shown()[0].text.startsWith("資料不全,建檔錯誤\n無法寫入 "));
    QCOMPARE(f.dialogs.shown()[0].title, QStringLiteral("Talvek"));
    QVERIFY(!QFileInfo(path).isFile());
    // Nothing but the data files: no partial or temporary file is left behind.
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"BRANCH.mdb", "VXBANK.mdb"}));
}

QTEST_MAIN(TstBatchFileWindow)
#include "tst_batchfilewindow.moc"
