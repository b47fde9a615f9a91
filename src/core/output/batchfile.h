#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The bank's batch remittance file: one header record, one detail record per line,
// one trailer record, in Big5, each ending in CR LF. The bank executes every payment
// from these bytes, so they come from one pure function that refuses, rather than
// writes, anything the bank could misread.

struct RemitterRow {
    QString brno;    // R_BASE.BRNO, three digits
    QString name;    // R_BASE.RMTNAME, at most 68 bytes
    QString kind;    // R_BASE.RMTKIND, "10" or "11"
};

struct LineRow {
    QString payee;   // R_DETL.R_ID, only named in messages
    QString account; // R_DETL.ACTNO
    QString bank;    // R_DETL.TRFBK, seven digits
    QString name;    // R_DETL.R_NAME, at most 68 bytes
    QString amount;  // R_DETL.AMT, digits
    QString remark;  // R_DETL.MARK, at most 50 bytes
    QString fee;     // R_DETL.AMT2, not in the file; only looked at before writing
};

struct BatchFileInput {
    bool hasRemitter = true; // false when R_BASE has no row
    RemitterRow remitter;
    QList<LineRow> lines;    // in the order they go into the file
    QString batchNo;         // yymmddxxnn as keyed, ten digits
    QString remitDate;       // yymmdd as keyed
};

struct BatchFileResult {
    QByteArray bytes;  // the whole file; empty on failure
    bool ok = false;
    QString problem;   // on failure: what is wrong and where, for the user to mend
    int count = 0;     // detail records written
    qint64 sum = 0;    // their amounts added up
};

// The most detail records a file may carry.
constexpr int MaxBatchLines = 998;

BatchFileResult buildBatchFile(const BatchFileInput &in);
