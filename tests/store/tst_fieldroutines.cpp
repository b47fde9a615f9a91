#include "support/teststores.h"

#include "platform/clock.h"
#include "store/fieldroutines.h"
#include "store/schema.h"
#include "store/store.h"

#include <QTest>

class TstFieldRoutines : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rocToday_data();
    void rocToday();
    void dateAndBatchChecks_data();
    void dateAndBatchChecks();
    void instCheckDigit_data();
    void instCheckDigit();
    void accountAndBig5Checks_data();
    void accountAndBig5Checks();
    void invisibleMarksNeverPass();
    void big5Widths_data();
    void big5Widths();
    void shaping_data();
    void shaping();
    void instNameLabelReadsTheStoreAsItIsNow();
};

void TstFieldRoutines::rocToday_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("expected");
    QTest::newRow("list date keeps month and day unpadded") << QDate(2002, 9, 5) << "1" << "91/9/5";
    QTest::newRow("six characters padded") << QDate(2002, 9, 5) << "2" << "910905";
    QTest::newRow("ROC 100 wraps to 00") << QDate(2011, 1, 5) << "2" << "000105";
    QTest::newRow("ROC 115 list date, mode trimmed") << QDate(2026, 12, 6) << " 1" << "15/12/6";
    QTest::newRow("any other mode is the six-character form") << QDate(2026, 2, 28) << "x" << "150228";
}

void TstFieldRoutines::rocToday()
{
    QFETCH(QDate, today);
    QFETCH(QString, mode);
    QFETCH(QString, expected);
    FixedClock clock(today);
    QCOMPARE(RocToday(clock, mode), expected);
}

void TstFieldRoutines::dateAndBatchChecks_data()
{
    // With no batch number the date alone is checked (CheckRocDate), else the batch against it.
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("batch");
    QTest::addColumn<int>("expected");
    QTest::newRow("2002 is not a leap year") << "910229" << "" << -2;
    QTest::newRow("2000 is a leap year") << "890229" << "" << 1;
    QTest::newRow("1911 is not a leap year") << "000229" << "" << -2;
    QTest::newRow("2012 (ROC 101 as 01) is a leap year") << "010229" << "" << 1;
    QTest::newRow("month 13") << "911301" << "" << -3;
    QTest::newRow("month 00") << "910001" << "" << -3;
    QTest::newRow("day 00") << "910100" << "" << -2;
    QTest::newRow("April has 30 days") << "910431" << "" << -2;
    QTest::newRow("last day of April") << "910430" << "" << 1;
    QTest::newRow("seven characters") << "9109151" << "" << -1;
    QTest::newRow("blanks around are trimmed") << " 910915 " << "" << 1;
    QTest::newRow("batch valid") << "910915" << "9109151001" << 1;
    QTest::newRow("batch customer code below 10") << "910915" << "9109150901" << -4;
    QTest::newRow("batch sub-batch 00") << "910915" << "9109151000" << -3;
    QTest::newRow("batch sub-batch 00 replaces customer code") << "910915" << "9109150900" << -3;
    QTest::newRow("batch of another date") << "910915" << "9109161001" << -2;
    QTest::newRow("batch of nine characters") << "910915" << "910915100" << -1;
    QTest::newRow("batch not trimmed: a trailing blank makes eleven") << "910915" << "9109151001 " << -1;
    QTest::newRow("empty date matches no batch, not even 000000") << "" << "0000001001" << -2;
    QTest::newRow("batch with a leading zero year") << "000105" << "0001051001" << 1;
}

void TstFieldRoutines::dateAndBatchChecks()
{
    QFETCH(QString, date);
    QFETCH(QString, batch);
    QFETCH(int, expected);
    QCOMPARE(batch.isEmpty() ? CheckRocDate(date) : CheckBatchNo(batch, date), expected);
}

