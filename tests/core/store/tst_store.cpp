#include "support/teststores.h"

#include "core/store/recordset.h"
#include "core/store/schema.h"
#include "core/store/store.h"
#include "core/store/storefailure.h"
#include "core/store/storeopening.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <sqlite3.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

// The store as every window uses it: snapshots, moves, writes, widths and failures.
class TstStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void prefixIsLiteralText();
    void movesAndSignals();
    void addUpdateRemove();
    void browsingTakesRowsAsNeeded();
    void codesIndexedOnceWhereTheFileMayChange();
    void failuresAreOfTheirKind_data();
    void failuresAreOfTheirKind();
    void bulkWritesFailAlike_data();
    void bulkWritesFailAlike();
    void bulkWritesStoreAlike();
    void workingStoreOpening_data();
    void workingStoreOpening();
    void unusualTablesServeOrAreRefused_data();
    void unusualTablesServeOrAreRefused();
};

namespace {

// A new working store holding the given payees, opened as the windows open it.
struct Stores {
    TestDir dir;
    std::unique_ptr<Store> store;
    explicit Stores(const QList<QStringList> &payees = {})
    {
        dir.makeStores();
        TestDir::insert(dir.working(), Table::R_CUST, payees);
        store = std::move(Store::open(dir.working(), Schema::working()).store);
        if (!store)
            qFatal("a new working store does not open");
    }
};

QStringList codes(const RecordSet &set)
{
    QStringList out;
    for (int r = 0; r < set.rowCount(); ++r)
        out << set.value(r, RCust::R_ID);
    return out;
}

} // namespace

void TstStore::prefixIsLiteralText()
{
    QList<QStringList> payees;
    for (const char *id : {"A2", "A10", "A1_", "%X", "A1", "\\Z"})
        payees.append({id, "1", "9521236", "n"});
    Stores s(payees);
    const auto matching = [&](const QString &prefix) {
        return codes(*s.store->select(Query::table(Table::R_CUST).wherePrefix("R_ID", prefix).orderBy("R_ID")));
    };
    // Quote, percent, underscore and an empty prefix: the editing window's query shows them.
    QCOMPARE(matching("a1"), (QStringList{"A1", "A10", "A1_"})); // case is ignored like the keyed codes
    QCOMPARE(matching("\\"), QStringList{"\\Z"});
}

void TstStore::movesAndSignals()
{
    Stores s({{"A", "1", "t", "n"}, {"B", "2", "t", "n"}});
    auto set = s.store->select(Query::table(Table::R_CUST));
    QSignalSpy moved(set.get(), &RecordSet::currentRowMoved);
    // Where each move leaves the set: a row's code, or "$" past the last row and "^" before the first.
    const auto at = [&] { return set->field(RCust::R_ID) + (set->atEnd() ? "$" : set->atStart() ? "^" : ""); };
    QStringList seen{at()};
    for (auto move : {&RecordSet::moveNext, &RecordSet::moveNext, &RecordSet::moveNext, &RecordSet::movePrevious,
                      &RecordSet::movePrevious, &RecordSet::movePrevious}) {
        (set.get()->*move)();
        seen << at();
    }
    QCOMPARE(seen, (QStringList{"A", "B", "$", "$", "B", "A", "^"}));
    QCOMPARE(moved.count(), 6);

    auto empty = s.store->select(Query::table(Table::R_DETL));
    QVERIFY(empty->atStart() && empty->atEnd());
}

