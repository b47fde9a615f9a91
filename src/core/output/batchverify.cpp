#include "core/output/batchverify.h"

#include "core/output/batchfile.h"

#include "core/platform/big5codec.h"
#include "core/store/fieldroutines.h"

#include <optional>

namespace {

QString recordKind(char type)
{
    switch (type) {
    case '1': return QStringLiteral("表頭");
    case '2': return QStringLiteral("明細");
    case '3': return QStringLiteral("表尾");
    default: return QStringLiteral("不明");
    }
}

// The bytes as a person would read them in a message.
QString shown(const QByteArray &bytes)
{
    QString text = Big5::decode(bytes);
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar(0x2423); // ␣-like mark for an invisible byte
    }
    return QStringLiteral("「%1」").arg(text);
}

bool allDigits(const QByteArray &bytes)
{
    for (char c : bytes) {
        if (c < '0' || c > '9')
            return false;
    }
    return !bytes.isEmpty();
}

// The checks of one record; every finding names the record, the position and the field.
class RecordReader {
public:
    RecordReader(QList<VerifyFinding> &findings, int number, const QByteArray &bytes)
        : m_findings(findings), m_number(number), m_bytes(bytes)
    {
    }

    void fail(int from, const QString &field, const QString &problem)
    {
        m_findings.append({m_number, from + 1, field, problem});
    }
    void failWhole(const QString &problem) { m_findings.append({m_number, 0, {}, problem}); }
    QByteArray at(int from, int length) const { return m_bytes.mid(from, length); }

    void literal(int from, const QByteArray &expected, const QString &field)
    {
        const QByteArray found = at(from, int(expected.size()));
        if (found != expected)
            fail(from, field, QStringLiteral("應為「%1」，實為%2").arg(QString::fromLatin1(expected), shown(found)));
    }
    QByteArray digits(int from, int length, const QString &field)
    {
        const QByteArray found = at(from, length);
        if (found.size() != length || !allDigits(found))
            fail(from, field, QStringLiteral("應為 %1 位數字，實為%2").arg(length).arg(shown(found)));
        return found;
    }
    void blanks(int from, int length, const QString &field)
    {
        const QByteArray found = at(from, length);
        if (found != QByteArray(length, ' '))
            fail(from, field, QStringLiteral("應為 %1 個空白，實為%2").arg(length).arg(shown(found)));
    }
    // A whole number right-aligned in its positions, blanks on the left. Only an amount
    // keeps the zeros it was keyed with; a count or a sequence number has none.
    std::optional<qint64> number(int from, int length, const QString &field, bool keyedZeros = false)
    {
        const QByteArray found = at(from, length);
        const QByteArray digitsPart = found.trimmed();
        const bool aligned = found.size() == length && found.endsWith(digitsPart) && found.startsWith(QByteArray(length - digitsPart.size(), ' '));
        const bool zeroLed = !keyedZeros && digitsPart.size() > 1 && digitsPart.startsWith('0');
        if (!aligned || !allDigits(digitsPart) || zeroLed) {
            fail(from, field, QStringLiteral("應為靠右的數字（左補空白），實為%1").arg(shown(found)));
            return std::nullopt;
        }
        return digitsPart.toLongLong();
    }
    // Text the bank shows as it stands: Big5 that reads back to the same bytes, with no
    // control character.
    QString text(int from, int length, const QString &field)
    {
        const QByteArray found = at(from, length);
        const QString decoded = Big5::decode(found);
        if (!Big5::wellFormed(found) || Big5::encode(decoded) != found || decoded.contains(QChar::ReplacementCharacter))
            fail(from, field, QStringLiteral("含有無法解讀的 Big5 位元組：%1").arg(shown(found)));
        else if (Big5TextFault(decoded) == TextFault::Control)
            fail(from, field, QStringLiteral("含有控制字元：%1").arg(shown(found)));
        return decoded;
    }

private:
    QList<VerifyFinding> &m_findings;
    int m_number;
    const QByteArray &m_bytes;
};

} // namespace

QString VerifyFinding::text() const
{
    QString where = record == 0 ? QStringLiteral("整個檔案") : QStringLiteral("第 %1 筆記錄").arg(record);
    if (position > 0)
        where += QStringLiteral("第 %1 位元組").arg(position);
    return where + QStringLiteral("，") + (field.isEmpty() ? QString() : field + QStringLiteral("：")) + problem;
}

