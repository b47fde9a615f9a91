#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The bank's code page 950 (Big5 with the user-defined area), through ICU.
namespace Big5 {

// Big5 bytes of the text. A character with no Big5 form becomes "?"; `complete`
// tells whether that happened.
QByteArray encode(QStringView text, bool *complete = nullptr);

// Text of Big5 bytes; a byte sequence with no Unicode form becomes U+FFFD.
QString decode(QByteArrayView bytes);

// Whether every character of the text has a Big5 form.
bool canEncode(QStringView text);

// Number of Big5 bytes of the text: two for a Chinese character, one for ASCII.
qsizetype byteLength(QStringView text);

// Whether the bytes are whole Big5 characters: ASCII bytes, and pairs of a lead byte
// 0x81-0xFE with a trail byte 0x40-0x7E or 0xA1-0xFE. A lone byte above 0x7F is none.
bool wellFormed(QByteArrayView bytes);

// Whether byte i of the Big5 bytes starts a character (not the trail byte of a pair).
QList<bool> characterStarts(const QByteArray &bytes);

} // namespace Big5
