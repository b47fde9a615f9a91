#include "support/teststores.h"

#include "core/output/remittancelist.h"

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

ListInput named(const QString &name, const QString &remark)
{
    ListInput in = input(1);
    in.lines[0].name = name;
    in.lines[0].remark = remark;
    return in;
}

QString reference(const QString &name) { return QString::fromUtf8(REFERENCE_BYTES(name)); }

} // namespace

Q_DECLARE_METATYPE(ListInput)

class TstRemittanceList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wholeLists_data();
    void wholeLists();
    void preview();
};

void TstRemittanceList::wholeLists_data()
{
    QTest::addColumn<ListInput>("in");
    QTest::addColumn<QString>("lines");      // the reference list; none: no list at all
    QTest::addColumn<QStringList>("marked"); // payees left out of the totals, "totals" when they do not fit
    QTest::newRow("no lines: heading and closing") << input(0) << "list-empty.txt" << QStringList();
    QTest::newRow("30: the last page holds the heading and closing only") << input(30) << "list-30.txt" << QStringList();
    QTest::newRow("31: line 31 on page 2") << input(31) << "list-31.txt" << QStringList();
    QTest::newRow("61: three pages") << input(61) << "list-61.txt" << QStringList();
    // Names are cut at 40 bytes and remarks at 10, a cut inside a character leaving a blank.
    const QString wang = QString(QChar(0x738B));
    QTest::newRow("cut at 40 and 10 bytes") << named(wang.repeated(21), wang.repeated(6)) << "list-cut.txt" << QStringList();
    QTest::newRow("a cut inside a character leaves a blank")
        << named("A" + wang.repeated(20), "A" + wang.repeated(5)) << "list-cut-inside.txt" << QStringList();
    QTest::newRow("blanks around are dropped, then padded") << named("  王  ", " 薪 ") << "list-blanks.txt" << QStringList();
    // Ten-digit amounts end in their columns; a total that does not fit shows "*" only. A
    // home bank label of 47 bytes gets no blanks before the 19.
    ListInput tenDigits = input(0), tooLarge = input(0);
    tenDigits.homeBankLabel = " [" + QString(22, QChar(0x738B)) + "]";
    tenDigits.lines << ListLineRow{"A", "1", "0091230", "王", "9999999999", "", "0"} << ListLineRow{"B", "1", "0091230", "王", "9999999999", "", "1"};
    QTest::newRow("ten-digit amounts end in their columns") << tenDigits << "list-ten-digits.txt" << QStringList();
    for (int n = 1; n <= 11; ++n)
        tooLarge.lines << ListLineRow{"L", "1", "0091230", "王", "9999999999", "", "0"};
    QTest::newRow("totals too large for their columns") << tooLarge << "list-too-large.txt" << QStringList{"totals"};
    // What cannot be read is shown as stored and marked, its line named and left out of the
    // totals, never counted as 0; a good amount still counts, as in the bank file's sum.
    ListInput unreadable = input(3), none = input(1);
    unreadable.lines[0].fee = "1O";
    unreadable.lines[1].fee = "";
    unreadable.lines[2].amount = "15OO";
    QTest::newRow("values that cannot be added") << unreadable << "list-unreadable.txt" << QStringList{"P1", "P2", "P3"};
    none.hasRemitter = false;
    QTest::newRow("no remitter, no list") << none << "" << QStringList();
}

void TstRemittanceList::wholeLists()
{
    QFETCH(ListInput, in);
    QFETCH(QString, lines);
    QFETCH(QStringList, marked);
    const ListResult r = BuildList(in);
    // An entry may begin with line breaks of its own (the title's), printed as empty lines.
    QCOMPARE(r.lines.isEmpty() ? QString() : QString(r.lines.join("\n") + "\n").replace("\r\n", "\n"),
             lines.isEmpty() ? QString() : reference(lines));
    QCOMPARE(r.notCounted + (r.totalsTooLarge ? QStringList{"totals"} : QStringList()), marked);
}

// The preview spaces the account heading otherwise and adds an empty line after each page break.
void TstRemittanceList::preview()
{
    QCOMPARE(BuildList(input(31)).preview, reference("list-31-preview.txt"));
}

QTEST_MAIN(TstRemittanceList)
#include "tst_remittancelist.moc"
