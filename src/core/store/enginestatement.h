#pragma once

#include <QByteArray>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// A statement of the engine's own, for reading and writing in bulk past Qt Sql: finalized
// when it goes, whichever way the work ends.
struct StatementFinalizer {
    void operator()(sqlite3_stmt *statement) const;
};
using EngineStatement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The statement prepared on the connection; null when the engine refused it, its result
// code in `rc` when asked for and its words left on the connection.
EngineStatement prepareStatement(sqlite3 *db, const QByteArray &sql, int *rc = nullptr);
