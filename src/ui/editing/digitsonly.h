#pragma once

#include <QObject>

class QLineEdit;

// Only digits get into the field: a typed character that is not one is dropped, and
// whatever else a paste brings is taken out again (the blanks that fill a stored
// account stay). The filter belongs to the field and ends with it.
class DigitsOnly : public QObject {
public:
    explicit DigitsOnly(QLineEdit *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