void TstStore::addUpdateRemove()
{
    Stores s;
    auto set = s.store->select(Query::table(Table::R_DAY));
    QVERIFY(set->addRow({"910915"}).ok());
    QVERIFY(set->isNull(RDay::PURPOSE));
    QCOMPARE(set->field(RDay::PURPOSE), QString());
    QVERIFY(set->update({"910916", "9109161001", "薪資"}).ok());
    QCOMPARE(TestDir::rows(s.dir.working(), "R_DAY"), (QList<QStringList>{{"910916", "9109161001", "薪資"}}));

    // A row deleted behind the snapshot's back is not silently "updated".
    TestDir::exec(s.dir.working(), "DELETE FROM R_DAY");
    QCOMPARE(set->update({"x"}).error, StoreResult::Error::Other);

    // Where a removal leaves the current row, the editing window's delete shows.
    auto payees = s.store->select(Query::table(Table::R_CUST));
    for (const char *id : {"B", "A", "C"})
        QVERIFY(payees->addRow({id, "1", "t", "n"}).ok());
    payees->moveTo(1);
    QVERIFY(payees->removeCurrentRow().ok());
    // Adding after a removal keeps the order added, not a reused slot.
    QVERIFY(payees->addRow({"D", "1", "t", "n"}).ok());
    QCOMPARE(codes(*s.store->select(Query::table(Table::R_CUST))), (QStringList{"B", "C", "D"}));
}

void TstStore::browsingTakesRowsAsNeeded()
{
    // Six payees added out of code order, browsed two rows at a time in code order.
    QList<QStringList> payees;
    for (const char *id : {"P4", "P2", "P6", "P1", "P5", "P3"})
        payees.append({id, "1", "t", QStringLiteral("名%1").arg(id)});
    Stores s(payees);
    s.store->keepIndexes();
    const Query byCode = Query::table(Table::R_CUST).orderBy("R_ID");
    // Every row held after walking to the end: those taken, then those added here.
    const auto walked = [](RecordSet &set) {
        QStringList out;
        for (set.moveFirst(); !set.atEnd(); set.moveNext())
            out << set.field(RCust::R_ID);
        return out;
    };

    // A find reaches a row not taken yet (the engine's search, ASCII case ignored as in the
    // rows held, or all rows taken when they are few) and takes the rows before it.
    std::unique_ptr<RecordSet> set;
    for (int few : {0, RecordSet::FewRows}) {
        set = s.store->browse(byCode, nullptr, 2);
        set->setFewRows(few);
        QCOMPARE(set->rowCount(), 2);
        QCOMPARE(set->findContaining("名p5", {RCust::R_NAME}), 4);
        QCOMPARE(set->value(4, RCust::R_ID), "P5");
        QCOMPARE(set->findContaining("名P", {RCust::R_NAME}, 5), 5);
        QCOMPARE(set->findContaining("名P7", {RCust::R_NAME}), -1);
    }

    // Deleting the last row of a window: the next row of the query becomes current.
    set = s.store->browse(byCode, nullptr, 2);
    set->moveNext();
    QVERIFY(set->removeCurrentRow().ok());
    QCOMPARE(set->field(RCust::R_ID), "P3");

    // A row added while rows are still to come stays current when they are taken before it,
    // and a row rewritten to a code still to come is not taken twice.
    set = s.store->browse(byCode, nullptr, 2);
    QVERIFY(set->update({"P9", "1", "t", "n"}).ok());
    QVERIFY(set->addRow({"P8", "1", "t", "n"}).ok());
    QSignalSpy moved(set.get(), &RecordSet::currentRowMoved);
    set->fetchMore();
    QCOMPARE(set->field(RCust::R_ID), "P8");
    QCOMPARE(set->currentRow(), 4);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(walked(*set), (QStringList{"P9", "P3", "P4", "P5", "P6", "P8"}));
    // Where a row stands, taken or to come.
    set = s.store->browse(byCode, nullptr, 2);
    set->setFewRows(0);
    QCOMPARE(set->rowOf(set->rowid(1)), 1);
    // P3 P4 P5 P6 P8 P9 by now
    QCOMPARE(set->rowOf(s.store->select(Query::table(Table::R_CUST).whereEquals("R_ID", "P6"))->rowid(0)), 3);
    QCOMPARE(set->rowOf(-5), -1);
}

