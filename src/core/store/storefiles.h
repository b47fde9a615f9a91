#pragma once

#include <QList>
#include <QString>

// One row of the institution table.
struct Institution {
    QString code;      // BKBRNO, seven digits
    QString shortName; // BNAME
    QString fullName;  // FNAME
};

// A plainly fictional institution list to start with: Korvana's branches (952xxx) and a
// few dozen other institutions, every code with its correct check digit.
QList<Institution> starterInstitutions();

// Makes a data file with every table of its schema, empty; the reference store gets the
// institutions too. Refuses a path that exists. The file appears whole or not at all.
// Returns an empty text on success, else what went wrong.
QString createWorkingStore(const QString &path);
QString createReferenceStore(const QString &path, const QList<Institution> &institutions);

// Makes the data folder of an installed program on its first start: the folder, the working
// store and the reference store with the starter institutions. A folder that already holds
// either data file is left as it is, so a lost file is reported, never silently replaced.
// `prepared` tells whether the files were made now. Returns an empty text on success.
QString prepareDataFolder(const QString &folder, bool &prepared);
