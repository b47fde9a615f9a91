#include "output/batchfile.h"

#include <QTest>

#include <algorithm>
#include <type_traits>

Q_DECLARE_METATYPE(LineRow)
Q_DECLARE_METATYPE(BatchFileInput)

// The bank executes every payment from these bytes: each record is compared whole.
class TstBatchFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wholeFile_data();
    void wholeFile();
    void headerRecord_data();
    void headerRecord();
    void detailRecord_data();
    void detailRecord();
    void trailerRecord_data();
    void trailerRecord();
    void refuses_data();
    void refuses();
};

static QByteArray blanks(int n) { return QByteArray(n, ' '); }
static QString repeated(const QString &s, int n) { return s.repeated(n); }

// Big5: 王 A4FD, 小 A470, 明 A9FA, 薪 C17E, 資 B8EA, ideographic blank A140.
static const QByteArray Wang("\xA4\xFD");
static const QByteArray XiaoMing("\xA4\x70\xA9\xFA");

static BatchFileInput sample()
{
    BatchFileInput in;
    in.remitter = {QStringLiteral("015"), QStringLiteral("王小明"), QStringLiteral("10")};
    in.batchNo = QStringLiteral("1305011201");
    in.remitDate = QStringLiteral("130501");
    return in;
}

static LineRow sampleLine(const QString &payee, const QString &amount = QStringLiteral("1500"))
{
    return {payee, QStringLiteral("123456789"), QStringLiteral("8120012"), QStringLiteral("小明"),
            amount, QStringLiteral("薪資")};
}

// Fields every detail record of sample() carries before the account.
static QByteArray detailPrefix(const QByteArray &seq)
{
    return QByteArray("2") + "015" + "1305011201" + seq + "130501" + "8120012" + "10";
}

// Header and trailer of sample(), laid out field by field as the bank reads them.
static QByteArray header(const QByteArray &nameBytes)
{
    return QByteArray("1") + "015" + "1305011201" + "00000" + "130501" + blanks(23) + nameBytes + blanks(18 + 64);
}

static QByteArray trailer(const QByteArray &countAndSum)
{
    return QByteArray("3") + "015" + "1305011201" + "99999" + "130501" + countAndSum + "00" + blanks(137);
}

// The file as its records, without the CR LF that ends each one.
static QList<QByteArray> records(const QByteArray &file)
{
    QList<QByteArray> out;
    qsizetype from = 0;
    for (qsizetype end; (end = file.indexOf("\r\n", from)) >= 0; from = end + 2)
        out << file.mid(from, end - from);
    if (from != file.size())
        out << file.mid(from); // bytes after the last CR LF: the compare that follows fails
    return out;
}

void TstBatchFile::wholeFile_data()
{
    QTest::addColumn<QList<LineRow>>("lines");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray first = header(Wang + XiaoMing) + "\r\n";
    // Account, name, amount and remark of sampleLine() once the amount is set.
    const QByteArray middle = "00000123456789" + XiaoMing + blanks(64);
    const QByteArray remark = "00" "\xC1\x7E\xB8\xEA";
    QTest::newRow("no lines") << QList<LineRow>{} << first + trailer("   0" + blanks(11) + "0") + "\r\n";
    QTest::newRow("one line") << QList<LineRow>{sampleLine(QStringLiteral("A001"))}
                              << first + "2" + "015" + "1305011201" + "    1" + "130501" + "8120012" + "10" + middle
                                     + blanks(8) + "1500" + remark + "\r\n" + trailer("   1" + blanks(8) + "1500") + "\r\n";
    // The window chooses the order; the writer must not re-sort by payee code.
    QTest::newRow("lines keep the given order")
        << QList<LineRow>{sampleLine("C3", "3"), sampleLine("A1", "1"), sampleLine("B2", "2")}
        << first + detailPrefix("    1") + middle + blanks(11) + "3" + remark + "\r\n" + detailPrefix("    2") + middle
               + blanks(11) + "1" + remark + "\r\n" + detailPrefix("    3") + middle + blanks(11) + "2" + remark + "\r\n"
               + trailer("   3" + blanks(11) + "6") + "\r\n";
}

