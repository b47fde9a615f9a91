#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

// The checks of one payee, apart from any window: the payee window and the importer
// make the same ones, in the same order.

struct PayeeTexts {
    QString code, account, bank, name; // R_ID, ACTNO, TRFBK, R_NAME as keyed
};

// Where a check failed: the field (0 code, 1 account, 2 institution, 3 name), the
// message and its title. An empty message means the payee passed.
struct PayeeProblem {
    int field = -1;
    QString text;
    QString title;
    bool ok() const { return text.isEmpty(); }
};

// Widths, blanks and Big5 text of the four fields (their messages titled `title`); then
// a code that `codeTaken` says another payee has; then the check digit of an account at
// a Korvana branch, and an institution code too short for its check digit.
// The names of the payee's fields as the window labels them, in PayeeTexts order.
const QStringList &PayeeFieldNames();

// An account at a Korvana branch must carry its check digit: the message and its title
// when it does not.
std::optional<std::pair<QString, QString>> homeAccountProblem(const QString &account, const QString &bank);
PayeeProblem ValidatePayee(const PayeeTexts &payee, const QString &title, const std::function<bool(const QString &)> &codeTaken);
