#include "core/platform/big5codec.h"
#include "core/platform/csvtext.h"

#include <QStringEncoder>
#include <QTest>

Q_DECLARE_METATYPE(CsvText::Encoding)

// A spreadsheet's file read back field by field, whatever encoding and separator it
// was saved with.
class TstCsvText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encodings_data();
    void encodings();
    void fields_data();
    void fields();
    void writtenFilesReadBack();
};

namespace {

// Enough Chinese for the detector to tell Big5 from other double-byte encodings.
const QString kPayees = QStringLiteral("收款人代碼,帳號,解款行代號,收款人名稱\r\n"
                                       "A01,123456789,0091230,王小明\r\n"
                                       "A02,987654321,9520011,陳大華股份有限公司\r\n"
                                       "A03,555666777,0091230,台北市政府財政局\r\n"
                                       "A04,111222333,9520021,新竹科學園區管理局\r\n");

QByteArray utf16(const QString &text, QStringConverter::Encoding e)
{
    QStringEncoder encoder(e, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

} // namespace

void TstCsvText::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding"); // -1: none fits
    QTest::addColumn<qsizetype>("badAt");
    using E = CsvText::Encoding;
    QTest::newRow("UTF-8") << kPayees.toUtf8() << int(E::Utf8) << qsizetype(-1);
    QTest::newRow("UTF-8 with its mark") << "\xEF\xBB\xBF" + kPayees.toUtf8() << int(E::Utf8) << qsizetype(-1);
    QTest::newRow("UTF-16 little-endian with its mark") << utf16(kPayees, QStringConverter::Utf16LE) << int(E::Utf16) << qsizetype(-1);
    QTest::newRow("UTF-16 big-endian with its mark") << utf16(kPayees, QStringConverter::Utf16BE) << int(E::Utf16) << qsizetype(-1);
    QTest::newRow("Big5") << Big5::encode(kPayees) << int(E::Big5) << qsizetype(-1);
    // Mostly Big5 with one byte that no encoding takes: named, not guessed.
    // A lead byte before a comma, which cannot end a character.
    QByteArray broken = Big5::encode(kPayees);
    const qsizetype at = broken.indexOf("A01,") + 3;
    broken.insert(at, '\xA4');
    QTest::newRow("Big5 with a broken byte") << broken << -1 << at;
}

void TstCsvText::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    QFETCH(qsizetype, badAt);
    const auto detected = CsvText::detect(bytes);
    QCOMPARE(detected ? int(*detected) : -1, encoding);
    if (detected) {
        QCOMPARE(CsvText::decode(bytes, *detected), std::optional<QString>(kPayees));
    } else {
        qsizetype at = -1;
        QVERIFY(!CsvText::decode(bytes, CsvText::Encoding::Big5, &at));
        QCOMPARE(at, badAt);
    }
}

void TstCsvText::fields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QList<int>>("lines");
    QTest::addColumn<QString>("problem");
    QTest::newRow("commas, CR LF") << "a,b,c\r\n1,2,3\r\n" << "," << QList<QStringList>{{"a", "b", "c"}, {"1", "2", "3"}}
                                   << QList<int>{1, 2} << "";
    QTest::newRow("tabs, LF, empty lines skipped") << "a\tb\n\n1\t2\n" << "\t" << QList<QStringList>{{"a", "b"}, {"1", "2"}}
                                                   << QList<int>{1, 3} << "";
    QTest::newRow("semicolons, CR, empty last field") << "a;b\r1;\r" << ";" << QList<QStringList>{{"a", "b"}, {"1", ""}}
                                                      << QList<int>{1, 2} << "";
    QTest::newRow("a quoted comma, quote and line break")
        << "名稱,備註\r\n\"王,小明\",\"說\"\"好\"\"\r\n第二行\"\r\nA,B" << ","
        << QList<QStringList>{{"名稱", "備註"}, {"王,小明", "說\"好\"\n第二行"}, {"A", "B"}} << QList<int>{1, 2, 4} << "";
    QTest::newRow("separators inside quotes do not count") << "\"1,2,3\";4\n\"5,6,7\";8\n" << ";"
                                                           << QList<QStringList>{{"1,2,3", "4"}, {"5,6,7", "8"}} << QList<int>{1, 2} << "";
    QTest::newRow("a quote left open") << "a,b\n\"1,2\n3" << "," << QList<QStringList>{{"a", "b"}, {"1,2\n3"}}
                                       << QList<int>{1, 2} << "第 2 行起的引號欄位沒有結束";
}

void TstCsvText::fields()
{
    QFETCH(QString, text);
    QFETCH(QString, delimiter);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QList<int>, lines);
    QFETCH(QString, problem);
    QCOMPARE(CsvText::detectDelimiter(text), delimiter[0]);
    const CsvText::Table t = CsvText::split(text, delimiter[0]);
    QCOMPARE(t.rows, rows);
    QCOMPARE(t.lineOfRow, lines);
    QCOMPARE(t.problem, problem);
}

void TstCsvText::writtenFilesReadBack()
{
    const QList<QStringList> rows{{"收款人代碼", "收款人名稱"}, {"A01", "王,小明"}, {"A02", "說\"好\""}, {"A03", "兩\n行"}, {"A04", ""}};
    const QByteArray bytes = CsvText::write(rows);
    QCOMPARE(bytes, "\xEF\xBB\xBF" + QString("收款人代碼,收款人名稱\r\nA01,\"王,小明\"\r\nA02,\"說\"\"好\"\"\"\r\nA03,\"兩\n行\"\r\nA04,\r\n").toUtf8());
    const QString text = *CsvText::decode(bytes, *CsvText::detect(bytes));
    QCOMPARE(CsvText::split(text, CsvText::detectDelimiter(text)).rows, rows);
}

QTEST_GUILESS_MAIN(TstCsvText)
#include "tst_csvtext.moc"
