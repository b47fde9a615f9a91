#include "core/rules/headerrules.h"

#include "core/store/fieldroutines.h"
#include "core/store/schema.h"
#include "core/store/store.h"
#include "core/store/storefailure.h"

namespace HeaderRules {

namespace {

const QString kTitleInputError = QStringLiteral("輸入錯誤");

QString columnOf(int ordinal)
{
    return Schema::table(Table::R_DAY).columns[ordinal].name;
}

} // namespace

std::optional<Notice> dateProblem(const QString &date, const Clock &clock)
{
    const int code = CheckRemitDate(date, clock);
    if (code == 1)
        return std::nullopt;
    return Notice{remitDateMessage(code), MsgIcon::Critical, code == 0 ? kTitleInputError : applicationTitle(), columnOf(RDay::RMTDATE)};
}

std::optional<Notice> batchProblem(const QString &batchNo, const QString &date)
{
    const int code = CheckBatchNo(batchNo, date);
    if (code == 1)
        return std::nullopt;
    return Notice{batchNoMessage(code), MsgIcon::Critical, kTitleInputError, columnOf(RDay::BATCHNO)};
}

std::optional<Notice> store(Store &store, const BatchHeader &header)
{
    static const char16_t *const names[3] = {u"匯款日", u"批號", u"用途"};
    const QString fields[3] = {header.date, header.batchNo, header.purpose};
    for (int i = 0; i < 3; ++i) {
        if (!IsBig5Text(fields[i]))
            return Notice{QStringLiteral("%1含有無法轉成 Big5 的字元，請修改").arg(QString::fromUtf16(names[i])), MsgIcon::Critical, {}, columnOf(i)};
    }
    const StoreResult result = writeHeader(store, header);
    if (result.ok())
        return std::nullopt;
    Notice notice = storeFailureNotice(result, store.path());
    if (result.error == StoreResult::Error::TooLong && result.ordinal >= 0 && result.ordinal < 3)
        notice.focus = columnOf(result.ordinal);
    return notice;
}

} // namespace HeaderRules
