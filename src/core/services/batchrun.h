#pragma once

#include "core/output/batchgeneration.h"
#include "core/platform/notice.h"
#include "core/store/batchheader.h"

#include <functional>
#include <optional>

class Clock;
class Store;

// Making the bank's batch file from the working store, one way for window 5 and for the
// store tool: the header's checks, the warnings, storing the header, the generation with
// its read-back, and the log. The caller asks the user and shows what comes back.
struct BatchRun {
    BatchHeader header; // as keyed; stored trimmed
    LineOrder order = LineOrder::ByPayee;
    std::optional<LineTotals> shown; // what the caller showed; counted afresh when absent
    QString shownProblem;            // why the caller could not read the totals: no file then
    QString logPath;
    QByteArray backedUpLines; // the lines' fingerprint in the last backup made; empty: none known
};

struct BatchRunQuestions {
    // Asked only when there are warnings: true goes on.
    std::function<bool(const QStringList &warnings)> goOnDespite;
    // The file to write, asked once the checks passed; empty stops the run.
    std::function<QString()> target;
};

struct BatchRunOutcome {
    QList<Notice> notices;       // to tell, in order; a header check's notice names its field
    bool headerRefused = false;  // the date or batch number was refused: nothing was done
    bool declined = false;       // the user chose not to go on despite the warnings
    bool noTarget = false;       // the user chose no file
    QString target;              // the file chosen: the run went as far as it could
    qsizetype doneAt = -1;       // the notice "產生完畢" (and a backup suggested), once the file is written
    GenerationOutcome generation;
    bool written() const { return generation.written; }
};

BatchRunOutcome runBatch(Store &store, const BatchRun &run, const Clock &clock, const BatchRunQuestions &ask);

// Why no file was made: "資料不全,建檔錯誤" and the problem on its own line.
Notice incomplete(const QString &problem);

// The warnings in one question: at most 15 shown, then how many more.
QString warningQuestion(const QStringList &warnings);
