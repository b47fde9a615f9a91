#include "support/teststores.h"

#include "core/output/batchfile.h"

#include <QTest>

#include <type_traits>

Q_DECLARE_METATYPE(BatchFileInput)

// The bank executes every payment from these bytes: each file is compared whole with its
// reference, and what the bank could misread is refused with the message the user reads.
class TstBatchFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writes_data();
    void writes();
    void refuses();
};

namespace {

// The remitter 王小明 and a line of each amount, P1, P2 and so on, paying 小明 for 薪資.
BatchFileInput sample(const QStringList &amounts)
{
    BatchFileInput in{true, {"015", "王小明", "10"}, {}, "1305011201", "130501"};
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

} // namespace

void TstBatchFile::writes_data()
{
    QTest::addColumn<BatchFileInput>("input");
    QTest::addColumn<QString>("file");
    // One line for each edge of a field; with the others' 15000 the twelve-digit amount
    // brings the sum to the most the trailer holds.
    BatchFileInput edges = sample(QStringList(12, "1500"));
    edges.remitter.name = " 王　"; // blanks kept as stored
    edges.lines[0].account = "12345         ";
    edges.lines[1].account = "01234567890123";
    edges.lines[2].name = QString("王").repeated(33) + "AB";
    edges.lines[3].name = " 王　明";
    edges.lines[4].name = QChar(0xE000) + QString("王"); // user-defined, to the bank's extension area
    edges.lines[5].amount = " 1500  ";
    edges.lines[6].amount = "01500";
    edges.lines[7].amount = "0";
    edges.lines[8].amount = "999999984999";
    edges.lines[9].remark = "";
    edges.lines[10].remark = " ";
    edges.lines[11].remark = QString("0123456789").repeated(5);
    BatchFileInput most = sample(QStringList(998, "1500"));
    most.remitter.name = QString("王").repeated(34);
    BatchFileInput none = sample({});
    none.remitter.name.clear();
    QTest::newRow("one line") << sample({"1500"}) << "batch-one.txt";
    QTest::newRow("an edge of each field") << edges << "batch-edges.txt";
    QTest::newRow("no lines, no remitter name") << none << "batch-empty.txt";
    QTest::newRow("998 lines, a 68-byte remitter name") << most << "batch-998.txt";
}

void TstBatchFile::writes()
{
    QFETCH(BatchFileInput, input);
    QFETCH(QString, file);
    const BatchFileResult r = buildBatchFile(input);
    QVERIFY2(r.ok, qPrintable(r.problem));
    QCOMPARE(r.bytes, REFERENCE_BYTES(file));
}

// What the bank could misread is refused, no bytes at all, with the problem the user reads
// and mends: one line of the reference list for each input below.
void TstBatchFile::refuses()
{
    BatchFileInput noRemitter = sample({"1500"});
    noRemitter.hasRemitter = false;
    const QString bytes69 = QString("王").repeated(34) + "A"; // bytes are counted, not characters
    const QList<BatchFileInput> inputs{
        noRemitter, sample(QStringList(999, "1500")), sample(QStringList(101, "9999999999")),
        with(&LineRow::amount, "1,500"), with(&LineRow::amount, ""), with(&LineRow::amount, "0000000001500"),
        with(&LineRow::account, "!000"), with(&LineRow::account, "123456789012345"),
        with(&LineRow::bank, "952123"), with(&LineRow::bank, "95212345"), with(&LineRow::bank, "95212A6"),
        with(&LineRow::name, bytes69), with(&LineRow::name, "王\r明"),
        with(&LineRow::remark, QString("王").repeated(25) + "x"), with(&LineRow::remark, "薪\U0001F600"),
        with(&LineRow::remark, "a\u0080"), // a C1 control, which has no Big5 form either
        with(&RemitterRow::name, bytes69), with(&RemitterRow::brno, "01A"), with(&RemitterRow::kind, "1A"),
        with(&RemitterRow::kind, "12"), with(&BatchFileInput::remitDate, "13050A"), with(&BatchFileInput::remitDate, "130231"),
    };
    QStringList problems;
    for (const BatchFileInput &in : inputs) {
        const BatchFileResult r = buildBatchFile(in);
        problems << (r.ok || !r.bytes.isEmpty() ? QStringLiteral("written") : r.problem);
    }
    QCOMPARE(problems, QString::fromUtf8(REFERENCE_BYTES("batch-refusals.txt")).split('\n', Qt::SkipEmptyParts));
}

QTEST_GUILESS_MAIN(TstBatchFile)
#include "tst_batchfile.moc"
