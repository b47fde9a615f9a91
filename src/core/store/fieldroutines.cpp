#include "core/store/fieldroutines.h"

#include "core/store/schema.h"
#include "core/store/store.h"

#include "core/platform/big5codec.h"
#include "core/platform/clock.h"

#include <algorithm>

namespace {

// The value of the digits a text begins with; 0 when it begins with none.
qint64 leadingNumber(QStringView text)
{
    qint64 value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = value * 10 + (c.unicode() - '0');
        if (value > 999999999999LL)
            break;
    }
    return value;
}

int digitValue(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c.unicode() - '0' : 0;
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString RocToday(const Clock &clock, const QString &mode)
{
    const QDate today = clock.today();
    const int rocYear = ((today.year() - 1911) % 100 + 100) % 100;
    if (TrimBlanks(mode) == QLatin1String("1"))
        return twoDigits(rocYear) + QStringLiteral("/%1/%2").arg(today.month()).arg(today.day());
    return twoDigits(rocYear) + twoDigits(today.month()) + twoDigits(today.day());
}

QString RocToday(const Clock &clock, int mode)
{
    return RocToday(clock, QString::number(mode));
}

int CheckRocDate(const QString &text)
{
    const QString t = TrimBlanks(text);
    if (t.size() != 6)
        return -1;
    const int month = int(leadingNumber(QStringView(t).mid(2, 2)));
    const int day = int(leadingNumber(QStringView(t).mid(4, 2)));
    const int year = 1911 + int(leadingNumber(QStringView(t).mid(0, 2)));
    static constexpr int daysIn[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return -3;
    const int last = (month == 2 && isLeapYear(year)) ? 29 : daysIn[month - 1];
    return (day >= 1 && day <= last) ? 1 : -2;
}

int CheckBatchNo(const QString &batch, const QString &date)
{
    if (batch.size() != 10)
        return -1;
    const QString d = TrimBlanks(date);
    bool dateIsNumber = !d.isEmpty();
    for (QChar c : d)
        dateIsNumber = dateIsNumber && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!dateIsNumber || leadingNumber(QStringView(batch).left(6)) != leadingNumber(d))
        return -2;
    int r = 1;
    if (leadingNumber(QStringView(batch).mid(6, 2)) < 10)
        r = -4;
    if (leadingNumber(QStringView(batch).mid(8, 2)) == 0)
        r = -3;
    return r;
}

QString InstCheckDigit(const QString &code)
{
    // Blanks only shorten the code; the digits are read where they stand.
    if (TrimBlanks(code).size() < 6)
        return QStringLiteral("*");
    int d[6];
    for (int i = 0; i < 6; ++i)
        d[i] = digitValue(code[i]);
    const QStringView bank = QStringView(code).left(3);
    int s;
    if (bank == QLatin1String("009"))
        s = d[3] + 4 * d[4] + 7 * d[5];
    else
        s = 3 * d[0] + 7 * d[1] + 9 * d[2] + 3 * d[3] + 7 * d[4] + 9 * d[5];
    int r = s % 10;
    // Banks 100 to 300 use the remainder itself; every other bank its complement.
    if ((bank < u"100" || bank > u"300") && r > 0)
        r = 10 - r;
    static const QString digits[] = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                                     QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")};
    return digits[r];
}

QString HomeBankCode(const QString &branch)
{
    const QString bankAndBranch = Bank::HomeCode + branch;
    return bankAndBranch + InstCheckDigit(bankAndBranch);
}

bool CheckHomeAccount(const QString &account)
{
    const QString t = TrimBlanks(account);
    if (t.size() != 12)
        return false;
    if (leadingNumber(QStringView(t).left(3)) == 0)
        return false;
    static constexpr int weights[11] = {6, 5, 4, 3, 2, 7, 6, 5, 4, 3, 2};
    int s = 0;
    for (int i = 0; i < 11; ++i)
        s += weights[i] * digitValue(t[i]);
    return 9 - (s % 9) == digitValue(t[11]);
}

QString InstNameLabel(Store *reference, const QString &code)
{
    if (reference) {
        const std::optional<QString> name =
            reference->firstMatch(Table::VXBANK, QStringLiteral("BKBRNO"), code, QStringLiteral("FNAME"));
        if (name)
            return QLatin1Char('[') + TrimBlanks(*name) + QLatin1Char(']');
    }
    return QStringLiteral("[代碼檔未建]");
}

bool IsDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

QString TrimRightBlanks(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

bool FitsBig5(const QString &text, int n)
{
    return Big5Length(text) <= n;
}

QString ZeroPadLeft(int n, const QString &text)
{
    const int k = int(TrimBlanks(text).size());
    if (k != 0 && k < n)
        return QString(n - k, QLatin1Char('0')) + text;
    return text;
}

QString SpacePadRight(int n, const QString &text)
{
    const int b = Big5Length(TrimBlanks(text));
    if (b >= n)
        return text;
    QString padded = text;
    padded.resize(text.size() + n - b, QLatin1Char(' '));
    return padded;
}

int Big5Length(const QString &text)
{
    return int(Big5::byteLength(text));
}

QString Big5Mid(const QString &text, int start, int count)
{
    const QByteArray bytes = Big5::encode(text);
    const int from = qMax(0, start - 1);
    if (from >= bytes.size() || count <= 0)
        return {};
    const int to = int(qMin<qsizetype>(bytes.size(), qsizetype(from) + count)); // one past the last byte
    const QList<bool> starts = Big5::characterStarts(bytes);
    QByteArray piece = bytes.mid(from, to - from);
    if (!starts[from])
        piece[0] = ' ';
    // The last byte is a lead byte whose trail lies outside the piece.
    const int last = to - 1;
    const auto lastByte = static_cast<unsigned char>(bytes[last]);
    if (starts[last] && lastByte >= 0x81 && lastByte <= 0xFE)
        piece[piece.size() - 1] = ' ';
    return Big5::decode(piece);
}

QString TrimBlanks(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from] == QLatin1Char(' '))
        ++from;
    while (to > from && text[to - 1] == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

qint64 NumberValue(const QString &text)
{
    return leadingNumber(TrimBlanks(text));
}

TextFault Big5TextFault(const QString &text, QByteArray *out)
{
    bool ascii = true;
    for (QChar c : text) {
        // A tab or line break would shift the bank's fixed positions.
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            return TextFault::Control;
        ascii = ascii && c.unicode() < 0x80;
    }
    // Printable ASCII is its own Big5 form.
    if (ascii) {
        if (out)
            *out = text.toLatin1();
        return TextFault::None;
    }
    // Some characters "encode" to nothing (invisible formatting marks) or to a look-alike:
    // only text that comes back unchanged reaches the bank as it was typed.
    bool complete = false;
    QByteArray bytes = Big5::encode(text, &complete);
    // A character may also come out as a lone byte the bank cannot read as one.
    const bool same = complete && Big5::wellFormed(bytes) && Big5::decode(bytes) == text;
    if (out)
        *out = std::move(bytes);
    return same ? TextFault::None : TextFault::NotBig5;
}

QString FieldTextProblem(const QString &text, int width, const QString &fieldName)
{
    // ASCII is its own width; other text is converted once for both its width and the
    // verdict on it (a control character ends the verdict before converting).
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    QByteArray bytes;
    const TextFault fault = Big5TextFault(text, ascii ? nullptr : &bytes);
    const qsizetype length = ascii ? text.size() : fault == TextFault::Control ? Big5::byteLength(text) : bytes.size();
    if (length > width)
        return QStringLiteral("輸入欄位超出 %1Byte     ").arg(width);
    if (TrimBlanks(text).isEmpty())
        return QStringLiteral("欄位不可為空白");
    // What cannot be written in Big5 would reach the bank's file and the list as "?".
    if (fault != TextFault::None)
        return QStringLiteral("%1含有無法轉成 Big5 的字元，請修改").arg(fieldName);
    return {};
}

bool IsBig5Text(const QString &text)
{
    return Big5TextFault(text) == TextFault::None;
}
