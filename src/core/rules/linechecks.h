#pragma once

#include "core/store/storeresult.h"

#include <QString>
#include <QStringList>

#include <optional>

class Store;

// What the remittance entry window checks and looks up for one line, apart from its
// widgets.

// The texts of a line as keyed: fields 0 to 5 of the window and its remark.
struct LineTexts {
    QString code, account, bank, name, amount, fee, remark;
};

// Where a check failed: the field to go back to (0 to 5, or Remark), the message and
// its title. An empty message means the line passed.
struct LineProblem {
    static constexpr int Remark = 6;
    int field = -1;
    QString text;
    QString title;
    bool ok() const { return text.isEmpty(); }
};

// The line check, in the order the users know: the Korvana account, the institution
// code's length, the widths and blanks of fields 0 to 4, the remark's width; then the
// fee, which must be a whole number (or empty), and text that cannot reach the bank in
// Big5 as typed.
LineProblem ValidateLine(const LineTexts &line);

// The names of the line's fields as the window labels them, in LineTexts order.
const QStringList &LineFieldNames();

// The temporary payee code for a new line: the lowest "TMPnnnn" that no stored line
// carries; empty when TMP0001 to TMP9999 are all taken.
QString NextTempPayeeCode(Store &store);
// The lowest `count` temporary codes that no stored line carries, in order; fewer when
// not that many are free.
QStringList FreeTempPayeeCodes(Store &store, int count);

// Account, institution code and name of the registered payee with this code (trailing
// blanks removed), or nothing.
std::optional<QStringList> findPayee(Store &store, const QString &code);

// The ten remark presets of the stored row (trailing blanks removed, a null as an empty
// text), or an empty list when none was stored yet.
QStringList readRemarkPresets(Store &store);
// Stores the ten presets, each without blanks at either end, as the table's only row.
StoreResult writeRemarkPresets(Store &store, const QStringList &presets);
