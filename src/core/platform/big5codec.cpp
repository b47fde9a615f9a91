#include "core/platform/big5codec.h"

#include <memory>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

namespace {

struct ConverterCloser {
    void operator()(UConverter *c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr openConverter(bool stopOnUnmappable)
{
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr conv(ucnv_open("windows-950", &err));
    if (U_FAILURE(err) || !conv)
        qFatal("ICU has no windows-950 converter: %s", u_errorName(err));
    if (stopOnUnmappable) {
        err = U_ZERO_ERROR;
        ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    }
    return conv;
}

UConverter *encoder()
{
    thread_local ConverterPtr conv = openConverter(true);
    return conv.get();
}

UConverter *decoder()
{
    thread_local ConverterPtr conv = openConverter(false);
    return conv.get();
}

// Encodes text; at each character with no Big5 form onUnmappable decides whether
// to go on (writing "?" for it) or to give up.
template <typename OnUnmappable>
QByteArray encodeWith(QStringView text, OnUnmappable onUnmappable)
{
    QByteArray out;
    if (text.isEmpty())
        return out;
    UConverter *conv = encoder();
    ucnv_resetFromUnicode(conv);
    out.resize(text.size() * 2 + 8);
    const UChar *src = reinterpret_cast<const UChar *>(text.utf16());
    const UChar *srcEnd = src + text.size();
    char *dst = out.data();
    for (;;) {
        UErrorCode err = U_ZERO_ERROR;
        char *dstEnd = out.data() + out.size();
        ucnv_fromUnicode(conv, &dst, dstEnd, &src, srcEnd, nullptr, true, &err);
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            const qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            continue;
        }
        if (err == U_INVALID_CHAR_FOUND || err == U_ILLEGAL_CHAR_FOUND || err == U_TRUNCATED_CHAR_FOUND) {
            ucnv_resetFromUnicode(conv);
            const qsizetype used = dst - out.data();
            if (!onUnmappable())
                return {};
            if (used + 1 >= out.size())
                out.resize(out.size() * 2);
            dst = out.data() + used;
            *dst++ = '?';
            continue;
        }
        break;
    }
    out.truncate(dst - out.data());
    return out;
}

} // namespace

namespace Big5 {

QByteArray encode(QStringView text, bool *complete)
{
    bool all = true;
    QByteArray out = encodeWith(text, [&] {
        all = false;
        return true;
    });
    if (complete)
        *complete = all;
    return out;
}

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    UConverter *conv = decoder();
    ucnv_resetToUnicode(conv);
    QString out(bytes.size(), Qt::Uninitialized);
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar *>(out.data()), int32_t(out.size()),
                                    bytes.data(), int32_t(bytes.size()), &err);
    if (U_FAILURE(err) && err != U_STRING_NOT_TERMINATED_WARNING)
        return QString(bytes.size(), QChar::ReplacementCharacter);
    out.truncate(n);
    return out;
}

bool canEncode(QStringView text)
{
    bool all = true;
    encodeWith(text, [&] {
        all = false;
        return false;
    });
    return all;
}

qsizetype byteLength(QStringView text)
{
    // ASCII is one byte in Big5; only other text needs the converter.
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.size();
    // A field's worth of text is converted on the stack; text with a character that has no
    // Big5 form is counted as encode writes it.
    char buffer[512];
    if (text.size() * 2 + 8 <= qsizetype(sizeof buffer)) {
        UConverter *conv = encoder();
        ucnv_resetFromUnicode(conv);
        const UChar *src = reinterpret_cast<const UChar *>(text.utf16());
        char *dst = buffer;
        UErrorCode err = U_ZERO_ERROR;
        ucnv_fromUnicode(conv, &dst, buffer + sizeof buffer, &src, src + text.size(), nullptr, true, &err);
        ucnv_resetFromUnicode(conv);
        if (err == U_ZERO_ERROR)
            return dst - buffer;
    }
    return encode(text).size();
}

bool wellFormed(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80)
            continue;
        if (b < 0x81 || b > 0xFE || i + 1 >= bytes.size())
            return false;
        const auto t = static_cast<unsigned char>(bytes[++i]);
        if (!((t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE)))
            return false;
    }
    return true;
}

QList<bool> characterStarts(const QByteArray &bytes)
{
    QList<bool> starts(bytes.size(), false);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        starts[i] = true;
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x81 && b <= 0xFE && i + 1 < bytes.size())
            ++i;
    }
    return starts;
}

} // namespace Big5
