#include "core/platform/programfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

ProgramFolders programFolders(const QString &programDir)
{
    const QString guideName = QStringLiteral("talvek.qch");
    const QDir program(programDir);
    const QString shared = program.absoluteFilePath(QStringLiteral("../share/talvek"));
    if (program.dirName() == QLatin1String("bin") && QFileInfo(shared).isDir()) {
        const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        return {QDir::cleanPath(home + QStringLiteral("/Talvek")), QDir::cleanPath(shared + QLatin1Char('/') + guideName), true};
    }
    return {programDir, program.filePath(guideName), false};
}
