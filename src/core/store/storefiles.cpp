#include "core/store/storefiles.h"

#include "core/store/schema.h"
#include "core/store/storeopening.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString createTableSql(const TableDef &def)
{
    QStringList columns;
    for (const ColumnDef &c : def.columns)
        columns << QStringLiteral("\"%1\" TEXT").arg(c.name);
    return QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(def.name, columns.join(QStringLiteral(", ")));
}

// Builds the file under a temporary name beside the target, then renames it into place.
template <typename Fill>
QString createFile(const QString &path, Fill fill)
{
    if (QFileInfo::exists(path))
        return QStringLiteral("%1 already exists; it is left unchanged").arg(path);
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    static QAtomicInt counter;
    const QString connection = QStringLiteral("talvek-create-%1").arg(counter.fetchAndAddRelaxed(1));
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(temp);
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!db.transaction())
                error = db.lastError().text();
            else
                error = fill(q);
            if (error.isEmpty() && !db.commit())
                error = db.lastError().text();
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (error.isEmpty() && !QFile::rename(temp, path))
        error = QStringLiteral("cannot rename %1 to %2").arg(temp, path);
    if (!error.isEmpty())
        QFile::remove(temp);
    return error;
}

QString run(QSqlQuery &q, const QString &sql)
{
    return q.exec(sql) ? QString() : q.lastError().text() + QStringLiteral(" in: ") + sql;
}

} // namespace

// Codes are looked up, listed and ordered ignoring case, so their indexes do too.
QString createWorkingStore(const QString &path)
{
    return createFile(path, [](QSqlQuery &q) {
        for (const TableDef &def : Schema::working()) {
            if (QString e = run(q, createTableSql(def)); !e.isEmpty())
                return e;
        }
        for (const QString &table : {Table::R_CUST, Table::R_DETL}) {
            if (QString e = run(q, Schema::codeIndexSql(Schema::table(table))); !e.isEmpty())
                return e;
        }
        return QString();
    });
}

QString createReferenceStore(const QString &path, const QList<Institution> &institutions)
{
    return createFile(path, [&](QSqlQuery &q) {
        for (const TableDef &def : Schema::reference()) {
            if (QString e = run(q, createTableSql(def)); !e.isEmpty())
                return e;
        }
        // The program opens this table but never reads it.
        if (QString e = run(q, QStringLiteral("CREATE TABLE \"ZQNBRH\" (\"BRNO\" TEXT, \"BRNAME\" TEXT)")); !e.isEmpty())
            return e;
        if (QString e = run(q, Schema::codeIndexSql(Schema::table(Table::VXBANK))); !e.isEmpty())
            return e;
        if (!q.prepare(QStringLiteral("INSERT INTO VXBANK (BKBRNO, BNAME, FNAME) VALUES (?, ?, ?)")))
            return q.lastError().text();
        for (const Institution &i : institutions) {
            q.bindValue(0, i.code);
            q.bindValue(1, i.shortName);
            q.bindValue(2, i.fullName);
            if (!q.exec())
                return q.lastError().text();
        }
        return QString();
    });
}

QString prepareDataFolder(const QString &folder, bool &prepared)
{
    prepared = false;
    const QString working = workingStorePath(folder);
    const QString reference = referenceStorePath(folder);
    if (QFileInfo::exists(working) || QFileInfo::exists(reference))
        return QString();
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder));
    QString error = createReferenceStore(reference, starterInstitutions());
    if (error.isEmpty()) {
        error = createWorkingStore(working);
        // Half a folder would read as a lost file on the next start: start again whole.
        if (!error.isEmpty())
            QFile::remove(reference);
    }
    prepared = error.isEmpty();
    return error;
}
