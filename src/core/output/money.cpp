#include "core/output/money.h"

namespace {

QString grouped(QString digits)
{
    const int first = digits.startsWith(QLatin1Char('-')) ? 1 : 0;
    for (int i = int(digits.size()) - 3; i > first; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

} // namespace

QString amountField(qint64 value, int width)
{
    const QString digits = grouped(QString::number(value));
    return QString(qMax(0, width - int(digits.size())), QLatin1Char(' ')) + digits;
}

QString shownAmount(const QString &stored)
{
    if (stored.isEmpty() || (stored.size() > 1 && stored.startsWith(QLatin1Char('0'))))
        return stored;
    for (QChar c : stored) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return stored;
    }
    return grouped(stored);
}