void TstStore::codesIndexedOnceWhereTheFileMayChange()
{
    Stores s;
    const auto indexes = [&] {
        QStringList out;
        for (const QStringList &row : TestDir::rows(s.dir.working(), "sqlite_master"))
            if (row[0] == "index" && row[2] == "R_CUST")
                out << row[4];
        return out;
    };
    const QStringList made{"CREATE INDEX R_CUST_R_ID ON R_CUST (R_ID COLLATE NOCASE)"};
    // A new store's index serves, as does one of the file's own; none is made twice.
    s.store->keepIndexes();
    QCOMPARE(indexes(), made);
    for (const char *sql : {"DROP INDEX R_CUST_R_ID", "CREATE INDEX own ON R_CUST (r_id COLLATE nocase, ACTNO)"})
        TestDir::exec(s.dir.working(), sql);
    s.store->keepIndexes();
    QCOMPARE(indexes().size(), 1);
    // Codes indexed exactly as typed, or only some of them, give no order in any case.
    for (const char *sql : {"DROP INDEX own", "CREATE INDEX exact ON R_CUST (R_ID)",
                            "CREATE INDEX some ON R_CUST (R_ID COLLATE NOCASE) WHERE ACTNO <> ''"})
        TestDir::exec(s.dir.working(), sql);
    s.store->keepIndexes();
    QCOMPARE(indexes().mid(2), made);
}

void TstStore::failuresAreOfTheirKind_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<QStringList>("payee");
    QTest::addColumn<QString>("notice"); // %1: the store as the user sees it; empty when stored
    const QString name34(34, QChar(0x738B));
    const QString readOnly = QStringLiteral("資料庫唯讀,資料遺失\n%1");
    // 34 Chinese characters are 68 bytes: the name fits exactly; one more byte does not.
    QTest::newRow("a name of 68 bytes") << "" << QStringList{"A", "1", "9521236", name34} << "";
    QTest::newRow("a name of 69 bytes") << "" << QStringList{"A", "1", "9521236", name34 + "x"} << "輸入欄位超出";
    QTest::newRow("another program holds the store") << "lock" << QStringList{"A", "1", "t", "n"} << readOnly;
    // Opened for writing, then the disk refuses the write itself.
    QTest::newRow("the file made unchangeable meanwhile") << "immutable" << QStringList{"A", "1", "t", "n"} << readOnly;
    // Any other failure is its own kind, with the engine's reason and code.
    QTest::newRow("a trigger refuses") << "trigger" << QStringList{"A", "1", "t", "n"} << "不可預期的錯誤\nno (1811)";
}

void TstStore::failuresAreOfTheirKind()
{
    QFETCH(QString, obstacle);
    QFETCH(QStringList, payee);
    QFETCH(QString, notice);
    Stores s;
    const QString working = s.dir.working();
    auto set = s.store->select(Query::table(Table::R_CUST));
    std::optional<HeldWriteLock> lock;
    if (obstacle == "lock")
        QVERIFY(lock.emplace(working).held());
    if (obstacle == "trigger")
        TestDir::exec(working, "CREATE TRIGGER no BEFORE INSERT ON R_CUST BEGIN SELECT RAISE(ABORT, 'no'); END");
    if (obstacle == "immutable" && QProcess::execute("chattr", {"+i", working}) != 0)
        QSKIP("cannot make a file unchangeable here");
    const StoreResult result = set->addRow(payee);
    lock.reset();
    if (obstacle == "immutable")
        QProcess::execute("chattr", {"-i", working});
    QCOMPARE(storeFailureNotice(result, working).text, QString(notice).replace("%1", displayPath(working)));
    QCOMPARE(TestDir::rows(working, "R_CUST"), notice.isEmpty() ? QList<QStringList>{payee} : QList<QStringList>());
    QCOMPARE(set->rowCount(), notice.isEmpty() ? 1 : 0);
}

void TstStore::bulkWritesFailAlike_data()
{
    failuresAreOfTheirKind_data();
}