Verification verifyBatchFile(const QByteArray &bytes)
{
    Verification out;
    QList<VerifyFinding> &findings = out.findings;
    BatchFileFacts &facts = out.facts;
    if (bytes.isEmpty()) {
        findings.append({0, 0, {}, QStringLiteral("檔案是空的")});
        return out;
    }
    // Records, each with its CR LF.
    QList<QByteArray> records;
    for (qsizetype from = 0; from < bytes.size();) {
        const qsizetype lf = bytes.indexOf('\n', from);
        const int number = int(records.size()) + 1;
        if (lf < 0) {
            findings.append({number, 0, {}, QStringLiteral("最後一筆記錄沒有以 CR LF 結束")});
            records.append(bytes.mid(from));
            break;
        }
        QByteArray record = bytes.mid(from, lf - from);
        if (!record.endsWith('\r'))
            findings.append({number, int(record.size()) + 1, {}, QStringLiteral("記錄以 LF 結束，缺少 CR")});
        else
            record.chop(1);
        records.append(record);
        from = lf + 1;
    }

    const int last = int(records.size());
    QByteArray branch, batchNo, date;
    qint64 sum = 0;
    bool sumKnown = true;
    for (int i = 0; i < last; ++i) {
        const QByteArray &r = records[i];
        const int number = i + 1;
        RecordReader read(findings, number, r);
        const char expected = number == 1 ? '1' : (number == last ? '3' : '2');
        const char type = r.isEmpty() ? '\0' : r[0];
        if (type != expected) {
            read.fail(0, QStringLiteral("記錄類別"), QStringLiteral("應為「%1」（%2），實為%3")
                                                       .arg(QLatin1Char(expected)).arg(recordKind(expected), shown(r.left(1))));
            sumKnown = sumKnown && expected != '2';
            continue;
        }
        const QString kind = recordKind(type);
        const auto length = [&](int least, int most) {
            if (r.size() < least || r.size() > most)
                read.failWhole(least == most ? QStringLiteral("%1記錄應為 %2 位元組，實為 %3").arg(kind).arg(least).arg(r.size())
                                              : QStringLiteral("%1記錄應為 %2 至 %3 位元組，實為 %4").arg(kind).arg(least).arg(most).arg(r.size()));
            return r.size() >= least && r.size() <= most;
        };
        // Every record starts with the branch, the batch number and (after five bytes)
        // the date, the same in all of them.
        const QByteArray recordBranch = read.digits(1, 3, QStringLiteral("分行代號"));
        const QByteArray recordBatch = read.digits(4, 10, QStringLiteral("批號"));
        const QByteArray recordDate = read.digits(19, 6, QStringLiteral("匯款日"));
        if (number == 1) {
            branch = recordBranch;
            batchNo = recordBatch;
            date = recordDate;
            if (allDigits(date) && CheckRocDate(QString::fromLatin1(date)) != 1)
                read.fail(19, QStringLiteral("匯款日"), QStringLiteral("不是有效的日期：%1").arg(shown(date)));
        } else {
            if (recordBranch != branch)
                read.fail(1, QStringLiteral("分行代號"), QStringLiteral("與表頭的%1不同：%2").arg(shown(branch), shown(recordBranch)));
            if (recordBatch != batchNo)
                read.fail(4, QStringLiteral("批號"), QStringLiteral("與表頭的%1不同：%2").arg(shown(batchNo), shown(recordBatch)));
            if (recordDate != date)
                read.fail(19, QStringLiteral("匯款日"), QStringLiteral("與表頭的%1不同：%2").arg(shown(date), shown(recordDate)));
        }
        if (type == '1') {
            read.literal(14, "00000", QStringLiteral("序號欄"));
            if (!length(130, 130 + 68))
                continue;
            read.blanks(25, 23, QStringLiteral("保留欄"));
            facts.remitter = read.text(48, int(r.size()) - 130, QStringLiteral("匯款人名稱"));
            read.blanks(int(r.size()) - 82, 82, QStringLiteral("保留欄"));
        } else if (type == '2') {
            const auto sequence = read.number(14, 5, QStringLiteral("序號"));
            if (sequence && *sequence != number - 1)
                read.fail(14, QStringLiteral("序號"), QStringLiteral("應為 %1，實為 %2").arg(number - 1).arg(*sequence));
            if (!length(130, 130 + 50)) {
                sumKnown = false;
                continue;
            }
            read.digits(25, 7, QStringLiteral("解款行代號"));
            const QByteArray kind = read.at(32, 2);
            if (kind != "10" && kind != "11")
                read.fail(32, QStringLiteral("匯款種類"), QStringLiteral("應為「10」或「11」，實為%1").arg(shown(kind)));
            read.digits(34, 14, QStringLiteral("帳號"));
            read.text(48, 68, QStringLiteral("收款人名稱"));
            const auto amount = read.number(116, 12, QStringLiteral("金額"), true);
            sumKnown = sumKnown && amount.has_value() && !__builtin_add_overflow(sum, *amount, &sum);
            read.literal(128, "00", QStringLiteral("金額角分"));
            read.text(130, int(r.size()) - 130, QStringLiteral("備註"));
        } else {
            read.literal(14, "99999", QStringLiteral("序號欄"));
            if (!length(180, 180))
                continue;
            const int details = last - 2;
            const auto count = read.number(25, 4, QStringLiteral("總筆數"));
            if (count && *count != details)
                read.fail(25, QStringLiteral("總筆數"), QStringLiteral("應為明細的 %1 筆，實為 %2").arg(details).arg(*count));
            const auto total = read.number(29, 12, QStringLiteral("總金額"));
            if (total && sumKnown && *total != sum)
                read.fail(29, QStringLiteral("總金額"), QStringLiteral("應為明細金額合計 %1，實為 %2").arg(sum).arg(*total));
            read.literal(41, "00", QStringLiteral("總金額角分"));
            read.blanks(43, 137, QStringLiteral("保留欄"));
        }
    }
    if (last < 2)
        findings.append({0, 0, {}, QStringLiteral("檔案應有表頭與表尾記錄，只有 %1 筆記錄").arg(last)});
    if (last - 2 > MaxBatchLines)
        findings.append({0, 0, {}, QStringLiteral("明細 %1 筆，超過一個檔案可容納的 %2 筆").arg(last - 2).arg(MaxBatchLines)});
    facts.branch = QString::fromLatin1(branch);
    facts.batchNo = QString::fromLatin1(batchNo);
    facts.date = QString::fromLatin1(date);
    facts.details = qMax(0, last - 2);
    facts.sum = sum;
    return out;
}
