#include "support/testprogram.h"

#include "core/store/schema.h"
#include "ui/entry/presetwindow.h"
#include "ui/exchange/importdialog.h"
#include "ui/master/institutionlookup.h"
#include "ui/master/payeelookup.h"
#include "ui/platform/guidewindow.h"
#include "ui/shell/aboutbox.h"
#include "ui/shell/mainwindow.h"

#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTextBrowser>

namespace {

const QString kGuide = QStringLiteral(TALVEK_GUIDE);

QString sourceText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The string literals of a source file, comments and character literals left out, escapes
// kept as written.
QStringList literals(const QString &code)
{
    QStringList out;
    for (qsizetype i = 0, n = code.size(); i < n;) {
        if (code.mid(i, 2) == QLatin1String("//")) {
            i = code.indexOf(QLatin1Char('\n'), i);
            i = i < 0 ? n : i;
        } else if (code.mid(i, 2) == QLatin1String("/*")) {
            i = code.indexOf(QLatin1String("*/"), i + 2);
            i = i < 0 ? n : i + 2;
        } else if (code[i] == QLatin1Char('\'') || code[i] == QLatin1Char('"')) {
            const QChar quote = code[i];
            qsizetype j = i + 1;
            while (j < n && code[j] != quote)
                j += code[j] == QLatin1Char('\\') ? 2 : 1;
            if (quote == QLatin1Char('"'))
                out << code.mid(i + 1, j - i - 1);
            i = j + 1;
        } else {
            ++i;
        }
    }
    return out;
}

// Every text of the program's sources a user can read: the pieces of each literal that hold
// Chinese or full-width characters, cut at placeholders and line breaks, mnemonics left out.
// The made-up institutions and the pictures' sample batch are data, not the program's words.
QSet<QString> userTexts()
{
    static const QRegularExpression readable(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    static const QRegularExpression cuts(QStringLiteral("%L?\\d|\\\\n|\\\\t|\\\\\""));
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)"));
    QSet<QString> texts;
    for (const char *folder : {"src", "tools"}) {
        QDirIterator it(QStringLiteral(TALVEK_SOURCE_DIR "/") + QLatin1String(folder), {"*.cpp", "*.h"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QLatin1String("starterinstitutions.cpp")) || path.endsWith(QLatin1String("talvek-shots.cpp")))
                continue;
            for (QString literal : literals(sourceText(path))) {
                literal.remove(mnemonic).remove(QLatin1Char('&'));
                for (const QString &piece : literal.split(cuts))
                    if (piece.contains(readable))
                        texts.insert(piece.simplified());
            }
        }
    }
    return texts;
}

} // namespace

class TstGuideWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyWindowHasItsPage();
    void f1OpensTheWindowsOwnPage();
    void everyTextOfTheProgramIsExplained();
    void searchFindsTextInsideWords();
    void aMissingGuideIsSaid();
};

