#pragma once

#include <QString>

// Money as the customer reads it on the list, the screens and the log: "1,234,567",
// right-aligned in width columns (no padding with width 0).
QString amountField(qint64 value, int width);

// A stored amount as a grid shows it: a plain number (digits only, no leading zero)
// with its thousands commas, any other text exactly as stored. Only the view changes.
QString shownAmount(const QString &stored);
