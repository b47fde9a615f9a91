#include "core/output/batchgeneration.h"

#include "core/store/schema.h"
#include "core/output/batchverify.h"
#include "core/output/money.h"

#include "core/platform/atomicfile.h"
#include "core/store/fieldroutines.h"
#include "core/store/linevalues.h"
#include "core/store/recordset.h"
#include "core/store/store.h"
#include "core/store/storecopy.h"
#include "core/store/storefailure.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>

namespace {

bool isMarker(const QString &account)
{
    return account.compare(Bank::LeftOutMarker, Qt::CaseInsensitive) == 0;
}

// A line as both reads see it: its row and every column the file or the checks use.
using LineKey = std::pair<qint64, QStringList>;

// The second read: the table itself, past every index.
StoreResult readLinesPastIndexes(Store &store, LineOrder order, std::vector<LineKey> &out)
{
    return store.readPastIndexes(Table::R_DETL, [&](qint64 rowid, const QStringList &values) {
        if (order != LineOrder::ByPayee || !isMarker(values[RDetl::ACTNO]))
            out.emplace_back(rowid, values);
    });
}

QString money(qint64 value)
{
    return amountField(value, 0);
}

} // namespace

StoreResult countLines(Store &store, LineTotals &totals)
{
    totals = {};
    // Every later reading of the lines sees a value; the totals are of what is stored.
    const StoreResult filled = fillEmptyLineValues(store);
    return filled.ok() ? tallyLines(store, totals) : filled;
}

StoreResult tallyLines(Store &store, LineTotals &totals)
{
    totals = {};
    StoreResult result;
    const auto lines = store.select(Query::table(Table::R_DETL), &result);
    if (!result.ok())
        return result;
    const auto add = [](qint64 &sum, qint64 value, bool &overflow) {
        overflow = __builtin_add_overflow(sum, value, &sum) || overflow;
    };
    for (int r = 0; r < lines->rowCount(); ++r) {
        // No value reads as empty text, worth 0 like the "0" that filling gives it.
        const qint64 amount = NumberValue(lines->value(r, RDetl::AMT));
        ++totals.count;
        add(totals.sum, amount, totals.overflow);
        add(totals.fees, NumberValue(lines->value(r, RDetl::AMT2)), totals.feesOverflow);
        if (isMarker(lines->value(r, RDetl::ACTNO))) {
            ++totals.markedCount;
            add(totals.markedSum, amount, totals.overflow);
        }
    }
    return result;
}

namespace {

// The first read: the lines in the file's order, with their rows for the second read.
StoreResult readInput(Store &store, LineOrder order, BatchFileInput &in, std::vector<LineKey> *keys)
{
    StoreResult result;
    const auto base = store.select(Query::table(Table::R_BASE), &result);
    if (!result.ok())
        return result;
    in.hasRemitter = !base->isEmpty();
    in.remitter = {base->field(RBase::BRNO), base->field(RBase::RMTNAME), base->field(RBase::RMTKIND)};
    const auto lines = store.select(order == LineOrder::ByPayee ? Queries::linesWithoutMarker() : Query::table(Table::R_DETL), &result);
    if (!result.ok())
        return result;
    in.lines.clear();
    for (int r = 0; r < lines->rowCount(); ++r) {
        QStringList values;
        for (int c = RDetl::R_ID; c <= RDetl::AMT2; ++c)
            values << lines->value(r, c);
        in.lines.append({values[RDetl::R_ID], values[RDetl::ACTNO], values[RDetl::TRFBK], values[RDetl::R_NAME],
                         values[RDetl::AMT], values[RDetl::MARK], values[RDetl::AMT2]});
        if (keys)
            keys->emplace_back(lines->rowid(r), values);
    }
    return result;
}

} // namespace

StoreResult readBatchInput(Store &store, LineOrder order, const QString &batchNo, const QString &date, BatchFileInput &in)
{
    // The file carries the header as the window shows it, not as it was stored before.
    in.batchNo = batchNo;
    in.remitDate = date;
    return readInput(store, order, in, nullptr);
}

