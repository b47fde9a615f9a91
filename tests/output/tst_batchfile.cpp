#include "output/batchfile.h"

#include <QTest>

#include <type_traits>

Q_DECLARE_METATYPE(BatchFileInput)

// The bank executes every payment from these bytes: each record is compared whole, and
// what the bank could misread is refused with the message the user reads. Whole files
// are compared where a store is turned into one (tst_batchgeneration, tst_batchfilewindow).
class TstBatchFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void record_data();
    void record();
    void refuses_data();
    void refuses();
};

namespace {

QByteArray blanks(int n) { return QByteArray(n, ' '); }
QString repeated(const QString &s, int n) { return s.repeated(n); }

// Big5: 王 A4FD, 小 A470, 明 A9FA, 薪 C17E, 資 B8EA, ideographic blank A140.
const QByteArray Wang("\xA4\xFD");
const QByteArray XiaoMing("\xA4\x70\xA9\xFA");
const QByteArray Salary("\xC1\x7E\xB8\xEA");

// The remitter 王小明 and a line of each amount, P1, P2 and so on, paying 小明 for 薪資.
BatchFileInput sample(const QStringList &amounts)
{
    BatchFileInput in;
    in.remitter = {"015", "王小明", "10"};
    in.batchNo = "1305011201";
    in.remitDate = "130501";
    for (const QString &amount : amounts)
        in.lines << LineRow{QString("P%1").arg(in.lines.size() + 1), "123456789", "8120012", "小明", amount, "薪資", "0"};
    return in;
}

// Two lines of 1500 with one value set: of the second line, of the remitter or of the batch.
template <typename Row>
BatchFileInput with(QString Row::*field, const QString &value)
{
    BatchFileInput in = sample({"1500", "1500"});
    if constexpr (std::is_same_v<Row, LineRow>)
        in.lines[1].*field = value;
    else if constexpr (std::is_same_v<Row, RemitterRow>)
        in.remitter.*field = value;
    else
        in.*field = value;
    return in;
}

// Header, second detail and trailer of the sample, laid out field by field as the bank reads them.
QByteArray header(const QByteArray &nameBytes)
{
    return QByteArray("1") + "015" + "1305011201" + "00000" + "130501" + blanks(23) + nameBytes + blanks(18 + 64);
}

QByteArray secondDetail(const QByteArray &fromAccount)
{
    return QByteArray("2") + "015" + "1305011201" + "    2" + "130501" + "8120012" + "10" + fromAccount;
}

QByteArray trailer(const QByteArray &countAndSum)
{
    return QByteArray("3") + "015" + "1305011201" + "99999" + "130501" + countAndSum + "00" + blanks(137);
}

// The file as its records, without the CR LF that ends each one.
QList<QByteArray> records(const QByteArray &file)
{
    QList<QByteArray> out;
    qsizetype from = 0;
    for (qsizetype end; (end = file.indexOf("\r\n", from)) >= 0; from = end + 2)
        out << file.mid(from, end - from);
    if (from != file.size())
        out << file.mid(from); // bytes after the last CR LF: the count compared fails
    return out;
}

} // namespace

