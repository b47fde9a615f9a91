#include "core/store/enginestatement.h"

#include <sqlite3.h>

void StatementFinalizer::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

EngineStatement prepareStatement(sqlite3 *db, const QByteArray &sql, int *rc)
{
    sqlite3_stmt *statement = nullptr;
    const int code = db ? sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr) : SQLITE_MISUSE;
    if (rc)
        *rc = code;
    return EngineStatement(code == SQLITE_OK ? statement : nullptr);
}
