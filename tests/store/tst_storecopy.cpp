#include "support/teststores.h"

#include "store/fieldroutines.h"
#include "store/schema.h"
#include "store/store.h"
#include "store/storecopy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// Backup and restore of the working store: the same file by any name is recognised, a
// backup is whole or absent, and a restore replaces all four tables or none.
class TstStoreCopy : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sameFileByAnyName_data();
    void sameFileByAnyName();
    void backupIsAWholeCheckedCopy();
    void backupFailureKeepsTheTarget_data();
    void backupFailureKeepsTheTarget();
    void restoreReplacesTheFourTablesInOrder();
    void badSourceChangesNothing_data();
    void badSourceChangesNothing();
    void byteFlippedSourcesNeverRestorePartly();
};

namespace {

const QStringList kAllTables{"R_BASE", "R_CUST", "R_DETL", "R_DAY", "NNOO"};

using Tables = QList<QList<QStringList>>;

Tables allRows(const QString &file, const QStringList &tables = kAllTables)
{
    Tables out;
    for (const QString &t : tables)
        out << TestDir::rows(file, t);
    return out;
}

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

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<absent>";
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

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
    if (from.problem() != RestoreSource::Problem::None) {
        *reason = from.reason();
        return false;
    }
    Store::Opened opened = Store::open(working, Schema::working());
    if (!opened.store)
        qFatal("cannot open the working store");
    return from.copyInto(Store::engineHandle(opened.store->database()), reason);
}

// Sets a file-size limit while `work` runs; SIGXFSZ ignored turns it into a failed write.
template <typename Work>
bool withSizeLimit(rlim_t bytes, Work work)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &small) != 0)
        return false;
    work();
    setrlimit(RLIMIT_FSIZE, &saved);
    return true;
}

} // namespace

void TstStoreCopy::sameFileByAnyName_data()
{
    QTest::addColumn<QString>("other"); // relative to the program directory
    QTest::addColumn<QString>("make");  // what is made under that name first
    QTest::addColumn<bool>("same");
    QTest::newRow("the same text") << "VXBANK.mdb" << "" << true;
    QTest::newRow("through a folder and ..") << "sub/../VXBANK.mdb" << "folder" << true;
    QTest::newRow("a link to the file") << "link.mdb" << "symlink" << true;
    QTest::newRow("through a link to the folder") << "here/VXBANK.mdb" << "folderlink" << true;
    QTest::newRow("a second name of the file") << "hard.mdb" << "hardlink" << true;
    QTest::newRow("a copy") << "copy.mdb" << "copy" << false;
    QTest::newRow("a new name beside it") << "new.mdb" << "" << false;
    QTest::newRow("the same name in another folder") << "sub/VXBANK.mdb" << "folder" << false;
}

void TstStoreCopy::sameFileByAnyName()
{
    QFETCH(QString, other);
    QFETCH(QString, make);
    QFETCH(bool, same);
    TestDir dir;
    dir.makeStores();
    const QDir root(dir.path());
    const QString path = root.filePath(other);
    if (make == "folder")
        QVERIFY(root.mkdir("sub"));
    else if (make == "symlink")
        QVERIFY(QFile::link(dir.working(), path));
    else if (make == "folderlink")
        QVERIFY(QFile::link(dir.path(), root.filePath("here")));
    else if (make == "hardlink")
        QCOMPARE(::link(QFile::encodeName(dir.working()).constData(), QFile::encodeName(path).constData()), 0);
    else if (make == "copy")
        QVERIFY(QFile::copy(dir.working(), path));
    QCOMPARE(sameStoreFile(path, dir.working()), same);
    QCOMPARE(sameStoreFile(dir.working(), path), same);
}

