#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Spreadsheet text files: comma-, tab- or semicolon-separated values in the encodings a
// customer's spreadsheet saves, read into rows of fields and written back.
namespace CsvText {

enum class Encoding { Utf8, Utf16, Big5 };

// The encoding the bytes are in: a byte-order mark decides; else text that is valid
// UTF-8 is UTF-8; else ICU's detector must find Big5 (code page 950) likely.
// Nothing when none of the three fits. Bytes found to be UTF-8 by reading them leave their
// text (what decode gives) in `text` when it is given.
std::optional<Encoding> detect(const QByteArray &bytes, std::optional<QString> *text = nullptr);

// The text of the bytes in that encoding, without a byte-order mark. On bytes that are
// not valid in it, nothing, and `badAt` (when given) is the byte offset of the first.
std::optional<QString> decode(const QByteArray &bytes, Encoding encoding, qsizetype *badAt = nullptr);

// The separator the text uses: of comma, tab and semicolon, the one that splits the
// most lines into the same number of fields, more than one.
QChar detectDelimiter(const QString &text);

struct Table {
    QList<QStringList> rows;
    QList<int> lineOfRow; // the line of the file each row starts on, counted from 1
    QString problem;      // a quoted field left open at the end; empty when none
};

// Rows of fields. A field in double quotes may hold the separator, line breaks and
// doubled quotes; lines end with CR LF, LF or CR; empty lines are skipped.
Table split(const QString &text, QChar delimiter);

// UTF-8 with a byte-order mark, fields quoted where they need it, CR LF after each row:
// a spreadsheet opens it with Chinese intact.
QByteArray write(const QList<QStringList> &rows);
// Appends one row as `write` writes it to bytes that begin with the mark, each field given
// as its UTF-8.
void appendUtf8Row(QByteArray &out, const QList<QByteArrayView> &fields);

// The encoding's name as the user sees it in a message.
QString encodingName(Encoding encoding);

} // namespace CsvText
