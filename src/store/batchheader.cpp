#include "batchheader.h"

#include "fieldroutines.h"
#include "recordset.h"
#include "store.h"

StoreResult readHeader(Store &store, BatchHeader &header)
{
    StoreResult result;
    const auto set = store.select(Query::table(Table::R_DAY), &result);
    header = {set->field(RDay::RMTDATE), set->field(RDay::BATCHNO), set->field(RDay::PURPOSE), !set->isEmpty()};
    return result;
}

StoreResult writeHeader(Store &store, const BatchHeader &header)
{
    StoreResult result;
    const auto set = store.select(Query::table(Table::R_DAY), &result);
    if (!result.ok())
        return result;
    const QStringList values{TrimBlanks(header.date), TrimBlanks(header.batchNo), TrimBlanks(header.purpose)};
    return set->isEmpty() ? set->addRow(values) : set->update(values);
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
