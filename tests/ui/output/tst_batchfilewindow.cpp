#include "support/testprogram.h"

#include "ui/editing/batchheaderfields.h"
#include "ui/output/batchfilewindow.h"
#include "core/output/generationlog.h"
#include "core/store/schema.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using Message = ScriptedDialogs::Message;

const QString kToday = QStringLiteral("151206"); // 2026-12-06
const QString kFilter = QStringLiteral("All Files (*.*);;Text Files(*.txt)");
const QStringList kLineA{"A01", "123456789", "0091230", "王小明", "1500", "貨款", "0"};
const QStringList kLineB{"B02", "987654321", "9520011", "陳大華", "2500", "", "15"};
const QStringList kMarkerLine{"C03", "!000", "0091230", "n", "1", "", "0"};
const QStringList kOldHeader{"151207", "1512071201", "貨款"};

Message inputError(const QString &text) { return {text, "輸入錯誤", MsgIcon::Critical}; }

// A program directory with a remitter, lines and a stored header, and the window over it.
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
    QLineEdit *date() const { return window->headerFields()->dateField(); }
    QLineEdit *batch() const { return window->headerFields()->batchField(); }
    QLineEdit *purpose() const { return window->headerFields()->purposeField(); }
    QPushButton *ok() const { return window->findChild<QPushButton *>("Command2_0"); }
    QString output() const { return QDir(dir.path()).filePath("batch.txt"); }
    // Where the focus is once the events have run, with the text of a field.
    QString settled()
    {
        QApplication::processEvents();
        QApplication::processEvents();
        QWidget *w = QApplication::focusWidget();
        auto *field = qobject_cast<QLineEdit *>(w);
        return w ? w->objectName() + (field ? " " + field->text() : QString()) : QString();
    }
    QString press(QWidget *w, Qt::Key key) { QTest::keyClick(w, key); return settled(); }
    QString focus(QWidget *w, Qt::FocusReason reason = Qt::OtherFocusReason) { w->setFocus(reason); return settled(); }
    QString confirm() { ok()->click(); return settled().section(' ', 0, 0); } // the focus only
};

} // namespace

class TstBatchFileWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensWithTotalsAndFillsEmptyValues();
    void fieldsProposeAndKeysMove();
    void headerChecks();
    void confirm_data();
    void confirm();
    void warningsComeBeforeTheFileDialog();
    void unreadableLinesMakeNoFile();
};

