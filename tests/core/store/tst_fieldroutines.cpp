#include "support/teststores.h"

#include "core/platform/clock.h"
#include "core/store/fieldroutines.h"
#include "core/store/schema.h"
#include "core/store/store.h"

#include <QTest>

class TstFieldRoutines : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void checks_data();
    void checks();
    void shaping_data();
    void shaping();
    void instNameLabelReadsTheStoreAsItIsNow();
};

void TstFieldRoutines::checks_data()
{
    // CheckRocDate(text), CheckBatchNo(text, date), CheckHomeAccount(text), IsBig5Text(text)
    // or Big5Length(text), which the text then fits and fits no less.
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("expected");
    QTest::newRow("2002 is not a leap year") << "date" << "910229" << "" << -2;
    QTest::newRow("2000 is a leap year") << "date" << "890229" << "" << 1;
    QTest::newRow("1911 is not a leap year") << "date" << "000229" << "" << -2;
    QTest::newRow("month 13") << "date" << "911301" << "" << -3;
    QTest::newRow("month 00") << "date" << "910001" << "" << -3;
    QTest::newRow("day 00") << "date" << "910100" << "" << -2;
    QTest::newRow("April has 30 days") << "date" << "910431" << "" << -2;
    QTest::newRow("last day of April") << "date" << "910430" << "" << 1;
    QTest::newRow("seven characters") << "date" << "9109151" << "" << -1;
    QTest::newRow("blanks around are trimmed") << "date" << " 910915 " << "" << 1;
    QTest::newRow("batch valid") << "batch" << "9109151001" << "910915" << 1;
    QTest::newRow("batch customer code below 10") << "batch" << "9109150901" << "910915" << -4;
    QTest::newRow("batch sub-batch 00") << "batch" << "9109151000" << "910915" << -3;
    QTest::newRow("batch sub-batch 00 replaces customer code") << "batch" << "9109150900" << "910915" << -3;
    QTest::newRow("batch of another date") << "batch" << "9109161001" << "910915" << -2;
    QTest::newRow("batch of nine characters") << "batch" << "910915100" << "910915" << -1;
    QTest::newRow("batch not trimmed: a trailing blank makes eleven") << "batch" << "9109151001 " << "910915" << -1;
    QTest::newRow("empty date matches no batch, not even 000000") << "batch" << "0000001001" << "" << -2;
    QTest::newRow("batch with a leading zero year") << "batch" << "0001051001" << "000105" << 1;
    QTest::newRow("account valid, blanks trimmed") << "account" << " 952001000013 " << "" << 1;
    QTest::newRow("account wrong check digit") << "account" << "123456789015" << "" << 0;
    QTest::newRow("account check digit 0 never passes") << "account" << "123123123120" << "" << 0;
    QTest::newRow("account first three digits zero") << "account" << "000000000009" << "" << 0;
    QTest::newRow("account 001 is not zero") << "account" << "001000000005" << "" << 1;
    QTest::newRow("account of eleven digits") << "account" << "12345678901" << "" << 0;
    QTest::newRow("Chinese and ASCII") << "big5" << "台北市王小明 Co." << "" << 1;
    QTest::newRow("user-defined character") << "big5" << QString(QChar(0xE000)) << "" << 1;
    QTest::newRow("e acute has no Big5 form") << "big5" << "Café" << "" << 0;
    QTest::newRow("emoji") << "big5" << "王\U0001F600" << "" << 0;
    QTest::newRow("tab shifts the positions") << "big5" << "王\t明" << "" << 0;
    QTest::newRow("C1 control U+0080") << "big5" << "a\u0080" << "" << 0;
    QTest::newRow("a private-use character written as a lone byte") << "big5" << QString(QChar(0xF8F8)) << "" << 0;
    QTest::newRow("empty text is Big5") << "big5" << "" << "" << 1;
    // Each of these is written as nothing, or as something else, by the Big5 encoder.
    for (const auto &[from, to] : QList<std::pair<char16_t, char16_t>>{{0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F},
             {0xFEFF, 0xFEFF}, {0x00AD, 0x00AD}, {0xFE00, 0xFE0F}, {0x3164, 0x3164}, {0xFFA0, 0xFFA0}})
        for (char16_t c = from; c <= to; ++c)
            QTest::addRow("invisible U+%04X", unsigned(c)) << "big5" << "王" + QString(QChar(c)) + "明" << "" << 0;
    QTest::newRow("Chinese counts two") << "bytes" << "王A" << "" << 3;
    QTest::newRow("full-width blank") << "bytes" << "　" << "" << 2;
    QTest::newRow("blanks are not trimmed") << "bytes" << " 王 " << "" << 4;
}

