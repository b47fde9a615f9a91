#include "ui/editing/digitsonly.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

DigitsOnly::DigitsOnly(QLineEdit *field) : QObject(field)
{
    field->installEventFilter(this);
    connect(field, &QLineEdit::textEdited, this, [field](const QString &text) {
        QString kept;
        int cursor = field->cursorPosition();
        for (int i = 0; i < text.size(); ++i) {
            if (isDigit(text[i]) || text[i] == QLatin1Char(' '))
                kept += text[i];
            else if (i < field->cursorPosition())
                --cursor;
        }
        if (kept != text) {
            field->setText(kept);
            field->setCursorPosition(qMax(0, cursor));
        }
    });
}

bool DigitsOnly::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const QString text = static_cast<QKeyEvent *>(event)->text();
    if (text.isEmpty() || !text[0].isPrint())
        return false; // backspace, moves, shortcuts
    for (QChar c : text) {
        if (!isDigit(c))
            return true;
    }
    return false;
}
