#include "support/testprogram.h"

#include "core/output/batchgeneration.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

// Byte-flipped copies of a 300-line working store, each taken through start-up, the
// batch-file window's totals and the generation. No file may say "產生完畢" and hold
// other lines than the damaged store holds.
class TstCorruptionHarness : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void byteFlippedStores();
};

namespace {

// The detail records without their sequence numbers, sorted: which lines, not in what order.
QList<QByteArray> details(const QByteArray &file)
{
    QList<QByteArray> out;
    for (const QByteArray &record : file.split('\n'))
        if (record.startsWith('2'))
            out << record.mid(19);
    std::sort(out.begin(), out.end());
    return out;
}

// The lines the damaged store holds, read from the tables themselves, past every index.
QList<QByteArray> storeLines(const QString &file)
{
    const QStringList base = TestDir::rows(file, "R_BASE").value(0);
    BatchFileInput in{true, {base.value(0), base.value(1), base.value(2)}, {}, "1512061201", "151206"};
    for (QStringList r : TestDir::rows(file, "R_DETL")) {
        r.replaceInStrings(QRegularExpression("^<null>$"), QString()); // read as empty text by the program
        in.lines << LineRow{r[0], r[1], r[2], r[3], r[4], r[5], r[6]};
    }
    return details(buildBatchFile(in).bytes);
}

} // namespace

void TstCorruptionHarness::byteFlippedStores()
{
    TestDir good;
    good.makeStores();
    const QString numbers = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 300) ";
    TestDir::exec(good.working(), "INSERT INTO R_BASE VALUES ('015', '範例實業股份有限公司', '10', '', '', '')");
    TestDir::exec(good.working(), "INSERT INTO R_CUST " + numbers + "SELECT printf('P%04d', x), printf('%012d', x * 7919), "
                                  "'0091230', '收款人' || x FROM n");
    TestDir::exec(good.working(), "INSERT INTO R_DETL " + numbers + "SELECT printf('P%04d', 301 - x), printf('%012d', x * 7919), "
                                  "'0091230', '收款人' || x, x * 1150, '貨款' || x, '0' FROM n");
    QFile goodFile(good.working());
    QVERIFY(goodFile.open(QIODevice::ReadOnly));
    const QByteArray store = goodFile.readAll();

    QRandomGenerator random(20261206);
    QByteArray undamaged;
    int refusedAtStart = 0, refused = 0, same = 0, changedValues = 0, unfaithful = 0;
    for (int i = -1; i < 300; ++i) {
        TestProgram p;
        p.dir.makeStores();
        QByteArray bytes = store;
        if (i >= 0) {
            const int at = int(random.bounded(qint64(bytes.size())));
            bytes[at] = char(bytes[at] ^ (1 + random.bounded(255)));
        }
        QFile f(p.dir.working());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();
        if (!p.openWorkingStore()) {
            ++refusedAtStart;
            continue;
        }
        LineTotals shown;
        if (!countLines(*p.context.working(), shown).ok()) {
            ++refused;
            continue;
        }
        const QString out = QDir(p.dir.path()).filePath("batch.txt");
        const GenerationOutcome outcome = generateBatchFile(*p.context.working(), {out, "1512061201", "151206",
                                                                                   LineOrder::ByPayee, shown, {}, p.clock.now()});
        if (!outcome.written) {
            QVERIFY(!outcome.problem.isEmpty());
            QVERIFY(!QFileInfo::exists(out));
            ++refused;
            continue;
        }
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray file = written.readAll();
        if (i < 0) {
            undamaged = file;
            QCOMPARE(details(file).size(), 300);
        } else if (file == undamaged) {
            ++same;
        } else if (details(file) == storeLines(p.dir.working())) {
            ++changedValues; // a flip inside a stored value: the store itself says so
        } else {
            ++unfaithful;
        }
    }
    qInfo("300 byte-flipped stores: %d refused as the store opened, %d later with a message; files: %d as undamaged, "
          "%d with the changed values their store holds, %d with other lines", refusedAtStart, refused, same, changedValues, unfaithful);
    QCOMPARE(unfaithful, 0);
}

QTEST_MAIN(TstCorruptionHarness)
#include "tst_corruptionharness.moc"
