#include "ui/platform/pdftext.h"

#include <QFont>
#include <QGlyphRun>
#include <QMap>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QTextLayout>
#include <QtEndian>

#include <algorithm>

namespace {

// The lowest code point of the basic plane that the font draws with each glyph: the one
// Qt's PDF writer names the glyph by.
QHash<quint32, char32_t> lowestCodePoints(const QRawFont &font)
{
    QString all;
    all.reserve(0x10000);
    for (char32_t c = 0; c < 0x10000; ++c)
        if (c < 0xD800 || c > 0xDFFF)
            all.append(QChar(char16_t(c)));
    const QList<quint32> glyphs = font.glyphIndexesForString(all);
    QHash<quint32, char32_t> lowest;
    if (glyphs.size() != all.size())
        return lowest;
    for (qsizetype i = 0; i < glyphs.size(); ++i)
        if (glyphs[i] != 0 && !lowest.contains(glyphs[i]))
            lowest.insert(glyphs[i], all[i].unicode());
    return lowest;
}

struct XrefEntry {
    qint64 offset = 0;
    QByteArray generation;
    bool inUse = false;
};

struct Xref {
    QList<QPair<int, int>> sections; // first object number, count
    QMap<int, XrefEntry> entries;
    qint64 at = -1;       // where "xref" starts
    qint64 trailerAt = -1; // where "trailer" starts
};

bool fail(QString *reason, const QString &why)
{
    if (reason)
        *reason = why;
    return false;
}

bool readXref(const QByteArray &pdf, Xref &xref)
{
    const qsizetype start = pdf.lastIndexOf("startxref");
    if (start < 0)
        return false;
    bool ok = false;
    xref.at = pdf.mid(start + 9).trimmed().split('\n').value(0).trimmed().toLongLong(&ok);
    if (!ok || xref.at < 0 || xref.at >= start || !pdf.mid(xref.at).startsWith("xref"))
        return false;
    xref.trailerAt = pdf.indexOf("trailer", xref.at);
    if (xref.trailerAt < 0 || xref.trailerAt > start)
        return false;
    const QList<QByteArray> words = pdf.mid(xref.at + 4, xref.trailerAt - xref.at - 4).simplified().split(' ');
    for (qsizetype w = 0; w + 1 < words.size();) {
        const int first = words[w].toInt(&ok);
        const int count = ok ? words[w + 1].toInt(&ok) : 0;
        if (!ok || count < 0 || w + 2 + 3 * qsizetype(count) > words.size())
            return false;
        w += 2;
        xref.sections.append({first, count});
        for (int i = 0; i < count; ++i, w += 3) {
            XrefEntry e{words[w].toLongLong(&ok), words[w + 1], words[w + 2] == "n"};
            if (!ok || (e.inUse && (e.offset <= 0 || e.offset >= xref.at)))
                return false;
            xref.entries.insert(first + i, e);
        }
    }
    return !xref.entries.isEmpty();
}

QString utf16FromHex(const QString &hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text.append(QChar(char16_t(qFromBigEndian<quint16>(bytes.constData() + i))));
    return text;
}

QString hexOfUtf16(const QString &text)
{
    QString hex;
    for (QChar c : text)
        hex += QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    return hex;
}

// The map's entries, source code to text; false when a block cannot be read.
bool readCMapBlock(const QString &kind, const QString &body, QMap<quint32, QString> &entries, int &codeDigits)
{
    static const QRegularExpression token(QStringLiteral("<([0-9A-Fa-f]*)>|\\[|\\]"));
    QStringList tokens;
    for (auto it = token.globalMatch(body); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        tokens << (m.captured(0).startsWith(QLatin1Char('<')) ? m.captured(1) : m.captured(0));
    }
    bool ok = true;
    for (qsizetype t = 0; t < tokens.size() && ok;) {
        codeDigits = std::max(codeDigits, int(tokens[t].size()));
        const quint32 lo = tokens[t].toUInt(&ok, 16);
        if (kind == QLatin1String("char")) {
            if (!ok || t + 1 >= tokens.size())
                return false;
            entries.insert(lo, utf16FromHex(tokens[t + 1]));
            t += 2;
            continue;
        }
        const quint32 hi = t + 2 < tokens.size() ? tokens[t + 1].toUInt(&ok, 16) : 0;
        if (!ok || t + 2 >= tokens.size() || hi < lo)
            return false;
        if (tokens[t + 2] == QLatin1String("[")) {
            t += 3;
            for (quint32 code = lo; code <= hi; ++code, ++t) {
                if (t >= tokens.size() || tokens[t] == QLatin1String("]"))
                    return false;
                entries.insert(code, utf16FromHex(tokens[t]));
            }
            if (t >= tokens.size() || tokens[t] != QLatin1String("]"))
                return false;
            ++t;
        } else {
            // One text for the first code; each further code the next character.
            QString text = utf16FromHex(tokens[t + 2]);
            if (text.isEmpty())
                return false;
            for (quint32 code = lo; code <= hi; ++code) {
                entries.insert(code, text);
                text.back() = QChar(char16_t(text.back().unicode() + 1));
            }
            t += 3;
        }
    }
    return ok;
}

// The map rewritten entry by entry; empty when nothing in it changes, or when it cannot
// be read (then `readable` is false).
QByteArray correctedCMap(const QByteArray &cmap, const QHash<char32_t, char32_t> &aliases, bool &readable)
{
    static const QRegularExpression block(QStringLiteral("(\\d+)\\s+beginbf(char|range)\\b(.*?)endbf\\2"),
                                          QRegularExpression::DotMatchesEverythingOption);
    const QString text = QString::fromLatin1(cmap);
    QMap<quint32, QString> entries;
    int codeDigits = 0;
    qsizetype first = -1, last = -1;
    readable = true;
    for (auto it = block.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (first < 0)
            first = m.capturedStart();
        last = m.capturedEnd();
        if (!readCMapBlock(m.captured(2), m.captured(3), entries, codeDigits)) {
            readable = false;
            return {};
        }
    }
    bool changed = false;
    for (QString &value : entries) {
        const QList<uint> points = value.toUcs4();
        if (points.size() == 1 && aliases.contains(points[0])) {
            const char32_t named = aliases.value(points[0]);
            value = QString::fromUcs4(&named, 1);
            changed = true;
        }
    }
    if (!changed)
        return {};
    QString out = text.left(first);
    const QList<quint32> codes = entries.keys();
    // A map block holds at most 100 entries.
    for (qsizetype i = 0; i < codes.size(); i += 100) {
        const qsizetype n = std::min<qsizetype>(100, codes.size() - i);
        out += QStringLiteral("%1 beginbfchar\n").arg(n);
        for (qsizetype k = i; k < i + n; ++k)
            out += QStringLiteral("<%1> <%2>\n")
                       .arg(QStringLiteral("%1").arg(codes[k], codeDigits, 16, QLatin1Char('0')).toUpper(),
                            hexOfUtf16(entries.value(codes[k])));
        out += QStringLiteral("endbfchar\n");
    }
    out += text.mid(last);
    return out.toLatin1();
}

} // namespace

