#pragma once

#include "core/store/storeresult.h"

#include <QString>

class Clock;
class Store;

// The batch header: the single row of R_DAY.
struct BatchHeader {
    QString date;    // RMTDATE, ROC yymmdd
    QString batchNo; // BATCHNO, yymmddxxnn
    QString purpose; // PURPOSE, printed on the list
    bool stored = false; // read from a row of R_DAY
};

// The stored header, or empty texts when there is none yet.
StoreResult readHeader(Store &store, BatchHeader &header);

// Stores the header trimmed: adds the row when the table is empty, otherwise rewrites
// the first row. A TooLong result names the column (0 date, 1 batch number, 2 purpose).
StoreResult writeHeader(Store &store, const BatchHeader &header);

// The message for a result of CheckBatchNo other than 1.
QString batchNoMessage(int code);

// 1 for a date a batch may carry; 0 for no such date; -1 for a day already past.
int CheckRemitDate(const QString &date, const Clock &clock);

// The message for a result of CheckRemitDate other than 1.
QString remitDateMessage(int code);
