#include "output/batchverify.h"

#include <QTest>

// The read-back check reads a file as the bank would: one clean file, then one fault of
// each kind, each with the whole list of what is found.
class TstBatchVerify : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanFile();
    void faults_data();
    void faults();
};

namespace {

QByteArray blanks(int n)
{
    return QByteArray(n, ' ');
}

// Big5: 王小明 A4FD A470 A9FA, 薪資 C17E B8EA.
const QByteArray kHeader = "1" "015" "1305011201" "00000" "130501" + blanks(23) + "\xA4\xFD\xA4\x70\xA9\xFA" + blanks(82);
const QByteArray kDetail = "2" "015" "1305011201" "    1" "130501" "8120012" "10" "00000123456789" "\xA4\x70\xA9\xFA" + blanks(64)
    + "        1500" "00" "\xC1\x7E\xB8\xEA";
const QByteArray kTrailer = "3" "015" "1305011201" "99999" "130501" "   1" "        1500" "00" + blanks(137);

QByteArray file(const QList<QByteArray> &records)
{
    QByteArray out;
    for (const QByteArray &r : records)
        out += r + "\r\n";
    return out;
}

QByteArray with(QByteArray record, int position, const QByteArray &bytes)
{
    return record.replace(position - 1, bytes.size(), bytes);
}

} // namespace

void TstBatchVerify::cleanFile()
{
    const Verification v = verifyBatchFile(file({kHeader, kDetail, kTrailer}));
    QCOMPARE(v.findings.size(), 0);
    QCOMPARE((QStringList{v.facts.branch, v.facts.batchNo, v.facts.date, v.facts.remitter}),
             (QStringList{"015", "1305011201", "130501", "王小明"}));
    QCOMPARE(v.facts.details, 1);
    QCOMPARE(v.facts.sum, 1500);
    const QByteArray emptyTrailer = with(with(kTrailer, 26, "   0"), 30, "           0");
    QVERIFY(verifyBatchFile(file({kHeader, emptyTrailer})).clean());
}

void TstBatchVerify::faults_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("findings");
    QTest::newRow("a letter in the account")
        << file({kHeader, with(kDetail, 41, "S"), kTrailer})
        << QStringList{"第 2 筆記錄第 35 位元組，帳號：應為 14 位數字，實為「000001S3456789」"};
    QTest::newRow("LF without CR") << kHeader + "\r\n" + kDetail + "\n" + kTrailer + "\r\n"
                                   << QStringList{"第 2 筆記錄第 135 位元組，記錄以 LF 結束，缺少 CR"};
    QTest::newRow("no CR LF at the end") << file({kHeader, kDetail}) + kTrailer
                                         << QStringList{"第 3 筆記錄，最後一筆記錄沒有以 CR LF 結束"};
    QTest::newRow("sequence number") << file({kHeader, with(kDetail, 15, "    2"), kTrailer})
                                     << QStringList{"第 2 筆記錄第 15 位元組，序號：應為 1，實為 2"};
    QTest::newRow("trailer count") << file({kHeader, kDetail, with(kTrailer, 26, "   2")})
                                   << QStringList{"第 3 筆記錄第 26 位元組，總筆數：應為明細的 1 筆，實為 2"};
    QTest::newRow("trailer sum") << file({kHeader, kDetail, with(kTrailer, 30, "        1501")})
                                 << QStringList{"第 3 筆記錄第 30 位元組，總金額：應為明細金額合計 1500，實為 1501"};
    QTest::newRow("another batch number") << file({kHeader, with(kDetail, 14, "2"), kTrailer})
                                          << QStringList{"第 2 筆記錄第 5 位元組，批號：與表頭的「1305011201」不同：「1305011202」"};
    QTest::newRow("amount on the left")
        << file({kHeader, with(kDetail, 117, "1500        "), kTrailer})
        << QStringList{"第 2 筆記錄第 117 位元組，金額：應為靠右的數字（左補空白），實為「1500        」"};
    QTest::newRow("a record of unknown type") << file({kHeader, with(kDetail, 1, "4"), kTrailer})
                                              << QStringList{"第 2 筆記錄第 1 位元組，記錄類別：應為「2」（明細），實為「4」"};
    QTest::newRow("trailer a byte short") << file({kHeader, kDetail, kTrailer.chopped(1)})
                                          << QStringList{"第 3 筆記錄，表尾記錄應為 180 位元組，實為 179"};
    QTest::newRow("no such day")
        << file({with(kHeader, 20, "130231"), with(kDetail, 20, "130231"), with(kTrailer, 20, "130231")})
        << QStringList{"第 1 筆記錄第 20 位元組，匯款日：不是有效的日期：「130231」"};
    QTest::newRow("a tab in the remark") << file({kHeader, with(kDetail, 133, "\t "), kTrailer})
                                         << QStringList{"第 2 筆記錄第 131 位元組，備註：含有控制字元：「薪␣ 」"};
    QTest::newRow("half a character in the name")
        << file({kHeader, with(kDetail, 49, "\xA4 "), kTrailer})
        << QStringList{"第 2 筆記錄第 49 位元組，收款人名稱：含有無法解讀的 Big5 位元組：「\uFFFD 明" + QString(64, ' ') + "」"};
    QTest::newRow("a lone byte in the remark") << file({kHeader, with(kDetail, 133, "\xFF"), kTrailer})
                                                << QStringList{"第 2 筆記錄第 131 位元組，備註：含有無法解讀的 Big5 位元組：「薪\uF8F8\uFFFD」"};
    QTest::newRow("a count filled with zeros") << file({kHeader, kDetail, with(kTrailer, 26, "0001")})
                                               << QStringList{"第 3 筆記錄第 26 位元組，總筆數：應為靠右的數字（左補空白），實為「0001」"};
    QTest::newRow("kind 12") << file({kHeader, with(kDetail, 33, "12"), kTrailer})
                             << QStringList{"第 2 筆記錄第 33 位元組，匯款種類：應為「10」或「11」，實為「12」"};
    QTest::newRow("an empty file") << QByteArray() << QStringList{"整個檔案，檔案是空的"};
    QTest::newRow("a header alone") << file({kHeader})
                                    << QStringList{"整個檔案，檔案應有表頭與表尾記錄，只有 1 筆記錄"};
    QList<QByteArray> many{kHeader};
    for (int i = 1; i <= 999; ++i)
        many << with(with(kDetail, 15, QByteArray::number(i).rightJustified(5, ' ')), 117, "           1");
    many << with(with(kTrailer, 26, " 999"), 30, "         999");
    QTest::newRow("999 details") << file(many) << QStringList{"整個檔案，明細 999 筆，超過一個檔案可容納的 998 筆"};
}

void TstBatchVerify::faults()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, findings);
    QStringList found;
    for (const VerifyFinding &f : verifyBatchFile(bytes).findings)
        found << f.text();
    QCOMPARE(found, findings);
}

QTEST_GUILESS_MAIN(TstBatchVerify)
#include "tst_batchverify.moc"
