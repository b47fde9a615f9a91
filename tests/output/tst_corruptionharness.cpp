#include "support/testprogram.h"

#include "output/batchgeneration.h"
#include "output/batchverify.h"
#include "platform/big5codec.h"
#include "store/schema.h"
#include "store/storeopening.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

// Byte-flipped copies of a 300-line working store, each taken through start-up, the
// batch-file window's totals and the generation. No file may say "產生完畢" and hold
// other lines than the damaged store holds.
class TstCorruptionHarness : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void byteFlippedStores();
};

namespace {

using Line = QList<QByteArray>; // institution, account, name, amount, remark as the file carries them

// The detail records of a file, as the bank reads their fields.
QList<Line> fileLines(const QByteArray &file)
{
    QList<Line> out;
    for (const QByteArray &record : file.split('\n')) {
        if (record.startsWith('2'))
            out.append({record.mid(25, 7), record.mid(34, 14), record.mid(48, 68).trimmed(), record.mid(116, 12).trimmed(),
                        record.mid(130).chopped(1)});
    }
    std::sort(out.begin(), out.end());
    return out;
}

// The lines the damaged store holds, read by the engine alone, past every index.
QList<Line> storeLines(const QString &file)
{
    QList<Line> out;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *q = nullptr;
    sqlite3_prepare_v2(db, "SELECT TRFBK, ACTNO, R_NAME, AMT, MARK FROM R_DETL NOT INDEXED", -1, &q, nullptr);
    while (sqlite3_step(q) == SQLITE_ROW) {
        Line line;
        for (int c = 0; c < 5; ++c)
            line << Big5::encode(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(q, c))));
        line[1] = line[1].trimmed().rightJustified(14, '0');
        line[2] = line[2].trimmed();
        line[3] = line[3].trimmed();
        out.append(line);
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
    std::sort(out.begin(), out.end());
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    goodFile.close();

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
        const QByteArray file = readAll(out);
        QVERIFY(verifyBatchFile(file).clean());
        if (i < 0) {
            undamaged = file;
            QCOMPARE(fileLines(file).size(), 300);
        } else if (file == undamaged) {
            ++same;
        } else if (fileLines(file) == storeLines(p.dir.working())) {
            ++changedValues; // a flip inside a stored value: the store itself says so
        } else {
            ++unfaithful;
        }
    }
    qInfo("300 byte-flipped stores: %d refused as the store opened, %d refused at the totals or the generation with a "
          "message; %d files identical to the undamaged one; %d files that differ, each holding exactly the lines its "
          "damaged store holds (a flipped byte inside a stored value); %d files that hold other lines than their store",
          refusedAtStart, refused, same, changedValues, unfaithful);
    QCOMPARE(unfaithful, 0);
}

QTEST_MAIN(TstCorruptionHarness)
#include "tst_corruptionharness.moc"