// An import's rows written together fail as one row alone does, and leave none behind.
void TstStore::bulkWritesFailAlike()
{
    QFETCH(QString, obstacle);
    QFETCH(QStringList, payee);
    QFETCH(QString, notice);
    if (obstacle == "immutable")
        QSKIP("an unchangeable file refuses the transaction's commit, not its rows");
    Stores s;
    const QString working = s.dir.working();
    std::optional<HeldWriteLock> lock;
    if (obstacle == "lock")
        QVERIFY(lock.emplace(working).held());
    if (obstacle == "trigger")
        TestDir::exec(working, "CREATE TRIGGER no BEFORE INSERT ON R_CUST BEGIN SELECT RAISE(ABORT, 'no'); END");
    const QList<QStringList> rows{{"Z", "1", "t", "n"}, payee};
    const StoreResult result = s.store->transaction([&] { return s.store->appendRows(Table::R_CUST, rows); });
    lock.reset();
    QCOMPARE(storeFailureNotice(result, working).text, QString(notice).replace("%1", displayPath(working)));
    QCOMPARE(TestDir::rows(working, "R_CUST"), notice.isEmpty() ? rows : QList<QStringList>());
}

// Rows written together are stored as rows written one by one, whatever their text: a
// user-defined character, one beyond the basic plane, a leading mark, no value at all.
void TstStore::bulkWritesStoreAlike()
{
    const QList<QStringList> rows{{"A", "1", "9521236", QString(QChar(0xE000)) + "王"},
                                  {"B", QString(), QString(QChar(0xFEFF)) + "x", QString::fromUcs4(U"\U00020000") + "é"}};
    Stores one, together;
    for (const QStringList &row : rows)
        QVERIFY(one.store->appendRow(Table::R_CUST, row).ok());
    QVERIFY(together.store->transaction([&] { return together.store->appendRows(Table::R_CUST, rows); }).ok());
    QCOMPARE(TestDir::rows(together.dir.working(), "R_CUST"), TestDir::rows(one.dir.working(), "R_CUST"));
    // Rewritten in place as a record set rewrites its current row; a row gone is not.
    const QList<QStringList> changed{rows[1], rows[0]};
    auto set = one.store->select(Query::table(Table::R_CUST));
    for (int r = 0; r < 2; ++r) {
        set->moveTo(r);
        QVERIFY(set->update(changed[r]).ok());
    }
    const auto stored = together.store->select(Query::table(Table::R_CUST));
    QVERIFY(together.store->rewriteRowsAt(Table::R_CUST, {stored->rowid(1), stored->rowid(0)}, rows).ok());
    QCOMPARE(TestDir::rows(together.dir.working(), "R_CUST"), TestDir::rows(one.dir.working(), "R_CUST"));
    QCOMPARE(together.store->rewriteRowsAt(Table::R_CUST, {stored->rowid(1) + 1}, {rows[0]}).detail, QStringLiteral("資料列已不存在"));
}

void TstStore::workingStoreOpening_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("failure"); // WorkingStoreOpening::Failure
    QTest::addColumn<QString>("detailMentions");
    const int readOnly = int(WorkingStoreOpening::Failure::ReadOnly);
    const QString engineReadOnly = "attempt to write a readonly database";
    QTest::newRow("a store that can be written") << "" << int(WorkingStoreOpening::Failure::None) << "";
    QTest::newRow("a damaged page") << "damaged" << int(WorkingStoreOpening::Failure::Other) << "VXBANK.mdb 已損壞：";
    // The journal cannot be rolled back where its folder refuses changes: as read-only as
    // any store there, not a mysterious input-output error.
    QTest::newRow("an unfinished change in a folder that cannot be changed") << "hot journal" << readOnly << "disk I/O error";
    // Files whose owner may write them by their permission bits, but which this user cannot write.
    QTest::newRow("an unchangeable file") << "immutable" << readOnly << engineReadOnly;
    QTest::newRow("another user's file that all may read") << "other user" << readOnly << engineReadOnly;
    QTest::newRow("a file on a disk mounted read-only") << "read-only mount" << readOnly << engineReadOnly;
}

