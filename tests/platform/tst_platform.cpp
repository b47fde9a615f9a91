#include "platform/fileattributes.h"
#include "platform/singleinstance.h"
#include "store/storeopening.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TstPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneCopyPerProgramDirectory();
    void lockOfACrashedCopyIsTakenOver();
    void attributes_data();
    void attributes();
};

void TstPlatform::oneCopyPerProgramDirectory()
{
    QTemporaryDir dir, otherDir;
    {
        SingleInstance first(dir.path());
        QCOMPARE(first.acquire(), SingleInstance::Outcome::Acquired);
        SingleInstance second(dir.path());
        QCOMPARE(second.acquire(), SingleInstance::Outcome::HeldByAnother);
        // A copy in another directory has data files of its own.
        SingleInstance elsewhere(otherDir.path());
        QCOMPARE(elsewhere.acquire(), SingleInstance::Outcome::Acquired);
    }
    // Released when the first copy ends.
    SingleInstance later(dir.path());
    QCOMPARE(later.acquire(), SingleInstance::Outcome::Acquired);
}

void TstPlatform::lockOfACrashedCopyIsTakenOver()
{
    QTemporaryDir dir;
    QFile lock(QDir(dir.path()).filePath(".talvek.lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    // What QLockFile leaves behind: pid, application name, host name; this pid is not running.
    lock.write("999999\ntalvek\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    SingleInstance copy(dir.path());
    QCOMPARE(copy.acquire(), SingleInstance::Outcome::Acquired);
}

void TstPlatform::attributes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("attributes");
    QTest::addColumn<bool>("usable");
    QTest::newRow("ordinary file") << "file" << int(FileAttributes::Archive) << true;
    QTest::newRow("read-only file") << "readonly" << int(FileAttributes::Archive | FileAttributes::ReadOnly) << true;
    QTest::newRow("hidden file") << "hidden" << int(FileAttributes::Archive | FileAttributes::Hidden) << true;
    QTest::newRow("folder") << "folder" << int(FileAttributes::Directory) << true;
    QTest::newRow("pipe") << "pipe" << int(FileAttributes::Special) << false;
}

void TstPlatform::attributes()
{
    QFETCH(QString, kind);
    QFETCH(int, attributes);
    QFETCH(bool, usable);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(kind == "hidden" ? ".VXBANK.mdb" : "VXBANK.mdb");
    if (kind == "folder") {
        QVERIFY(QDir(dir.path()).mkdir("VXBANK.mdb"));
    } else if (kind == "pipe") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        if (kind == "readonly")
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    }
    QCOMPARE(FileAttributes::of(path), attributes);
    QCOMPARE(GetAtt_file(path) == 0, usable);
    QVERIFY(!(FileAttributes::of(path) & FileAttributes::ReadOnly));
}

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
