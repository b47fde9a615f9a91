#pragma once

#include <QString>
#include <QStringList>

// The checks of the remitter profile (R_BASE's six fields), apart from its window.
struct RemitterProblem {
    int field = -1;      // 0 branch, 1 name, 2 kind, 3 to 5 the notes
    QString text = {};
    QString title = {};  // empty: the application title
    bool select = false; // the field's text is selected for retyping
    bool ok() const { return text.isEmpty(); }
};

// Only ordinary (10) and treasury (11) remittances.
bool isKnownRemitKind(const QString &kind);
RemitterProblem remitKindProblem();

// In the order the users know: the first three filled, every field within its width and
// writable in Big5 (the bank file and the list carry them), then the kind.
RemitterProblem ValidateRemitter(const QStringList &values);
