#include "support/teststores.h"

#include "platform/clock.h"
#include "store/fieldroutines.h"
#include "store/schema.h"
#include "store/store.h"
#include "store/storecopy.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>

// The program killed at every write, sync, truncation, removal and rename of a restore
// or a backup: afterwards the working store is whole and holds all of the old rows or
// all of the new ones, and a backup's name holds the old file or a whole checked copy.
class TstKillHarness : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void restoreKilledAnywhere();
    void backupKilledAnywhere();
    void bankFileKilledAnywhere();

private:
    struct Run {
        bool killed = false;
        int exitCode = 0;
    };
    // Runs the store tool, killed at the `when`-th call of `syscall` (0: never).
    Run runTool(const QStringList &args, const QString &syscall, int when, int *calls = nullptr);
    // Every point at which the tool can be killed: (system call, its n-th call).
    QList<QPair<QString, int>> killPoints(const QStringList &args, const QStringList &syscalls,
                                          const std::function<void()> &reset);
    QString m_strace;
    QTemporaryDir m_logs;
};

namespace {

const QStringList kCopied{"R_BASE", "R_CUST", "R_DETL", "R_DAY"};
const QStringList kWrites{"pwrite64", "write", "fsync", "fdatasync", "ftruncate", "unlink", "rename"};

QList<QList<QStringList>> copiedRows(const QString &file)
{
    QList<QList<QStringList>> out;
    for (const QString &t : kCopied)
        out << TestDir::rows(file, t);
    return out;
}

void fill(const QString &file, const QString &tag, int payees, int lines)
{
    const QString numbers = QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < %1) ");
    TestDir::exec(file, QStringLiteral("INSERT INTO R_BASE VALUES ('123', '%1公司', '10', NULL, '', '')").arg(tag));
    TestDir::exec(file, QStringLiteral("INSERT INTO R_CUST %1 SELECT printf('P%05d', x), printf('%012d', x * 7), '9521236', "
                                       "'%2' || x FROM n").arg(numbers.arg(payees), tag));
    TestDir::exec(file, QStringLiteral("INSERT INTO R_DETL %1 SELECT printf('P%05d', x), printf('%012d', x * 7), '9521236', "
                                       "'%2' || x, x * 10, NULL, '0' FROM n").arg(numbers.arg(lines), tag));
    TestDir::exec(file, QStringLiteral("INSERT INTO R_DAY VALUES ('151206', '1512061001', '%1')").arg(tag));
}

// Whether the file opens as a working store and the engine finds it whole.
bool wholeStore(const QString &file)
{
    Store::Opened opened = Store::open(file, Schema::working());
    if (!opened.store)
        return false;
    QSqlQuery q(opened.store->database());
    return q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next() && q.value(0).toString() == QLatin1String("ok");
}

void copyOver(const QString &from, const QString &to)
{
    QFile::remove(to);
    QFile::remove(to + QStringLiteral("-journal"));
    if (!QFile::copy(from, to))
        qFatal("cannot copy %s", qPrintable(from));
}

} // namespace

void TstKillHarness::initTestCase()
{
    m_strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (m_strace.isEmpty() || QProcess::execute(m_strace, {"-qq", "-o", "/dev/null", "true"}) != 0)
        QSKIP("strace cannot trace here");
}

TstKillHarness::Run TstKillHarness::runTool(const QStringList &args, const QString &syscall, int when, int *calls)
{
    const QString log = QDir(m_logs.path()).filePath(QStringLiteral("trace"));
    QStringList straceArgs{"-f", "-qq", "-o", log, "-e", "trace=" + syscall};
    if (when > 0)
        straceArgs << "-e" << QStringLiteral("inject=%1:signal=KILL:when=%2").arg(syscall).arg(when);
    QProcess p;
    p.start(m_strace, straceArgs << QStringLiteral(TALVEK_STORE_TOOL) << args);
    p.waitForFinished(60000);
    if (calls) {
        QFile f(log);
        f.open(QIODevice::ReadOnly);
        *calls = int(f.readAll().count(QByteArray(" ") + syscall.toLatin1() + "("));
    }
    // strace ends itself by the signal that ended the tool.
    return {p.exitStatus() == QProcess::CrashExit || p.exitCode() == 128 + 9, p.exitCode()};
}