QHash<char32_t, char32_t> glyphAliases(const QList<QFont> &fonts, const QStringList &lines)
{
    QSet<char32_t> drawn;
    for (const QString &line : lines)
        for (char32_t c : line.toUcs4())
            drawn.insert(c);
    QHash<QString, QHash<quint32, char32_t>> lowestByFont;
    QHash<char32_t, char32_t> aliases;
    for (const QFont &font : fonts) {
        for (char32_t c : std::as_const(drawn)) {
            // Laid out as on the page, so that a character the font lacks is looked up in
            // the font Qt falls back to.
            QTextLayout layout(QString::fromUcs4(&c, 1), font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            const QList<QGlyphRun> runs = layout.glyphRuns();
            if (runs.size() != 1 || runs[0].glyphIndexes().size() != 1)
                continue;
            const QRawFont raw = runs[0].rawFont();
            const QString key = raw.familyName() + QLatin1Char('\n') + raw.styleName();
            if (!lowestByFont.contains(key))
                lowestByFont.insert(key, lowestCodePoints(raw));
            const char32_t named = lowestByFont[key].value(runs[0].glyphIndexes()[0], 0);
            // A code point the page itself shows is the right name for its glyph.
            if (named != 0 && named != c && !drawn.contains(named))
                aliases.insert(named, c);
        }
    }
    return aliases;
}

bool correctPdfText(QByteArray &pdf, const QHash<char32_t, char32_t> &aliases, QString *reason)
{
    const QString unexpected = QStringLiteral("PDF 檔的格式不如預期");
    Xref xref;
    if (!readXref(pdf, xref))
        return fail(reason, unexpected);
    QList<QPair<qint64, int>> byOffset; // offset, object number
    for (auto it = xref.entries.cbegin(); it != xref.entries.cend(); ++it)
        if (it->inUse)
            byOffset.append({it->offset, it.key()});
    std::sort(byOffset.begin(), byOffset.end());
    QHash<int, QByteArray> objects;
    for (qsizetype i = 0; i < byOffset.size(); ++i) {
        const qint64 end = i + 1 < byOffset.size() ? byOffset[i + 1].first : xref.at;
        objects.insert(byOffset[i].second, pdf.mid(byOffset[i].first, end - byOffset[i].first));
    }
    auto dictionary = [](const QByteArray &object) {
        const qsizetype stream = object.indexOf("stream");
        return QString::fromLatin1(stream < 0 ? object : object.left(stream));
    };
    static const QRegularExpression toUnicode(QStringLiteral("/ToUnicode\\s+(\\d+)\\s+\\d+\\s+R"));
    static const QRegularExpression directLength(QStringLiteral("/Length\\s+(\\d+)(?!\\d)(?!\\s+\\d+\\s+R)"));
    static const QRegularExpression objectNumber(QStringLiteral("^\\s*(\\d+)\\s+(\\d+)\\s+obj"));
    QSet<int> maps;
    for (const QByteArray &object : std::as_const(objects))
        for (auto it = toUnicode.globalMatch(dictionary(object)); it.hasNext();)
            maps.insert(it.next().captured(1).toInt());

    QHash<int, QByteArray> replaced;
    for (int number : std::as_const(maps)) {
        const QByteArray object = objects.value(number);
        const QString dict = dictionary(object);
        const QRegularExpressionMatch head = objectNumber.match(dict);
        qsizetype dataAt = object.indexOf("stream");
        if (!head.hasMatch() || head.captured(1).toInt() != number || dataAt < 0)
            return fail(reason, unexpected);
        dataAt += 6;
        if (object.mid(dataAt, 2) == "\r\n")
            dataAt += 2;
        else if (object.mid(dataAt, 1) == "\n")
            dataAt += 1;
        // Qt writes each map as plain text with its length given directly.
        const QRegularExpressionMatch length = directLength.match(dict);
        if (!length.hasMatch() || dict.contains(QLatin1String("/Filter"))
            || dataAt + length.captured(1).toLongLong() > object.size())
            return fail(reason, unexpected);
        const QByteArray data = object.mid(dataAt, length.captured(1).toLongLong());
        bool readable = true;
        const QByteArray cmap = correctedCMap(data, aliases, readable);
        if (!readable)
            return fail(reason, unexpected);
        if (cmap.isEmpty())
            continue;
        replaced.insert(number, head.captured(1).toLatin1() + ' ' + head.captured(2).toLatin1() + " obj\n<<\n/Length "
                                    + QByteArray::number(cmap.size()) + "\n>>\nstream\n" + cmap + "\nendstream\nendobj\n");
    }
    if (replaced.isEmpty())
        return true;

    QByteArray out = pdf.left(byOffset.first().first);
    QHash<int, qint64> moved;
    for (const auto &[offset, number] : std::as_const(byOffset)) {
        moved.insert(number, out.size());
        out += replaced.contains(number) ? replaced.value(number) : objects.value(number);
    }
    const qint64 xrefAt = out.size();
    out += "xref\n";
    for (const auto &[firstNumber, count] : std::as_const(xref.sections)) {
        out += QByteArray::number(firstNumber) + ' ' + QByteArray::number(count) + '\n';
        for (int n = firstNumber; n < firstNumber + count; ++n) {
            const XrefEntry &e = xref.entries[n];
            out += QByteArray::number(e.inUse ? moved.value(n) : e.offset).rightJustified(10, '0') + ' '
                + e.generation + (e.inUse ? " n \n" : " f \n");
        }
    }
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    out += pdf.mid(xref.trailerAt, startxref - xref.trailerAt);
    out += "startxref\n" + QByteArray::number(xrefAt) + "\n%%EOF\n";
    pdf = out;
    return true;
}
