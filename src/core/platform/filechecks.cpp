#include "core/platform/filechecks.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

bool sameStoreFile(const QString &a, const QString &b)
{
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    const auto canonical = [](const QString &path) {
        const QFileInfo info(path);
        const QString whole = info.canonicalFilePath();
        if (!whole.isEmpty())
            return whole;
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
    };
    return canonical(a) == canonical(b);
}

QByteArray databaseFileMagic()
{
    return QByteArray("SQLite format 3\0", 16);
}

bool isDatabaseFile(const QString &path)
{
    QFile f(path);
    const QByteArray magic = databaseFileMagic();
    return f.open(QIODevice::ReadOnly) && f.read(magic.size()) == magic;
}
