#include "teststores.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

// Runs work on a connection of its own to the file, closed afterwards.
template <typename Work>
void withConnection(const QString &file, Work work)
{
    static int counter = 0;
    const QString name = QStringLiteral("test-direct-%1").arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(file));
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

HeldWriteLock::HeldWriteLock(const QString &file) : m_connection(QStringLiteral("write-lock-%1").arg(quintptr(this)))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(file);
    m_held = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
}

HeldWriteLock::~HeldWriteLock()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

TestDir::TestDir()
{
    if (!m_dir.isValid())
        qFatal("no temporary directory");
}

QString TestDir::working() const
{
    return QDir(path()).filePath(QStringLiteral("VXBANK.mdb"));
}

QString TestDir::reference() const
{
    return QDir(path()).filePath(QStringLiteral("BRANCH.mdb"));
}

void TestDir::makeStores(const QList<Institution> &institutions)
{
    QString e = createWorkingStore(working());
    if (!e.isEmpty())
        qFatal("%s", qPrintable(e));
    e = createReferenceStore(reference(), institutions);
    if (!e.isEmpty())
        qFatal("%s", qPrintable(e));
}

QList<QStringList> TestDir::rows(const QString &file, const QString &table)
{
    QList<QStringList> out;
    withConnection(file, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table)))
            qFatal("%s", qPrintable(q.lastError().text()));
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < q.record().count(); ++c)
                row << (q.value(c).isNull() ? QStringLiteral("<null>") : q.value(c).toString());
            out << row;
        }
    });
    return out;
}

QList<QList<QStringList>> TestDir::rows(const QString &file, const QStringList &tables)
{
    QList<QList<QStringList>> out;
    for (const QString &t : tables)
        out << rows(file, t);
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

QList<QStringList> caseList(const QByteArray &bytes)
{
    QList<QStringList> cases;
    for (QString line : QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!line.startsWith(QLatin1Char('#')) && line != QLatin1String("<absent>"))
            cases << line.replace(QLatin1String("\\n"), QLatin1String("\n")).split(QLatin1Char('\t')).replaceInStrings(QLatin1String("\\t"), QLatin1String("\t"));
    return cases;
}

void TestDir::insert(const QString &file, const QString &table, const QList<QStringList> &rows)
{
    withConnection(file, [&](QSqlDatabase &db) {
        for (const QStringList &row : rows) {
            QSqlQuery q(db);
            QStringList marks;
            for (int i = 0; i < row.size(); ++i)
                marks << QStringLiteral("?");
            if (!q.prepare(QStringLiteral("INSERT INTO \"%1\" VALUES (%2)").arg(table, marks.join(QLatin1Char(',')))))
                qFatal("%s", qPrintable(q.lastError().text()));
            for (int i = 0; i < row.size(); ++i)
                q.bindValue(i, row[i]);
            if (!q.exec())
                qFatal("%s", qPrintable(q.lastError().text()));
        }
    });
}

void TestDir::exec(const QString &file, const QString &sql)
{
    withConnection(file, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    });
}

void TestDir::damageTable(const QString &file, const QString &table)
{
    qint64 root = 0, pageSize = 0;
    withConnection(file, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(table));
        root = q.next() ? q.value(0).toLongLong() : 0;
        q.exec(QStringLiteral("PRAGMA page_size"));
        pageSize = q.next() ? q.value(0).toLongLong() : 0;
    });
    QFile f(file);
    if (root < 2 || !f.open(QIODevice::ReadWrite) || !f.seek((root - 1) * pageSize))
        qFatal("cannot damage %s", qPrintable(table));
    f.write(QByteArray(int(pageSize), '\xff'));
    // The change counter at offset 24 makes every open connection read the file again.
    f.seek(24);
    QByteArray counter = f.read(4);
    counter[3] = char(counter[3] + 1);
    f.seek(24);
    f.write(counter);
}

void TestDir::execPastIndexes(const QString &file, const QString &table, const QString &sql)
{
    QList<QStringList> indexes;
    withConnection(file, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("SELECT name, rootpage, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = '%1'").arg(table));
        while (q.next())
            indexes << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
        q.exec(QStringLiteral("PRAGMA writable_schema = ON"));
        q.exec(QStringLiteral("DELETE FROM sqlite_master WHERE type = 'index' AND tbl_name = '%1'").arg(table));
    });
    exec(file, sql);
    withConnection(file, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA writable_schema = ON"));
        for (const QStringList &index : indexes) {
            q.prepare(QStringLiteral("INSERT INTO sqlite_master VALUES ('index', ?, ?, ?, ?)"));
            q.addBindValue(index[0]);
            q.addBindValue(table);
            q.addBindValue(index[1].toLongLong());
            q.addBindValue(index[2]);
            if (!q.exec())
                qFatal("%s", qPrintable(q.lastError().text()));
        }
    });
}
