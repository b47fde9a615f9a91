#include "core/platform/csvtext.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <QHash>

#include <algorithm>
#include <memory>

namespace CsvText {

namespace {

const QByteArray kUtf8Mark("\xEF\xBB\xBF");

// Converts with ICU, stopping at the first byte sequence that is not valid.
std::optional<QString> convert(const QByteArray &bytes, const char *charset, qsizetype *badAt)
{
    // Well-formed UTF-8 reads the same through Qt's decoder, many times faster; the
    // converter keeps a leading byte-order mark, which Qt's would drop.
    if (qstrcmp(charset, "UTF-8") == 0 && !bytes.isEmpty() && !bytes.startsWith(kUtf8Mark) && QByteArrayView(bytes).isValidUtf8())
        return QString::fromUtf8(bytes);
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> conv(ucnv_open(charset, &err), &ucnv_close);
    if (U_FAILURE(err))
        return std::nullopt;
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    QString out(bytes.size() + 1, Qt::Uninitialized);
    UChar *target = reinterpret_cast<UChar *>(out.data());
    const char *source = bytes.constData();
    ucnv_toUnicode(conv.get(), &target, target + out.size(), &source, bytes.constData() + bytes.size(), nullptr, true, &err);
    if (U_FAILURE(err)) {
        if (badAt) {
            // The source stops after the bytes the converter could not take.
            char invalid[8];
            int8_t length = sizeof invalid;
            UErrorCode ignored = U_ZERO_ERROR;
            ucnv_getInvalidChars(conv.get(), invalid, &length, &ignored);
            *badAt = (source - bytes.constData()) - length;
        }
        return std::nullopt;
    }
    out.truncate(target - reinterpret_cast<UChar *>(out.data()));
    return out;
}

bool hasUtf16Mark(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

} // namespace

std::optional<Encoding> detect(const QByteArray &bytes, std::optional<QString> *text)
{
    if (bytes.startsWith(kUtf8Mark))
        return Encoding::Utf8;
    if (hasUtf16Mark(bytes))
        return Encoding::Utf16;
    // A zero byte belongs to no text of a spreadsheet: UTF-16 without its mark, say.
    if (bytes.contains('\0'))
        return std::nullopt;
    if (auto utf8 = convert(bytes, "UTF-8", nullptr)) {
        if (text)
            *text = std::move(utf8);
        return Encoding::Utf8;
    }
    UErrorCode err = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&err), &ucsdet_close);
    if (U_FAILURE(err))
        return std::nullopt;
    ucsdet_setText(detector.get(), bytes.constData(), int32_t(bytes.size()), &err);
    int32_t found = 0;
    const UCharsetMatch **matches = ucsdet_detectAll(detector.get(), &found, &err);
    for (int32_t i = 0; U_SUCCESS(err) && i < found; ++i) {
        if (qstrcmp(ucsdet_getName(matches[i], &err), "Big5") == 0 && convert(bytes, "windows-950", nullptr))
            return Encoding::Big5;
    }
    return std::nullopt;
}

std::optional<QString> decode(const QByteArray &bytes, Encoding encoding, qsizetype *badAt)
{
    switch (encoding) {
    case Encoding::Utf8: {
        const qsizetype skip = bytes.startsWith(kUtf8Mark) ? kUtf8Mark.size() : 0;
        const auto text = convert(QByteArray::fromRawData(bytes.constData() + skip, bytes.size() - skip), "UTF-8", badAt);
        if (!text && badAt)
            *badAt += skip;
        return text;
    }
    case Encoding::Utf16:
        // Only with its byte-order mark, which tells the byte order.
        if (!hasUtf16Mark(bytes)) {
            if (badAt)
                *badAt = 0;
            return std::nullopt;
        }
        return convert(bytes, "UTF-16", badAt);
    case Encoding::Big5:
        return convert(bytes, "windows-950", badAt);
    }
    return std::nullopt;
}

namespace {

// Walks the text as `split` reads it and tells the sink of each piece of a field's text, the
// end of each field and the end of each row; returns the line a quoted field left open at
// the end started on, or 0. Runs of plain characters go to the sink whole.
template <typename Sink>
int scan(QStringView text, QChar delimiter, Sink &sink)
{
    const qsizetype n = text.size();
    const QChar *at = text.data();
    const auto isBreak = [](QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); };
    bool quoted = false;       // inside a quoted field
    bool fieldStart = true;    // nothing of the current field seen: a quote here opens one
    bool rowStarted = false;   // anything of the current row seen
    int line = 1, rowLine = 1;
    const auto endRow = [&] {
        if (rowStarted) {
            sink.endField();
            sink.endRow(rowLine);
        }
        rowStarted = false;
        fieldStart = true;
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = at[i];
        const bool lineBreak = isBreak(c);
        if (!rowStarted && !lineBreak) {
            rowStarted = true;
            rowLine = line;
        }
        if (quoted) {
            qsizetype j = i;
            while (j < n && at[j] != QLatin1Char('"') && !isBreak(at[j]))
                ++j;
            if (j > i) {
                sink.append(text.sliced(i, j - i));
                i = j;
            } else if (c == QLatin1Char('"')) {
                // A doubled quote is one quote; a single one closes the field's quotes.
                const bool doubled = i + 1 < n && at[i + 1] == QLatin1Char('"');
                if (doubled)
                    sink.append(QStringView(at + i, 1));
                else
                    quoted = false;
                i += doubled ? 2 : 1;
            } else {
                // A line break inside a field is kept as LF.
                if (c == QLatin1Char('\r') && i + 1 < n && at[i + 1] == QLatin1Char('\n'))
                    ++i;
                ++line;
                sink.append(u"\n");
                ++i;
            }
            continue;
        }
        if (c == QLatin1Char('"') && fieldStart) {
            quoted = true;
            fieldStart = false;
            ++i;
        } else if (c == delimiter) {
            sink.endField();
            fieldStart = true;
            ++i;
        } else if (lineBreak) {
            if (c == QLatin1Char('\r') && i + 1 < n && at[i + 1] == QLatin1Char('\n'))
                ++i;
            endRow();
            ++line;
            ++i;
        } else {
            // Up to the next separator or line break; a quote inside is a plain character.
            qsizetype j = i + 1;
            while (j < n && at[j] != delimiter && !isBreak(at[j]))
                ++j;
            sink.append(text.sliced(i, j - i));
            fieldStart = false;
            i = j;
        }
    }
    const int openAt = quoted ? rowLine : 0;
    endRow();
    return openAt;
}