void TstFieldRoutines::checks()
{
    QFETCH(QString, routine);
    QFETCH(QString, text);
    QFETCH(QString, date);
    QFETCH(int, expected);
    const int result = routine == "date" ? CheckRocDate(text)
        : routine == "batch"             ? CheckBatchNo(text, date)
        : routine == "account"           ? CheckHomeAccount(text)
        : routine == "big5"              ? IsBig5Text(text)
                                         : Big5Length(text);
    QCOMPARE(result, expected);
    if (routine == "bytes")
        QVERIFY(FitsBig5(text, expected) && !FitsBig5(text, expected - 1));
}

void TstFieldRoutines::shaping_data()
{
    // RocToday(mode text) on the day n (yyyymmdd), InstCheckDigit(text), ZeroPadLeft(n, text),
    // SpacePadRight(n, text) or Big5Mid(text, n, count).
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("expected");
    QTest::newRow("list date keeps month and day unpadded") << "today" << "1" << 20020905 << 0 << "91/9/5";
    QTest::newRow("six characters padded") << "today" << "2" << 20020905 << 0 << "910905";
    QTest::newRow("ROC 100 wraps to 00") << "today" << "2" << 20110105 << 0 << "000105";
    QTest::newRow("ROC 115 list date, mode trimmed") << "today" << " 1" << 20261206 << 0 << "15/12/6";
    QTest::newRow("any other mode is the six-character form") << "today" << "x" << 20260228 << 0 << "150228";
    QTest::newRow("Korvana branch 123") << "digit" << "952123" << 0 << 0 << "6";
    QTest::newRow("seventh digit ignored") << "digit" << "9521239" << 0 << 0 << "6";
    QTest::newRow("bank 009 counts branch digits only") << "digit" << "009123" << 0 << 0 << "0";
    QTest::newRow("bank 009 complement") << "digit" << "009999" << 0 << 0 << "2";
    QTest::newRow("bank below 100") << "digit" << "012345" << 0 << 0 << "3";
    QTest::newRow("bank 100 uses the remainder") << "digit" << "100005" << 0 << 0 << "8";
    QTest::newRow("bank 300 is still in the range") << "digit" << "300000" << 0 << 0 << "9";
    QTest::newRow("bank 301 is above it") << "digit" << "301000" << 0 << 0 << "2";
    QTest::newRow("blanks do not count toward six") << "digit" << "  95212  " << 0 << 0 << "*";
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
    const QString shaped = routine == "today" ? RocToday(FixedClock(QDate::fromString(QString::number(n), "yyyyMMdd")), text)
        : routine == "digit"                  ? InstCheckDigit(text)
        : routine == "mid"                    ? Big5Mid(text, n, count)
        : routine == "zero"                   ? ZeroPadLeft(n, text)
                                              : SpacePadRight(n, text);
    QCOMPARE(shaped, expected);
}

void TstFieldRoutines::instNameLabelReadsTheStoreAsItIsNow()
{
    QCOMPARE(InstNameLabel(nullptr, "9521236"), QStringLiteral("[代碼檔未建]"));
    TestDir dir;
    dir.makeStores({{"9521236", "Korvana", " Korvana銀行台北分行  "}, {"9521236", "Second", "Second row"}});
    const std::unique_ptr<Store> reference = Store::open(dir.reference(), Schema::reference()).store;
    QVERIFY(reference);

    QCOMPARE(InstNameLabel(reference.get(), "9521236"), QStringLiteral("[Korvana銀行台北分行]"));
    QCOMPARE(InstNameLabel(reference.get(), "9521237"), QStringLiteral("[代碼檔未建]"));
    QCOMPARE(InstNameLabel(reference.get(), "9521236' OR '1'='1"), QStringLiteral("[代碼檔未建]"));

    // A change stored by someone else shows at the next call.
    TestDir::exec(dir.reference(), "UPDATE VXBANK SET FNAME = '新名稱' WHERE rowid = 1");
    QCOMPARE(InstNameLabel(reference.get(), "9521236"), QStringLiteral("[新名稱]"));
    // A null name is an empty name, not an unknown code.
    TestDir::exec(dir.reference(), "INSERT INTO VXBANK (BKBRNO, BNAME) VALUES ('0120003', 'Y')");
    QCOMPARE(InstNameLabel(reference.get(), "0120003"), QStringLiteral("[]"));
}

QTEST_GUILESS_MAIN(TstFieldRoutines)
#include "tst_fieldroutines.moc"