void TstBatchFile::record_data()
{
    QTest::addColumn<BatchFileInput>("input");
    QTest::addColumn<int>("index"); // of the record compared; -1: the trailer
    QTest::addColumn<QByteArray>("expected");
    // The remitter's name is not padded: the header is 130 to 198 bytes long.
    QTest::newRow("empty remitter name") << with(&RemitterRow::name, "") << 0 << header("");
    QTest::newRow("68 bytes of Chinese") << with(&RemitterRow::name, repeated("王", 34)) << 0 << header(Wang.repeated(34));
    QTest::newRow("remitter blanks kept as stored") << with(&RemitterRow::name, " 王　") << 0
                                                    << header(" " + Wang + "\xA1\x40");
    // The bank reads the account as a number zero-filled to 14 digits.
    const QByteArray acct = "00000123456789", name = XiaoMing + blanks(64), amt = blanks(8) + "1500" + "00";
    QTest::newRow("account blanks trimmed first") << with(&LineRow::account, "12345         ") << 2
                                                  << secondDetail("00000000012345" + name + amt + Salary);
    QTest::newRow("fourteen digits as is") << with(&LineRow::account, "01234567890123") << 2
                                           << secondDetail("01234567890123" + name + amt + Salary);
    // The name fills 68 bytes, a Chinese character counting two.
    QTest::newRow("68-byte name gets no blanks") << with(&LineRow::name, repeated("王", 33) + "AB") << 2
                                                 << secondDetail(acct + Wang.repeated(33) + "AB" + amt + Salary);
    QTest::newRow("name blanks kept as stored") << with(&LineRow::name, " 王　明") << 2
                                                << secondDetail(acct + " " + Wang + "\xA1\x40" "\xA9\xFA" + blanks(61) + amt + Salary);
    QTest::newRow("user-defined character in name") << with(&LineRow::name, QString(QChar(0xE000)) + "王") << 2
                                                    << secondDetail(acct + "\xFA\x40" + Wang + blanks(64) + amt + Salary);
    // The amount is the stored digits, right-aligned with blanks.
    QTest::newRow("amount trimmed") << with(&LineRow::amount, " 1500  ") << 2 << secondDetail(acct + name + amt + Salary);
    QTest::newRow("leading zero stays") << with(&LineRow::amount, "01500") << 2
                                        << secondDetail(acct + name + blanks(7) + "01500" + "00" + Salary);
    QTest::newRow("zero amount") << with(&LineRow::amount, "0") << 2 << secondDetail(acct + name + blanks(11) + "0" + "00" + Salary);
    // With the first line's 1500, the sum is the largest the trailer holds.
    QTest::newRow("twelve digits fill the field") << with(&LineRow::amount, "999999998499") << 2
                                                  << secondDetail(acct + name + "999999998499" + "00" + Salary);
    // The remark ends the record unpadded: 130, 131 and 180 bytes.
    QTest::newRow("empty remark") << with(&LineRow::remark, "") << 2 << secondDetail(acct + name + amt);
    QTest::newRow("one-blank remark") << with(&LineRow::remark, " ") << 2 << secondDetail(acct + name + amt + " ");
    QTest::newRow("50-byte remark") << with(&LineRow::remark, repeated("0123456789", 5)) << 2
                                    << secondDetail(acct + name + amt + QByteArray("0123456789").repeated(5));
    // The trailer counts the lines and adds their amounts as numbers.
    QTest::newRow("no lines") << sample({}) << -1 << trailer("   0" + blanks(11) + "0");
    QTest::newRow("leading zeros summed as numbers") << sample({"01500", "  250 "}) << -1 << trailer("   2" "        1750");
    QTest::newRow("998 lines, the most a file carries") << sample(QStringList(998, "1500")) << -1
                                                        << trailer(" 998" "     1497000");
    QTest::newRow("sum of twelve digits fits") << sample(QStringList(100, "9999999999")) << -1 << trailer(" 100" "999999999900");
}

void TstBatchFile::record()
{
    QFETCH(BatchFileInput, input);
    QFETCH(int, index);
    QFETCH(QByteArray, expected);
    const BatchFileResult r = buildBatchFile(input);
    QVERIFY2(r.ok, qPrintable(r.problem));
    const QList<QByteArray> recs = records(r.bytes);
    QCOMPARE(recs.size(), input.lines.size() + 2);
    QCOMPARE(recs.at(index < 0 ? recs.size() - 1 : index), expected);
}

