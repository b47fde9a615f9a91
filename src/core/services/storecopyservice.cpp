#include "core/services/storecopyservice.h"

#include "core/store/schema.h"
#include "core/store/storecopy.h"
#include "core/store/storeopening.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>

namespace {

StoreCopyOutcome outcome(StoreCopyOutcome::Result result, const QString &reason, const QString &text, MsgIcon icon,
                         const QString &title)
{
    return {result, reason, Notice(text, icon, title)};
}

StoreCopyOutcome restoreFailed(const QString &reason)
{
    return outcome(StoreCopyOutcome::Result::Failed, reason, QStringLiteral("回存失敗，原資料未變更") + QLatin1Char('\n') + reason,
                   MsgIcon::Critical, QStringLiteral("回存資料"));
}

// What each table's change count was when the working store was last backed up in this run.
struct BackupMarks {
    QMutex lock;
    QHash<QString, QHash<QString, quint64>> byFile;
};

BackupMarks &backupMarks()
{
    static BackupMarks marks;
    return marks;
}

QString markKey(const QString &path)
{
    const QFileInfo info(path);
    return info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
}

} // namespace

StoreCopyOutcome checkBackupTarget(const QString &workingPath, const QString &target)
{
    // Copying the store onto itself would lose it: any other name of the same file is refused too.
    if (sameStoreFile(target, workingPath))
        return outcome(StoreCopyOutcome::Result::SameAsStore, {}, QStringLiteral("備份檔案錯誤：目的檔案與來源檔案相同"),
                       MsgIcon::Critical, QStringLiteral("備份檔案錯誤 ") + displayPath(workingPath));
    const QString reference = referenceStorePath(QFileInfo(workingPath).path());
    if (sameStoreFile(target, reference))
        return outcome(StoreCopyOutcome::Result::SameAsReference, {}, QStringLiteral("備份檔案錯誤：目的檔案是金融機構代碼檔"),
                       MsgIcon::Critical, QStringLiteral("備份檔案錯誤 ") + displayPath(reference));
    return {};
}

StoreCopyOutcome backupStore(const QString &workingPath, const QString &target)
{
    if (StoreCopyOutcome refused = checkBackupTarget(workingPath, target); !refused.ok())
        return refused;
    // Counted before the copy: the store is closed, so the copy holds exactly these.
    QHash<QString, quint64> seen;
    for (const TableDef &def : Schema::working())
        seen.insert(def.name.toUpper(), Store::changeCount(workingPath, def.name));
    QString reason;
    if (!backupStoreFile(workingPath, target, &reason))
        return outcome(StoreCopyOutcome::Result::Failed, reason, QStringLiteral("備份檔案失敗!!") + QLatin1Char('\n') + reason,
                       MsgIcon::None, applicationTitle());
    {
        BackupMarks &marks = backupMarks();
        QMutexLocker locked(&marks.lock);
        marks.byFile.insert(markKey(workingPath), seen);
    }
    return outcome(StoreCopyOutcome::Result::Done, {},
                   QStringLiteral("備份完成") + QLatin1Char('\n') + displayPath(QFileInfo(target).absoluteFilePath()),
                   MsgIcon::Information, QStringLiteral("備份資料"));
}

QString datedBackupName(const QString &workingPath, const QDate &day)
{
    const int year = day.year() - 1911;
    return QFileInfo(workingPath).completeBaseName() + QLatin1Char('-')
        + QStringLiteral("%1").arg(year, 2, 10, QLatin1Char('0')) + day.toString(QStringLiteral("MMdd")) + QStringLiteral(".mdb");
}

bool changedSinceBackup(const Store &working, const QString &table)
{
    BackupMarks &marks = backupMarks();
    QMutexLocker locked(&marks.lock);
    const auto file = marks.byFile.constFind(markKey(working.path()));
    const QString name = table.toUpper();
    if (file == marks.byFile.constEnd() || !file->contains(name))
        return true;
    return file->value(name) != working.changeCount(name);
}

StoreRestore::StoreRestore(const QString &workingPath, const QString &sourcePath)
{
    // Emptying the store to refill it from itself would lose it, by whatever name.
    if (sameStoreFile(sourcePath, workingPath)) {
        m_checked = outcome(StoreCopyOutcome::Result::SameAsStore, {}, QStringLiteral("回存檔案錯誤：目的檔案與來源檔案相同"),
                            MsgIcon::Critical, QStringLiteral("回存檔案錯誤 ") + displayPath(workingPath));
        return;
    }
    m_source = std::make_unique<RestoreSource>(sourcePath);
    switch (m_source->problem()) {
    case RestoreSource::Problem::None:
        break;
    case RestoreSource::Problem::Layout:
        m_checked = outcome(StoreCopyOutcome::Result::Layout, m_source->reason(),
                            QStringLiteral("選擇的來源資料庫錯誤!回存失敗,回存動作終止!"), MsgIcon::Critical,
                            QStringLiteral("資料庫格式不相符"));
        break;
    case RestoreSource::Problem::Unusable:
        m_checked = restoreFailed(m_source->reason());
        break;
    }
}

StoreRestore::~StoreRestore() = default;

StoreCopyOutcome StoreRestore::copyInto(Store *working)
{
    if (!m_checked.ok())
        return m_checked;
    QString reason = QStringLiteral("資料庫未開啟");
    if (!working || !m_source->copyInto(*working, &reason))
        return restoreFailed(reason);
    return outcome(StoreCopyOutcome::Result::Done, {}, QStringLiteral("資料回存完畢!!"), MsgIcon::Information,
                   QStringLiteral("回存完成"));
}
