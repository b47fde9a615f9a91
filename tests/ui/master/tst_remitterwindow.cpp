#include "support/testprogram.h"

#include "ui/master/institutionlookup.h"
#include "ui/master/remitterwindow.h"
#include "core/store/schema.h"
#include "core/store/storeopening.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace {

using Message = ScriptedDialogs::Message;

const QString kFooter1 = QStringLiteral("主管") + QString(19, ' ') + QStringLiteral("製表") + QString(23, ' ');
const Message kStored{"儲存成功", "Talvek"};
const Message kMustHaveValue{"欄位必須有值", "Talvek"};
const Message kKind{"匯款種類只能輸入\n(10：一般匯款，11：公庫匯款)", "Talvek"};

struct Fixture : TestProgram {
    std::unique_ptr<RemitterWindow> window;

    // A stored remitter row, if given; the window opens at once unless the test has
    // dialogs to expect first.
    explicit Fixture(const QStringList &remitter = {}, bool withReference = true, bool openNow = true)
    {
        dir.makeStores({{"9520011", "Korvana", "Korvana銀行營業部"}, {"9520022", "Korvana", "Korvana銀行台北分行"},
                        {"0091230", "範例九銀", "範例第九商業銀行"}});
        if (!withReference)
            QFile::remove(dir.reference());
        if (!remitter.isEmpty())
            TestDir::insert(dir.working(), Table::R_BASE, {remitter});
        openWorkingStore();
        if (openNow)
            open();
    }
    void open()
    {
        window = std::make_unique<RemitterWindow>(context);
        QVERIFY(showActive(window.get()));
    }
    QLineEdit *field(int i) const { return window->field(i); }
    QPushButton *button(const char *name) const { return window->findChild<QPushButton *>(name); }
    void settle() { QApplication::processEvents(); QApplication::processEvents(); }
    void confirm()
    {
        button("Command2_0")->click();
        settle();
    }
    QList<QStringList> stored() const { return TestDir::rows(dir.working(), "R_BASE"); }
    QStringList branchShown() const { return {field(0)->text(), window->checkCharacter(), window->institutionName()}; }
};

} // namespace

class TstRemitterWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void confirmRefuses_data();
    void confirmRefuses();
    void storesInPlaceOrTellsWhyNot_data();
    void storesInPlaceOrTellsWhyNot();
    void lookupPicksKorvanaBranchOnly();
    void firstUseMovesPadsAndCancels_data();
    void firstUseMovesPadsAndCancels();
    void missingCodeTableIsTold();
};

void TstRemitterWindow::confirmRefuses_data()
{
    // The field at fault gets the text; with index 0 nothing else is keyed either. The
    // kind is also held to its rule as its field is left.
    QTest::addColumn<bool>("leaving");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Message>("message");
    const auto tooWide = [](const QString &text) { return Message{text, "匯款人資料建檔", MsgIcon::Critical}; };
    QTest::newRow("nothing keyed: the branch first") << false << 0 << "" << kMustHaveValue;
    QTest::newRow("name of blanks") << false << 1 << "   " << kMustHaveValue;
    QTest::newRow("kind 12, straight from the field") << false << 2 << "12" << kKind;
    QTest::newRow("kind 12, leaving the field") << true << 2 << "12" << kKind;
    QTest::newRow("footer of 26 Chinese characters") << false << 3 << QString(26, QChar(0x4E3B)) << tooWide("輸入欄位超出 50Byte     ");
    QTest::newRow("name of 35 Chinese characters") << false << 1 << QString(35, QChar(0x738B)) << tooWide("輸入欄位超出 68Byte     ");
    QTest::newRow("name with no Big5 form") << false << 1 << "Café 公司" << tooWide("匯款人姓名含有無法轉成 Big5 的字元，請修改");
    QTest::newRow("footer with no Big5 form") << false << 5 << "这" << tooWide("加註 3含有無法轉成 Big5 的字元，請修改");
}

void TstRemitterWindow::confirmRefuses()
{
    QFETCH(bool, leaving);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(Message, message);
    Fixture f;
    if (index > 0) {
        f.field(0)->setText("001");
        f.field(1)->setText("範例公司");
    }
    f.field(index)->setMaxLength(200); // what the box lets through by characters is checked by bytes
    f.field(index)->setText(text);
    f.dialogs.expectMessage(message);
    if (leaving) {
        f.field(index)->setFocus();
        f.settle();
        QTest::keyClick(f.field(index), Qt::Key_Down);
        f.settle();
    } else {
        f.confirm();
    }
    QCOMPARE(QApplication::focusWidget(), f.field(index));
    QCOMPARE(f.field(index)->text(), text);
    QVERIFY(f.stored().isEmpty());
    QVERIFY(f.window->isVisible());
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::storesInPlaceOrTellsWhyNot_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("another program holds the store") << "lock";
    // The store was writable when the window opened; the disk now refuses the write itself.
    QTest::newRow("the file made unchangeable meanwhile") << "immutable";
}

