#include "support/testprogram.h"

#include "master/institutionlookup.h"
#include "master/remitterwindow.h"
#include "store/appcontext.h"
#include "store/schema.h"
#include "store/storeopening.h"

#include <QApplication>
#include <QLineEdit>
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
    void fillRequired()
    {
        field(0)->setText("001");
        field(1)->setText("範例公司");
    }
    void confirm()
    {
        button("Command2_0")->click();
        settle();
    }
    QList<QStringList> stored() const { return TestDir::rows(dir.working(), "R_BASE"); }
};

} // namespace

class TstRemitterWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstUseShowsDefaults();
    void branchIsZeroPaddedAndNamed_data();
    void branchIsZeroPaddedAndNamed();
    void kindRuleWhenLeaving();
    void confirmRefuses_data();
    void confirmRefuses();
    void storesInPlace();
    void cancelStoresNothing();
    void lookupPicksKorvanaBranchOnly();
    void enterMovesAndReachesConfirm();
    void readOnlyStoreIsTold();
    void missingCodeTableIsTold();
};

void TstRemitterWindow::firstUseShowsDefaults()
{
    Fixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("1. 匯款人資料建檔"));
    const QStringList texts{f.field(0)->text(), f.field(1)->text(), f.field(2)->text(),
                            f.field(3)->text(), f.field(4)->text(), f.field(5)->text()};
    QCOMPARE(texts, (QStringList{"", "", "10", kFooter1, "", "連  絡  人"}));
    QCOMPARE(f.window->checkCharacter(), QString());
    QCOMPARE(f.window->institutionName(), QStringLiteral("[金融機構名稱]"));
    QCOMPARE(f.context.values().DataReturn, QStringLiteral("0"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::branchIsZeroPaddedAndNamed_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("branch");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("name");
    QTest::newRow("known branch") << "1" << "001" << "1" << "[Korvana銀行營業部]";
    QTest::newRow("not in the code table") << "123" << "123" << "6" << "[代碼檔未建]";
    QTest::newRow("blanks around the digits") << " 7 " << "007" << "7" << "[代碼檔未建]";
}

void TstRemitterWindow::branchIsZeroPaddedAndNamed()
{
    QFETCH(QString, typed);
    QFETCH(QString, branch);
    QFETCH(QString, check);
    QFETCH(QString, name);
    Fixture f;
    QTest::keyClicks(f.field(0), typed);
    QTest::keyClick(f.field(0), Qt::Key_Return);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.field(1));
    QCOMPARE(f.field(0)->text(), branch);
    QCOMPARE(f.window->checkCharacter(), check);
    QCOMPARE(f.window->institutionName(), name);
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::kindRuleWhenLeaving()
{
    Fixture f;
    f.field(2)->setFocus();
    f.settle();
    f.field(2)->setText("12");
    f.dialogs.expectMessage(kKind);
    QTest::keyClick(f.field(2), Qt::Key_Down);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.field(2));
    VERIFY_DIALOGS(f.dialogs);
    f.fillRequired();
    f.field(2)->setText("11");
    f.dialogs.expectMessage(kStored);
    f.confirm();
    QCOMPARE(f.stored().value(0).value(2), QStringLiteral("11"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::confirmRefuses_data()
{
    // The field at fault gets the text; with index 0 nothing else is keyed either.
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Message>("message");
    const auto tooWide = [](const QString &text) { return Message{text, "匯款人資料建檔", MsgIcon::Critical}; };
    QTest::newRow("nothing keyed: the branch first") << 0 << "" << kMustHaveValue;
    QTest::newRow("name of blanks") << 1 << "   " << kMustHaveValue;
    QTest::newRow("kind 12, straight from the field") << 2 << "12" << kKind;
    QTest::newRow("footer of 26 Chinese characters") << 3 << QString(26, QChar(0x4E3B)) << tooWide("輸入欄位超出 50Byte     ");
    QTest::newRow("name of 35 Chinese characters") << 1 << QString(35, QChar(0x738B)) << tooWide("輸入欄位超出 68Byte     ");
    QTest::newRow("name with no Big5 form") << 1 << "Café 公司" << tooWide("匯款人姓名含有無法轉成 Big5 的字元，請修改");
    QTest::newRow("footer with no Big5 form") << 5 << "这" << tooWide("加註 3含有無法轉成 Big5 的字元，請修改");
}

void TstRemitterWindow::confirmRefuses()
{
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(Message, message);
    Fixture f;
    if (index > 0)
        f.fillRequired();
    f.field(index)->setMaxLength(200); // what the box lets through by characters is checked by bytes
    f.field(index)->setText(text);
    f.dialogs.expectMessage(message);
    f.confirm();
    QCOMPARE(QApplication::focusWidget(), f.field(index));
    QCOMPARE(f.field(index)->text(), text);
    QVERIFY(f.stored().isEmpty());
    QVERIFY(f.window->isVisible());
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::storesInPlace()
{
    Fixture f({"002", "舊名稱", "10", "a", "b", "c"});
    QCOMPARE(f.field(1)->text(), QStringLiteral("舊名稱"));
    QCOMPARE(f.window->institutionName(), QStringLiteral("[Korvana銀行台北分行]"));
    f.field(1)->setText(" 新名稱 ");
    f.field(4)->setText("");
    f.dialogs.expectMessage(kStored);
    f.confirm();
    QCOMPARE(f.stored(), (QList<QStringList>{{"002", " 新名稱 ", "10", "a", "", "c"}}));
    QCOMPARE(f.context.values().DataReturn, QStringLiteral("5"));
    QCOMPARE(f.window->result(), int(QDialog::Accepted));
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::cancelStoresNothing()
{
    Fixture f;
    f.fillRequired();
    QTest::keyClick(f.field(1), Qt::Key_Escape); // a stray Esc closes nothing
    QVERIFY(f.window->isVisible());
    f.button("Command2_1")->click();
    QVERIFY(f.stored().isEmpty());
    QCOMPARE(f.context.values().DataReturn, QStringLiteral("0"));
    QCOMPARE(f.window->result(), int(QDialog::Rejected));
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
    QStringList seen;
    inModal<InstitutionLookup>([&](InstitutionLookup *lookup) {
        seen << QString::number(f.context.values().LookupCaller) << QString::number(lookup->grid()->model()->rowCount());
        QTest::keyClicks(lookup->field(0), "0");
        lookup->findChild<QPushButton *>("Command2_0")->click();
    }, [&] { QTest::keyClick(more, Qt::Key_Return); });
    f.settle();
    QCOMPARE(seen, (QStringList{"5", "2"}));
    QCOMPARE(f.field(0)->text(), QStringLiteral("009"));
    QCOMPARE(f.window->focusWidget(), f.field(1));
    QCOMPARE(f.context.values().LookupCaller, 0);
    QVERIFY(f.stored().isEmpty());

    // Picked: the branch digits of the code, and its name.
    inModal<InstitutionLookup>([](InstitutionLookup *lookup) {
        QTest::keyClicks(lookup->field(0), "952002");
        lookup->findChild<QPushButton *>("Command2_0")->click();
    }, [&] { more->click(); });
    f.settle();
    QCOMPARE(f.field(0)->text(), QStringLiteral("002"));
    QCOMPARE(f.window->checkCharacter(), QStringLiteral("2"));
    QCOMPARE(f.window->institutionName(), QStringLiteral("[Korvana銀行台北分行]"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::enterMovesAndReachesConfirm()
{
    Fixture f;
    QTest::keyClick(f.field(0), Qt::Key_Up); // nothing above the first field
    QCOMPARE(QApplication::focusWidget(), f.field(0));
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        f.settle();
        QCOMPARE(QApplication::focusWidget(), f.field(i + 1));
    }
    QCOMPARE(f.field(5)->selectedText(), QStringLiteral("連  絡  人"));
    QTest::keyClick(f.field(5), Qt::Key_Up);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.field(4));
    QTest::keyClick(f.field(4), Qt::Key_Down);
    QTest::keyClick(f.field(5), Qt::Key_Down);
    f.settle();
    QCOMPARE(QApplication::focusWidget(), f.button("Command2_0"));
    QVERIFY(f.stored().isEmpty());
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::readOnlyStoreIsTold()
{
    Fixture f;
    f.fillRequired();
    {
        HeldWriteLock lock(f.dir.working());
        QVERIFY(lock.held());
        f.dialogs.expectMessage({"資料庫唯讀,資料遺失\n" + displayPath(f.dir.working()), "Talvek", MsgIcon::Critical});
        f.button("Command2_0")->click();
    }
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.field(1)->text(), QStringLiteral("範例公司"));
    QCOMPARE(f.context.values().DataReturn, QStringLiteral("0"));
    VERIFY_DIALOGS(f.dialogs);
}

void TstRemitterWindow::missingCodeTableIsTold()
{
    Fixture f({"001", "範例公司", "10", "", "", ""}, false, false);
    f.dialogs.expectMessage({"找不到金融機構代碼檔，無法顯示金融機構名稱\n" + displayPath(f.dir.reference()), "Talvek",
                             MsgIcon::Critical});
    f.open();
    QCOMPARE(f.window->checkCharacter(), QStringLiteral("1"));
    QCOMPARE(f.window->institutionName(), QStringLiteral("[代碼檔未建]"));
    f.dialogs.expectMessage(kStored);
    f.confirm();
    QCOMPARE(f.stored().size(), 1);
    VERIFY_DIALOGS(f.dialogs);
}

QTEST_MAIN(TstRemitterWindow)
#include "tst_remitterwindow.moc"
