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
    void checkRocDate_data();
    void checkRocDate();
    void checkBatchNo_data();
    void checkBatchNo();
    void instCheckDigit_data();
    void instCheckDigit();
    void checkHomeAccount_data();
    void checkHomeAccount();
    void big5Widths_data();
    void big5Widths();
    void padding_data();
    void padding();
    void big5Mid_data();
    void big5Mid();
    void isBig5Text_data();
    void isBig5Text();
    void instNameLabelReadsTheStoreAsItIsNow();
    void instNameLabelWithoutReferenceStore();
};

void TstFieldRoutines::rocToday_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("expected");
    QTest::newRow("list date keeps month and day unpadded") << QDate(2002, 9, 5) << "1" << "91/9/5";
    QTest::newRow("list date two-digit month and day") << QDate(2002, 10, 15) << "1" << "91/10/15";
    QTest::newRow("six characters padded") << QDate(2002, 9, 5) << "2" << "910905";
    QTest::newRow("ROC 100 wraps to 00") << QDate(2011, 1, 5) << "2" << "000105";
    QTest::newRow("ROC 115") << QDate(2026, 12, 6) << "2" << "151206";
    QTest::newRow("ROC 115 list date") << QDate(2026, 12, 6) << " 1" << "15/12/6";
    QTest::newRow("any other mode is the six-character form") << QDate(2026, 2, 28) << "x" << "150228";
    QTest::newRow("leap day") << QDate(2024, 2, 29) << "2" << "130229";
}

void TstFieldRoutines::rocToday()
{
    QFETCH(QDate, today);
    QFETCH(QString, mode);
    QFETCH(QString, expected);
    FixedClock clock(today);
    QCOMPARE(RocToday(clock, mode), expected);
}

void TstFieldRoutines::checkRocDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("2002 is not a leap year") << "910229" << -2;
    QTest::newRow("2000 is a leap year") << "890229" << 1;
    QTest::newRow("1911 is not a leap year") << "000229" << -2;
    QTest::newRow("2012 (ROC 101 as 01) is a leap year") << "010229" << 1;
    QTest::newRow("1996 is a leap year") << "850229" << 1;
    QTest::newRow("month 13") << "911301" << -3;
    QTest::newRow("month 00") << "910001" << -3;
    QTest::newRow("day 00") << "910100" << -2;
    QTest::newRow("April has 30 days") << "910431" << -2;
    QTest::newRow("last day of April") << "910430" << 1;
    QTest::newRow("December 31") << "911231" << 1;
    QTest::newRow("four characters") << "9109" << -1;
    QTest::newRow("seven characters") << "9109151" << -1;
    QTest::newRow("blanks around are trimmed") << " 910915 " << 1;
    QTest::newRow("empty") << "" << -1;
}

void TstFieldRoutines::checkRocDate()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(CheckRocDate(text), expected);
}

void TstFieldRoutines::checkBatchNo_data()
{
    QTest::addColumn<QString>("batch");
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("expected");
    QTest::newRow("valid") << "9109151001" << "910915" << 1;
    QTest::newRow("customer code below 10") << "9109150901" << "910915" << -4;
    QTest::newRow("sub-batch 00") << "9109151000" << "910915" << -3;
    QTest::newRow("sub-batch 00 replaces customer code") << "9109150900" << "910915" << -3;
    QTest::newRow("other date") << "9109161001" << "910915" << -2;
    QTest::newRow("nine characters") << "910915100" << "910915" << -1;
    QTest::newRow("eleven characters") << "91091510011" << "910915" << -1;
    QTest::newRow("not trimmed: a trailing blank makes eleven") << "9109151001 " << "910915" << -1;
    QTest::newRow("empty date never matches") << "9109151001" << "" << -2;
    QTest::newRow("date that is not a number") << "9109151001" << "91O915" << -2;
    QTest::newRow("leading zero year") << "0001051001" << "000105" << 1;
    QTest::newRow("customer code 10 is the least") << "9109151001" << "910915" << 1;
}

void TstFieldRoutines::checkBatchNo()
{
    QFETCH(QString, batch);
    QFETCH(QString, date);
    QFETCH(int, expected);
    QCOMPARE(CheckBatchNo(batch, date), expected);
}

