#include "core/platform/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>


class TstSingleInstance : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneCopyPerProgramDirectory();
};

void TstSingleInstance::oneCopyPerProgramDirectory()
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

    // What QLockFile leaves behind when a copy crashes: pid (one not running), application
    // name, host name. The next copy takes it over.
    QFile lock(QDir(otherDir.path()).filePath(".talvek.lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write("999999\ntalvek\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    SingleInstance copy(otherDir.path());
    QCOMPARE(copy.acquire(), SingleInstance::Outcome::Acquired);
}

QTEST_GUILESS_MAIN(TstSingleInstance)
#include "tst_singleinstance.moc"
