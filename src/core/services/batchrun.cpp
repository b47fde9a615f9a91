#include "core/services/batchrun.h"

#include "core/services/storecopyservice.h"
#include "core/platform/clock.h"
#include "core/rules/headerrules.h"
#include "core/store/store.h"
#include "core/store/storefailure.h"

Notice incomplete(const QString &problem)
{
    return {QStringLiteral("資料不全,建檔錯誤") + QLatin1Char('\n') + problem};
}

BatchRunOutcome runBatch(Store &store, const BatchRun &run, const Clock &clock, const BatchRunQuestions &ask)
{
    BatchRunOutcome outcome;
    // The date is checked here too: a date never left by the keyboard would otherwise
    // reach the bank unchecked.
    if (auto problem = HeaderRules::dateProblem(run.header.date, clock)) {
        outcome.notices << *problem;
        outcome.headerRefused = true;
        return outcome;
    }
    if (auto problem = HeaderRules::batchProblem(run.header.batchNo, run.header.date)) {
        outcome.notices << *problem;
        outcome.headerRefused = true;
        return outcome;
    }
    LineTotals totals;
    QString unread = run.shownProblem;
    if (run.shown)
        totals = *run.shown;
    else if (const StoreResult counted = countLines(store, totals); !counted.ok() && unread.isEmpty())
        unread = storeFailureNotice(counted, store.path()).text;
    // Totals that could not be read are not taken as zero.
    if (!unread.isEmpty()) {
        outcome.notices << incomplete(unread);
        return outcome;
    }
    BatchFileInput in;
    // A failed read here is told by the generation, which reads again.
    if (readBatchInput(store, run.order, run.header.batchNo, run.header.date, in).ok()) {
        const QStringList warnings = batchWarnings(in, readGenerations(run.logPath));
        if (!warnings.isEmpty() && !ask.goOnDespite(warnings)) {
            outcome.declined = true;
            return outcome;
        }
    }
    const QString target = outcome.target = ask.target();
    if (target.isEmpty()) {
        outcome.noTarget = true;
        return outcome;
    }
    // Nothing is written to a damaged store, not even the header.
    if (const StoreResult whole = store.checkIntegrity(); !whole.ok()) {
        outcome.notices << incomplete(storeFailureNotice(whole, store.path()).text);
        return outcome;
    }
    // A header that cannot be stored is told, and the file is still made: it carries the
    // header as keyed.
    if (auto problem = HeaderRules::store(store, run.header))
        outcome.notices << *problem;
    outcome.generation = generateBatchFile(store, {target, run.header.batchNo, run.header.date, run.order, totals, run.logPath, clock.now()});
    if (!outcome.generation.written) {
        outcome.notices << incomplete(outcome.generation.problem);
        return outcome;
    }
    outcome.doneAt = outcome.notices.size();
    QString done = QStringLiteral("產生完畢");
    // Lines no backup holds are one disk fault away from being keyed again.
    if (const auto lines = linesFingerprint(store); run.backedUpLines.isEmpty() || lines != run.backedUpLines)
        done += QLatin1Char('\n') + QStringLiteral("建議立即備份資料檔（系統 → 備份資料）");
    outcome.notices << Notice{done};
    if (!outcome.generation.logProblem.isEmpty())
        outcome.notices << Notice{outcome.generation.logProblem, MsgIcon::Exclamation};
    return outcome;
}

QString warningQuestion(const QStringList &warnings)
{
    constexpr int kShown = 15;
    QString text = QStringLiteral("下列情形銀行會照常處理，但可能是輸入錯誤：\n");
    for (int i = 0; i < qMin(kShown, int(warnings.size())); ++i)
        text += QStringLiteral("・") + warnings[i] + QLatin1Char('\n');
    if (warnings.size() > kShown)
        text += QStringLiteral("…另有 %1 項\n").arg(warnings.size() - kShown);
    return text + QStringLiteral("\n是否仍要產生整批匯款檔？");
}
