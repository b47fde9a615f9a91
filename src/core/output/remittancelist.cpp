#include "core/output/remittancelist.h"

#include "core/store/fieldroutines.h"

#include <optional>

namespace {

const QString kTitle = QStringLiteral("　 　整　批　匯　款　資　料　清　單");
const QString kRule = QString(137, QLatin1Char('-'));
const QString kBreak = QStringLiteral("資料未完；接下頁");
constexpr int kLinesPerPage = 30;
constexpr qint64 kLargest = 999999999999999; // beyond any column of the list

QString blanks(int n)
{
    return QString(qMax(0, n), QLatin1Char(' '));
}

// The whole-number value of a text of digits (blanks around it allowed); nothing for
// any other text, the empty one included.
std::optional<qint64> wholeNumber(const QString &text)
{
    const QString t = TrimBlanks(text);
    if (!IsDigits(t) || t.size() > 15)
        return std::nullopt;
    return t.toLongLong();
}

// A stored value in an amount column: its number with commas, or the text as it stands
// (cut to the column) when it is none, so that the line shows what is stored.
QString storedField(const QString &text, int width)
{
    if (const auto value = wholeNumber(text)) {
        const QString field = amountField(*value, width);
        return field.size() == width ? field : blanks(width - 1) + QLatin1Char('*');
    }
    const QString t = TrimBlanks(text);
    return blanks(width - Big5Length(t)) + Big5Mid(t, 1, width);
}

// Adds without overflow; false when the sum leaves the range the list can show.
bool addChecked(qint64 &sum, qint64 value)
{
    qint64 result = 0;
    if (__builtin_add_overflow(sum, value, &result) || result > kLargest)
        return false;
    sum = result;
    return true;
}

// Blanks after the text to n bytes, then its first n bytes: a column never pushes the next.
QString column(const QString &text, int n)
{
    return Big5Mid(SpacePadRight(n, text), 1, n);
}

QString columnHeadings(const QString &account)
{
    return blanks(5) + QStringLiteral("序　號") + blanks(1) + QStringLiteral("解款行") + blanks(2) + account + blanks(2)
        + QStringLiteral("匯  款  金  額") + blanks(9) + QStringLiteral("手 續 費") + blanks(10) + QStringLiteral("合    計")
        + blanks(2) + QStringLiteral("收 款 人 姓 名 　　　     　　　　　     備註");
}

// A field of the given width holding the number, or "*" when it does not fit.
QString fittedField(qint64 value, int width, bool fits)
{
    const QString field = amountField(value, width);
    return fits && field.size() == width ? field : blanks(width - 1) + QLatin1Char('*');
}

} // namespace

ListResult BuildList(const ListInput &in)
{
    ListResult out;
    if (!in.hasRemitter)
        return out;
    const QString printedHeadings = columnHeadings(QStringLiteral("帳　　　　　號"));
    const auto emit = [&](const QString &entry) { out.lines << entry; };
    int page = 1;
    auto heading = [&] {
        emit(QStringLiteral("\r\n\r\n") + kTitle);
        emit(blanks(82) + QStringLiteral("頁次：") + QString::number(page));
        emit(blanks(5) + QStringLiteral("匯款人：") + SpacePadRight(68, in.name) + QLatin1Char(' ') + QStringLiteral("製表日：")
             + in.today);
        emit(blanks(5) + QStringLiteral("匯款行：") + in.homeBankCode + in.homeBankLabel
             + blanks(43 - Big5Length(in.homeBankLabel)) + blanks(19) + QStringLiteral("用途：") + in.headerPurpose);
        emit(blanks(5) + QStringLiteral("匯款日：") + in.headerDate + blanks(63) + QStringLiteral("批號：") + in.headerBatch);
        emit(QString());
        emit(printedHeadings);
        emit(blanks(5) + kRule);
    };

    qint64 amountTotal = 0, feeTotal = 0, grandTotal = 0;
    bool fits = true;
    heading();
    int number = 0;
    for (const ListLineRow &line : in.lines) {
        ++number;
        // A value is shown and added only when it is a whole number that fits its column;
        // the amount alone still counts, so that the amount total is the bank file's sum.
        auto shown = [](const std::optional<qint64> &v, int width) { return v && amountField(*v, width).size() == width; };
        const auto amount = wholeNumber(line.amount);
        const auto fee = wholeNumber(line.fee);
        const bool amountShown = shown(amount, 13), feeShown = shown(fee, 13);
        const bool totalShown = amountShown && feeShown && shown(*amount + *fee, 14);
        if (amountShown)
            fits = addChecked(amountTotal, *amount) && fits;
        if (feeShown)
            fits = addChecked(feeTotal, *fee) && fits;
        if (totalShown)
            fits = addChecked(grandTotal, *amount + *fee) && fits;
        else
            out.notCounted << line.payee;
        const QString total = totalShown ? amountField(*amount + *fee, 14) : blanks(13) + QLatin1Char('*');
        emit(blanks(5) + QStringLiteral("%1").arg(number, 6) + blanks(1) + column(line.bank, 7) + blanks(1)
             + column(line.account, 14) + blanks(3) + storedField(line.amount, 13) + blanks(4)
             + storedField(line.fee, 13) + blanks(4) + total + blanks(2)
             + Big5Mid(SpacePadRight(68, TrimBlanks(line.name)), 1, 40) + blanks(1) + column(TrimBlanks(line.remark), 10));
        if (number % kLinesPerPage == 0) {
            emit(blanks(5) + kRule);
            emit(blanks(5) + kBreak);
            ++page;
            heading();
        }
    }
    fits = fits && amountField(amountTotal, 14).size() == 14 && amountField(feeTotal, 14).size() == 14
        && amountField(grandTotal, 15).size() == 15;
    out.totalsTooLarge = !fits;
    emit(blanks(5) + kRule);
    emit(blanks(18) + QStringLiteral("總計總筆數：") + blanks(49) + QStringLiteral("%1").arg(number, 6) + QStringLiteral("筆"));
    emit(blanks(18) + QStringLiteral("總計總金額：") + blanks(6) + fittedField(amountTotal, 14, fits) + QStringLiteral("元 ")
         + fittedField(feeTotal, 14, fits) + QStringLiteral("元 ") + fittedField(grandTotal, 15, fits) + QStringLiteral("元 "));
    emit(QString());
    emit(blanks(10) + in.note1 + in.note2);
    for (int i = 0; i < 4; ++i)
        emit(QString());
    emit(blanks(10) + in.note3);

    // The preview: its own account heading, and one more empty line after a page break.
    const QString previewHeadings = columnHeadings(QStringLiteral("帳    　　　號"));
    for (const QString &entry : std::as_const(out.lines)) {
        out.preview += (entry == printedHeadings ? previewHeadings : entry) + QStringLiteral("\r\n");
        if (entry.endsWith(kBreak))
            out.preview += QStringLiteral("\r\n");
    }
    return out;
}