void TstBatchFile::wholeFile()
{
    QFETCH(QList<LineRow>, lines);
    QFETCH(QByteArray, expected);
    BatchFileInput in = sample();
    in.lines = lines;
    const BatchFileResult r = buildBatchFile(in);
    QVERIFY2(r.ok, qPrintable(r.problem));
    QCOMPARE(r.bytes, expected);
}

void TstBatchFile::headerRecord_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("nameBytes");
    QTest::addColumn<int>("length");
    QTest::newRow("empty name") << "" << QByteArray() << 130;
    QTest::newRow("50-byte name") << repeated("AB", 25) << QByteArray("AB").repeated(25) << 180;
    QTest::newRow("68 bytes of Chinese") << repeated("王", 34) << Wang.repeated(34) << 198;
    QTest::newRow("blanks kept as stored") << " 王　" << (" " + Wang + "\xA1\x40") << 135;
    QTest::newRow("user-defined character") << QString(QChar(0xE000)) << QByteArray("\xFA\x40") << 132;
}

void TstBatchFile::headerRecord()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, nameBytes);
    QFETCH(int, length);
    BatchFileInput in = sample();
    in.remitter.name = name;
    const BatchFileResult r = buildBatchFile(in);
    QVERIFY2(r.ok, qPrintable(r.problem));
    const QByteArray first = records(r.bytes).value(0);
    QCOMPARE(first, header(nameBytes));
    QCOMPARE(first.size(), length);
}

// The sample line with one field set to the value under test.
static LineRow lineWith(QString LineRow::*field, const QString &value)
{
    LineRow line = sampleLine(QStringLiteral("A001"));
    line.*field = value;
    return line;
}

void TstBatchFile::detailRecord_data()
{
    QTest::addColumn<LineRow>("line");
    QTest::addColumn<QByteArray>("tail"); // from position 35 to the end
    const QByteArray acct = "00000123456789";
    const QByteArray name = XiaoMing + blanks(64);
    const QByteArray amt = blanks(8) + "1500" + "00";
    const QByteArray mark = "\xC1\x7E\xB8\xEA";
    // the bank reads the account as a number zero-filled to 14 digits
    QTest::newRow("nine digits get five zeros") << lineWith(&LineRow::account, "123456789") << acct + name + amt + mark;
    QTest::newRow("trailing blanks trimmed first") << lineWith(&LineRow::account, "12345         ")
                                                   << "00000000012345" + name + amt + mark;
    QTest::newRow("fourteen digits as is") << lineWith(&LineRow::account, "01234567890123")
                                           << "01234567890123" + name + amt + mark;
    // the name fills 68 bytes, a Chinese character counting two
    QTest::newRow("68-byte name gets no blanks") << lineWith(&LineRow::name, repeated("王", 33) + "AB")
                                                 << acct + Wang.repeated(33) + "AB" + amt + mark;
    QTest::newRow("ten Chinese characters get 48 blanks") << lineWith(&LineRow::name, repeated("王小明", 3) + "王")
        << acct + (Wang + XiaoMing).repeated(3) + Wang + blanks(48) + amt + mark;
    QTest::newRow("name blanks kept as stored") << lineWith(&LineRow::name, " 王　明")
        << acct + " " + Wang + "\xA1\x40" "\xA9\xFA" + blanks(61) + amt + mark;
    QTest::newRow("user-defined character in name") << lineWith(&LineRow::name, QString(QChar(0xE000)) + "王")
                                                    << acct + "\xFA\x40" + Wang + blanks(64) + amt + mark;
    // the amount is the stored digits, right-aligned with blanks
    QTest::newRow("amount trimmed") << lineWith(&LineRow::amount, " 1500  ") << acct + name + amt + mark;
    QTest::newRow("leading zero stays") << lineWith(&LineRow::amount, "01500")
                                        << acct + name + blanks(7) + "01500" + "00" + mark;
    QTest::newRow("zero amount") << lineWith(&LineRow::amount, "0") << acct + name + blanks(11) + "0" + "00" + mark;
    QTest::newRow("twelve digits fill the field") << lineWith(&LineRow::amount, "999999999999")
                                                  << acct + name + "999999999999" + "00" + mark;
    // the remark ends the record unpadded: 130, 131 and 180 bytes
    QTest::newRow("empty remark") << lineWith(&LineRow::remark, "") << acct + name + amt;
    QTest::newRow("one-blank remark") << lineWith(&LineRow::remark, " ") << acct + name + amt + " ";
    QTest::newRow("50-byte remark") << lineWith(&LineRow::remark, repeated("0123456789", 5))
                                    << acct + name + amt + QByteArray("0123456789").repeated(5);
    QTest::newRow("25 Chinese characters of remark") << lineWith(&LineRow::remark, repeated("王", 25))
                                                     << acct + name + amt + Wang.repeated(25);
}