// The windows are found in the sources by their names, so a new window without a page fails.
void TstGuideWindow::everyWindowHasItsPage()
{
    static const QRegularExpression windowName(QStringLiteral("^(Form\\d+|frm[A-Z]\\w*)$"));
    QSet<QString> windows;
    QDirIterator it(QStringLiteral(TALVEK_SOURCE_DIR "/src/ui"), {"*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        for (const QString &literal : literals(sourceText(it.next())))
            if (windowName.match(literal).hasMatch())
                windows.insert(literal);
    QVERIFY(windows.size() >= 13);
    GuideWindow guide(kGuide);
    QVERIFY2(guide.problem().isEmpty(), qPrintable(guide.problem()));
    for (const QString &window : std::as_const(windows)) {
        const QUrl page = guide.pageOf(window);
        QVERIFY2(!page.isEmpty() && !guide.pageText(page).isEmpty(), qPrintable(window));
    }
    guide.showPageOf(QStringLiteral("Form4"));
    QCOMPARE(guide.page().fileName(), QStringLiteral("payees.html"));
    guide.showPageOf(QStringLiteral("nothing"));
    QCOMPARE(guide.page().fileName(), QStringLiteral("index.html"));
}

// F1 names the window it is pressed in, wherever the focus is, and nothing else sees the key.
void TstGuideWindow::f1OpensTheWindowsOwnPage()
{
    TestProgram p;
    p.dir.makeStores();
    TestDir::insert(p.dir.working(), Table::R_BASE, {{"001", "範例", "10", "", "", ""}});
    MainWindow main(p.context);
    QVERIFY(main.load());
    main.RefreshMenu();
    const QByteArray csv = "a,b\n";
    QList<QDialog *> windows{new PresetWindow(p.context, &main), new PayeeLookup(p.context, &main),
                             new InstitutionLookup(p.context, &main), new AboutBox(&main),
                             new ImportDialog(p.context, ImportKind::Payees, *p.context.working(), csv, "a.csv", &main)};
    QStringList expected{"Form1"};
    QVERIFY(showActive(&main));
    QTest::keyClick(main.focusWidget() ? main.focusWidget() : &main, Qt::Key_F1);
    for (int button : {1, 2, 3, 7}) {
        inModal([&](QDialog *w) {
            expected << w->objectName();
            QVERIFY(QTest::qWaitForWindowActive(w));
            QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_F1);
            w->reject();
        }, [&] { main.button(button)->click(); });
    }
    for (QDialog *w : windows) {
        expected << w->objectName();
        QVERIFY(showActive(w));
        QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_F1);
        w->close();
    }
    QCOMPARE(p.dialogs.guidesOpened, expected);
    QCOMPARE(expected.size(), QSet<QString>(expected.begin(), expected.end()).size());
    // The help menu opens the first page.
    main.findChild<QAction *>("mnuDoc")->trigger();
    QCOMPARE(p.dialogs.guidesOpened.last(), QString());
    VERIFY_DIALOGS(p.dialogs);
}

void TstGuideWindow::everyTextOfTheProgramIsExplained()
{
    GuideWindow guide(kGuide);
    QString all;
    for (const QUrl &page : guide.pages())
        all += guide.pageText(page).remove(QLatin1Char('&')).simplified() + QLatin1Char('\n');
    const QSet<QString> texts = userTexts();
    QStringList missing;
    for (const QString &text : texts)
        if (!all.contains(text))
            missing << text;
    qInfo("%lld texts of the program, %lld missing from the guide", qlonglong(texts.size()), qlonglong(missing.size()));
    QVERIFY(texts.size() > 400);
    missing.sort();
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
}

// Chinese runs on without blanks: a word inside a sentence is found, in every page holding it.
void TstGuideWindow::searchFindsTextInsideWords()
{
    GuideWindow guide(kGuide);
    auto *query = guide.findChild<QLineEdit *>("txtSearch");
    auto *hits = guide.findChild<QListWidget *>("lstHits");
    query->setText(QStringLiteral("手續費"));
    QTest::keyClick(query, Qt::Key_Return);
    QVERIFY(hits->count() >= 3);
    QVERIFY(hits->item(0)->text().contains(QStringLiteral("手續費")));
    Q_EMIT hits->itemActivated(hits->item(0));
    QVERIFY(guide.pageText(guide.page()).contains(QStringLiteral("手續費")));
    query->setText(QStringLiteral("沒有這種字眼"));
    QTest::keyClick(query, Qt::Key_Return);
    QCOMPARE(hits->count(), 1);
    QCOMPARE(hits->item(0)->text(), QStringLiteral("找不到"));
}

void TstGuideWindow::aMissingGuideIsSaid()
{
    GuideWindow guide(QStringLiteral("/nowhere/talvek.qch"));
    QCOMPARE(guide.problem(), QStringLiteral("/nowhere/talvek.qch"));
    guide.showPageOf(QStringLiteral("Form1"));
    QVERIFY(guide.page().isEmpty());
    QVERIFY(guide.findChild<QTextBrowser *>("txtPage")->toPlainText().startsWith(QStringLiteral("無法開啟使用說明檔")));
}

QTEST_MAIN(TstGuideWindow)
#include "tst_guidewindow.moc"
