#pragma once

#include "ui/master/lookupwindow.h"

#include <QStringList>

class QLabel;

// "收款人資料--查詢": pick a payee. The picked row (code, account, institution code,
// name) is handed to the opener, which fills its own fields with it.
class PayeeLookup : public LookupWindow {
    Q_OBJECT
public:
    explicit PayeeLookup(AppContext &context, QWidget *parent = nullptr);

    // Columns 0 to 3 of the picked row; empty when nothing was picked.
    const QStringList &pickedRow() const { return m_picked; }
    QString institutionName() const;

protected:
    Query queryFor(const QString &prefix) const override;
    void picked(const QString &code) override;

private:
    QLabel *m_name = nullptr;
    QStringList m_picked;
};
