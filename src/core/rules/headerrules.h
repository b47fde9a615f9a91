#pragma once

#include "core/platform/notice.h"
#include "core/store/batchheader.h"

#include <optional>

class Clock;
class Store;

// What a batch header must be before it is stored or carried to the bank. Each problem is
// a notice that names the field (RMTDATE, BATCHNO, PURPOSE) the user goes back to.
namespace HeaderRules {

// A date a batch may carry: a real ROC date, not already past.
std::optional<Notice> dateProblem(const QString &date, const Clock &clock);
// A batch number that begins with the date and carries a customer code and sub-batch.
std::optional<Notice> batchProblem(const QString &batchNo, const QString &date);
// Stores the header: every field must be writable in Big5 (the purpose is printed on the
// list), then the row is written. The notice says what failed.
std::optional<Notice> store(Store &store, const BatchHeader &header);

} // namespace HeaderRules
