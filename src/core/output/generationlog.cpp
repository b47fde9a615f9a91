#include "core/output/generationlog.h"

#include "core/output/money.h"

#include "core/platform/atomicfile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

} // namespace

QString GenerationEntry::describe() const
{
    return QStringLiteral("%1 產生，批號 %2，依%3，明細 %4 筆，總額 %5 元，%6")
        .arg(when.toString(kTimeFormat), batchNo, order)
        .arg(count)
        .arg(amountField(sum, 0).trimmed(), QDir::toNativeSeparators(path));
}

QString generationLogPath(const QString &dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("talvek-batch.log"));
}

bool appendGeneration(const QString &logPath, const GenerationEntry &e, QString *reason)
{
    // Tab-separated, the path last so that a tab in it cannot shift the other fields.
    const QByteArray line = QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\n")
                                .arg(e.when.toString(kTimeFormat), e.batchNo, e.order)
                                .arg(e.count)
                                .arg(e.sum)
                                .arg(QString::fromLatin1(e.sha256), e.path)
                                .toUtf8();
    const int fd = ::open(QFile::encodeName(logPath).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (reason)
            *reason = systemReason(errno);
        return false;
    }
    // One write of one line: appended whole, never interleaved with another.
    const ssize_t written = ::write(fd, line.constData(), size_t(line.size()));
    const int error = written == line.size() ? (::fsync(fd) == 0 ? 0 : errno) : (written < 0 ? errno : ENOSPC);
    ::close(fd);
    if (error != 0 && reason)
        *reason = systemReason(error);
    return error == 0;
}

QList<GenerationEntry> readGenerations(const QString &logPath)
{
    QList<GenerationEntry> out;
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &raw : f.readAll().split('\n')) {
        const QStringList parts = QString::fromUtf8(raw).split(QLatin1Char('\t'));
        if (parts.size() < 7)
            continue;
        GenerationEntry e;
        e.when = QDateTime::fromString(parts[0], kTimeFormat);
        e.batchNo = parts[1];
        e.order = parts[2];
        bool countOk = false, sumOk = false;
        e.count = parts[3].toInt(&countOk);
        e.sum = parts[4].toLongLong(&sumOk);
        e.sha256 = parts[5].toLatin1();
        e.path = parts.mid(6).join(QLatin1Char('\t'));
        if (e.when.isValid() && countOk && sumOk && e.sha256.size() == 64)
            out.append(e);
    }
    return out;
}