void TstFieldRoutines::instCheckDigit_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Korvana branch 123") << "952123" << "6";
    QTest::newRow("Korvana branch 001") << "952001" << "1";
    QTest::newRow("seventh digit ignored") << "9521239" << "6";
    QTest::newRow("bank 009 counts branch digits only") << "009123" << "0";
    QTest::newRow("bank 009 complement") << "009999" << "2";
    QTest::newRow("bank below 100") << "012345" << "3";
    QTest::newRow("bank 100 uses the remainder") << "100005" << "8";
    QTest::newRow("bank 104 uses the remainder") << "104010" << "6";
    QTest::newRow("bank 216 uses the remainder") << "216999" << "8";
    QTest::newRow("bank 300 is still in the range") << "300000" << "9";
    QTest::newRow("bank 301 is above it") << "301000" << "2";
    QTest::newRow("five characters") << "95212" << "*";
    QTest::newRow("blanks do not count toward six") << "  95212  " << "*";
    QTest::newRow("digits read where they stand") << "952123 " << "6";
}

void TstFieldRoutines::instCheckDigit()
{
    QFETCH(QString, code);
    QFETCH(QString, expected);
    QCOMPARE(InstCheckDigit(code), expected);
}

void TstFieldRoutines::checkHomeAccount_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<bool>("expected");
    QTest::newRow("valid") << "123456789014" << true;
    QTest::newRow("valid, blanks trimmed") << " 952001000013 " << true;
    QTest::newRow("valid 555") << "555555555558" << true;
    QTest::newRow("wrong check digit") << "123456789015" << false;
    QTest::newRow("check digit 0 never passes") << "123123123120" << false;
    QTest::newRow("first three digits zero") << "000000000009" << false;
    QTest::newRow("001 is not zero") << "001000000005" << true;
    QTest::newRow("eleven digits") << "12345678901" << false;
    QTest::newRow("thirteen digits") << "1234567890140" << false;
    QTest::newRow("empty") << "" << false;
}

void TstFieldRoutines::checkHomeAccount()
{
    QFETCH(QString, account);
    QFETCH(bool, expected);
    QCOMPARE(CheckHomeAccount(account), expected);
}

void TstFieldRoutines::big5Widths_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bytes");
    QTest::newRow("ASCII") << "ABC 12" << 6;
    QTest::newRow("Chinese counts two") << "王小明" << 6;
    QTest::newRow("mixed") << "王A" << 3;
    QTest::newRow("full-width blank") << "　" << 2;
    QTest::newRow("user-defined character") << QString(QChar(0xE000)) << 2;
    QTest::newRow("blanks are not trimmed") << " 王 " << 4;
    QTest::newRow("25 Chinese characters") << QString(25, QChar(0x738B)) << 50;
}

void TstFieldRoutines::big5Widths()
{
    QFETCH(QString, text);
    QFETCH(int, bytes);
    QCOMPARE(Big5Length(text), bytes);
    QVERIFY(FitsBig5(text, bytes));
    QVERIFY(!FitsBig5(text, bytes - 1));
}

void TstFieldRoutines::padding_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero 7 to 3") << "zero" << 3 << "7" << "007";
    QTest::newRow("zero empty stays empty") << "zero" << 3 << "" << "";
    QTest::newRow("zero blank stays blank") << "zero" << 3 << "  " << "  ";
    QTest::newRow("zero long never cut") << "zero" << 3 << "1234" << "1234";
    QTest::newRow("zero exact") << "zero" << 3 << "123" << "123";
    QTest::newRow("zero counts trimmed, keeps untrimmed") << "zero" << 3 << "7 " << "007 ";
    QTest::newRow("space Chinese and Latin") << "space" << 6 << "王A" << "王A   ";
    QTest::newRow("space empty becomes n blanks") << "space" << 4 << "" << "    ";
    QTest::newRow("space account to 14") << "space" << 14 << "123456789" << "123456789     ";
    QTest::newRow("space long never cut") << "space" << 2 << "王小" << "王小";
    QTest::newRow("space counts trimmed text") << "space" << 5 << "AB  " << "AB     ";
    QTest::newRow("space keeps a full-width blank's width") << "space" << 6 << "中　" << "中　  ";
    QTest::newRow("zero trims blanks only") << "zero" << 3 << "\t" << "00\t";
}