void TstBatchFile::detailRecord()
{
    QFETCH(LineRow, line);
    QFETCH(QByteArray, tail);
    BatchFileInput in = sample();
    in.lines << line;
    const BatchFileResult r = buildBatchFile(in);
    QVERIFY2(r.ok, qPrintable(r.problem));
    const QList<QByteArray> recs = records(r.bytes);
    QCOMPARE(recs.size(), 3);
    QCOMPARE(recs.at(1), detailPrefix("    1") + tail);
}

void TstBatchFile::trailerRecord_data()
{
    QTest::addColumn<QStringList>("amounts");
    QTest::addColumn<QByteArray>("countAndSum"); // positions 26-41
    QTest::newRow("leading zeros summed as numbers") << QStringList{"01500", "  250 "}
                                                     << QByteArray("   2" "        1750");
    QTest::newRow("998 lines, the most a file carries") << QStringList(998, "1500")
                                                        << QByteArray(" 998" "     1497000");
    QTest::newRow("sum of twelve digits fits") << QStringList(100, "9999999999") << QByteArray(" 100" "999999999900");
}

void TstBatchFile::trailerRecord()
{
    QFETCH(QStringList, amounts);
    QFETCH(QByteArray, countAndSum);
    BatchFileInput in = sample();
    for (const QString &amount : amounts)
        in.lines << sampleLine(QString::number(in.lines.size()), amount);
    const BatchFileResult r = buildBatchFile(in);
    QVERIFY2(r.ok, qPrintable(r.problem));
    QVERIFY(r.bytes.endsWith("\r\n"));
    const QList<QByteArray> recs = records(r.bytes);
    QCOMPARE(recs.size(), amounts.size() + 2);
    // the last detail record is numbered like the count
    QCOMPARE(recs.at(amounts.size()).mid(14, 5), countAndSum.first(4).rightJustified(5, ' '));
    QCOMPARE(recs.last(), trailer(countAndSum));
}

// Two good lines, A001 and B002, with one value spoiled: of the second line, the remitter or the batch.
template <typename Row>
static BatchFileInput spoiled(QString Row::*field, const QString &value)
{
    BatchFileInput in = sample();
    in.lines << sampleLine(QStringLiteral("A001")) << sampleLine(QStringLiteral("B002"));
    if constexpr (std::is_same_v<Row, LineRow>)
        in.lines[1].*field = value;
    else if constexpr (std::is_same_v<Row, RemitterRow>)
        in.remitter.*field = value;
    else
        in.*field = value;
    return in;
}

static BatchFileInput manyLines(int n, const QString &amount)
{
    BatchFileInput in = sample();
    for (int i = 0; i < n; ++i)
        in.lines << sampleLine(QString::number(i), amount);
    return in;
}