void TstBatchFileWindow::opensWithTotalsAndFillsEmptyValues()
{
    Fixture f({kLineA, kLineB}, false);
    TestDir::exec(f.dir.working(), "INSERT INTO R_DETL (R_ID, ACTNO, TRFBK, R_NAME, AMT) VALUES ('C03', '1', '0091230', 'n', '1230000')");
    TestDir::insert(f.dir.working(), Table::R_DAY, {kOldHeader});
    f.open();
    QCOMPARE(f.window->totalsText(), QStringLiteral("合計　筆數：              3　筆\n"
                                                    "　　　金額：      1,234,000　元"));
    QCOMPARE(f.batch()->text() + "|" + f.purpose()->text(), QStringLiteral("1512071201|貨款"));
    QCOMPARE(TestDir::rows(f.dir.working(), "R_DETL").last(), (QStringList{"C03", "1", "0091230", "n", "1230000", " ", "0"}));
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::fieldsProposeAndKeysMove()
{
    Fixture f;
    // No header yet: today's date, selected; Up goes to the buttons above the header.
    QCOMPARE(f.date()->selectedText(), kToday);
    QCOMPARE(f.press(f.date(), Qt::Key_Up), "Command2_1");
    // Entered, the batch number starts afresh from the date, the caret at its end, for the
    // user to key the rest.
    f.focus(f.purpose());
    QCOMPARE(f.press(f.purpose(), Qt::Key_Up), "Text1_1 " + kToday);
    QVERIFY(f.batch()->cursorPosition() == 6 && !f.batch()->hasSelectedText());
    QTest::keyClicks(f.batch(), "1201");
    f.focus(f.purpose());
    QCOMPARE(f.press(f.purpose(), Qt::Key_Return), "Command2_0");
    // A stored header is what the date field proposes next time it is entered.
    TestDir::insert(f.dir.working(), Table::R_DAY, {{"151208", "1512081201", ""}});
    QCOMPARE(f.focus(f.date(), Qt::MouseFocusReason), "Text1_0 151208");
    f.press(f.date(), Qt::Key_Escape); // a stray Esc closes nothing
    QVERIFY(f.window->isVisible());
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::headerChecks()
{
    Fixture f;
    // Leaving the date field checks it; back in it, today is proposed again.
    f.date()->setText("151306");
    f.dialogs.expectMessage(inputError("輸入日期錯誤!!"));
    QCOMPARE(f.press(f.date(), Qt::Key_Return), "Text1_0 " + kToday);
    // The confirm button checks the whole header, even a field never left.
    f.date()->setText("151306");
    f.dialogs.expectMessage(inputError("輸入日期錯誤!!"));
    QCOMPARE(f.confirm(), "Text1_0");
    f.date()->setText(kToday);
    f.batch()->setText(kToday + "1200");
    f.dialogs.expectMessage(inputError("批號需大於 00"));
    QCOMPARE(f.confirm(), "Text1_1");
    // After a message, leaving again checks nothing until a key is pressed.
    f.batch()->setText(kToday + "09");
    f.dialogs.expectMessage(inputError("輸入批號長度不足!!"));
    QCOMPARE(f.press(f.batch(), Qt::Key_Return), "Text1_1 " + kToday);
    f.focus(f.purpose(), Qt::MouseFocusReason);
    f.focus(f.batch(), Qt::MouseFocusReason);
    QTest::keyClicks(f.batch(), "0901");
    f.dialogs.expectMessage(inputError("客戶代號需大於等於 10"));
    QCOMPARE(f.focus(f.purpose(), Qt::MouseFocusReason), "Text1_1 " + kToday);
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::confirm_data()
{
    QTest::addColumn<int>("lines");        // of B02, A01 and the marker line C03, in that order
    QTest::addColumn<bool>("inputOrder");
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("purpose");
    QTest::addColumn<QStringList>("told");  // after the file dialog; nothing when it is cancelled
    QTest::addColumn<QString>("reference"); // the file then at the target; empty: the old one
    const QString tooLong = QString(31, QChar(0x8CC7));
    const QString done = "產生完畢\n建議立即備份資料檔（系統 → 備份資料）", wide = "輸入欄位超出", refused = "資料不全,建檔錯誤\n";
    QTest::newRow("by payee code, marker left out") << 3 << false << "1512061201" << "薪資" << QStringList{done} << "lines-bypayee.txt";
    QTest::newRow("input order") << 2 << true << "1512061201" << "薪資" << QStringList{done} << "lines-input.txt";
    // Too long for its column: told, the stored header kept, the file written all the same.
    QTest::newRow("purpose too long") << 3 << false << "1512061201" << tooLong << QStringList{wide, done} << "lines-bypayee.txt";
    // Ten characters pass the batch check, eleven bytes do not fit the column: the store
    // fails and sends the focus to the field, which must not change what the file is told.
    QTest::newRow("header as confirmed") << 3 << false << "151206991中" << "薪資"
                                         << QStringList{wide, refused + "批號與匯款日：批號應為 10 位數字，實為「151206991中」"} << "";
    // In input order the marker line is among the lines written, and the bank would misread it.
    QTest::newRow("refused file") << 3 << true << "1512061201" << "薪資"
                                  << QStringList{refused + "收款人代碼 C03（第 3 筆）：帳號應為 14 位以內的數字，實為「!000」"} << "";
    QTest::newRow("file dialog cancelled") << 3 << false << "1512061201" << "薪資" << QStringList() << "";
}

void TstBatchFileWindow::confirm()
{
    QFETCH(int, lines);
    QFETCH(bool, inputOrder);
    QFETCH(QString, batch);
    QFETCH(QString, purpose);
    QFETCH(QStringList, told);
    QFETCH(QString, reference);
    const bool chosen = !told.isEmpty();
    Fixture f(QList<QStringList>{kLineB, kLineA, kMarkerLine}.mid(0, lines), false);
    TestDir::insert(f.dir.working(), Table::R_DAY, {kOldHeader});
    QFile old(f.output());
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("previous file\r\n"));
    old.close();
    f.open();
    f.window->findChild<QRadioButton *>(inputOrder ? "Option1_1" : "Option1_0")->setChecked(true);
    f.date()->setText(kToday);
    f.batch()->setText(batch);
    f.purpose()->setText(purpose);
    f.dialogs.expectSaveFile({}, kFilter, chosen ? f.output() : QString());
    for (const QString &text : told)
        f.dialogs.expectMessage({text, "Talvek"});
    f.confirm();
    QCOMPARE(f.dialogs.lastSelectedFilter, QStringLiteral("Text Files(*.txt)"));
    QVERIFY(f.dialogs.lastConfirmOverwrite);
    // The window closes once the file dialog is answered, whatever came of it; the header
    // row is rewritten, never added to.
    QVERIFY(!f.window->isVisible());
    QCOMPARE(f.context.values().ListOrder, chosen ? (inputOrder ? 2 : 1) : 0);
    const bool stored = chosen && !told.contains("輸入欄位超出");
    QCOMPARE(TestDir::rows(f.dir.working(), "R_DAY"), (QList<QStringList>{stored ? QStringList{kToday, batch, purpose} : kOldHeader}));
    const QByteArray file = reference.isEmpty() ? QByteArray("previous file\r\n") : REFERENCE_BYTES(reference);
    QCOMPARE(fileBytes(f.output()), file);
    QCOMPARE(readGenerations(generationLogPath(f.dir.path())).size(), reference.isEmpty() ? 0 : 1);
    // Nothing is left beside the target: the stores, the target and the log.
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), reference.isEmpty() ? 3 : 4);
    VERIFY_DIALOGS(f.dialogs);
}

void TstBatchFileWindow::warningsComeBeforeTheFileDialog()
{
    // The same account, institution and amount twice: the bank would pay twice.
    Fixture f({kLineA, kLineB, QStringList(kLineA).replaceInStrings("A01", "A02")});
    f.batch()->setText(kToday + "1201");
    const Message warning{"下列情形銀行會照常處理，但可能是輸入錯誤：\n"
                          "・第 1 筆（A01）、第 2 筆（A02）的帳號、解款行與金額相同\n\n是否仍要產生整批匯款檔？",
                          "5. 產生整批匯款檔", MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No};
    f.dialogs.expectMessage(warning, MsgAnswer::No);
    f.confirm();
    QVERIFY(f.window->isVisible());
    f.dialogs.expectMessage(warning, MsgAnswer::Yes);
    f.dialogs.expectSaveFile({}, kFilter, f.output());
    f.dialogs.expectMessage({"產生完畢\n建議立即備份資料檔（系統 → 備份資料）", "Talvek"});
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
    f.batch()->setText(kToday + "1201");
    f.dialogs.expectMessage({"資料不全,建檔錯誤\n" + unreadable, "Talvek"});
    f.confirm();
    QVERIFY(f.window->isVisible());
    VERIFY_DIALOGS(f.dialogs);
}

QTEST_MAIN(TstBatchFileWindow)
#include "tst_batchfilewindow.moc"
