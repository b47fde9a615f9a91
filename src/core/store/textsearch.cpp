#include "core/store/textsearch.h"

#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool hasLetter(const QByteArray &needle)
{
    return std::any_of(needle.cbegin(), needle.cend(), [](char c) { return c >= 'a' && c <= 'z'; });
}

void holdsFunction(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const QByteArray needle = QByteArray::fromRawData(text ? text : "", text ? sqlite3_value_bytes(argv[0]) : 0);
    for (int i = 1; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            continue;
        const auto *value = reinterpret_cast<const char *>(sqlite3_value_text(argv[i]));
        if (value && TextSearch::holds(value, sqlite3_value_bytes(argv[i]), needle)) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    sqlite3_result_int(context, 0);
}

} // namespace

namespace TextSearch {

QByteArray needle(const QString &text)
{
    QByteArray out = text.toUtf8();
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

bool holds(const char *value, qsizetype length, const QByteArray &needle)
{
    if (length < needle.size())
        return false;
    // Without letters the bytes are compared as they are, the quickest way the C library knows.
    if (!hasLetter(needle))
        return needle.isEmpty() || memmem(value, size_t(length), needle.constData(), size_t(needle.size())) != nullptr;
    const auto same = [](char a, char b) { return lower(a) == b; };
    return std::search(value, value + length, needle.cbegin(), needle.cend(), same) != value + length;
}

void addFunction(sqlite3 *db)
{
    sqlite3_create_function_v2(db, "talvek_holds", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, holdsFunction, nullptr,
                               nullptr, nullptr);
}

} // namespace TextSearch