void TstBatchFile::refuses_data()
{
    QTest::addColumn<BatchFileInput>("input");
    QTest::addColumn<QString>("culprit"); // payee code the message must name, if a line is at fault
    BatchFileInput noRemitter = sample();
    noRemitter.hasRemitter = false;
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("no remitter row") << noRemitter << "";
    QTest::newRow("999 lines") << manyLines(999, "1500") << "";
    QTest::newRow("sum of 13 digits") << manyLines(101, "9999999999") << "";
    QTest::newRow("amount with comma") << spoiled(&LineRow::amount, "1,500") << "B002";
    QTest::newRow("amount with letter") << spoiled(&LineRow::amount, "12a") << "B002";
    QTest::newRow("empty amount") << spoiled(&LineRow::amount, "") << "B002";
    QTest::newRow("negative amount") << spoiled(&LineRow::amount, "-5") << "B002";
    QTest::newRow("amount wider than its field") << spoiled(&LineRow::amount, "0000000001500") << "B002";
    QTest::newRow("amount of 20 digits") << spoiled(&LineRow::amount, QString(20, '9')) << "B002";
    QTest::newRow("account !000") << spoiled(&LineRow::account, "!000") << "B002";
    QTest::newRow("account with dash") << spoiled(&LineRow::account, "12-3") << "B002";
    QTest::newRow("empty account") << spoiled(&LineRow::account, "") << "B002";
    QTest::newRow("account of 15 digits") << spoiled(&LineRow::account, "123456789012345") << "B002";
    QTest::newRow("institution code of 6") << spoiled(&LineRow::bank, "952123") << "B002";
    QTest::newRow("institution code of 8") << spoiled(&LineRow::bank, "95212345") << "B002";
    QTest::newRow("institution code with letter") << spoiled(&LineRow::bank, "95212A6") << "B002";
    QTest::newRow("payee name of 69 bytes") << spoiled(&LineRow::name, QString(69, 'A')) << "B002";
    QTest::newRow("payee name of 35 Chinese") << spoiled(&LineRow::name, repeated("王", 35)) << "B002";
    QTest::newRow("payee name not Big5") << spoiled(&LineRow::name, "Caf\u00E9") << "B002";
    QTest::newRow("payee name with CR") << spoiled(&LineRow::name, "王\r明") << "B002";
    QTest::newRow("remark of 51 bytes") << spoiled(&LineRow::remark, QString(51, 'x')) << "B002";
    QTest::newRow("remark of 26 Chinese") << spoiled(&LineRow::remark, repeated("王", 26)) << "B002";
    QTest::newRow("remark with emoji") << spoiled(&LineRow::remark, "薪" + emoji) << "B002";
    QTest::newRow("remark with LF") << spoiled(&LineRow::remark, "a\nb") << "B002";
    QTest::newRow("remark with NUL") << spoiled(&LineRow::remark, QString(QChar(0))) << "B002";
    QTest::newRow("remitter name of 35 Chinese") << spoiled(&RemitterRow::name, repeated("王", 35)) << "";
    QTest::newRow("remitter name not Big5") << spoiled(&RemitterRow::name, "Caf\u00E9") << "";
    QTest::newRow("remitter name with tab") << spoiled(&RemitterRow::name, "王\t明") << "";
    QTest::newRow("BRNO of 2") << spoiled(&RemitterRow::brno, "01") << "";
    QTest::newRow("BRNO with letter") << spoiled(&RemitterRow::brno, "01A") << "";
    QTest::newRow("kind of 1") << spoiled(&RemitterRow::kind, "1") << "";
    QTest::newRow("kind of 3") << spoiled(&RemitterRow::kind, "100") << "";
    QTest::newRow("kind with tab") << spoiled(&RemitterRow::kind, "1\t") << "";
    QTest::newRow("batch number of 9") << spoiled(&BatchFileInput::batchNo, "130501120") << "";
    QTest::newRow("batch number of 11") << spoiled(&BatchFileInput::batchNo, "13050112011") << "";
    QTest::newRow("batch number with tab") << spoiled(&BatchFileInput::batchNo, "1305011\t01") << "";
    QTest::newRow("date of 5") << spoiled(&BatchFileInput::remitDate, "13050") << "";
    QTest::newRow("date with letter") << spoiled(&BatchFileInput::remitDate, "13050A") << "";
}

void TstBatchFile::refuses()
{
    QFETCH(BatchFileInput, input);
    QFETCH(QString, culprit);
    const BatchFileResult r = buildBatchFile(input);
    QVERIFY(!r.ok);
    QVERIFY(r.bytes.isEmpty());
    QVERIFY(!r.problem.isEmpty());
    // The user reads the message in Chinese and mends the line it names.
    const auto chinese = [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; };
    QVERIFY2(std::any_of(r.problem.begin(), r.problem.end(), chinese), qPrintable(r.problem));
    if (!culprit.isEmpty()) {
        QVERIFY2(r.problem.contains(culprit), qPrintable(r.problem));
        QVERIFY2(!r.problem.contains(QStringLiteral("A001")), qPrintable(r.problem));
    }
}

QTEST_GUILESS_MAIN(TstBatchFile)
#include "tst_batchfile.moc"
