#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Reads a batch remittance file the way the bank does and says what it finds wrong.
// It knows only the file layout, not how Talvek wrote it, so it serves as well for a
// file written by an older program or edited by hand.

struct VerifyFinding {
    int record = 0;   // 1-based; 0 for the file as a whole
    int position = 0; // 1-based byte position in the record; 0 for the record as a whole
    QString field;    // the field's name, empty for the record as a whole
    QString problem;
    // "第 3 筆記錄第 35 位元組，帳號：…" in words for the user.
    QString text() const;
};

// What a file says, as far as it could be read.
struct BatchFileFacts {
    QString branch, batchNo, date; // from the header record
    QString remitter;
    int details = 0;               // detail records
    qint64 sum = 0;                // their amounts added up
};

struct Verification {
    QList<VerifyFinding> findings;
    BatchFileFacts facts;
    bool clean() const { return findings.isEmpty(); }
};

Verification verifyBatchFile(const QByteArray &bytes);
