#include "support/teststores.h"

#include "core/output/batchverify.h"

#include <QTest>

// The read-back check reads a file as the bank would: the reference bank files are clean,
// and a fault of each kind is found where it is, in the words the user reads.
class TstBatchVerify : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsEachFault();
};

namespace {

// The one-line file (王小明 pays 1500 to 123456789) with `length` bytes from a 1-based
// position of one record replaced.
QByteArray patched(int record, int position, const QByteArray &bytes, int length = -1)
{
    QList<QByteArray> records = REFERENCE_BYTES("batch-one.txt").split('\n');
    records[record - 1].replace(position - 1, length < 0 ? bytes.size() : length, bytes);
    return records.join('\n');
}

} // namespace

// What is found in each file below, its findings joined by " | ": one line of the
// reference list each, "clean" for a clean file.
void TstBatchVerify::findsEachFault()
{
    const QByteArray one = REFERENCE_BYTES("batch-one.txt");
    // The 998-line file with one more detail record, counted and summed in the trailer.
    QList<QByteArray> many = REFERENCE_BYTES("batch-998.txt").split('\n');
    many.insert(999, QByteArray(many[998]).replace(14, 5, "  999"));
    many[1000].replace(25, 16, " 999     1498500");
    const QList<QByteArray> files{
        one, REFERENCE_BYTES("batch-edges.txt"), REFERENCE_BYTES("batch-empty.txt"), REFERENCE_BYTES("batch-998.txt"),
        patched(2, 41, "S"),                                   // a letter in the account
        patched(2, 135, "", 1),                                // LF without CR
        one.chopped(2),                                        // no CR LF at the end
        patched(2, 15, "    2"),                               // sequence number
        patched(3, 26, "   2"), patched(3, 30, "        1501"), // trailer count and sum
        patched(2, 14, "2"), patched(2, 117, "1500        "),  // another batch number, amount on the left
        patched(2, 1, "4"), patched(3, 180, "", 1),            // a record of unknown type, trailer a byte short
        QByteArray(one).replace("130501", "130231"),           // no such day
        patched(2, 133, "\t "),                                // a tab in the remark
        patched(2, 49, "\xA4 "),                               // half a character in the name
        patched(2, 133, "\xFF"),                               // a lone byte in the remark
        patched(3, 26, "0001"), patched(2, 33, "12"),          // a count filled with zeros, kind 12
        QByteArray(), one.left(138),                           // an empty file, a header alone
        many.join('\n'),
    };
    QStringList reports;
    for (const QByteArray &file : files) {
        QStringList found;
        for (const VerifyFinding &f : verifyBatchFile(file).findings)
            found << f.text();
        reports << (found.isEmpty() ? "clean" : found.join(" | "));
    }
    QCOMPARE(reports, QString::fromUtf8(REFERENCE_BYTES("verify-findings.txt")).split('\n', Qt::SkipEmptyParts));
}

QTEST_GUILESS_MAIN(TstBatchVerify)
#include "tst_batchverify.moc"
