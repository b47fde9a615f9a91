#pragma once

#include <QByteArray>

struct sqlite3;

// Finding typed text inside stored values, the same in the rows a window holds and in the
// engine: UTF-8 bytes compared as they are, ASCII letters in either case. A byte of a
// multi-byte character is never an ASCII letter, and a whole character's bytes match only
// that character.
namespace TextSearch {

// The typed text as it is looked for: UTF-8 with its ASCII letters in lower case.
QByteArray needle(const QString &text);
// Whether the value holds the needle; an empty needle is in every value.
bool holds(const char *value, qsizetype length, const QByteArray &needle);

// Gives the connection the SQL function talvek_holds(needle, value, ...): 1 when one of the
// values holds the needle, else 0 (null values hold nothing).
void addFunction(sqlite3 *db);

} // namespace TextSearch
