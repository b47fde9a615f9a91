#include "support/teststores.h"

#include "core/platform/atomicfile.h"

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
    QVERIFY(QFile(QDir(dir.path()).filePath("other.txt.talvek-Ab12Cd")).open(QIODevice::WriteOnly));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(writeFileAtomically(path, "second\r\n"));
    QCOMPARE(fileBytes(path), QByteArray("second\r\n"));
    QCOMPARE(entries(dir.path()), QStringList{"batch.txt"});
    QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadUser | QFile::WriteUser);
    // A chain of links is followed: the file at its end is replaced, the links stay.
    QVERIFY(QFile::link(path, QDir(dir.path()).filePath("link.txt")));
    QVERIFY(QFile::link(QDir(dir.path()).filePath("link.txt"), QDir(dir.path()).filePath("chain.txt")));
    QVERIFY(writeFileAtomically(QDir(dir.path()).filePath("chain.txt"), "third\r\n"));
    QCOMPARE(fileBytes(path), QByteArray("third\r\n"));
    QVERIFY(QFileInfo(QDir(dir.path()).filePath("link.txt")).isSymLink() && QFileInfo(QDir(dir.path()).filePath("chain.txt")).isSymLink());
}

void TstAtomicFile::failureKeepsTheOldFile_data()
{
    // A folder that is gone: the batch file's own refusals name it.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // %1: the folder
    QTest::newRow("a file-size limit") << "size limit" << "檔案大小超過系統限制";
    QTest::newRow("a full disk") << "full disk" << "磁碟空間不足";
    QTest::newRow("a folder in the file's place") << "folder" << "%1/batch.txt 不是檔案";
}

void TstAtomicFile::failureKeepsTheOldFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    // A real full file system: a 16 KiB tmpfs, where root may mount one.
    if (kind == "full disk" && QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", dir.path()}) != 0)
        QSKIP("cannot mount a small file system here");
    const auto unmount = qScopeGuard([&] {
        if (kind == "full disk")
            QProcess::execute("umount", {dir.path()});
    });
    const QString path = QDir(dir.path()).filePath("batch.txt");
    if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir("batch.txt"));
    else
        QVERIFY(writeFileAtomically(path, "old file\r\n"));
    // SIGXFSZ ignored turns the limit into a failed write, as the program sets it.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const rlimit limit{kind == "size limit" ? 1000 : saved.rlim_cur, saved.rlim_max};
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
    QString error;
    const bool written = writeFileAtomically(path, QByteArray(20000, 'x'), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    QVERIFY(!written);
    QCOMPARE(error, reason.contains("%1") ? reason.arg(dir.path()) : reason);
    QCOMPARE(entries(dir.path()), kind == "folder" ? QStringList() : QStringList{"batch.txt"});
    if (kind != "folder")
        QCOMPARE(fileBytes(path), QByteArray("old file\r\n"));
}

QTEST_GUILESS_MAIN(TstAtomicFile)
#include "tst_atomicfile.moc"
