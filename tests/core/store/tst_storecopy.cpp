#include "support/teststores.h"

#include "core/store/fieldroutines.h"
#include "core/store/schema.h"
#include "core/store/store.h"
#include "core/store/storecopy.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

// Backup and restore of the working store: a backup is whole or absent, and a restore
// replaces all four tables or none.
class TstStoreCopy : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backupIsWholeOrNothing_data();
    void backupIsWholeOrNothing();
    void restoreIsAllOrNothing_data();
    void restoreIsAllOrNothing();
    void byteFlippedSourcesNeverRestorePartly();
};

namespace {

const QStringList kAllTables{"R_BASE", "R_CUST", "R_DETL", "R_DAY", "NNOO"};
const QStringList kCopied{"R_BASE", "R_CUST", "R_DETL", "R_DAY"};

using Tables = QList<QList<QStringList>>;

// Rows in every table, nulls among them, in an order no sort gives back.
void fill(const QString &file, const QString &tag, int payees = 3)
{
    TestDir::exec(file, QStringLiteral("INSERT INTO R_BASE VALUES ('123', '範例%1', '10', NULL, '', 'c')").arg(tag));
    TestDir::exec(file, QStringLiteral("INSERT INTO R_CUST WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n "
                                       "WHERE x < %1) SELECT printf('P%05d', %1 - x), printf('%012d', x * 7), '9521236', "
                                       "'收款人%2' || x FROM n")
                            .arg(payees).arg(tag));
    TestDir::exec(file, QStringLiteral("INSERT INTO R_DETL VALUES ('B02', '123', '0091230', '乙%1', '1500', NULL, '0'),"
                                       "('A01', NULL, '9521236', '甲', '20', '貨款', NULL), "
                                       "('TMP0001', '!000', '9521236', '丙', '7', '', '15')").arg(tag));
    TestDir::exec(file, QStringLiteral("INSERT INTO R_DAY VALUES ('151206', '1512061001', '薪資%1')").arg(tag));
    TestDir::exec(file, QStringLiteral("INSERT INTO NNOO VALUES ('貨款%1', NULL, '', '', '', '', '', '', '', '運費')").arg(tag));
}

// A working store with old rows, and beside it a backup of another store with new ones.
struct TwoStores {
    TestDir dir, other;
    QString source;
    TwoStores(int payees, const QString &name)
    {
        dir.makeStores();
        fill(dir.working(), "舊");
        other.makeStores();
        fill(other.working(), "新", payees);
        source = QDir(dir.path()).filePath(name);
        QString reason;
        if (!QDir().mkpath(QFileInfo(source).absolutePath()) || !backupStoreFile(other.working(), source, &reason))
            qFatal("cannot back up: %s", qPrintable(reason));
    }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Restores from `source` into the working store through a connection of its own, as
// the program does through its open one.
bool restore(const QString &working, const QString &source, QString *reason, RestoreSource::Problem *problem = nullptr)
{
    RestoreSource from(source);
    if (problem)
        *problem = from.problem();
    const Store::Opened opened = Store::open(working, Schema::working());
    return opened.store && from.copyInto(*opened.store, reason);
}

} // namespace

void TstStoreCopy::backupIsWholeOrNothing_data()
{
    // Where the copy goes and how it replaces an old file is the atomic file's own test.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // empty: a whole checked copy
    QTest::newRow("a store in write-ahead mode, readable by its owner only") << "wal" << "";
    QTest::newRow("the working store is not a database") << "garbage" << "not a database";
    QTest::newRow("a file-size limit while copying") << "size limit" << "檔案大小超過系統限制";
}

void TstStoreCopy::backupIsWholeOrNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    TestDir dir;
    dir.makeStores();
    fill(dir.working(), "甲", 3000);
    QVERIFY(QFile::setPermissions(dir.working(), QFile::ReadOwner | QFile::WriteOwner));
    if (kind == "wal")
        TestDir::exec(dir.working(), "PRAGMA journal_mode=WAL");
    else if (kind == "garbage")
        writeFile(dir.working(), QByteArray(8192, 'x'));
    const QByteArray working = fileBytes(dir.working());
    const QString target = QDir(dir.path()).filePath("備份.mdb");
    if (!reason.isEmpty())
        writeFile(target, "the old backup");
    // Under a file-size limit a write fails (SIGXFSZ ignored) instead of ending the test.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const rlimit limit{kind == "size limit" ? 64 * 1024 : saved.rlim_cur, saved.rlim_max};
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
    QString why;
    const bool copied = backupStoreFile(dir.working(), target, &why);
    setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(fileBytes(dir.working()), working);
    QCOMPARE(copied, reason.isEmpty());
    QVERIFY2(why.contains(reason), qPrintable(why));
    if (!copied) {
        QCOMPARE(entries(dir.path()), (QStringList{"BRANCH.mdb", "VXBANK.mdb", "備份.mdb"}));
        QCOMPARE(fileBytes(target), QByteArray("the old backup"));
        return;
    }
    // A new backup is no more readable than the store, and can be restored again.
    QCOMPARE(QFile::permissions(target), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QCOMPARE(TestDir::rows(target, kAllTables), TestDir::rows(dir.working(), kAllTables));
    QCOMPARE(int(RestoreSource(target).problem()), int(RestoreSource::Problem::None));
}

void TstStoreCopy::restoreIsAllOrNothing_data()
{
    QTest::addColumn<QString>("spoil");
    QTest::addColumn<int>("problem"); // -1: restored
    QTest::addColumn<QString>("reason");
    const QStringList problems{"None", "Unusable", "Layout"}; // RestoreSource::Problem
    for (const QStringList &c : REFERENCE_CASES("restore-refusals.txt"))
        QTest::newRow(qPrintable(c[0])) << c[1] << int(problems.indexOf(c[2])) << c.value(3);
}

void TstStoreCopy::restoreIsAllOrNothing()
{
    QFETCH(QString, spoil);
    QFETCH(int, problem);
    QFETCH(QString, reason);
    // The source: another store's backup, kept read-only in a read-only folder (as on a
    // write-protected medium); it is read and left exactly as it was.
    TwoStores s(20, "media/source.mdb");
    const QString &source = s.source;
    const QString folder = QFileInfo(source).absolutePath();
    std::unique_ptr<HeldWriteLock> lock;
    if (spoil == "absent")
        QFile::remove(source);
    else if (spoil == "folder")
        QFile::remove(source), QDir().mkdir(source);
    else if (spoil == "text")
        writeFile(source, QByteArray("R_ID,ACTNO\r\nA01,123\r\n").repeated(20));
    else if (spoil == "truncated")
        QVERIFY(QFile::resize(source, QFileInfo(source).size() / 2));
    else if (spoil == "damaged")
        TestDir::damageTable(source, "R_CUST");
    else if (spoil == "journal")
        QFile::copy(source, source + "-journal");
    else if (spoil == "locked")
        lock = std::make_unique<HeldWriteLock>(source);
    else
        for (const QString &sql : spoil.split(';'))
            TestDir::exec(source, sql);
    QVERIFY(!lock || lock->held());
    QFile::setPermissions(source, QFile::ReadOwner);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray sourceBytes = fileBytes(source);
    const QStringList beside = entries(folder);
    const Tables before = TestDir::rows(s.dir.working(), kAllTables);
    const auto reference = TestDir::rows(s.dir.reference(), "VXBANK");
    RestoreSource::Problem found{};
    QString why;
    const bool restored = restore(s.dir.working(), source, &why, &found);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(restored == (problem < 0) && why.contains(QString(reason).replace("<source>", source)), qPrintable(why));
    if (!restored)
        QCOMPARE(int(found), problem);
    // All four tables in the source's order, or none; the presets and the institutions stay.
    QCOMPARE(TestDir::rows(s.dir.working(), kAllTables), restored ? TestDir::rows(s.other.working(), kCopied) << before.last() : before);
    QCOMPARE(TestDir::rows(s.dir.reference(), "VXBANK"), reference);
    QCOMPARE(fileBytes(source), sourceBytes);
    QCOMPARE(entries(folder), beside);
}

void TstStoreCopy::byteFlippedSourcesNeverRestorePartly()
{
    TwoStores s(200, "good.mdb");
    const QByteArray bytes = fileBytes(s.source);
    QRandomGenerator random(20261206);
    for (int i = 0; i < 300; ++i) {
        QByteArray flipped = bytes;
        const int at = int(random.bounded(qint64(bytes.size())));
        flipped[at] = char(flipped[at] ^ (1 + random.bounded(255)));
        const QString source = QDir(s.dir.path()).filePath(QStringLiteral("flipped%1.mdb").arg(i));
        writeFile(source, flipped);
        const Tables before = TestDir::rows(s.dir.working(), kAllTables);
        QString reason;
        if (!restore(s.dir.working(), source, &reason)) {
            QVERIFY2(!reason.isEmpty(), qPrintable(QString::number(at)));
            QCOMPARE(TestDir::rows(s.dir.working(), kAllTables), before);
            continue;
        }
        // Whole: the working store holds exactly what the damaged copy holds, and nothing
        // that keying would refuse.
        const Tables rows = TestDir::rows(s.dir.working(), kCopied);
        QCOMPARE(rows, TestDir::rows(source, kCopied));
        for (const auto &table : rows)
            for (const QStringList &row : table)
                QVERIFY2(std::all_of(row.cbegin(), row.cend(), IsBig5Text), qPrintable(row.join('|')));
    }
}

QTEST_GUILESS_MAIN(TstStoreCopy)
#include "tst_storecopy.moc"
