#include "output/remittancelist.h"

#include <QTest>

// The customer signs this list and hands it to the bank: every line is compared whole,
// column by column as the layout counts them (Big5 bytes).
namespace {

QString b(int n) { return QString(n, QLatin1Char(' ')); }

const QString kRule = b(5) + QString(137, QLatin1Char('-'));
const QString kHeadings = b(5) + "序　號" + b(1) + "解款行" + b(2) + "帳　　　　　號" + b(2) + "匯  款  金  額" + b(9) + "手 續 費"
    + b(10) + "合    計" + b(2) + "收 款 人 姓 名 　　　     　　　　　     備註";
// Amount, fee and total of the sample line: 1,500 + 30 = 1,530.
const QString kMoney = b(8) + "1,500" + b(4) + b(11) + "30" + b(4) + b(9) + "1,530";

ListInput input(int lines = 0)
{
    // The home bank's label takes 20 bytes.
    ListInput in{true, "範例公司", "主管     ", "製表", "連  絡  人", {}, "151206", "1512061201", "薪資", "9520011",
                 " [Korvana銀行營業部]", "15/12/6"};
    for (int i = 1; i <= lines; ++i)
        in.lines << ListLineRow{QString("P%1").arg(i), "12345         ", "0091230", "王小明", "1500", "薪資", "30"};
    return in;
}

QStringList heading(int page)
{
    return {"\r\n\r\n　 　整　批　匯　款　資　料　清　單",
            b(82) + "頁次：" + QString::number(page),
            b(5) + "匯款人：範例公司" + b(60) + " 製表日：15/12/6",
            b(5) + "匯款行：9520011 [Korvana銀行營業部]" + b(23) + b(19) + "用途：薪資",
            b(5) + "匯款日：151206" + b(63) + "批號：1512061201",
            "",
            kHeadings,
            kRule};
}

QStringList closing(const QString &count, const QString &amount, const QString &fee, const QString &total)
{
    return {kRule,
            b(18) + "總計總筆數：" + b(49) + count + "筆",
            b(18) + "總計總金額：" + b(6) + amount + "元 " + fee + "元 " + total + "元 ",
            "",
            b(10) + "主管     製表",
            "", "", "", "",
            b(10) + "連  絡  人"};
}

// A line of input() numbered n.
QString detail(int n, const QString &money = kMoney, const QString &name = "王小明" + b(34), const QString &remark = "薪資" + b(6))
{
    return b(5) + QString("%1").arg(n, 6) + " 0091230 12345         " + b(3) + money + b(2) + name + " " + remark;
}

// The whole list of input(count): 30 lines a page, each page after a break with its heading.
QStringList pages(int count)
{
    QStringList expected;
    const int last = count / 30 + 1;
    for (int page = 1; page <= last; ++page) {
        expected << heading(page);
        for (int n = (page - 1) * 30 + 1; n <= qMin(count, page * 30); ++n)
            expected << detail(n);
        if (page < last)
            expected << kRule << b(5) + "資料未完；接下頁";
    }
    return expected + closing(QString("%1").arg(count, 6), amountField(1500LL * count, 14), amountField(30LL * count, 14),
                              amountField(1530LL * count, 15));
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
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("notCounted");
    QTest::addColumn<bool>("totalsTooLarge");
    QTest::newRow("no lines: heading and closing") << input(0) << pages(0) << QStringList() << false;
    QTest::newRow("30: the last page holds the heading and closing only") << input(30) << pages(30) << QStringList() << false;
    QTest::newRow("31: line 31 on page 2") << input(31) << pages(31) << QStringList() << false;
    QTest::newRow("61: three pages") << input(61) << pages(61) << QStringList() << false;
    // Names are cut at 40 bytes and remarks at 10, a cut inside a character leaving a blank.
    const QString wang = QString(QChar(0x738B));
    const auto named = [](const char *row, const QString &name, const QString &remark, const QString &shownName,
                          const QString &shownRemark) {
        ListInput in = input(1);
        in.lines[0].name = name;
        in.lines[0].remark = remark;
        QStringList lines = pages(1);
        lines[8] = detail(1, kMoney, shownName, shownRemark);
        QTest::newRow(row) << in << lines << QStringList() << false;
    };
    named("cut at 40 and 10 bytes", wang.repeated(21), wang.repeated(6), wang.repeated(20), wang.repeated(5));
    named("a cut inside a character leaves a blank", "A" + wang.repeated(20), "A" + wang.repeated(5), "A" + wang.repeated(19) + " ",
          "A" + wang.repeated(4) + " ");
    named("blanks around are dropped, then padded", "  王  ", " 薪 ", wang + b(38), "薪" + b(8));
    // Ten-digit amounts end in their columns; a total that does not fit shows "*" only.
    const auto wide = [](int n, const QString &fee, const QString &total) {
        return b(5) + QString("%1").arg(n, 6) + " 0091230 1" + b(13) + b(3) + "9,999,999,999" + b(4) + fee + b(4) + total
            + b(2) + "王" + b(38) + " " + b(10);
    };
    ListInput tenDigits = input(0), tooLarge = input(0);
    tenDigits.homeBankLabel = " [" + QString(22, QChar(0x738B)) + "]"; // 47 bytes: no blanks before the 19
    tenDigits.lines << ListLineRow{"A", "1", "0091230", "王", "9999999999", "", "0"};
    tenDigits.lines << ListLineRow{"B", "1", "0091230", "王", "9999999999", "", "1"};
    QStringList tenDigitLines = heading(1), tooLargeLines = heading(1);
    tenDigitLines[3] = b(5) + "匯款行：9520011" + tenDigits.homeBankLabel + b(19) + "用途：薪資";
    tenDigitLines << wide(1, b(12) + "0", " 9,999,999,999") << wide(2, b(12) + "1", "10,000,000,000");
    QTest::newRow("ten-digit amounts end in their columns")
        << tenDigits << tenDigitLines + closing(b(5) + "2", "19,999,999,998", b(13) + "1", " 19,999,999,999") << QStringList()
        << false;
    for (int n = 1; n <= 11; ++n) {
        tooLarge.lines << ListLineRow{"L", "1", "0091230", "王", "9999999999", "", "0"};
        tooLargeLines << wide(n, b(12) + "0", " 9,999,999,999");
    }
    QTest::newRow("totals too large for their columns")
        << tooLarge << tooLargeLines + closing(b(4) + "11", b(13) + "*", b(13) + "*", b(14) + "*") << QStringList() << true;
    // What cannot be read is shown as stored and marked, its line named and left out of the
    // totals, never counted as 0; a good amount still counts, as in the bank file's sum.
    ListInput unreadable = input(3);
    unreadable.lines[0].fee = "1O";
    unreadable.lines[1].fee = "";
    unreadable.lines[2].amount = "15OO";
    QTest::newRow("values that cannot be added")
        << unreadable
        << heading(1) + QStringList{detail(1, b(8) + "1,500" + b(4) + b(11) + "1O" + b(4) + b(13) + "*"),
                                    detail(2, b(8) + "1,500" + b(4) + b(13) + b(4) + b(13) + "*"),
                                    detail(3, b(9) + "15OO" + b(4) + b(11) + "30" + b(4) + b(13) + "*")}
            + closing(b(5) + "3", b(9) + "3,000", b(12) + "30", b(14) + "0")
        << QStringList{"P1", "P2", "P3"} << false;
    ListInput none = input(1);
    none.hasRemitter = false;
    QTest::newRow("no remitter, no list") << none << QStringList() << QStringList() << false;
}

void TstRemittanceList::wholeLists()
{
    QFETCH(ListInput, in);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, notCounted);
    QFETCH(bool, totalsTooLarge);
    const ListResult r = BuildList(in);
    QCOMPARE(r.lines, lines);
    QCOMPARE(r.notCounted, notCounted);
    QCOMPARE(r.totalsTooLarge, totalsTooLarge);
}

void TstRemittanceList::previewDiffersOnlyWhereItShould()
{
    const ListResult r = BuildList(input(31));
    QStringList shown;
    for (QString line : r.lines) {
        if (line == kHeadings)
            line.replace("帳　　　　　號", "帳    　　　號");
        shown << line;
        if (line.endsWith("資料未完；接下頁"))
            shown << "";
    }
    QCOMPARE(r.preview, shown.join("\r\n") + "\r\n");
}

QTEST_MAIN(TstRemittanceList)
#include "tst_remittancelist.moc"
