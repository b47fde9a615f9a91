#pragma once

#include <QFont>
#include <QString>

class QDialog;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

// The pieces every window of the program is built from, so they look and behave alike.

// The bold, centred heading at the top of a window (objectName "Label1").
QLabel *makeHeading(const QString &text, QWidget *parent, int growBy = 6);

// The "確定" and "取消" buttons (Command2_0 and Command2_1), centred in a row. Enter on
// either presses it.
struct ConfirmPair {
    QPushButton *ok;
    QPushButton *cancel;
    QHBoxLayout *row;
};
ConfirmPair makeConfirmPair(QWidget *parent);

// Esc no longer closes the dialog (a QDialog closes on Esc by default).
void keepOpenOnEscape(QDialog *dialog);

// A fixed-pitch font in which one Chinese character takes exactly two ASCII columns,
// for texts laid out with blanks.
QFont fixedPitchFont(int pointSizeDelta = 0);
