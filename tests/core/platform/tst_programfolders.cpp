#include "support/teststores.h"

#include "core/platform/programfolders.h"
#include "core/store/storeopening.h"

#include <QDir>
#include <QTest>

class TstProgramFolders : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void installedOrBesideItself_data();
    void installedOrBesideItself();
    void onlyAnEmptyFolderIsPrepared();
};

void TstProgramFolders::installedOrBesideItself_data()
{
    QTest::addColumn<QStringList>("folders"); // made under a scratch root
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("data"); // "<xdg>" for the user's data folder
    QTest::addColumn<QString>("guide");
    QTest::newRow("installed") << QStringList{"usr/bin", "usr/share/talvek"} << "usr/bin" << "<xdg>/Talvek"
                               << "usr/share/talvek/talvek.qch";
    QTest::newRow("a folder of its own") << QStringList{"Talvek"} << "Talvek" << "Talvek" << "Talvek/talvek.qch";
    QTest::newRow("a bin folder with nothing shared") << QStringList{"opt/bin"} << "opt/bin" << "opt/bin" << "opt/bin/talvek.qch";
    QTest::newRow("shared files beside another folder")
        << QStringList{"x/build", "x/share/talvek"} << "x/build" << "x/build" << "x/build/talvek.qch";
}

void TstProgramFolders::installedOrBesideItself()
{
    QFETCH(QStringList, folders);
    QFETCH(QString, program);
    QFETCH(QString, data);
    QFETCH(QString, guide);
    TestDir root;
    for (const QString &f : folders)
        QVERIFY(QDir(root.path()).mkpath(f));
    qputenv("XDG_DATA_HOME", (root.path() + "/xdg").toUtf8());
    const ProgramFolders found = programFolders(root.path() + "/" + program);
    QCOMPARE(found.data, root.path() + "/" + data.replace("<xdg>", "xdg"));
    QCOMPARE(found.guide, root.path() + "/" + guide);
    QCOMPARE(found.installed, data.startsWith("xdg"));
}

// A folder holding either file is left alone: a lost file is told, never replaced by an
// empty one.
void TstProgramFolders::onlyAnEmptyFolderIsPrepared()
{
    TestDir root;
    const QString folder = root.path() + "/new/Talvek";
    bool prepared = false;
    QCOMPARE(prepareDataFolder(folder, prepared), QString());
    QVERIFY(prepared);
    QCOMPARE(TestDir::rows(workingStorePath(folder), "R_CUST").size(), 0);
    QCOMPARE(TestDir::rows(referenceStorePath(folder), "VXBANK").size(), starterInstitutions().size());
    QCOMPARE(prepareDataFolder(folder, prepared), QString());
    QVERIFY(!prepared);
    QVERIFY(QFile::remove(workingStorePath(folder)));
    QCOMPARE(prepareDataFolder(folder, prepared), QString());
    QVERIFY(!prepared);
    QVERIFY(!QFile::exists(workingStorePath(folder)));
}

QTEST_MAIN(TstProgramFolders)
#include "tst_programfolders.moc"
