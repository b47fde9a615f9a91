#include "core/output/remittancelist.h"

#include <QFile>
#include <QTest>

// The customer signs this list and hands it to the bank: every line is compared whole,
// column by column as the layout counts them (Big5 bytes).
namespace {

ListInput input(int lines = 0)
{
    // The home bank's label takes 20 bytes.
    ListInput in{true, "範例公司", "主管     ", "製表", "連  絡  人", {}, "151206", "1512061201", "薪資", "9520011",
                 " [Korvana銀行營業部]", "15/12/6"};
    for (int i = 1; i <= lines; ++i)
        in.lines << ListLineRow{QString("P%1").arg(i), "12345         ", "0091230", "王小明", "1500", "薪資", "30"};
    return in;
}

// A reference list, its printed lines one to a line.
QString reference(const QString &name)
{
    QFile f(QFINDTESTDATA("data/" + name));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

Q_DECLARE_METATYPE(ListInput)

class TstRemittanceList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wholeLists_data();
    void wholeLists();
    void previewDiffersOnlyWhereItShould();
};

void TstRemittanceList::wholeLists_data()
{
    QTest::addColumn<ListInput>("in");
    QTest::addColumn<QString>("lines"); // the reference list's name
    QTest::addColumn<QStringList>("notCounted");
    QTest::addColumn<bool>("totalsTooLarge");
    QTest::newRow("no lines: heading and closing") << input(0) << "list-empty.txt" << QStringList() << false;
    QTest::newRow("30: the last page holds the heading and closing only") << input(30) << "list-30.txt" << QStringList() << false;
    QTest::newRow("31: line 31 on page 2") << input(31) << "list-31.txt" << QStringList() << false;
    QTest::newRow("61: three pages") << input(61) << "list-61.txt" << QStringList() << false;
    // Names are cut at 40 bytes and remarks at 10, a cut inside a character leaving a blank.
    const QString wang = QString(QChar(0x738B));
    const auto named = [](const char *row, const QString &name, const QString &remark, const char *lines) {
        ListInput in = input(1);
        in.lines[0].name = name;
        in.lines[0].remark = remark;
        QTest::newRow(row) << in << lines << QStringList() << false;
    };
    named("cut at 40 and 10 bytes", wang.repeated(21), wang.repeated(6), "list-cut.txt");
    named("a cut inside a character leaves a blank", "A" + wang.repeated(20), "A" + wang.repeated(5), "list-cut-inside.txt");
    named("blanks around are dropped, then padded", "  王  ", " 薪 ", "list-blanks.txt");
    // Ten-digit amounts end in their columns; a total that does not fit shows "*" only. A
    // home bank label of 47 bytes gets no blanks before the 19.
    ListInput tenDigits = input(0), tooLarge = input(0);
    tenDigits.homeBankLabel = " [" + QString(22, QChar(0x738B)) + "]";
    tenDigits.lines << ListLineRow{"A", "1", "0091230", "王", "9999999999", "", "0"};
    tenDigits.lines << ListLineRow{"B", "1", "0091230", "王", "9999999999", "", "1"};
    QTest::newRow("ten-digit amounts end in their columns") << tenDigits << "list-ten-digits.txt" << QStringList() << false;
    for (int n = 1; n <= 11; ++n)
        tooLarge.lines << ListLineRow{"L", "1", "0091230", "王", "9999999999", "", "0"};
    QTest::newRow("totals too large for their columns") << tooLarge << "list-too-large.txt" << QStringList() << true;
    // What cannot be read is shown as stored and marked, its line named and left out of the
    // totals, never counted as 0; a good amount still counts, as in the bank file's sum.
    ListInput unreadable = input(3);
    unreadable.lines[0].fee = "1O";
    unreadable.lines[1].fee = "";
    unreadable.lines[2].amount = "15OO";
    QTest::newRow("values that cannot be added") << unreadable << "list-unreadable.txt" << QStringList{"P1", "P2", "P3"} << false;
    ListInput none = input(1);
    none.hasRemitter = false;
    QTest::newRow("no remitter, no list") << none << "" << QStringList() << false;
}

void TstRemittanceList::wholeLists()
{
    QFETCH(ListInput, in);
    QFETCH(QString, lines);
    QFETCH(QStringList, notCounted);
    QFETCH(bool, totalsTooLarge);
    const ListResult r = BuildList(in);
    // An entry may begin with line breaks of its own (the title's), printed as empty lines.
    QCOMPARE(r.lines.isEmpty() ? QString() : QString(r.lines.join("\n") + "\n").replace("\r\n", "\n"),
             lines.isEmpty() ? QString() : reference(lines));
    QCOMPARE(r.notCounted, notCounted);
    QCOMPARE(r.totalsTooLarge, totalsTooLarge);
}

void TstRemittanceList::previewDiffersOnlyWhereItShould()
{
    // The account heading is spaced otherwise, and each page break has one more empty line.
    QString shown = reference("list-31.txt").replace("帳　　　　　號", "帳    　　　號").replace("接下頁\n", "接下頁\n\n");
    QCOMPARE(BuildList(input(31)).preview, shown.replace("\n", "\r\n"));
}

QTEST_MAIN(TstRemittanceList)
#include "tst_remittancelist.moc"
