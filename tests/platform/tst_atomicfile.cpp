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
    void replacesWholeFileOrNothing();
    void fullDiskKeepsOldFile();
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

void TstAtomicFile::replacesWholeFileOrNothing()
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("batch.txt");
    QVERIFY(writeFileAtomically(path, "first\r\n"));
    QVERIFY(writeFileAtomically(path, "old file\r\n"));
    QCOMPARE(readAll(path), QByteArray("old file\r\n"));
    // A file size limit makes the write fail after its first bytes, as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    const auto writeOverLimit = [](const QString &target, QString *error) {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 1000;
        const bool limited = setrlimit(RLIMIT_FSIZE, &small) == 0;
        const bool written = writeFileAtomically(target, QByteArray(5000, 'x'), error);
        setrlimit(RLIMIT_FSIZE, &saved);
        return limited && !written;
    };
    QString error;
    QVERIFY(writeOverLimit(path, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(path), QByteArray("old file\r\n"));
    // Nor is a new file left behind half written.
    QVERIFY(writeOverLimit(QDir(dir.path()).filePath("new.txt"), nullptr));
    QCOMPARE(entries(dir.path()), QStringList{"batch.txt"});
}

void TstAtomicFile::fullDiskKeepsOldFile()
{
    // A real full file system: a 16 KiB tmpfs, where root may mount one.
    QTemporaryDir dir;
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", dir.path()}) != 0)
        QSKIP("cannot mount a small file system here");
    const QString path = QDir(dir.path()).filePath("batch.txt");
    QVERIFY(writeFileAtomically(path, "old file\r\n"));
    QFile filler(QDir(dir.path()).filePath("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(8192, 'f'));
    filler.close();
    // Smaller than Qt's write buffer: the failure only shows when the buffer is pushed out.
    const bool written = writeFileAtomically(path, QByteArray(12000, 'x'));
    const QByteArray after = readAll(path);
    const QStringList left = entries(dir.path());
    QProcess::execute("umount", {dir.path()});
    QVERIFY(!written);
    QCOMPARE(after, QByteArray("old file\r\n"));
    QCOMPARE(left, (QStringList{"batch.txt", "filler"}));
}

QTEST_GUILESS_MAIN(TstAtomicFile)
#include "tst_atomicfile.moc"
