#pragma once

#include "core/output/batchfile.h"
#include "core/output/generationlog.h"

#include "core/store/storeresult.h"

#include <QDateTime>
#include <QStringList>

#include <optional>

class Store;

// One generation of the bank file from the working store, the same for the window and
// for any other caller: what is read, checked, written, read back and logged.

enum class LineOrder { ByPayee, Input };

// Every line of the batch as the window counts it when it opens.
struct LineTotals {
    int count = 0;
    qint64 sum = 0;
    int markedCount = 0;   // lines with the left-out marker as account, left out of a file by payee code
    qint64 markedSum = 0;
    bool overflow = false; // the sum left the range a 64-bit number holds
    qint64 fees = 0;       // the fees withheld, which no file carries
    bool feesOverflow = false;

    // What a file in this order must carry.
    int countFor(LineOrder order) const { return order == LineOrder::ByPayee ? count - markedCount : count; }
    qint64 sumFor(LineOrder order) const { return order == LineOrder::ByPayee ? sum - markedSum : sum; }
};

// Fills the lines' empty values (one statement), then counts them as tallyLines does.
StoreResult countLines(Store &store, LineTotals &totals);

// Counts every line in stored order and adds up amounts and fees, writing nothing. A line
// with no amount or fee counts as it will once filled (0), so the figures are the same
// before and after countLines: the entry window shows them while lines are keyed.
StoreResult tallyLines(Store &store, LineTotals &totals);

// The writer's input: the remitter, the lines in the order chosen, the header fields.
StoreResult readBatchInput(Store &store, LineOrder order, const QString &batchNo, const QString &date, BatchFileInput &in);

// What the bank would accept but is probably a mistake, in words for the user: the same
// account, institution and amount twice, an amount of 0, a fee at or above its amount, a
// batch number that an earlier generation used.
QStringList batchWarnings(const BatchFileInput &in, const QList<GenerationEntry> &log);

struct GenerationRequest {
    QString path;
    QString batchNo, date; // the window's fields
    LineOrder order = LineOrder::ByPayee;
    std::optional<LineTotals> shown; // what the window showed; the file must agree with it
    QString logPath;
    QDateTime when;
};

struct GenerationOutcome {
    bool written = false;
    QString problem;    // why no file was written
    QString logProblem; // the file was written, its log line was not
    GenerationEntry entry;
};

// Checks the store, reads the lines twice (the second time past every index), builds the
// file, writes it beside the target, reads it back from the disk as the bank would and
// only then puts it in the target's place, and appends its log line. Any failure leaves
// the target as it was.
GenerationOutcome generateBatchFile(Store &store, const GenerationRequest &request);