void TstFieldRoutines::instCheckDigit_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Korvana branch 123") << "952123" << "6";
    QTest::newRow("seventh digit ignored") << "9521239" << "6";
    QTest::newRow("bank 009 counts branch digits only") << "009123" << "0";
    QTest::newRow("bank 009 complement") << "009999" << "2";
    QTest::newRow("bank below 100") << "012345" << "3";
    QTest::newRow("bank 100 uses the remainder") << "100005" << "8";
    QTest::newRow("bank 300 is still in the range") << "300000" << "9";
    QTest::newRow("bank 301 is above it") << "301000" << "2";
    QTest::newRow("blanks do not count toward six") << "  95212  " << "*";
}

void TstFieldRoutines::instCheckDigit()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QCOMPARE(InstCheckDigit(code), expected);
}

void TstFieldRoutines::accountAndBig5Checks_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("account valid, blanks trimmed") << "account" << " 952001000013 " << true;
    QTest::newRow("account wrong check digit") << "account" << "123456789015" << false;
    QTest::newRow("account check digit 0 never passes") << "account" << "123123123120" << false;
    QTest::newRow("account first three digits zero") << "account" << "000000000009" << false;
    QTest::newRow("account 001 is not zero") << "account" << "001000000005" << true;
    QTest::newRow("account of eleven digits") << "account" << "12345678901" << false;
    QTest::newRow("Chinese and ASCII") << "big5" << "台北市王小明 Co." << true;
    QTest::newRow("user-defined character") << "big5" << QString(QChar(0xE000)) << true;
    QTest::newRow("e acute has no Big5 form") << "big5" << "Café" << false;
    QTest::newRow("emoji") << "big5" << QString::fromUtf8("王\xF0\x9F\x98\x80") << false;
    QTest::newRow("zero-width space writes as nothing") << "big5" << QString::fromUtf8("王\u200B明") << false;
    QTest::newRow("soft hyphen") << "big5" << QString::fromUtf8("王\u00AD明") << false;
    QTest::newRow("tab shifts the positions") << "big5" << "王\t明" << false;
    QTest::newRow("C1 control U+0080") << "big5" << QString::fromUtf8("a\u0080") << false;
    QTest::newRow("a private-use character written as a lone byte") << "big5" << QString(QChar(0xF8F8)) << false;
    QTest::newRow("empty text is Big5") << "big5" << "" << true;
}

void TstFieldRoutines::accountAndBig5Checks()
{
    QFETCH(QString, routine);
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(routine == QLatin1String("account") ? CheckHomeAccount(text) : IsBig5Text(text), expected);
}

void TstFieldRoutines::invisibleMarksNeverPass()
{
    // Each of these is written as nothing, or as something else, by the Big5 encoder.
    QList<QPair<char16_t, char16_t>> ranges{{0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F}, {0xFEFF, 0xFEFF},
                                           {0x00AD, 0x00AD}, {0xFE00, 0xFE0F}, {0x3164, 0x3164}, {0xFFA0, 0xFFA0}};
    QStringList passing;
    for (const auto &[from, to] : ranges)
        for (char16_t c = from; c <= to; ++c)
            if (IsBig5Text(QStringLiteral("王") + QChar(c) + QStringLiteral("明")))
                passing << QString::number(c, 16);
    QCOMPARE(passing, QStringList());
}

void TstFieldRoutines::big5Widths_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");
    QTest::newRow("Chinese counts two") << "王A" << 3;
    QTest::newRow("full-width blank") << "　" << 2;
    QTest::newRow("blanks are not trimmed") << " 王 " << 4;
}

void TstFieldRoutines::big5Widths()
{
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QCOMPARE(Big5Length(text), bytes);
    QVERIFY(FitsBig5(text, bytes));
    QVERIFY(!FitsBig5(text, bytes - 1));
}

