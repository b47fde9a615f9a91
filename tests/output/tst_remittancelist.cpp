#include "output/remittancelist.h"

#include <QTest>

// The customer signs this list and hands it to the bank: every line is compared whole,
// column by column as the layout counts them (Big5 bytes).
namespace {

QString b(int n) { return QString(n, QLatin1Char(' ')); }

const QString kRule = b(5) + QString(137, QLatin1Char('-'));
const QString kHeadings = b(5) + "序　號" + b(1) + "解款行" + b(2) + "帳　　　　　號" + b(2) + "匯  款  金  額" + b(9) + "手 續 費"
    + b(10) + "合    計" + b(2) + "收 款 人 姓 名 　　　     　　　　　     備註";

ListInput input(int lines = 0)
{
    ListInput in;
    in.hasRemitter = true;
    in.name = "範例公司";
    in.note1 = "主管     ";
    in.note2 = "製表";
    in.note3 = "連  絡  人";
    in.headerDate = "151206";
    in.headerBatch = "1512061201";
    in.headerPurpose = "薪資";
    in.homeBankCode = "9520011";
    in.homeBankLabel = " [Korvana銀行營業部]"; // 20 bytes
    in.today = "15/12/6";
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

// The sample line numbered n: 1,500 + 30 = 1,530.
QString detail(int n, const QString &name = "王小明" + b(34), const QString &remark = "薪資" + b(6))
{
    return b(5) + QString("%1").arg(n, 6) + " 0091230 12345         " + b(3) + b(8) + "1,500" + b(4) + b(11) + "30" + b(4)
        + b(9) + "1,530" + b(2) + name + " " + remark;
}

} // namespace

Q_DECLARE_METATYPE(ListInput)

class TstRemittanceList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wholeLists_data();
    void wholeLists();
    void pagesOfThirty_data();
    void pagesOfThirty();
    void namesAndRemarksKeepTheirColumns_data();
    void namesAndRemarksKeepTheirColumns();
    void valuesThatCannotBeAdded();
    void previewDiffersOnlyWhereItShould();
};

void TstRemittanceList::wholeLists_data()
{
    QTest::addColumn<ListInput>("in");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("no lines: heading and closing")
        << input(0) << heading(1) + closing(b(5) + "0", b(13) + "0", b(13) + "0", b(14) + "0");
    QTest::newRow("one line") << input(1) << heading(1) + QStringList{detail(1)} + closing(b(5) + "1", b(9) + "1,500", b(12) + "30", b(10) + "1,530");
    ListInput wide = input(0);
    wide.homeBankLabel = " [" + QString(22, QChar(0x738B)) + "]"; // 47 bytes: no blanks before the 19
    wide.lines << ListLineRow{"A", "1", "0091230", "王", "9999999999", "", "0"};
    wide.lines << ListLineRow{"B", "1", "0091230", "王", "9999999999", "", "1"};
    QStringList wideLines = heading(1);
    wideLines[3] = b(5) + "匯款行：9520011" + wide.homeBankLabel + b(19) + "用途：薪資";
    const QString one = b(5) + "     1 0091230 1" + b(13) + b(3) + "9,999,999,999" + b(4) + b(12) + "0" + b(4) + " 9,999,999,999"
        + b(2) + "王" + b(38) + " " + b(10);
    const QString two = b(5) + "     2 0091230 1" + b(13) + b(3) + "9,999,999,999" + b(4) + b(12) + "1" + b(4) + "10,000,000,000"
        + b(2) + "王" + b(38) + " " + b(10);
    QTest::newRow("ten-digit amounts end in their columns")
        << wide << wideLines + QStringList{one, two} + closing(b(5) + "2", "19,999,999,998", b(13) + "1", " 19,999,999,999");
}

void TstRemittanceList::wholeLists()
{
    QFETCH(ListInput, in);
    QFETCH(QStringList, lines);
    const ListResult r = BuildList(in);
    QCOMPARE(r.lines, lines);
    QVERIFY(r.notCounted.isEmpty());
    QVERIFY(!r.totalsTooLarge);
}

