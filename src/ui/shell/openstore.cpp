#include "ui/shell/openstore.h"

#include "core/store/storeopening.h"
#include "ui/platform/appcontext.h"
#include "ui/platform/dialogs.h"

bool openWorkingStoreOrSay(AppContext &context)
{
    WorkingStoreOpening opening = openWorkingStore(context.dataDir());
    const QString path = displayPath(workingStorePath(context.dataDir()));
    Dialogs &dialogs = context.dialogs();
    switch (opening.failure) {
    case WorkingStoreOpening::Failure::None:
        context.setWorking(std::move(opening.store));
        return true;
    case WorkingStoreOpening::Failure::Missing:
        dialogs.critical(nullptr, QStringLiteral("找不到資料庫,資料遺失") + QLatin1Char('\n') + path, applicationTitle());
        return false;
    case WorkingStoreOpening::Failure::Attributes:
        break;
    case WorkingStoreOpening::Failure::ReadOnly:
        dialogs.critical(nullptr, QStringLiteral("資料庫唯讀,資料遺失") + QLatin1Char('\n') + path, applicationTitle());
        return false;
    case WorkingStoreOpening::Failure::Other:
        // The code first, as the bank's support staff ask for it; then what it means.
        dialogs.inform(nullptr, QString::number(opening.result.code()) + QLatin1Char('\n') + opening.result.detail);
        break;
    }
    dialogs.message(nullptr, QStringLiteral("資料庫開啟出錯"), QStringLiteral("程式即將關閉  !!"), MsgIcon::None,
                    MsgButtons::Ok, MsgAnswer::Ok);
    return false;
}