void TstFieldRoutines::shaping_data()
{
    // ZeroPadLeft(n, text), SpacePadRight(n, text) or Big5Mid(text, n, count).
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero 7 to 3") << "zero" << "7" << 3 << 0 << "007";
    QTest::newRow("zero blank stays blank") << "zero" << "  " << 3 << 0 << "  ";
    QTest::newRow("zero long never cut") << "zero" << "1234" << 3 << 0 << "1234";
    QTest::newRow("zero counts trimmed, keeps untrimmed") << "zero" << "7 " << 3 << 0 << "007 ";
    QTest::newRow("zero trims blanks only") << "zero" << "\t" << 3 << 0 << "00\t";
    QTest::newRow("space Chinese and Latin") << "space" << "王A" << 6 << 0 << "王A   ";
    QTest::newRow("space empty becomes n blanks") << "space" << "" << 4 << 0 << "    ";
    QTest::newRow("space long never cut") << "space" << "王小" << 2 << 0 << "王小";
    QTest::newRow("space counts trimmed text") << "space" << "AB  " << 5 << 0 << "AB     ";
    QTest::newRow("space keeps a full-width blank's width") << "space" << "中　" << 6 << 0 << "中　  ";
    QTest::newRow("mid first 40 of a padded name") << "mid" << SpacePadRight(68, QStringLiteral("王小明")) << 1 << 40
                                                   << QStringLiteral("王小明") + QString(34, QLatin1Char(' '));
    QTest::newRow("mid whole characters from byte 3") << "mid" << "王小明" << 3 << 2 << "小";
    QTest::newRow("mid ends inside a character") << "mid" << "王小明" << 1 << 3 << "王 ";
    QTest::newRow("mid starts inside a character") << "mid" << "王小明" << 2 << 3 << " 小";
    QTest::newRow("mid past the end") << "mid" << "AB" << 5 << 2 << "";
    QTest::newRow("mid runs past the end") << "mid" << "ABC" << 2 << 10 << "BC";
}

void TstFieldRoutines::shaping()
{
    QFETCH(QString, routine);
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(int, count);
    QFETCH(QString, expected);
    const QString shaped = routine == QLatin1String("mid")    ? Big5Mid(text, n, count)
                           : routine == QLatin1String("zero") ? ZeroPadLeft(n, text)
                                                              : SpacePadRight(n, text);
    QCOMPARE(shaped, expected);
}

void TstFieldRoutines::instNameLabelReadsTheStoreAsItIsNow()
{
    QCOMPARE(InstNameLabel(nullptr, "9521236"), QStringLiteral("[代碼檔未建]"));
    TestDir dir;
    dir.makeStores({{"9521236", "Korvana", " Korvana銀行台北分行  "}, {"9521236", "Second", "Second row"}});
    Store::Opened opened = Store::open(dir.reference(), Schema::reference());
    QVERIFY(opened.store);
    Store *reference = opened.store.get();

    QCOMPARE(InstNameLabel(reference, "9521236"), QStringLiteral("[Korvana銀行台北分行]"));
    QCOMPARE(InstNameLabel(reference, "9521237"), QStringLiteral("[代碼檔未建]"));
    QCOMPARE(InstNameLabel(reference, "9521236' OR '1'='1"), QStringLiteral("[代碼檔未建]"));

    // A change stored by someone else shows at the next call.
    TestDir::exec(dir.reference(), "UPDATE VXBANK SET FNAME = '新名稱' WHERE rowid = 1");
    QCOMPARE(InstNameLabel(reference, "9521236"), QStringLiteral("[新名稱]"));
    // A null name is an empty name, not an unknown code.
    TestDir::exec(dir.reference(), "INSERT INTO VXBANK (BKBRNO, BNAME) VALUES ('0120003', 'Y')");
    QCOMPARE(InstNameLabel(reference, "0120003"), QStringLiteral("[]"));
}

QTEST_GUILESS_MAIN(TstFieldRoutines)
#include "tst_fieldroutines.moc"