void TstFieldRoutines::padding()
{
    QFETCH(QString, routine);
    QFETCH(int, n);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(routine == QLatin1String("zero") ? ZeroPadLeft(n, text) : SpacePadRight(n, text), expected);
}

void TstFieldRoutines::big5Mid_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first 40 of a padded name") << SpacePadRight(68, QStringLiteral("王小明")) << 1 << 40
                                               << QStringLiteral("王小明") + QString(34, QLatin1Char(' '));
    QTest::newRow("ASCII middle") << "ABCDEF" << 2 << 3 << "BCD";
    QTest::newRow("whole characters from byte 3") << "王小明" << 3 << 2 << "小";
    QTest::newRow("ends inside a character") << "王小明" << 1 << 3 << "王 ";
    QTest::newRow("starts inside a character") << "王小明" << 2 << 3 << " 小";
    QTest::newRow("past the end") << "AB" << 5 << 2 << "";
    QTest::newRow("runs past the end") << "ABC" << 2 << 10 << "BC";
}

void TstFieldRoutines::big5Mid()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(QString, expected);
    QCOMPARE(Big5Mid(text, start, count), expected);
}

void TstFieldRoutines::isBig5Text_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("Chinese and ASCII") << "台北市王小明 Co." << true;
    QTest::newRow("first user-defined character") << QString(QChar(0xE000)) << true;
    QTest::newRow("last user-defined character") << QString(QChar(0xF848)) << true;
    QTest::newRow("full-width forms") << "（股）公司" << true;
    QTest::newRow("e acute has no Big5 form") << "Café" << false;
    QTest::newRow("simplified-only character") << "这" << false;
    QTest::newRow("emoji") << QString::fromUtf8("王\xF0\x9F\x98\x80") << false;
    QTest::newRow("zero-width space writes as nothing") << QString::fromUtf8("王\u200B明") << false;
    QTest::newRow("byte order mark") << QChar(0xFEFF) + QStringLiteral("王明") << false;
    QTest::newRow("soft hyphen") << QString::fromUtf8("王\u00AD明") << false;
    QTest::newRow("tab shifts the positions") << "王\t明" << false;
    QTest::newRow("empty") << "" << true;
}

void TstFieldRoutines::isBig5Text()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(IsBig5Text(text), expected);
}

void TstFieldRoutines::instNameLabelReadsTheStoreAsItIsNow()
{
    TestDir dir;
    dir.makeStores({{"9521236", "Korvana", " Korvana銀行台北分行  "}, {"9521236", "Second", "Second row"}});
    Store::Opened opened = Store::open(dir.reference(), Schema::reference());
    QVERIFY(opened.store);
    Store *reference = opened.store.get();

    QCOMPARE(InstNameLabel(reference, "9521236"), QStringLiteral("[Korvana銀行台北分行]"));
    QCOMPARE(InstNameLabel(reference, "9521237"), QStringLiteral("[代碼檔未建]"));
    QCOMPARE(InstNameLabel(reference, "952123"), QStringLiteral("[代碼檔未建]"));
    QCOMPARE(InstNameLabel(reference, "9521236' OR '1'='1"), QStringLiteral("[代碼檔未建]"));

    // A change stored by someone else shows at the next call.
    TestDir::exec(dir.reference(), "UPDATE VXBANK SET FNAME = '新名稱' WHERE rowid = 1");
    QCOMPARE(InstNameLabel(reference, "9521236"), QStringLiteral("[新名稱]"));
    TestDir::insert(dir.reference(), Table::VXBANK, {{"0091230", "X", "範例第九商業銀行"}});
    QCOMPARE(InstNameLabel(reference, "0091230"), QStringLiteral("[範例第九商業銀行]"));
    // A null name is an empty name, not an unknown code.
    TestDir::exec(dir.reference(), "INSERT INTO VXBANK (BKBRNO, BNAME) VALUES ('0120003', 'Y')");
    QCOMPARE(InstNameLabel(reference, "0120003"), QStringLiteral("[]"));
}

void TstFieldRoutines::instNameLabelWithoutReferenceStore()
{
    QCOMPARE(InstNameLabel(nullptr, "9521236"), QStringLiteral("[代碼檔未建]"));
}

QTEST_GUILESS_MAIN(TstFieldRoutines)
#include "tst_fieldroutines.moc"
