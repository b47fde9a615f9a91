#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

// The bank must never receive half a file, and a failed write must not cost the old one.
class TstAtomicFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void replacesWholeAndRemovesLeftovers();
    void failureKeepsTheOldFile_data();
    void failureKeepsTheOldFile();
};

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

void TstAtomicFile::replacesWholeAndRemovesLeftovers()
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("batch.txt");
    QVERIFY(writeFileAtomically(path, "first\r\n"));
    // What a program killed before its rename left in the folder goes with the next write,
    // whichever file it was meant to replace.
    QFile leftover(QDir(dir.path()).filePath("other.txt.talvek-Ab12Cd"));
    QVERIFY(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(writeFileAtomically(path, "second\r\n"));
    QCOMPARE(readAll(path), QByteArray("second\r\n"));
    QCOMPARE(entries(dir.path()), QStringList{"batch.txt"});
    QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadUser | QFile::WriteUser);
    // A chain of links is followed: the file at its end is replaced, the links stay.
    QVERIFY(QFile::link(path, QDir(dir.path()).filePath("link.txt")));
    QVERIFY(QFile::link(QDir(dir.path()).filePath("link.txt"), QDir(dir.path()).filePath("chain.txt")));
    QVERIFY(writeFileAtomically(QDir(dir.path()).filePath("chain.txt"), "third\r\n"));
    QCOMPARE(readAll(path), QByteArray("third\r\n"));
    QVERIFY(QFileInfo(QDir(dir.path()).filePath("link.txt")).isSymLink() && QFileInfo(QDir(dir.path()).filePath("chain.txt")).isSymLink());
}

void TstAtomicFile::failureKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // %1: the folder
    QTest::newRow("a file-size limit") << "size limit" << "檔案大小超過系統限制";
    QTest::newRow("a full disk") << "full disk" << "磁碟空間不足";
    QTest::newRow("a folder that is gone") << "no folder" << "資料夾 %1/gone 不存在";
    QTest::newRow("a folder in the file's place") << "folder" << "%1/batch.txt 不是檔案";
}

void TstAtomicFile::failureKeepsTheOldFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    bool mounted = false;
    if (kind == "full disk") {
        // A real full file system: a 16 KiB tmpfs, where root may mount one.
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", dir.path()}) != 0)
            QSKIP("cannot mount a small file system here");
        mounted = true;
    }
    QString path = QDir(dir.path()).filePath("batch.txt");
    if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir("batch.txt"));
    else
        QVERIFY(writeFileAtomically(path, "old file\r\n"));
    if (kind == "no folder")
        path = QDir(dir.path()).filePath("gone/batch.txt");
    QString error;
    bool written = true;
    if (kind == "size limit") {
        // SIGXFSZ ignored turns the limit into a failed write, as the program sets it.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 1000;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        written = writeFileAtomically(path, QByteArray(5000, 'x'), &error);
        setrlimit(RLIMIT_FSIZE, &saved);
    } else {
        written = writeFileAtomically(path, QByteArray(kind == "full disk" ? 20000 : 10, 'x'), &error);
    }
    const QByteArray after = readAll(QDir(dir.path()).filePath("batch.txt"));
    const QStringList left = entries(dir.path());
    if (mounted)
        QProcess::execute("umount", {dir.path()});
    QVERIFY(!written);
    QCOMPARE(error, reason.contains("%1") ? reason.arg(dir.path()) : reason);
    QCOMPARE(left, kind == "folder" ? QStringList() : QStringList{"batch.txt"});
    if (kind != "folder")
        QCOMPARE(after, QByteArray("old file\r\n"));
}

QTEST_GUILESS_MAIN(TstAtomicFile)
#include "tst_atomicfile.moc"
