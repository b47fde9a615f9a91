#include "benchdata.h"

#include "core/store/storefiles.h"

#include "core/store/fieldroutines.h"

#include <QDir>
#include <QRandomGenerator>

#include <sqlite3.h>

sqlite3 *openBare(const QString &file)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    return db;
}

int stepAll(sqlite3 *db, const char *sql, const QByteArray &binding)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        return -1;
    if (!binding.isNull())
        sqlite3_bind_text(stmt, 1, binding.constData(), int(binding.size()), SQLITE_TRANSIENT);
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const int columns = sqlite3_column_count(stmt);
        for (int c = 0; c < columns; ++c)
            sqlite3_column_text(stmt, c);
        ++rows;
    }
    sqlite3_finalize(stmt);
    return rows;
}

namespace {

QString withCheckDigit(const QString &prefix)
{
    return prefix + InstCheckDigit(prefix);
}

bool run(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool insertRows(sqlite3 *db, const char *sql, int count, const std::function<QStringList(int)> &row)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        return false;
    for (int i = 0; i < count; ++i) {
        const QStringList values = row(i);
        for (int c = 0; c < values.size(); ++c) {
            const QByteArray utf8 = values[c].toUtf8();
            sqlite3_bind_text(stmt, c + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        if (sqlite3_step(stmt) != SQLITE_DONE) {
            sqlite3_finalize(stmt);
            return false;
        }
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    return true;
}

} // namespace

QString makeBenchStores(const QString &dir, const BenchData &size)
{
    const QString working = QDir(dir).filePath("VXBANK.mdb");
    const QString reference = QDir(dir).filePath("BRANCH.mdb");
    if (QString e = createWorkingStore(working); !e.isEmpty())
        return e;
    QList<Institution> institutions;
    for (int i = 0; i < size.institutions; ++i) {
        // Korvana branches first, then other banks of 100 branches each.
        const int bank = i < 300 ? 952 : 1 + (i - 300) / 100;
        const int branch = i < 300 ? i : (i - 300) % 100;
        const QString prefix = QStringLiteral("%1%2").arg(bank, 3, 10, QLatin1Char('0')).arg(branch, 3, 10, QLatin1Char('0'));
        institutions.append({withCheckDigit(prefix), QStringLiteral("銀行%1").arg(bank),
                             QStringLiteral("第%1銀行第%2分行").arg(bank).arg(branch)});
    }
    if (QString e = createReferenceStore(reference, institutions); !e.isEmpty())
        return e;

    sqlite3 *db = openBare(working);
    QRandomGenerator random(42);
    const QString surnames = QStringLiteral("王李張劉陳楊黃趙吳周徐孫馬朱胡郭何高林羅");
    auto payee = [&](int i) {
        const QString code = QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0'));
        const Institution &inst = institutions[random.bounded(int(institutions.size()))];
        QString name = surnames[i % surnames.size()] + QStringLiteral("範例企業股份有限公司%1").arg(i);
        return QStringList{code, QStringLiteral("%1").arg(random.bounded(100000000), 12, 10, QLatin1Char('0')), inst.code, name};
    };
    bool ok = run(db, "BEGIN")
        && run(db, "INSERT INTO R_BASE VALUES ('001','範例實業股份有限公司','10','主管','製表','連  絡  人')")
        && insertRows(db, "INSERT INTO R_CUST VALUES (?,?,?,?)", size.payees, payee)
        && insertRows(db, "INSERT INTO R_DETL VALUES (?,?,?,?,?,?,?)", size.lines, [&](int i) {
               QStringList p = payee(i * 7 % size.payees);
               return p << QString::number(1000 + i) << QStringLiteral("貨款") << QStringLiteral("0");
           })
        && run(db, "INSERT INTO R_DAY VALUES ('151206','1512061001','薪資')")
        && run(db, "COMMIT");
    sqlite3_close(db);
    return ok ? QString() : QStringLiteral("could not fill %1").arg(working);
}