void TstRemittanceList::pagesOfThirty_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("pages");
    QTest::newRow("29") << 29 << 1;
    QTest::newRow("30: the last page holds the heading and closing only") << 30 << 2;
    QTest::newRow("31: line 31 on page 2") << 31 << 2;
    QTest::newRow("61") << 61 << 3;
}

void TstRemittanceList::pagesOfThirty()
{
    QFETCH(int, count);
    QFETCH(int, pages);
    const ListResult r = BuildList(input(count));
    QStringList expected;
    for (int page = 1; page <= pages; ++page) {
        expected << heading(page);
        const int first = (page - 1) * 30 + 1;
        for (int n = first; n <= qMin(count, first + 29); ++n)
            expected << detail(n);
        if (page < pages)
            expected << kRule << b(5) + "資料未完；接下頁";
    }
    expected << closing(QString("%1").arg(count, 6), amountField(1500LL * count, 14), amountField(30LL * count, 14),
                        amountField(1530LL * count, 15));
    QCOMPARE(r.lines, expected);
}

void TstRemittanceList::namesAndRemarksKeepTheirColumns_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("remark");
    QTest::addColumn<QString>("nameColumn");
    QTest::addColumn<QString>("remarkColumn");
    const QString wang = QString(QChar(0x738B));
    QTest::newRow("cut at 40 and 10 bytes") << wang.repeated(21) << wang.repeated(6) << wang.repeated(20) << wang.repeated(5);
    QTest::newRow("a cut inside a character leaves a blank")
        << "A" + wang.repeated(20) << "A" + wang.repeated(5) << "A" + wang.repeated(19) + " " << "A" + wang.repeated(4) + " ";
    QTest::newRow("blanks around are dropped, then padded") << "  王  " << " 薪 " << wang + b(38) << "薪" + b(8);
}

void TstRemittanceList::namesAndRemarksKeepTheirColumns()
{
    QFETCH(QString, name);
    QFETCH(QString, remark);
    QFETCH(QString, nameColumn);
    QFETCH(QString, remarkColumn);
    ListInput in = input(1);
    in.lines[0].name = name;
    in.lines[0].remark = remark;
    QCOMPARE(BuildList(in).lines[8], detail(1, nameColumn, remarkColumn));
}

void TstRemittanceList::valuesThatCannotBeAdded()
{
    // A fee that is not a whole number, an empty one, an amount with a letter: each line is
    // marked and named; what cannot be read is left out of the totals, never counted as 0,
    // while a good amount still counts (the amount total stays the bank file's sum).
    ListInput in = input(3);
    in.lines[0].fee = "1O";
    in.lines[1].fee = "";
    in.lines[2].amount = "15OO";
    const ListResult r = BuildList(in);
    QCOMPARE(r.notCounted, (QStringList{"P1", "P2", "P3"}));
    QCOMPARE(r.lines[8].mid(71, 14), b(13) + "*");
    QCOMPARE(r.lines[8].mid(54, 13), b(11) + "1O");
    QCOMPARE(r.lines[10].mid(37, 13), b(9) + "15OO");
    QCOMPARE(r.lines.mid(11), closing(b(5) + "3", b(9) + "3,000", b(12) + "30", b(14) + "0"));
    // Totals too large for their columns show "*", not a cut or wrapped number.
    ListInput large = input(0);
    for (int i = 0; i < 11; ++i)
        large.lines << ListLineRow{"L", "1", "0091230", "王", "9999999999", "", "0"};
    const ListResult big = BuildList(large);
    QVERIFY(big.totalsTooLarge);
    QCOMPARE(big.lines[8 + 11 + 2], b(18) + "總計總金額：" + b(6) + b(13) + "*元 " + b(13) + "*元 " + b(14) + "*元 ");
    // Without a remitter there is no list.
    ListInput none = input(1);
    none.hasRemitter = false;
    QVERIFY(BuildList(none).lines.isEmpty());
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
