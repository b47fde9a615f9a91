#include "core/platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString leftoverPrefix(const QString &targetName)
{
    return targetName + QStringLiteral(".talvek-");
}

// Pushes a file, or a folder's entries, to the disk; 0 or the error.
int syncPath(const QString &path, bool folder)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    // Some file systems cannot sync a folder; the rename itself has happened.
    return folder && error == EINVAL ? 0 : error;
}

// Copies left behind by a program killed before its rename, of any target in the
// folder, with the journal an engine may have kept beside them.
void removeLeftovers(const QDir &folder, const QString &keep)
{
    static const QRegularExpression leftover(QStringLiteral("\\.talvek-[A-Za-z0-9]{6}(-journal)?$"));
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (name.contains(leftover) && folder.filePath(name) != keep)
            QFile::remove(folder.filePath(name));
    }
}

} // namespace

QString systemReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("磁碟空間不足");
    case EFBIG:
        return QStringLiteral("檔案大小超過系統限制");
    case EROFS:
        return QStringLiteral("唯讀的檔案系統");
    case EACCES:
    case EPERM:
        return QStringLiteral("沒有寫入的權限");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

PendingFile::PendingFile(const QString &target)
{
    const QFileInfo chosen(target);
    const QString resolved = chosen.canonicalFilePath();
    m_target = !resolved.isEmpty() ? resolved : chosen.isSymLink() ? chosen.symLinkTarget() : chosen.absoluteFilePath();
}

PendingFile::~PendingFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temp.isEmpty()) {
        QFile::remove(m_temp);
        QFile::remove(m_temp + QStringLiteral("-journal"));
    }
}

bool PendingFile::open(QString *reason)
{
    const auto fail = [&](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QFileInfo target(m_target);
    if (target.exists() && !target.isFile())
        return fail(QStringLiteral("%1 不是檔案").arg(native(m_target)));
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        return fail(QStringLiteral("資料夾 %1 不存在").arg(native(folder.path())));
    QByteArray name = QFile::encodeName(folder.filePath(leftoverPrefix(target.fileName()) + QStringLiteral("XXXXXX")));
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0)
        return fail(QStringLiteral("無法在資料夾 %1 建立檔案：%2").arg(native(folder.path()), systemReason(errno)));
    m_temp = QFile::decodeName(name);
    return true;
}

bool PendingFile::write(const QByteArray &bytes, QString *reason)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (reason)
                *reason = systemReason(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += n;
    }
    return true;
}

bool PendingFile::commit(QString *reason)
{
    const auto fail = [&](int error) {
        if (reason)
            *reason = systemReason(error);
        return false;
    };
    if (m_fd >= 0) {
        const int closed = ::close(m_fd);
        m_fd = -1;
        if (closed != 0)
            return fail(errno);
    }
    // The file gets the permissions of the one it replaces, or those asked for a new file.
    struct stat old {};
    mode_t mode;
    if (::stat(QFile::encodeName(m_target).constData(), &old) == 0
        || (!m_modeFrom.isEmpty() && ::stat(QFile::encodeName(m_modeFrom).constData(), &old) == 0)) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(QFile::encodeName(m_temp).constData(), mode);
    if (const int error = syncPath(m_temp, false))
        return fail(error);
    if (::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0)
        return fail(errno);
    m_committed = true;
    const QFileInfo target(m_target);
    syncPath(target.absolutePath(), true);
    removeLeftovers(target.absoluteDir(), m_target);
    return true;
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *reason)
{
    PendingFile file(path);
    return file.open(reason) && file.write(bytes, reason) && file.commit(reason);
}
