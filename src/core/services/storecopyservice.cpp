#include "core/services/storecopyservice.h"

#include "core/store/schema.h"
#include "core/store/store.h"
#include "core/store/storecopy.h"
#include "core/store/storeopening.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace {

StoreCopyOutcome outcome(StoreCopyOutcome::Result result, const QString &reason, const QString &text, MsgIcon icon,
                         const QString &title)
{
    return {result, reason, Notice(text, icon, title), {}};
}

StoreCopyOutcome restoreFailed(const QString &reason)
{
    return outcome(StoreCopyOutcome::Result::Failed, reason, QStringLiteral("回存失敗，原資料未變更") + QLatin1Char('\n') + reason,
                   MsgIcon::Critical, QStringLiteral("回存資料"));
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
    QString reason;
    if (!backupStoreFile(workingPath, target, &reason))
        return outcome(StoreCopyOutcome::Result::Failed, reason, QStringLiteral("備份檔案失敗!!") + QLatin1Char('\n') + reason,
                       MsgIcon::None, applicationTitle());
    StoreCopyOutcome done = outcome(StoreCopyOutcome::Result::Done, {},
                   QStringLiteral("備份完成") + QLatin1Char('\n') + displayPath(QFileInfo(target).absoluteFilePath()),
                   MsgIcon::Information, QStringLiteral("備份資料"));
    // What the copy itself holds, read back from it.
    if (Store::Opened copy = Store::open(target, Schema::working()); copy.store)
        done.lines = linesFingerprint(*copy.store).value_or(QByteArray());
    return done;
}

QString datedBackupName(const QString &workingPath, const QDate &day)
{
    const int year = day.year() - 1911;
    return QFileInfo(workingPath).completeBaseName() + QLatin1Char('-')
        + QStringLiteral("%1").arg(year, 2, 10, QLatin1Char('0')) + day.toString(QStringLiteral("MMdd")) + QStringLiteral(".mdb");
}

std::optional<QByteArray> linesFingerprint(Store &store)
{
    // Each value with its length, a null apart from an empty text: no two different line
    // tables give the same stream.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const StoreResult read = store.readPastIndexes(Table::R_DETL, [&hash](qint64, const QStringList &values) {
        for (const QString &value : values) {
            const QByteArray utf8 = value.toUtf8();
            hash.addData(QByteArray::number(value.isNull() ? -1 : utf8.size()) + ':');
            hash.addData(utf8);
        }
        hash.addData("\n");
    });
    if (!read.ok())
        return std::nullopt;
    return hash.result();
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
