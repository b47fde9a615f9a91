#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The generation log: one line of plain text per batch file written, appended in the
// data folder. It tells later which file was generated when, with what, and lets
// a file be recognised by the SHA-256 of its bytes.
struct GenerationEntry {
    QDateTime when;
    QString batchNo;
    QString order;   // "收款人代碼" or "輸入順序"
    int count = 0;   // detail records
    qint64 sum = 0;
    QByteArray sha256; // lower-case hex
    QString path;      // the file's full path as written

    // "2026-12-06 17:30:00 產生，批號 1512061001，依收款人代碼，明細 300 筆，總額 344,850 元，<path>"
    QString describe() const;
};

// The log beside the program: talvek-batch.log.
QString generationLogPath(const QString &dataDir);

// Appends one line and pushes it to the disk; false and `reason` when it cannot.
bool appendGeneration(const QString &logPath, const GenerationEntry &entry, QString *reason);

// Every entry of the log in the order written; lines that cannot be read are skipped.
QList<GenerationEntry> readGenerations(const QString &logPath);
