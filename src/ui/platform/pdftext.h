#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>

class QFont;

// Qt's PDF writer tells a reader which character each glyph of an embedded font stands for
// by the lowest code point that the font draws with that glyph. A CJK font draws a Kangxi
// radical and its ideograph (⼈ and 人), or an em space and the full-width blank, with one
// glyph, so the text read back from the file would not be the text drawn. These are the code
// points Qt takes in place of characters of `lines` drawn in `fonts` (or in the fonts they
// fall back to), each with the character it stands for.
QHash<char32_t, char32_t> glyphAliases(const QList<QFont> &fonts, const QStringList &lines);

// Reads every ToUnicode map of `pdf`, as Qt writes the file, through `aliases`; the objects
// after a changed map move and the cross-reference table follows them. False with a reason,
// and `pdf` unchanged, when the file is not laid out as expected.
bool correctPdfText(QByteArray &pdf, const QHash<char32_t, char32_t> &aliases, QString *reason);
