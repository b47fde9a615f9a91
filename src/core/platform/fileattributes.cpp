#include "core/platform/fileattributes.h"

#include <QFile>
#include <QFileInfo>

namespace FileAttributes {

int of(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return 0;
    int value = 0;
    if (!(info.permissions() & QFileDevice::WriteOwner))
        value |= ReadOnly;
    if (info.fileName().startsWith(QLatin1Char('.')))
        value |= Hidden;
    if (info.isDir())
        value |= Directory;
    else if (info.isFile())
        value |= Archive;
    else
        value |= Special;
    return value;
}

bool setArchiveOnly(const QString &path)
{
    const QFileInfo info(path);
    return QFile::setPermissions(path, info.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
}

} // namespace FileAttributes
