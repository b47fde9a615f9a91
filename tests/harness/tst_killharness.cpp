#include "support/teststores.h"

#include "core/platform/clock.h"
#include "core/store/fieldroutines.h"
#include "core/store/schema.h"
#include "core/store/store.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
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
    // Runs the store tool, killed at the `when`-th call of `syscall` (0: never); whether it
    // was killed. Not killed, it must have done its work.
    bool runTool(const QStringList &args, const QString &syscall, int when);
    // Kills the tool at every call of the system calls until a run is no longer killed, each
    // run from `reset`; `check` says what the run left. Tells how often each outcome came;
    // returns the number of points.
    int killEverywhere(const QStringList &args, const QStringList &syscalls, const std::function<void()> &reset,
                       const std::function<QString(const QString &where)> &check);
    QString m_strace;
};

namespace {

const QStringList kCopied{"R_BASE", "R_CUST", "R_DETL", "R_DAY"};
const QStringList kWrites{"pwrite64", "write", "fsync", "fdatasync", "ftruncate", "unlink", "rename"};

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
    return opened.store && opened.store->checkIntegrity(true).ok();
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

bool TstKillHarness::runTool(const QStringList &args, const QString &syscall, int when)
{
    QStringList straceArgs{"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + syscall};
    if (when > 0)
        straceArgs << "-e" << QStringLiteral("inject=%1:signal=KILL:when=%2").arg(syscall).arg(when);
    QProcess p;
    p.start(m_strace, straceArgs << QStringLiteral(TALVEK_STORE_TOOL) << args);
    p.waitForFinished(60000);
    // strace ends itself by the signal that ended the tool.
    const bool killed = p.exitStatus() == QProcess::CrashExit || p.exitCode() == 128 + 9;
    if (!killed && (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0))
        qFatal("the tool failed without being killed");
    return killed;
}

int TstKillHarness::killEverywhere(const QStringList &args, const QStringList &syscalls, const std::function<void()> &reset,
                                   const std::function<QString(const QString &)> &check)
{
    QMap<QString, int> outcomes;
    int points = 0;
    for (const QString &s : syscalls) {
        for (int n = 1;; ++n, ++points) {
            reset();
            if (!runTool(args, s, n))
                break;
            ++outcomes[check(QStringLiteral("%1 #%2").arg(s).arg(n))];
        }
    }
    QStringList parts;
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
        parts << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    qInfo("%s: %d kill points, all killed; afterwards %s", qPrintable(args[0]), points, qPrintable(parts.join(", ")));
    return points;
}

void TstKillHarness::restoreKilledAnywhere()
{
    TestDir dir;
    dir.makeStores();
    const QString source = QDir(dir.path()).filePath("source.mdb");
    const QString pristine = QDir(dir.path()).filePath("pristine.mdb");
    QVERIFY(QFile::copy(dir.working(), source));
    fill(dir.working(), "舊", 5000, 500);
    fill(source, "新", 6000, 998);
    QVERIFY(QFile::copy(dir.working(), pristine));
    const auto oldRows = TestDir::rows(dir.working(), kCopied);
    const auto newRows = TestDir::rows(source, kCopied);
    const QStringList args{"restore", dir.working(), source};
    const auto reset = [&] { copyOver(pristine, dir.working()); };

    QVERIFY(killEverywhere(args, kWrites, reset, [&](const QString &where) {
        // Opening rolls back what a killed restore left half done.
        if (!wholeStore(dir.working()))
            qFatal("%s: the store is damaged", qPrintable(where));
        const auto rows = TestDir::rows(dir.working(), kCopied);
        if (rows != oldRows && rows != newRows)
            qFatal("%s: neither the old rows nor the new ones", qPrintable(where));
        return rows == oldRows ? QStringLiteral("all old rows") : QStringLiteral("all new rows");
    }) >= 300);
}

void TstKillHarness::backupKilledAnywhere()
{
    TestDir dir;
    dir.makeStores();
    const QString folder = QDir(dir.path()).filePath("backups");
    QVERIFY(QDir().mkpath(folder));
    const QString target = QDir(folder).filePath("backup.mdb");
    const QString oldBackup = QDir(dir.path()).filePath("old.mdb");
    QVERIFY(QFile::copy(dir.working(), oldBackup));
    fill(dir.working(), "今", 6000, 998);
    fill(oldBackup, "昨", 10, 5);
    const auto oldRows = TestDir::rows(oldBackup, kCopied);
    const auto newRows = TestDir::rows(dir.working(), kCopied);
    const QStringList args{"backup", dir.working(), target};
    // Every second point starts with no file of that name, the others with an old backup.
    bool withOld = false;
    const auto reset = [&] {
        for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(QDir(folder).filePath(name));
        if ((withOld = !withOld))
            QVERIFY(QFile::copy(oldBackup, target));
    };

    QVERIFY(killEverywhere(args, kWrites, reset, [&](const QString &where) {
        if (!QFileInfo::exists(target)) {
            if (withOld)
                qFatal("%s: the old backup is gone", qPrintable(where));
            return QStringLiteral("no file");
        }
        const auto rows = wholeStore(target) ? TestDir::rows(target, kCopied) : QList<QList<QStringList>>();
        if (rows != newRows && !(withOld && rows == oldRows))
            qFatal("%s: neither the old backup nor a whole new one", qPrintable(where));
        return rows == newRows ? QStringLiteral("a whole checked copy") : QStringLiteral("the old file");
    }) >= 100);
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
    const QStringList args{"batchfile", dir.working(), target, "--date", today, "--batch", today + "1202"};
    // An older file of that name, about as long as the new one, and the new one as a whole generation writes it.
    const QByteArray oldFile(140000, 'o');
    runTool(args, "write", 0);
    const QByteArray newFile = fileBytes(target);
    QVERIFY(newFile.size() > 130000);
    const auto reset = [&] {
        copyOver(pristine, dir.working());
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(oldFile) == oldFile.size());
    };

    // Reading the store and reading the file back are places to be killed as well.
    QVERIFY(killEverywhere(args, kWrites + QStringList{"pread64", "read", "openat"}, reset, [&](const QString &where) {
        const QByteArray now = fileBytes(target);
        if (now != oldFile && now != newFile)
            qFatal("%s: neither the old file nor the whole new one", qPrintable(where));
        return now == oldFile ? QStringLiteral("the old file") : QStringLiteral("the new file");
    }) >= 100);
}

QTEST_GUILESS_MAIN(TstKillHarness)
#include "tst_killharness.moc"