void TstStoreCopy::backupIsAWholeCheckedCopy()
{
    // Where the copy goes and how it replaces an old file is the atomic file's own test.
    TestDir dir;
    dir.makeStores();
    fill(dir.working(), "甲", 500);
    // A store kept in write-ahead mode, readable by its owner only.
    TestDir::exec(dir.working(), "PRAGMA journal_mode=WAL");
    QVERIFY(QFile::setPermissions(dir.working(), QFile::ReadOwner | QFile::WriteOwner));
    const QByteArray working = digest(dir.working());
    const QString target = QDir(dir.path()).filePath("備份.mdb");
    QString reason;
    QVERIFY2(backupStoreFile(dir.working(), target, &reason), qPrintable(reason));
    QCOMPARE(entries(dir.path()), (QStringList{"BRANCH.mdb", "VXBANK.mdb", "VXBANK.mdb-shm", "VXBANK.mdb-wal", "備份.mdb"}));
    QCOMPARE(QFile::permissions(target), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QVERIFY(Store::open(target, Schema::working()).store);
    QCOMPARE(allRows(target), allRows(dir.working()));
    // Every backup can be restored again.
    QCOMPARE(int(RestoreSource(target).problem()), int(RestoreSource::Problem::None));
    QCOMPARE(digest(dir.working()), working);
}

void TstStoreCopy::backupFailureKeepsTheTarget_data()
{
    // Where the copy goes and how it replaces the old file is the atomic file's own test.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reasonMentions");
    QTest::newRow("the working store is not a database") << "garbage" << "not a database";
    QTest::newRow("a file-size limit while copying") << "size limit" << "檔案大小超過系統限制";
}

void TstStoreCopy::backupFailureKeepsTheTarget()
{
    QFETCH(QString, kind);
    QFETCH(QString, reasonMentions);
    TestDir dir;
    dir.makeStores();
    fill(dir.working(), "甲", 3000);
    const QString target = QDir(dir.path()).filePath("backup.mdb");
    writeFile(target, "the old backup");
    if (kind == "garbage")
        writeFile(dir.working(), QByteArray(8192, 'x'));
    QString reason;
    bool copied = true;
    const auto backup = [&] { copied = backupStoreFile(dir.working(), target, &reason); };
    if (kind == "size limit")
        QVERIFY(withSizeLimit(64 * 1024, backup));
    else
        backup();
    QVERIFY(!copied);
    QVERIFY2(reason.contains(reasonMentions), qPrintable(reason));
    QCOMPARE(entries(dir.path()), (QStringList{"backup.mdb", "BRANCH.mdb", "VXBANK.mdb"}));
    QCOMPARE(digest(target), QCryptographicHash::hash("the old backup", QCryptographicHash::Sha256));
}

void TstStoreCopy::restoreReplacesTheFourTablesInOrder()
{
    // The source: another store's backup, kept read-only in a read-only folder (as on a
    // write-protected medium); it is read and left exactly as it was.
    TwoStores s(40, "media/source.mdb");
    TestDir &dir = s.dir;
    const QString &source = s.source;
    const QString sourceFolder = QFileInfo(source).absolutePath();
    TestDir::exec(s.other.working(), "INSERT INTO R_CUST VALUES ('Z', NULL, NULL, NULL)");
    QString reason;
    QVERIFY(backupStoreFile(s.other.working(), source, &reason));
    // Tables are found in any letter case, as the engine finds them (only the lines' table
    // must be named exactly).
    TestDir::exec(source, "ALTER TABLE R_BASE RENAME TO base");
    TestDir::exec(source, "ALTER TABLE base RENAME TO r_base");
    QFile::setPermissions(source, QFile::ReadOwner);
    QFile::setPermissions(sourceFolder, QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray sourceBytes = digest(source);
    const Tables oldPresets = allRows(dir.working(), {"NNOO"});
    const Tables oldReference = allRows(dir.reference(), {"VXBANK"});

    const bool restored = restore(dir.working(), source, &reason);
    QFile::setPermissions(sourceFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(restored, qPrintable(reason));
    const QStringList copied{"R_BASE", "R_CUST", "R_DETL", "R_DAY"};
    QCOMPARE(allRows(dir.working(), copied), allRows(s.other.working(), copied));
    QCOMPARE(allRows(dir.working(), {"NNOO"}), oldPresets);
    QCOMPARE(allRows(dir.reference(), {"VXBANK"}), oldReference);
    QCOMPARE(digest(source), sourceBytes);
    QCOMPARE(entries(sourceFolder), QStringList{"source.mdb"});
}

void TstStoreCopy::badSourceChangesNothing_data()
{
    QTest::addColumn<QString>("spoil"); // statements run on the source, or what is done to its file
    QTest::addColumn<int>("problem");   // RestoreSource::Problem; None: refused only while copying
    QTest::addColumn<QString>("reason");
    const int unusable = int(RestoreSource::Problem::Unusable);
    const int layout = int(RestoreSource::Problem::Layout);
    const int copying = int(RestoreSource::Problem::None);
    QTest::newRow("no such file") << "absent" << unusable << "找不到檔案 <source>";
    QTest::newRow("a folder") << "folder" << unusable << "<source> 不是檔案";
    QTest::newRow("not a database") << "text" << unusable << "<source> 不是資料庫檔";
    QTest::newRow("an empty file") << "empty" << unusable << "<source> 不是資料庫檔";
    QTest::newRow("truncated") << "truncated" << unusable << "不完整";
    QTest::newRow("a damaged page") << "damaged" << unusable << "已損壞";
    QTest::newRow("write-ahead mode") << "PRAGMA journal_mode=WAL" << unusable << "<source> 使用預寫記錄 (WAL) 模式，無法安全讀取";
    QTest::newRow("a journal left beside it") << "journal" << unusable << "source.mdb-journal";
    QTest::newRow("locked by another program") << "locked" << unusable << "資料檔正被其他程式使用";
    QTest::newRow("no R_DETL") << "DROP TABLE R_DETL" << layout << "來源資料檔缺少資料表 R_DETL";
    QTest::newRow("r_detl in other letters")
        << "ALTER TABLE R_DETL RENAME TO lines;ALTER TABLE lines RENAME TO r_detl" << layout << "來源資料檔缺少資料表 R_DETL";
    QTest::newRow("R_DETL with six columns") << "ALTER TABLE R_DETL DROP COLUMN AMT2" << layout << "來源資料表 R_DETL 有 6 個欄位，應為 7 個";
    QTest::newRow("R_DETL with eight columns") << "ALTER TABLE R_DETL ADD COLUMN EXTRA" << layout << "來源資料表 R_DETL 有 8 個欄位，應為 7 個";
    QTest::newRow("R_CUST with three columns") << "ALTER TABLE R_CUST DROP COLUMN R_NAME" << layout << "來源資料表 R_CUST 有 3 個欄位，應至少 4 個";
    QTest::newRow("a view for R_BASE") << "DROP TABLE R_BASE;CREATE VIEW R_BASE AS SELECT '1', '2', '3', '4', '5', '6'" << layout
                                       << "來源資料檔的 R_BASE 不是資料表（是檢視）";
    QTest::newRow("R_DETL without rowid")
        << "DROP TABLE R_DETL;CREATE TABLE R_DETL (R_ID, ACTNO, TRFBK, R_NAME, AMT, MARK, AMT2, PRIMARY KEY (R_ID)) WITHOUT ROWID"
        << layout << "來源資料表 R_DETL 宣告為 WITHOUT ROWID，無法依輸入順序讀取";
    // Every value is held to the rules of keyed text: all or nothing, naming table, row and column.
    QTest::newRow("a name too long") << "UPDATE R_DETL SET R_NAME = printf('%.69c', 'x') WHERE R_ID = 'TMP0001'" << copying
                                     << "來源資料表 R_DETL 第 3 筆的 R_NAME 超過 68 Byte";
    QTest::newRow("binary data") << "UPDATE R_CUST SET ACTNO = x'00ff' WHERE rowid = 2" << copying << "來源資料表 R_CUST 第 2 筆的 ACTNO 不是文字";
    QTest::newRow("an emoji") << "UPDATE R_CUST SET R_NAME = '王😀' WHERE rowid = 2" << copying
                              << "來源資料表 R_CUST 第 2 筆的 R_NAME 含有無法原樣轉成 Big5 的字元";
    QTest::newRow("a zero-width space") << "UPDATE R_BASE SET RMTNAME = 'a' || char(8203)" << copying
                                        << "來源資料表 R_BASE 第 1 筆的 RMTNAME 含有無法原樣轉成 Big5 的字元";
    QTest::newRow("U+0001") << "UPDATE R_DETL SET MARK = char(1) WHERE rowid = 2" << copying
                            << "來源資料表 R_DETL 第 2 筆的 MARK 含有控制字元（如定位字元、換行）";
    QTest::newRow("an overlong UTF-8 form") << "UPDATE R_DAY SET PURPOSE = CAST(x'41c0af' AS TEXT)" << copying
                                           << "來源資料表 R_DAY 第 1 筆的 PURPOSE 不是有效的 UTF-8 文字";
    QTest::newRow("an encoded surrogate") << "UPDATE R_DAY SET BATCHNO = CAST(x'eda080' AS TEXT)" << copying
                                         << "來源資料表 R_DAY 第 1 筆的 BATCHNO 不是有效的 UTF-8 文字";
    QTest::newRow("a cut UTF-8 sequence") << "UPDATE R_CUST SET R_NAME = CAST(x'e78e' AS TEXT) WHERE rowid = 20" << copying
                                         << "來源資料表 R_CUST 第 20 筆的 R_NAME 不是有效的 UTF-8 文字";
}

void TstStoreCopy::badSourceChangesNothing()
{
    QFETCH(QString, spoil);
    QFETCH(int, problem);
    QFETCH(QString, reason);
    TwoStores s(20, "source.mdb");
    const QString &source = s.source;
    std::unique_ptr<HeldWriteLock> lock;
    if (spoil == "absent")
        QFile::remove(source);
    else if (spoil == "folder")
        QFile::remove(source), QDir().mkdir(source);
    else if (spoil == "text")
        writeFile(source, QByteArray("R_ID,ACTNO\r\nA01,123\r\n").repeated(20));
    else if (spoil == "empty")
        writeFile(source, {});
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
    const QByteArray sourceBytes = digest(source);
    const Tables before = allRows(s.dir.working());
    RestoreSource::Problem found{};
    QString why;
    QVERIFY(!restore(s.dir.working(), source, &why, &found));
    QVERIFY2(why.contains(QString(reason).replace("<source>", source)), qPrintable(why));
    QCOMPARE(int(found), problem);
    QCOMPARE(allRows(s.dir.working()), before);
    QCOMPARE(digest(source), sourceBytes);
}

void TstStoreCopy::byteFlippedSourcesNeverRestorePartly()
{
    TwoStores s(200, "good.mdb");
    TestDir &dir = s.dir;
    const QString &good = s.source;
    QString reason;
    QFile goodFile(good);
    QVERIFY(goodFile.open(QIODevice::ReadOnly));
    const QByteArray bytes = goodFile.readAll();
    const Tables before = allRows(dir.working());
    const QString pristine = QDir(dir.path()).filePath("pristine.mdb");
    QVERIFY(QFile::copy(dir.working(), pristine));
    const QStringList copied{"R_BASE", "R_CUST", "R_DETL", "R_DAY"};
    QRandomGenerator random(20261206);
    int restored = 0, refused = 0;
    for (int i = 0; i < 300; ++i) {
        QByteArray flipped = bytes;
        const int at = int(random.bounded(qint64(bytes.size())));
        flipped[at] = char(flipped[at] ^ (1 + random.bounded(255)));
        const QString source = QDir(dir.path()).filePath(QStringLiteral("flipped%1.mdb").arg(i));
        writeFile(source, flipped);
        if (restore(dir.working(), source, &reason)) {
            // Whole: the working store holds exactly what the damaged copy holds.
            ++restored;
            const Tables rows = allRows(dir.working(), copied);
            QCOMPARE(rows, allRows(source, copied));
            // and nothing that keying would refuse.
            for (const auto &table : rows)
                for (const QStringList &row : table)
                    QVERIFY2(std::all_of(row.cbegin(), row.cend(), IsBig5Text), qPrintable(row.join('|')));
            QFile::remove(dir.working());
            QVERIFY(QFile::copy(pristine, dir.working()));
        } else {
            ++refused;
            QVERIFY2(!reason.isEmpty(), qPrintable(QString::number(at)));
            QCOMPARE(allRows(dir.working()), before);
        }
        QFile::remove(source);
    }
    qInfo("300 byte-flipped sources: %d restored whole, %d refused with a message", restored, refused);
}

QTEST_GUILESS_MAIN(TstStoreCopy)
#include "tst_storecopy.moc"