// Only how many fields each row has.
struct FieldCounter {
    QHash<qsizetype, qsizetype> rowsWith; // rows by their number of fields
    qsizetype fields = 0;
    void append(QStringView) {}
    void endField() { ++fields; }
    void endRow(int)
    {
        ++rowsWith[fields];
        fields = 0;
    }
};

struct TableBuilder {
    Table &out;
    QStringList row = {};
    QString field = {};
    void append(QStringView piece)
    {
        if (field.isNull())
            field = piece.toString();
        else
            field.append(piece);
    }
    void endField()
    {
        row.append(std::move(field));
        field = QString();
    }
    void endRow(int line)
    {
        const qsizetype fields = row.size();
        out.rows.append(std::move(row));
        out.lineOfRow.append(line);
        row = QStringList();
        row.reserve(fields);
    }
};

} // namespace

QChar detectDelimiter(const QString &text)
{
    constexpr QLatin1Char candidates[] = {QLatin1Char(','), QLatin1Char('\t'), QLatin1Char(';')};
    // Rows by their number of fields, for each candidate.
    QHash<qsizetype, qsizetype> rowsWith[std::size(candidates)];
    if (text.contains(QLatin1Char('"'))) {
        for (size_t k = 0; k < std::size(candidates); ++k) {
            FieldCounter counter;
            scan(text, candidates[k], counter);
            rowsWith[k] = std::move(counter.rowsWith);
        }
    } else {
        // Without quotes a row's fields are its separators and one more, in one pass for all.
        qsizetype separators[std::size(candidates)] = {};
        bool rowStarted = false;
        const auto endRow = [&] {
            for (size_t k = 0; rowStarted && k < std::size(candidates); ++k) {
                ++rowsWith[k][separators[k] + 1];
                separators[k] = 0;
            }
            rowStarted = false;
        };
        for (QChar c : text) {
            switch (c.unicode()) {
            case '\n':
            case '\r':
                endRow();
                continue;
            case ',': ++separators[0]; break;
            case '\t': ++separators[1]; break;
            case ';': ++separators[2]; break;
            }
            rowStarted = true;
        }
        endRow();
    }
    QChar best = QLatin1Char(',');
    qsizetype bestRows = 0;
    for (size_t k = 0; k < std::size(candidates); ++k) {
        // The most common number of fields, and how many rows have it.
        qsizetype rows = 0;
        for (auto it = rowsWith[k].cbegin(); it != rowsWith[k].cend(); ++it) {
            if (it.key() > 1)
                rows = qMax(rows, it.value());
        }
        if (rows > bestRows) {
            best = candidates[k];
            bestRows = rows;
        }
    }
    return best;
}

Table split(const QString &text, QChar delimiter)
{
    Table out;
    // About a row a line: the lists grow once.
    const qsizetype lines = text.count(QLatin1Char('\n')) + 1;
    out.rows.reserve(lines);
    out.lineOfRow.reserve(lines);
    TableBuilder builder{out};
    if (const int openAt = scan(text, delimiter, builder))
        out.problem = QStringLiteral("第 %1 行起的引號欄位沒有結束").arg(openAt);
    return out;
}

QByteArray write(const QList<QStringList> &rows)
{
    QByteArray out = kUtf8Mark;
    QList<QByteArray> utf8;
    QList<QByteArrayView> fields;
    for (const QStringList &row : rows) {
        utf8.clear();
        fields.clear();
        for (const QString &f : row)
            utf8 << f.toUtf8();
        for (const QByteArray &f : std::as_const(utf8))
            fields << f;
        appendUtf8Row(out, fields);
    }
    return out;
}

void appendUtf8Row(QByteArray &out, const QList<QByteArrayView> &fields)
{
    // Room for every field quoted with each byte a quote, then cut to what was written.
    qsizetype room = 2;
    for (QByteArrayView f : fields)
        room += 2 * f.size() + 3;
    const qsizetype at = out.size();
    out.resize(at + room);
    char *p = out.data() + at;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QByteArrayView f = fields[i];
        if (i > 0)
            *p++ = ',';
        // The bytes of a comma, quote or line break occur in UTF-8 only as those characters.
        const bool needsQuotes = std::any_of(f.begin(), f.end(), [](char c) { return c == ',' || c == '"' || c == '\n' || c == '\r'; });
        if (!needsQuotes) {
            p = std::copy(f.begin(), f.end(), p);
            continue;
        }
        *p++ = '"';
        for (char c : f) {
            if (c == '"')
                *p++ = '"';
            *p++ = c;
        }
        *p++ = '"';
    }
    *p++ = '\r';
    *p++ = '\n';
    out.truncate(p - out.constData());
}

QString encodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return QStringLiteral("UTF-8");
    case Encoding::Utf16: return QStringLiteral("UTF-16");
    case Encoding::Big5: return QStringLiteral("Big5");
    }
    return {};
}

} // namespace CsvText