QList<QPair<QString, int>> TstKillHarness::killPoints(const QStringList &args, const QStringList &syscalls,
                                                      const std::function<void()> &reset)
{
    QList<QPair<QString, int>> points;
    for (const QString &s : syscalls) {
        reset();
        int calls = 0;
        const Run run = runTool(args, s, 0, &calls);
        if (run.killed || run.exitCode != 0)
            qFatal("the tool failed without being killed");
        for (int n = 1; n <= calls; ++n)
            points.append({s, n});
    }
    return points;
}

void TstKillHarness::restoreKilledAnywhere()
{
    TestDir dir;
    dir.makeStores();
    fill(dir.working(), "舊", 5000, 500);
    TestDir other;
    other.makeStores();
    fill(other.working(), "新", 6000, 998);
    const QString source = QDir(dir.path()).filePath("source.mdb");
    const QString pristine = QDir(dir.path()).filePath("pristine.mdb");
    QString reason;
    QVERIFY2(backupStoreFile(other.working(), source, &reason), qPrintable(reason));
    QVERIFY(QFile::copy(dir.working(), pristine));
    const auto oldRows = copiedRows(dir.working());
    const auto newRows = copiedRows(source);
    const QStringList args{"restore", dir.working(), source};
    const auto reset = [&] { copyOver(pristine, dir.working()); };

    const auto points = killPoints(args, kWrites, reset);
    int killed = 0, keptOld = 0, gotNew = 0;
    for (const auto &[syscall, when] : points) {
        reset();
        killed += runTool(args, syscall, when).killed;
        // Opening rolls back what a killed restore left half done.
        QVERIFY2(wholeStore(dir.working()), qPrintable(QStringLiteral("%1 #%2").arg(syscall).arg(when)));
        const auto rows = copiedRows(dir.working());
        QVERIFY2(rows == oldRows || rows == newRows, qPrintable(QStringLiteral("%1 #%2").arg(syscall).arg(when)));
        (rows == oldRows ? keptOld : gotNew)++;
    }
    qInfo("restore: %d kill points, %d killed; afterwards %d stores kept all old rows, %d had all new ones",
          int(points.size()), killed, keptOld, gotNew);
    QVERIFY(points.size() >= 300);
    QCOMPARE(killed, int(points.size()));
}

void TstKillHarness::backupKilledAnywhere()
{
    TestDir dir;
    dir.makeStores();
    fill(dir.working(), "今", 6000, 998);
    TestDir older;
    older.makeStores();
    fill(older.working(), "昨", 10, 5);
    const QString folder = QDir(dir.path()).filePath("backups");
    QVERIFY(QDir().mkpath(folder));
    const QString target = QDir(folder).filePath("backup.mdb");
    const QString oldBackup = QDir(dir.path()).filePath("old.mdb");
    QString reason;
    QVERIFY(backupStoreFile(older.working(), oldBackup, &reason));
    const auto oldRows = copiedRows(oldBackup);
    const auto newRows = copiedRows(dir.working());
    const QStringList args{"backup", dir.working(), target};
    // Every second point starts with no file of that name, the others with an old backup.
    bool withOld = false;
    const auto reset = [&] {
        for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(QDir(folder).filePath(name));
        if ((withOld = !withOld))
            QVERIFY(QFile::copy(oldBackup, target));
    };

    const auto points = killPoints(args, kWrites, reset);
    int killed = 0, absent = 0, old = 0, copied = 0;
    for (const auto &[syscall, when] : points) {
        reset();
        killed += runTool(args, syscall, when).killed;
        const QString where = QStringLiteral("%1 #%2").arg(syscall).arg(when);
        if (!QFileInfo::exists(target)) {
            QVERIFY2(!withOld, qPrintable(where));
            ++absent;
            continue;
        }
        QVERIFY2(wholeStore(target), qPrintable(where));
        const auto rows = copiedRows(target);
        QVERIFY2(rows == newRows || (withOld && rows == oldRows), qPrintable(where));
        (rows == newRows ? copied : old)++;
    }
    qInfo("backup: %d kill points, %d killed; afterwards the name was absent %d times, the old file %d times, "
          "a whole checked copy %d times", int(points.size()), killed, absent, old, copied);
    QVERIFY(points.size() >= 100);
    // The copy that a backup killed before its rename left beside the name goes with the
    // next backup.
    reset();
    QVERIFY(runTool(args, "rename", 1).killed);
    QVERIFY(!QDir(folder).entryList({"backup.mdb.talvek-*"}, QDir::Files | QDir::Hidden).isEmpty());
    QVERIFY(backupStoreFile(dir.working(), target, &reason));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"backup.mdb"});
}

