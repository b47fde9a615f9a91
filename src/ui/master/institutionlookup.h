#pragma once

#include "ui/master/lookupwindow.h"

#include <optional>

class QLabel;

// The institution table's field labels and grid columns, as every window shows them.
QStringList institutionLabels();
QList<GridColumn> institutionColumns();

// What the name label beside an institution code shows before any code.
QString noInstitutionName();
// The name label beside an institution code field: it follows the field once the code
// has its seven characters, with the name as stored now.
QLabel *makeInstitutionNameLabel(AppContext &context, QLineEdit *codeField, QWidget *parent);
// Which institutions a lookup offers: all, or Korvana's own branches (for the remitter,
// who remits from one of them).
enum class InstitutionOffer { All, KorvanaOnly };

// "解款行代號--查詢": pick an institution code.
class InstitutionLookup : public LookupWindow {
    Q_OBJECT
public:
    explicit InstitutionLookup(AppContext &context, QWidget *parent = nullptr,
                               InstitutionOffer offer = InstitutionOffer::All);

    // The seven-character code of the picked institution, or nothing.
    std::optional<QString> pickedCode() const;

protected:
    Query queryFor(const QString &prefix) const override;

private:
    InstitutionOffer m_offer;
};

// Opens the institution lookup modally: the picked code, or nothing.
std::optional<QString> pickInstitutionCode(AppContext &context, QWidget *parent,
                                           InstitutionOffer offer = InstitutionOffer::All);
