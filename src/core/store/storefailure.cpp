#include "core/store/storefailure.h"

#include "core/store/storeopening.h"

Notice storeFailureNotice(const StoreResult &result, const QString &storePath)
{
    switch (result.error) {
    case StoreResult::Error::None:
        return {};
    case StoreResult::Error::TooLong:
        return {QStringLiteral("輸入欄位超出"), MsgIcon::None};
    case StoreResult::Error::ReadOnly:
        return {QStringLiteral("資料庫唯讀,資料遺失") + QLatin1Char('\n') + displayPath(storePath), MsgIcon::Critical};
    case StoreResult::Error::Other:
        break;
    }
    QString text = QStringLiteral("不可預期的錯誤");
    const QString reason = result.detail.trimmed();
    if (!reason.isEmpty() || result.code() != 0)
        text += QLatin1Char('\n') + (reason.isEmpty() ? QString() : reason + QLatin1Char(' '))
                + QStringLiteral("(%1)").arg(result.code());
    return {text, MsgIcon::None};
}