void TstKillHarness::bankFileKilledAnywhere()
{
    TestDir dir;
    dir.makeStores();
    fill(dir.working(), "收款人", 3000, 998);
    const QString pristine = QDir(dir.path()).filePath("pristine.mdb");
    QVERIFY(QFile::copy(dir.working(), pristine));
    const QString target = QDir(dir.path()).filePath("out.txt");
    const QString today = RocToday(SystemClock(), QStringLiteral("2"));
    const QStringList older{"batchfile", dir.working(), target, "--date", today, "--batch", today + "1201", "--order", "input"};
    const QStringList args{"batchfile", dir.working(), target, "--date", today, "--batch", today + "1202"};
    const auto contents = [&] {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
    };
    // The old file and the new one, each as a whole generation writes it.
    QCOMPARE(runTool(older, "write", 0).exitCode, 0);
    const QByteArray oldFile = contents();
    QCOMPARE(runTool(args, "write", 0).exitCode, 0);
    const QByteArray newFile = contents();
    QVERIFY(oldFile != newFile && oldFile.size() > 130000);
    const auto reset = [&] {
        copyOver(pristine, dir.working());
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(oldFile) == oldFile.size());
    };

    // Reading the store and reading the file back are places to be killed as well.
    const auto points = killPoints(args, kWrites + QStringList{"pread64", "read", "openat"}, reset);
    QMap<QString, int> perCall;
    int killed = 0, keptOld = 0, gotNew = 0;
    for (const auto &[syscall, when] : points) {
        reset();
        killed += runTool(args, syscall, when).killed;
        const QByteArray now = contents();
        QVERIFY2(now == oldFile || now == newFile, qPrintable(QStringLiteral("%1 #%2").arg(syscall).arg(when)));
        (now == oldFile ? keptOld : gotNew)++;
        perCall[syscall]++;
    }
    QStringList calls;
    for (auto it = perCall.cbegin(); it != perCall.cend(); ++it)
        calls << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    qInfo("bank file: %d kill points (%s), %d killed; afterwards the target was the whole old file %d times, "
          "the whole new one %d times", int(points.size()), qPrintable(calls.join(", ")), killed, keptOld, gotNew);
    QVERIFY(points.size() >= 100);
    QCOMPARE(killed, int(points.size()));
    // A copy left by a kill before the rename goes with the next successful write.
    reset();
    QVERIFY(runTool(args, "rename", 1).killed);
    QCOMPARE(QDir(dir.path()).entryList({"out.txt.talvek-*"}, QDir::Files | QDir::Hidden).size(), 1);
    reset();
    QCOMPARE(runTool(args, "write", 0).exitCode, 0);
    QCOMPARE(QDir(dir.path()).entryList({"out.txt*"}, QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

QTEST_GUILESS_MAIN(TstKillHarness)
#include "tst_killharness.moc"
