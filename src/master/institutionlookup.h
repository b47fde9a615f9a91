#pragma once

#include "lookupwindow.h"

// The institution table's field labels and grid columns, as every window shows them.
QStringList institutionLabels();
QList<GridColumn> institutionColumns();

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
