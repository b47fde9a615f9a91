// The yardstick of an import: the payees of a UTF-8 spreadsheet file put into R_CUST with
// one prepared statement in one transaction, with no checking at all. A naive split on
// commas is enough for the files the import bench writes.
//
//   talvek-bare-insert STORE FILE.csv
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace {

int fail(sqlite3 *db, const char *what)
{
    std::fprintf(stderr, "talvek-bare-insert: %s: %s\n", what, db ? sqlite3_errmsg(db) : "no store");
    sqlite3_close(db);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: talvek-bare-insert STORE FILE.csv\n");
        return 2;
    }
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "talvek-bare-insert: cannot read %s\n", argv[2]);
        return 1;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();

    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return fail(db, "open");
    sqlite3_stmt *insert = nullptr;
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(db, "INSERT INTO R_CUST VALUES (?, ?, ?, ?)", -1, &insert, nullptr) != SQLITE_OK)
        return fail(db, "prepare");
    long rows = 0;
    size_t at = text.find('\n'); // the header
    while (at != std::string::npos && at + 1 < text.size()) {
        const size_t from = at + 1;
        at = text.find('\n', from);
        std::string_view line(text.data() + from, (at == std::string::npos ? text.size() : at) - from);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        size_t start = 0;
        for (int column = 1; column <= 4; ++column) {
            if (start > line.size()) {
                sqlite3_bind_null(insert, column);
                continue;
            }
            size_t end = column < 4 ? line.find(',', start) : std::string_view::npos;
            if (end == std::string_view::npos)
                end = line.size();
            sqlite3_bind_text(insert, column, line.data() + start, int(end - start), SQLITE_STATIC);
            start = end + 1;
        }
        if (sqlite3_step(insert) != SQLITE_DONE)
            return fail(db, "insert");
        sqlite3_reset(insert);
        ++rows;
    }
    sqlite3_finalize(insert);
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(db, "commit");
    sqlite3_close(db);
    std::printf("%ld rows\n", rows);
    return 0;
}
