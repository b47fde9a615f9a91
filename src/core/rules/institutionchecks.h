#pragma once

#include <QString>
#include <QStringList>

// The checks of one institution row, apart from any window: the institution window and
// the importer make the same ones, in the same order.

struct InstitutionTexts {
    QString code, shortName, fullName; // BKBRNO, BNAME, FNAME as keyed
};

// Where a check failed: the field (0 code, 1 short name, 2 full name), the message and
// its title. An empty message means the row passed.
struct InstitutionProblem {
    int field = -1;
    QString text;
    QString title;
    bool ok() const { return text.isEmpty(); }
};

// A code too short for its check character (titled "金融機構代碼"), then the widths,
// blanks and Big5 text of the three fields, named in messages by `names` (in
// InstitutionTexts order) and titled `title`. The check character itself is not compared:
// the bank's list is taken as it comes.
InstitutionProblem ValidateInstitution(const InstitutionTexts &row, const QStringList &names, const QString &title);
