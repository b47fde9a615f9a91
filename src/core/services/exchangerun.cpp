#include "core/services/exchangerun.h"

#include "core/platform/atomicfile.h"
#include "core/store/store.h"
#include "core/store/storefailure.h"

#include <QDir>

ImportOutcome importFile(Store &store, ImportKind kind, const QByteArray &bytes, const ImportOptions &options)
{
    ImportOutcome outcome;
    QString problem;
    auto file = readImportFile(bytes, kind, options.encoding, &problem, options.header);
    if (!file) {
        outcome.notices << Notice{problem, MsgIcon::Critical};
        return outcome;
    }
    // The file is read only to be imported: the plan takes its rows.
    const QList<int> mapping = guessMapping(kind, *file);
    outcome.plan = planImport(store, kind, std::move(*file), mapping, options.mode, options.reference);
    if (!outcome.plan.ok()) {
        outcome.notices << Notice{QStringLiteral("有 %1 項錯誤，未匯入任何資料").arg(outcome.plan.errors.size()), MsgIcon::Critical};
        return outcome;
    }
    ImportOutcome written = writeImport(store, outcome.plan);
    written.plan = std::move(outcome.plan);
    return written;
}

ImportOutcome writeImport(Store &store, const ImportPlan &plan)
{
    ImportOutcome outcome;
    if (const StoreResult r = applyImport(store, plan); !r.ok()) {
        outcome.notices << storeFailureNotice(r, store.path());
        return outcome;
    }
    outcome.written = true;
    outcome.notices << Notice{QStringLiteral("已匯入：") + plan.summary()};
    return outcome;
}

ExportOutcome exportFile(Store &store, ImportKind kind, const QString &path)
{
    StoreResult read;
    const QByteArray bytes = exportTable(store, kind, &read);
    if (!read.ok())
        return {storeFailureNotice(read, store.path())};
    QString reason;
    if (!writeFileAtomically(path, bytes, &reason))
        return {{QStringLiteral("無法寫入 %1：%2").arg(QDir::toNativeSeparators(path), reason), MsgIcon::Critical}};
    return {{QStringLiteral("匯出完畢") + QLatin1Char('\n') + QDir::toNativeSeparators(path)}, true};
}
