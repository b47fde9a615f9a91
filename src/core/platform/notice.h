#pragma once

#include <QString>

// How a message to the user looks: the icon of its box.
enum class MsgIcon { None, Critical, Question, Exclamation, Information };

// A message for the user as data: the core says what to tell, the windows show it in a
// box and put the focus where it names, the store tool prints it.
struct Notice {
    Notice() = default;
    Notice(QString text, MsgIcon icon = MsgIcon::None, QString title = {}, QString focus = {})
        : text(std::move(text)), icon(icon), title(std::move(title)), focus(std::move(focus))
    {
    }

    QString text;
    MsgIcon icon = MsgIcon::None;
    QString title; // empty: the application title
    QString focus; // the column of the field the user goes back to; empty for none
};

// The application title that a message box without a title of its own shows.
inline QString applicationTitle()
{
    return QStringLiteral("Talvek");
}
