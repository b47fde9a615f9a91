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
// The institution lookup over all institutions: the picked code, or nothing.
std::optional<QString> pickInstitutionCode(AppContext &context, QWidget *parent);

// "解款行代號--查詢": pick an institution code. Opened with LookupCaller 5 (by the
// remitter profile) it offers Korvana's branches only.
class InstitutionLookup : public LookupWindow {
    Q_OBJECT
public:
    explicit InstitutionLookup(AppContext &context, QWidget *parent = nullptr);

protected:
    Query queryFor(const QString &prefix) const override;
    void picked(const QString &) override {}

private:
    bool m_korvanaOnly;
};