QStringList batchWarnings(const BatchFileInput &in, const QList<GenerationEntry> &log)
{
    QStringList out;
    const auto where = [&](int i) {
        return QStringLiteral("第 %1 筆（%2）").arg(i + 1).arg(TrimBlanks(in.lines[i].payee));
    };
    std::map<std::tuple<QString, QString, QString>, QList<int>> same;
    for (int i = 0; i < in.lines.size(); ++i) {
        const LineRow &l = in.lines[i];
        const QString amount = TrimBlanks(l.amount);
        const QString fee = TrimBlanks(l.fee);
        // As the bank reads them: the account zero-filled, the amount as a number.
        const QString account = TrimBlanks(l.account);
        const bool accountDigits = IsDigits(account) && account.size() <= 14;
        const bool amountDigits = IsDigits(amount) && amount.size() <= 18;
        same[{accountDigits ? account.rightJustified(14, QLatin1Char('0')) : account, TrimBlanks(l.bank),
              amountDigits ? QString::number(amount.toLongLong()) : amount}].append(i);
        if (!amountDigits)
            continue;
        const qint64 value = amount.toLongLong();
        if (value == 0)
            out << where(i) + QStringLiteral("金額為 0");
        else if (IsDigits(fee) && fee.size() <= 18 && fee.toLongLong() >= value)
            out << where(i) + QStringLiteral("手續費 %1 不小於金額 %2").arg(money(fee.toLongLong()), money(value));
    }
    for (const auto &[key, rows] : same) {
        if (rows.size() < 2)
            continue;
        QStringList places;
        for (int i : rows)
            places << where(i);
        out << places.join(QStringLiteral("、")) + QStringLiteral("的帳號、解款行與金額相同");
    }
    for (auto e = log.crbegin(); e != log.crend(); ++e) {
        if (e->batchNo == in.batchNo) {
            out << QStringLiteral("批號 %1 已用過：%2").arg(in.batchNo, e->describe());
            break;
        }
    }
    return out;
}

GenerationOutcome generateBatchFile(Store &store, const GenerationRequest &request)
{
    GenerationOutcome out;
    const auto fail = [&](const QString &problem) {
        out.problem = problem;
        return out;
    };
    const auto storeFailure = [&](const StoreResult &result) { return fail(storeFailureNotice(result, store.path()).text); };

    // The bank file never takes the place of a data file, the log, or the store itself.
    const QString shownPath = QDir::toNativeSeparators(request.path);
    if (sameStoreFile(request.path, store.path()) || (!request.logPath.isEmpty() && sameStoreFile(request.path, request.logPath))
        || isDatabaseFile(request.path))
        return fail(QStringLiteral("%1 是資料檔，不可被整批匯款檔取代").arg(shownPath));
    // A damaged store is not read at all; the full check also finds an index that no
    // longer matches its table.
    if (const StoreResult whole = store.checkIntegrity(true); !whole.ok())
        return storeFailure(whole);
    BatchFileInput in;
    in.batchNo = request.batchNo;
    in.remitDate = request.date;
    std::vector<LineKey> first, second;
    if (const StoreResult read = readInput(store, request.order, in, &first); !read.ok())
        return storeFailure(read);
    // Both reads must find the same lines: a repeated or lost line means the store is
    // damaged where its check cannot see.
    if (const StoreResult read = readLinesPastIndexes(store, request.order, second); !read.ok())
        return storeFailure(read);
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    if (first != second)
        return fail(QStringLiteral("兩次讀取的匯款資料不一致（%1 筆與 %2 筆），資料檔可能已損壞").arg(first.size()).arg(second.size()));

    const BatchFileResult built = buildBatchFile(in);
    if (!built.ok)
        return fail(built.problem);
    if (request.shown) {
        const LineTotals &shown = *request.shown;
        const int count = shown.countFor(request.order);
        const qint64 sum = shown.sumFor(request.order);
        if (shown.overflow || built.count != count || built.sum != sum)
            return fail(QStringLiteral("檔案的筆數與金額（%1 筆，%2 元）與畫面（%3 筆，%4 元）不符")
                            .arg(built.count).arg(money(built.sum)).arg(count).arg(money(sum)));
    }

    // Written beside the target, read back from the disk as the bank will read it, and
    // only then put in the target's place.
    PendingFile file(request.path);
    QString reason;
    if (!file.open(&reason) || !file.write(built.bytes, &reason))
        return fail(QStringLiteral("無法寫入 %1：%2").arg(shownPath, reason));
    QFile back(file.path());
    const QByteArray readBack = back.open(QIODevice::ReadOnly) ? back.readAll() : QByteArray();
    back.close();
    const Verification verified = verifyBatchFile(readBack);
    if (!verified.clean())
        return fail(QStringLiteral("讀回檢查不符：") + verified.findings.first().text());
    if (readBack != built.bytes || verified.facts.details != built.count || verified.facts.sum != built.sum)
        return fail(QStringLiteral("讀回檢查不符：寫入磁碟的內容與產生的內容不同"));
    if (!file.commit(&reason))
        return fail(QStringLiteral("無法寫入 %1：%2").arg(shownPath, reason));

    out.written = true;
    out.entry = {request.when, in.batchNo,
                 request.order == LineOrder::ByPayee ? QStringLiteral("收款人代碼") : QStringLiteral("輸入順序"),
                 built.count, built.sum, QCryptographicHash::hash(readBack, QCryptographicHash::Sha256).toHex(),
                 QFileInfo(request.path).absoluteFilePath()};
    if (!request.logPath.isEmpty() && !appendGeneration(request.logPath, out.entry, &reason))
        out.logProblem = QStringLiteral("無法寫入產生記錄 %1：%2").arg(QDir::toNativeSeparators(request.logPath), reason);
    return out;
}
