// Reads a batch remittance file as the bank would and tells what is wrong with it; with
// the generation log, also when and from what the file was generated.
#include "core/output/batchverify.h"
#include "core/output/generationlog.h"
#include "core/output/money.h"
#include "core/platform/programfolders.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    // The log the program beside this command writes, unless another is named.
    QString logPath = generationLogPath(programFolders(QCoreApplication::applicationDirPath()).data);
    if (const qsizetype at = args.indexOf(QStringLiteral("--log")); at >= 0 && at + 1 < args.size()) {
        logPath = args[at + 1];
        args.remove(at, 2);
    }
    if (args.size() != 1) {
        err << "usage: talvek-verify FILE [--log LOG]\n"
               "  reads FILE as the bank reads a batch remittance file and lists what is wrong;\n"
               "  exits 0 when nothing is, 1 when something is or FILE cannot be read\n";
        return 2;
    }
    QFile file(args[0]);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "talvek-verify: " << QDir::toNativeSeparators(args[0]) << "：無法讀取（" << file.errorString() << "）\n";
        return 1;
    }
    const QByteArray bytes = file.readAll();
    const Verification v = verifyBatchFile(bytes);
    for (const VerifyFinding &f : v.findings)
        out << f.text() << "\n";
    const BatchFileFacts &facts = v.facts;
    out << QStringLiteral("分行 %1，批號 %2，匯款日 %3，明細 %4 筆，總額 %5 元\n")
               .arg(facts.branch, facts.batchNo, facts.date)
               .arg(facts.details)
               .arg(amountField(facts.sum, 0));
    const QByteArray sha = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    const QList<GenerationEntry> log = readGenerations(logPath);
    auto match = std::find_if(log.crbegin(), log.crend(), [&](const GenerationEntry &e) { return e.sha256 == sha; });
    if (match != log.crend())
        out << QStringLiteral("此檔案是 ") << match->describe() << "\n";
    else
        out << QStringLiteral("產生記錄 %1 中沒有此檔案\n").arg(QDir::toNativeSeparators(logPath));
    out << (v.clean() ? QStringLiteral("檢查結果：無誤\n") : QStringLiteral("檢查結果：%1 項錯誤\n").arg(v.findings.size()));
    return v.clean() ? 0 : 1;
}
