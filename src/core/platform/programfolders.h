#pragma once

#include <QString>

// Where the program finds its guide and keeps its data files (VXBANK.mdb, BRANCH.mdb, the
// generation log and the lock).
//
// An installed program (<prefix>/bin/talvek beside <prefix>/share/talvek) sits in a folder
// every user shares and none may write, so each user's data lives in their own data folder,
// $XDG_DATA_HOME/Talvek (~/.local/share/Talvek). A copy in a folder of its own (the portable
// folder, a developer's build) keeps its data beside itself.
struct ProgramFolders {
    QString data;
    QString guide; // the guide file, talvek.qch
    bool installed = false;
};

ProgramFolders programFolders(const QString &programDir);
