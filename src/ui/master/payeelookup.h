#pragma once

#include "ui/master/lookupwindow.h"

#include <QStringList>

#include <optional>

class QLabel;

// "收款人資料--查詢": pick a payee. The picked row (code, account, institution code,
// name) is handed to the opener, which fills its own fields with it.
class PayeeLookup : public LookupWindow {
    Q_OBJECT
public:
    explicit PayeeLookup(AppContext &context, QWidget *parent = nullptr);

    QString institutionName() const;

protected:
    Query queryFor(const QString &prefix) const override;

private:
    QLabel *m_name = nullptr;
};

// Opens the payee lookup modally: code, account, institution code and name of the
// picked payee, or nothing.
std::optional<QStringList> pickPayeeRow(AppContext &context, QWidget *parent);
