#include "support/teststores.h"

#include "core/platform/filechecks.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <unistd.h>

// The same file by any name is recognised, and only the same file.
class TstFileChecks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sameFileByAnyName_data();
    void sameFileByAnyName();
};

void TstFileChecks::sameFileByAnyName_data()
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

void TstFileChecks::sameFileByAnyName()
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

QTEST_GUILESS_MAIN(TstFileChecks)
#include "tst_filechecks.moc"
