#include "core/store/batchheader.h"

#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/store.h"

StoreResult readHeader(Store &store, BatchHeader &header)
{
    QStringList row;
    const StoreResult result = store.readOnlyRow(Table::R_DAY, row);
    header = {row.value(RDay::RMTDATE), row.value(RDay::BATCHNO), row.value(RDay::PURPOSE), !row.isEmpty()};
    return result;
}

StoreResult writeHeader(Store &store, const BatchHeader &header)
{
    return store.writeOnlyRow(Table::R_DAY, {TrimBlanks(header.date), TrimBlanks(header.batchNo), TrimBlanks(header.purpose)});
}

QString batchNoMessage(int code)
{
    switch (code) {
    case -1: return QStringLiteral("輸入批號長度不足!!");
    case -2: return QStringLiteral("批號中之年月日(yymmdd)應與匯款日相同!!");
    case -3: return QStringLiteral("批號需大於 00");
    case -4: return QStringLiteral("客戶代號需大於等於 10");
    default: return {};
    }
}

int CheckRemitDate(const QString &date, const Clock &clock)
{
    if (CheckRocDate(date) != 1)
        return 0;
    // Two-digit ROC years compare as text, as the bank's dates always have.
    return date < RocToday(clock, QStringLiteral("2")) ? -1 : 1;
}

QString remitDateMessage(int code)
{
    switch (code) {
    case 0: return QStringLiteral("輸入日期錯誤!!");
    case -1: return QStringLiteral("日期必須大於等於今天");
    default: return {};
    }
}
