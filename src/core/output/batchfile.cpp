#include "core/output/batchfile.h"

#include "core/platform/big5codec.h"
#include "core/store/fieldroutines.h"

namespace {

QByteArray rightAligned(const QByteArray &text, int width)
{
    return QByteArray(qMax<qsizetype>(0, width - text.size()), ' ') + text;
}

// Collects the first thing that is wrong; the bank file is written only when nothing is.
class Checker {
public:
    bool failed() const { return !m_problem.isEmpty(); }
    const QString &problem() const { return m_problem; }

    void fail(const QString &where, const QString &what)
    {
        if (m_problem.isEmpty())
            m_problem = where + QStringLiteral("：") + what;
    }

    // A text that goes into a record as it is: exactly as stored, or not at all.
    QByteArray text(const QString &where, const QString &field, const QString &value)
    {
        QByteArray bytes;
        switch (Big5TextFault(value, &bytes)) {
        case TextFault::Control:
            fail(where, field + QStringLiteral("含有控制字元（如定位字元、換行）"));
            break;
        case TextFault::NotBig5:
            fail(where, field + QStringLiteral("含有無法原樣轉成 Big5 的字元"));
            break;
        case TextFault::None:
            break;
        }
        return bytes;
    }

    // A text that fills its positions exactly.
    QByteArray exact(const QString &where, const QString &field, const QString &value, int width, bool digits)
    {
        QByteArray bytes = text(where, field, value);
        if (bytes.size() != width || (digits && !IsDigits(value)))
            fail(where, field + QStringLiteral("應為 %1 位%2，實為「%3」").arg(width).arg(digits ? QStringLiteral("數字") : QString(), value));
        return bytes;
    }

    // A text of at most width bytes.
    QByteArray atMost(const QString &where, const QString &field, const QString &value, int width)
    {
        QByteArray bytes = text(where, field, value);
        if (bytes.size() > width)
            fail(where, field + QStringLiteral("超過 %1 Byte").arg(width));
        return bytes;
    }

private:
    QString m_problem;
};

} // namespace

BatchFileResult buildBatchFile(const BatchFileInput &in)
{
    BatchFileResult result;
    Checker check;
    const QString header = QStringLiteral("匯款人資料");
    const QString batch = QStringLiteral("批號與匯款日");
    if (!in.hasRemitter) {
        result.problem = QStringLiteral("沒有匯款人資料");
        return result;
    }
    if (in.lines.size() > MaxBatchLines) {
        result.problem = QStringLiteral("匯款資料 %1 筆，超過一個檔案可容納的 %2 筆").arg(in.lines.size()).arg(MaxBatchLines);
        return result;
    }

    const QByteArray brno = check.exact(header, QStringLiteral("分行代號"), in.remitter.brno, 3, true);
    const QByteArray kind = check.exact(header, QStringLiteral("匯款種類"), in.remitter.kind, 2, true);
    if (kind != "10" && kind != "11")
        check.fail(header, QStringLiteral("匯款種類應為「10」或「11」，實為「%1」").arg(in.remitter.kind));
    const QByteArray remitter = check.atMost(header, QStringLiteral("匯款人名稱"), in.remitter.name, 68);
    const QByteArray batchNo = check.exact(batch, QStringLiteral("批號"), in.batchNo, 10, true);
    const QByteArray date = check.exact(batch, QStringLiteral("匯款日"), in.remitDate, 6, true);
    if (IsDigits(in.remitDate) && in.remitDate.size() == 6 && CheckRocDate(in.remitDate) != 1)
        check.fail(batch, QStringLiteral("匯款日「%1」不是有效的日期").arg(in.remitDate));
    // Every record starts with the branch and the batch number.
    const QByteArray lead = brno + batchNo;

    QByteArray out;
    out.reserve(200 * (in.lines.size() + 2));
    out += '1' + lead + "00000" + date + QByteArray(23, ' ') + remitter + QByteArray(18 + 64, ' ') + "\r\n";

    qint64 sum = 0;
    bool sumFits = true;
    for (int i = 0; i < in.lines.size(); ++i) {
        const LineRow &line = in.lines[i];
        const QString where = QStringLiteral("收款人代碼 %1（第 %2 筆）").arg(TrimBlanks(line.payee)).arg(i + 1);
        const QByteArray bank = check.exact(where, QStringLiteral("解款行代號"), line.bank, 7, true);
        const QString account = TrimBlanks(line.account);
        if (!IsDigits(account) || account.size() > 14)
            check.fail(where, QStringLiteral("帳號應為 14 位以內的數字，實為「%1」").arg(line.account));
        const QByteArray name = check.atMost(where, QStringLiteral("收款人名稱"), line.name, 68);
        const QString amount = TrimBlanks(line.amount);
        if (!IsDigits(amount) || amount.size() > 12)
            check.fail(where, QStringLiteral("金額應為 12 位以內的數字，實為「%1」").arg(line.amount));
        const QByteArray remark = check.atMost(where, QStringLiteral("備註"), line.remark, 50);
        if (check.failed())
            break;

        // The bank reads the account zero-filled, the name padded, the amount right-aligned.
        out += '2' + lead + rightAligned(QByteArray::number(i + 1), 5) + date + bank + kind
            + QByteArray(14 - account.size(), '0') + account.toLatin1()
            + name + QByteArray(68 - name.size(), ' ')
            + rightAligned(amount.toLatin1(), 12) + "00" + remark + "\r\n";
        // Twelve digits at most each, so the sum cannot overflow before it is checked.
        sum += amount.toLongLong();
        sumFits = sumFits && sum <= 999999999999LL;
    }
    if (!check.failed() && !sumFits)
        check.fail(QStringLiteral("匯款總額"), QStringLiteral("超過 12 位數"));
    if (check.failed()) {
        result.problem = check.problem();
        return result;
    }

    out += '3' + lead + "99999" + date + rightAligned(QByteArray::number(in.lines.size()), 4)
        + rightAligned(QByteArray::number(sum), 12) + "00" + QByteArray(137, ' ') + "\r\n";
    result.bytes = out;
    result.ok = true;
    result.count = int(in.lines.size());
    result.sum = sum;
    return result;
}
