#include "core/platform/csvtext.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <QHash>

#include <memory>

namespace CsvText {

namespace {

const QByteArray kUtf8Mark("\xEF\xBB\xBF");

// Converts with ICU, stopping at the first byte sequence that is not valid.
std::optional<QString> convert(const QByteArray &bytes, const char *charset, qsizetype *badAt)
{
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

std::optional<Encoding> detect(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf8Mark))
        return Encoding::Utf8;
    if (hasUtf16Mark(bytes))
        return Encoding::Utf16;
    // A zero byte belongs to no text of a spreadsheet: UTF-16 without its mark, say.
    if (bytes.contains('\0'))
        return std::nullopt;
    if (convert(bytes, "UTF-8", nullptr))
        return Encoding::Utf8;
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
        const auto text = convert(bytes.mid(skip), "UTF-8", badAt);
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

QChar detectDelimiter(const QString &text)
{
    QChar best = QLatin1Char(',');
    qsizetype bestRows = 0;
    for (QChar candidate : {QLatin1Char(','), QLatin1Char('\t'), QLatin1Char(';')}) {
        const Table t = split(text, candidate);
        // The most common number of fields, and how many rows have it.
        QHash<qsizetype, qsizetype> counts;
        for (const QStringList &row : t.rows)
            ++counts[row.size()];
        qsizetype rows = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            if (it.key() > 1)
                rows = qMax(rows, it.value());
        }
        if (rows > bestRows) {
            best = candidate;
            bestRows = rows;
        }
    }
    return best;
}

Table split(const QString &text, QChar delimiter)
{
    Table out;
    QStringList row;
    QString field;
    bool quoted = false;     // inside a quoted field
    bool wasQuoted = false;  // the current field had quotes
    bool rowStarted = false; // anything of the current row seen
    int line = 1, rowLine = 1;
    const auto endField = [&] {
        row << field;
        field.clear();
        wasQuoted = false;
    };
    const auto endRow = [&] {
        if (rowStarted) {
            endField();
            out.rows << row;
            out.lineOfRow << rowLine;
        }
        row.clear();
        field.clear();
        rowStarted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool lineBreak = c == QLatin1Char('\n') || c == QLatin1Char('\r');
        if (!rowStarted && !lineBreak) {
            rowStarted = true;
            rowLine = line;
        }
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                    field += text[++i];
                else
                    quoted = false;
                continue;
            }
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i; // a line break inside a field is kept as LF
            if (lineBreak) {
                ++line;
                field += QLatin1Char('\n');
                continue;
            }
            field += c;
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == delimiter) {
            endField();
        } else if (lineBreak) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            endRow();
            ++line;
        } else {
            field += c;
        }
    }
    if (quoted)
        out.problem = QStringLiteral("第 %1 行起的引號欄位沒有結束").arg(rowLine);
    endRow();
    return out;
}

QByteArray write(const QList<QStringList> &rows)
{
    QByteArray out = kUtf8Mark;
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &f : row) {
            const bool needsQuotes = f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\n'))
                || f.contains(QLatin1Char('\r'));
            fields << (needsQuotes ? QLatin1Char('"') + QString(f).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"') : f);
        }
        out += fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    return out;
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