void TstRemitterWindow::storesInPlaceOrTellsWhyNot()
{
    QFETCH(QString, obstacle);
    const QList<QStringList> old{{"002", "舊名稱", "10", "a", "b", "c"}};
    Fixture f(old[0]);
    QCOMPARE(f.field(1)->text(), QStringLiteral("舊名稱"));
    QCOMPARE(f.window->institutionName(), QStringLiteral("[Korvana銀行台北分行]"));
    f.field(1)->setText(" 新名稱 ");
    f.field(2)->setText("11");
    f.field(4)->setText("");
    // Told; nothing stored, the window stays as it was.
    {
        std::optional<HeldWriteLock> lock;
        if (obstacle == "lock")
            QVERIFY(lock.emplace(f.dir.working()).held());
        else if (QProcess::execute("chattr", {"+i", f.dir.working()}) != 0)
            QSKIP("cannot make a file unchangeable here");
        const auto thaw = qScopeGuard([&] { QProcess::execute("chattr", {"-i", f.dir.working()}); });
        f.dialogs.expectMessage({"資料庫唯讀,資料遺失\n" + displayPath(f.dir.working()), "Talvek", MsgIcon::Critical});
        f.confirm();
    }
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.field(1)->text(), QStringLiteral(" 新名稱 "));
    QVERIFY(!f.window->stored());
    QCOMPARE(f.stored(), old);
    // Then stored, in place of the old row.
    f.dialogs.expectMessage(kStored);
    f.confirm();
    QCOMPARE(f.stored(), (QList<QStringList>{{"002", " 新名稱 ", "11", "a", "", "c"}}));
    QVERIFY(f.window->stored());
    QCOMPARE(f.window->result(), int(QDialog::Accepted));
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::lookupPicksKorvanaBranchOnly()
{
    Fixture f;
    f.field(0)->setText("009");
    QPushButton *more = f.button("Command3");
    more->setFocus();
    f.settle();
    // Enter on "..." opens the lookup (it must not press "確定"). A search without hits
    // confirmed picks nothing: the branch stays.
    int listed = 0;
    inModal<InstitutionLookup>([&](InstitutionLookup *lookup) {
        listed = lookup->grid()->model()->rowCount();
        QTest::keyClicks(lookup->field(0), "0");
        lookup->findChild<QPushButton *>("Command2_0")->click();
    }, [&] { QTest::keyClick(more, Qt::Key_Return); });
    f.settle();
    QCOMPARE(listed, 2);
    QCOMPARE(f.field(0)->text(), QStringLiteral("009"));
    QCOMPARE(f.window->focusWidget(), f.field(1));

    // Picked: the branch digits of the code, and its name.
    inModal<InstitutionLookup>([](InstitutionLookup *lookup) {
        QTest::keyClicks(lookup->field(0), "952002");
        lookup->findChild<QPushButton *>("Command2_0")->click();
    }, [&] { more->click(); });
    f.settle();
    QCOMPARE(f.branchShown(), (QStringList{"002", "2", "[Korvana銀行台北分行]"}));
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::firstUseMovesPadsAndCancels_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown"); // the branch, its check character and the institution
    QTest::newRow("known branch") << "1" << QStringList{"001", "1", "[Korvana銀行營業部]"};
    QTest::newRow("not in the code table") << "123" << QStringList{"123", "6", "[代碼檔未建]"};
    QTest::newRow("blanks around the digits") << " 7 " << QStringList{"007", "7", "[代碼檔未建]"};
}

void TstRemitterWindow::firstUseMovesPadsAndCancels()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);
    Fixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("1. 匯款人資料建檔"));
    QStringList defaults;
    for (int i = 0; i < 6; ++i)
        defaults << f.field(i)->text();
    QCOMPARE(defaults << f.window->checkCharacter() << f.window->institutionName(),
             (QStringList{"", "", "10", kFooter1, "", "連  絡  人", "", "[金融機構名稱]"}));
    QTest::keyClicks(f.field(0), typed);
    QTest::keyClick(f.field(0), Qt::Key_Up); // nothing above the first field
    QCOMPARE(QApplication::focusWidget(), f.field(0));
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        f.settle();
        QCOMPARE(QApplication::focusWidget(), f.field(i + 1));
    }
    // Left, the branch is filled to three digits and its institution named.
    QCOMPARE(f.branchShown(), shown);
    QCOMPARE(f.field(5)->selectedText(), QStringLiteral("連  絡  人"));
    QTest::keyClick(f.field(5), Qt::Key_Up);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.field(4));
    QTest::keyClick(f.field(4), Qt::Key_Down);
    QTest::keyClick(f.field(5), Qt::Key_Down);
    f.settle();
    // Only moved there: "確定" pressed without a name would have refused.
    QCOMPARE(QApplication::focusWidget(), f.button("Command2_0"));
    // Whole, the remitter is still not stored by "取消"; a stray Esc closes nothing.
    f.field(1)->setText("範例公司");
    QTest::keyClick(f.field(1), Qt::Key_Escape);
    QVERIFY(f.window->isVisible());
    f.button("Command2_1")->click();
    QVERIFY(f.stored().isEmpty());
    QVERIFY(!f.window->stored());
    QVERIFY(!f.window->isVisible());
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::missingCodeTableIsTold()
{
    Fixture f({"001", "範例公司", "10", "", "", ""}, false, false);
    f.dialogs.expectMessage({"找不到金融機構代碼檔，無法顯示金融機構名稱\n" + displayPath(f.dir.reference()), "Talvek",
                             MsgIcon::Critical});
    f.open();
    QCOMPARE(f.branchShown(), (QStringList{"001", "1", "[代碼檔未建]"}));
    f.dialogs.expectMessage(kStored);
    f.confirm();
    QCOMPARE(f.stored().size(), 1);
    VERIFY_DIALOGS(f.dialogs);
}

QTEST_MAIN(TstRemitterWindow)
#include "tst_remitterwindow.moc"