void TstBatchFile::refuses_data()
{
    QTest::addColumn<BatchFileInput>("input");
    QTest::addColumn<QString>("problem");
    // The user reads the message and mends what it names: the second line, here.
    const auto second = [](const QString &what) { return "收款人代碼 P2（第 2 筆）：" + what; };
    BatchFileInput noRemitter = sample({"1500"});
    noRemitter.hasRemitter = false;
    QTest::newRow("no remitter row") << noRemitter << "沒有匯款人資料";
    QTest::newRow("999 lines") << sample(QStringList(999, "1500")) << "匯款資料 999 筆，超過一個檔案可容納的 998 筆";
    QTest::newRow("sum of 13 digits") << sample(QStringList(101, "9999999999")) << "匯款總額：超過 12 位數";
    QTest::newRow("amount with comma") << with(&LineRow::amount, "1,500") << second("金額應為 12 位以內的數字，實為「1,500」");
    QTest::newRow("empty amount") << with(&LineRow::amount, "") << second("金額應為 12 位以內的數字，實為「」");
    QTest::newRow("negative amount") << with(&LineRow::amount, "-5") << second("金額應為 12 位以內的數字，實為「-5」");
    QTest::newRow("amount wider than its field") << with(&LineRow::amount, "0000000001500")
                                                 << second("金額應為 12 位以內的數字，實為「0000000001500」");
    QTest::newRow("account !000") << with(&LineRow::account, "!000") << second("帳號應為 14 位以內的數字，實為「!000」");
    QTest::newRow("account of 15 digits") << with(&LineRow::account, "123456789012345")
                                          << second("帳號應為 14 位以內的數字，實為「123456789012345」");
    QTest::newRow("institution code of 6") << with(&LineRow::bank, "952123") << second("解款行代號應為 7 位數字，實為「952123」");
    QTest::newRow("institution code of 8") << with(&LineRow::bank, "95212345") << second("解款行代號應為 7 位數字，實為「95212345」");
    QTest::newRow("institution code with letter") << with(&LineRow::bank, "95212A6")
                                                  << second("解款行代號應為 7 位數字，實為「95212A6」");
    QTest::newRow("payee name of 69 bytes") << with(&LineRow::name, QString(69, 'A')) << second("收款人名稱超過 68 Byte");
    QTest::newRow("payee name of 35 Chinese") << with(&LineRow::name, repeated("王", 35)) << second("收款人名稱超過 68 Byte");
    QTest::newRow("payee name with CR") << with(&LineRow::name, "王\r明") << second("收款人名稱含有控制字元（如定位字元、換行）");
    QTest::newRow("remark of 51 bytes") << with(&LineRow::remark, QString(51, 'x')) << second("備註超過 50 Byte");
    QTest::newRow("remark of 26 Chinese") << with(&LineRow::remark, repeated("王", 26)) << second("備註超過 50 Byte");
    QTest::newRow("remark with emoji") << with(&LineRow::remark, "薪\U0001F600") << second("備註含有無法原樣轉成 Big5 的字元");
    QTest::newRow("remitter name of 35 Chinese") << with(&RemitterRow::name, repeated("王", 35))
                                                 << "匯款人資料：匯款人名稱超過 68 Byte";
    QTest::newRow("remitter name with tab") << with(&RemitterRow::name, "王\t明")
                                            << "匯款人資料：匯款人名稱含有控制字元（如定位字元、換行）";
    QTest::newRow("BRNO with letter") << with(&RemitterRow::brno, "01A") << "匯款人資料：分行代號應為 3 位數字，實為「01A」";
    QTest::newRow("kind with letter") << with(&RemitterRow::kind, "1A") << "匯款人資料：匯款種類應為 2 位數字，實為「1A」";
    QTest::newRow("date with letter") << with(&BatchFileInput::remitDate, "13050A")
                                      << "批號與匯款日：匯款日應為 6 位數字，實為「13050A」";
    QTest::newRow("no such day") << with(&BatchFileInput::remitDate, "130231") << "批號與匯款日：匯款日「130231」不是有效的日期";
    QTest::newRow("kind other than 10 or 11") << with(&RemitterRow::kind, "12") << "匯款人資料：匯款種類應為「10」或「11」，實為「12」";
    // The encoder makes a lone byte 0xFF of this private-use character: no Big5 character.
    QTest::newRow("a character that becomes a lone byte") << with(&LineRow::name, QString(QChar(0xF8F8)))
                                                          << second("收款人名稱含有無法原樣轉成 Big5 的字元");
}

void TstBatchFile::refuses()
{
    QFETCH(BatchFileInput, input);
    QFETCH(QString, problem);
    const BatchFileResult r = buildBatchFile(input);
    QCOMPARE(r.problem, problem);
    QVERIFY(!r.ok);
    QVERIFY(r.bytes.isEmpty());
}

QTEST_GUILESS_MAIN(TstBatchFile)
#include "tst_batchfile.moc"