void TstStore::workingStoreOpening()
{
    QFETCH(QString, kind);
    QFETCH(int, failure);
    QFETCH(QString, detailMentions);
    TestDir dir;
    QStringList undo; // what gives the folder back, however the test ends
    const auto guard = qScopeGuard([&] {
        if (!undo.isEmpty())
            QProcess::execute(undo.takeFirst(), undo);
    });
    if (kind == "read-only mount" && QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=1m", "tmpfs", dir.path()}) != 0)
        QSKIP("cannot mount a file system here");
    if (kind == "read-only mount")
        undo = QStringList{"umount", dir.path()};
    if (kind == "other user" && geteuid() != 0)
        QSKIP("needs root to give the store to another user");
    dir.makeStores();
    TestDir::exec(dir.working(), "INSERT INTO R_CUST WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n "
                                 "WHERE x < 3000) SELECT printf('P%05d', x), x, '9521236', '收款人' FROM n");
    if (kind == "damaged")
        TestDir::damageTable(dir.working(), "R_CUST");
    if (kind == "hot journal") {
        // A program that ends in the middle of a change too large for its cache.
        const pid_t child = fork();
        if (child == 0) {
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(dir.working()).constData(), &db);
            sqlite3_exec(db, "PRAGMA cache_size = 1; BEGIN; UPDATE R_CUST SET R_NAME = R_NAME || 'x'", nullptr, nullptr, nullptr);
            _exit(0);
        }
        waitpid(child, nullptr, 0);
        QVERIFY(QFileInfo(dir.working() + "-journal").size() > 0);
    }
    const QString frozen = kind == "hot journal" ? dir.path() : kind == "immutable" ? dir.working() : QString();
    if (!frozen.isEmpty() && QProcess::execute("chattr", {"+i", frozen}) != 0)
        QSKIP("cannot make a file unchangeable here");
    if (!frozen.isEmpty())
        undo = QStringList{"chattr", "-i", frozen};
    if (kind == "read-only mount")
        QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", dir.path()}), 0);
    // The store root made opens in a folder open to all, as a user of no rights.
    if (kind == "other user")
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
    const QByteArray before = fileBytes(dir.working());
    const pid_t child = fork();
    if (child == 0) {
        if (kind == "other user" && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            _exit(99);
        const WorkingStoreOpening opening = openWorkingStore(dir.path());
        _exit(opening.result.detail.contains(detailMentions) ? int(opening.failure) : 98);
    }
    int status = 0;
    waitpid(child, &status, 0);
    QCOMPARE(WEXITSTATUS(status), failure);
    // Testing whether the store can be written changes none of its bytes and leaves no journal.
    if (kind != "hot journal") {
        QCOMPARE(fileBytes(dir.working()), before);
        QVERIFY(!QFileInfo::exists(dir.working() + "-journal"));
    }
}

void TstStore::unusualTablesServeOrAreRefused_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("sql"); // on the connection that checks, after the store is made
    QTest::addColumn<QString>("fault");   // empty: the table serves
    for (const QStringList &c : REFERENCE_CASES("unusual-tables.txt"))
        QTest::newRow(qPrintable(c[0])) << c[1] << c[2].split(';') << c.value(3);
}

void TstStore::unusualTablesServeOrAreRefused()
{
    QFETCH(QString, table);
    QFETCH(QStringList, sql);
    QFETCH(QString, fault);
    TestDir dir;
    dir.makeStores();
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(dir.working()).constData(), &db), SQLITE_OK);
    for (const QString &s : sql)
        QVERIFY2(sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK, sqlite3_errmsg(db));
    const Schema::TableCheck check = Schema::checkTable(db, Schema::table(table));
    sqlite3_close(db);
    QCOMPARE(check.fault, fault);
    // The program starts with such a table, or ends with the opening messages that name it.
    const WorkingStoreOpening opening = openWorkingStore(dir.path());
    QCOMPARE(opening.failure, fault.isEmpty() ? WorkingStoreOpening::Failure::None : WorkingStoreOpening::Failure::Other);
    QCOMPARE(opening.result.code(), fault.isEmpty() ? 0 : 1);
    QCOMPARE(opening.result.detail, fault);
    // Where the tables serve, a payee is stored and read back as keyed, the account's leading zeros too.
    if (fault.isEmpty()) {
        QVERIFY(opening.store->select(Query::table(Table::R_CUST))->addRow({"A01", "0012", "9521236", "王"}).ok());
        QCOMPARE(TestDir::rows(dir.working(), "R_CUST"), (QList<QStringList>{{"A01", "0012", "9521236", "王"}}));
    }
}

QTEST_GUILESS_MAIN(TstStore)
#include "tst_store.moc"
