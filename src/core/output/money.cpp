#include "core/output/money.h"

QString amountField(qint64 value, int width)
{
    QString digits = QString::number(value);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return QString(qMax(0, width - int(digits.size())), QLatin1Char(' ')) + digits;
}
