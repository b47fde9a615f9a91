#include "support/teststores.h"

#include "core/output/batchfile.h"

#include <QHash>
#include <QTest>

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

// Two lines of 1500 with one thing changed, as a case of the reference list names it: a
// value of the second line, of the remitter or of the batch; the lines; no remitter at all.
BatchFileInput changed(const QString &what, const QString &value)
{
    if (what == "lines")
        return sample(QStringList(value.section(' ', 0, 0).toInt(), value.section(' ', 1)));
    BatchFileInput in = sample({"1500", "1500"});
    in.hasRemitter = what != "no remitter";
    LineRow &l = in.lines[1];
    const QHash<QString, QString *> at{{"account", &l.account}, {"bank", &l.bank}, {"name", &l.name}, {"amount", &l.amount},
                                        {"remark", &l.remark}, {"remitter name", &in.remitter.name},
                                        {"branch", &in.remitter.brno}, {"kind", &in.remitter.kind}, {"date", &in.remitDate}};
    if (QString *field = at.value(what))
        *field = value;
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
// and mends.
void TstBatchFile::refuses()
{
    QStringList problems, expected;
    for (const QStringList &c : REFERENCE_CASES("batch-refusals.txt")) {
        const BatchFileResult r = buildBatchFile(changed(c[0], c[1]));
        problems << c[0] + " " + c[1] + ": " + (r.ok || !r.bytes.isEmpty() ? QStringLiteral("written") : r.problem);
        expected << c[0] + " " + c[1] + ": " + c[2];
    }
    QCOMPARE(problems, expected);
}

QTEST_GUILESS_MAIN(TstBatchFile)
#include "tst_batchfile.moc"
