// Prepares and checks Talvek's data files; the program itself never creates one.
#include "core/store/storefiles.h"

#include "core/exchange/importer.h"
#include "core/services/batchrun.h"
#include "core/services/exchangerun.h"
#include "core/platform/atomicfile.h"
#include "core/output/money.h"
#include "core/platform/clock.h"
#include "core/services/storecopyservice.h"
#include "core/store/schema.h"
#include "core/store/store.h"
#include "core/store/storefailure.h"
#include "core/store/storeopening.h"

#include <QCoreApplication>
#include <QHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <csignal>

namespace {

// A store failure in the windows' words, with the engine's own text as the reason where
// the words do not already carry it.
int storeFailed(QTextStream &err, const StoreResult &result, const QString &storePath)
{
    err << "talvek-store: " << storeFailureNotice(result, storePath).text;
    if (result.error != StoreResult::Error::Other && !result.detail.isEmpty())
        err << "\n" << result.detail;
    err << "\n";
    return 1;
}

// The value after an option, taken out of the arguments with it; nothing when absent.
std::optional<QString> takeOption(QStringList &args, const char *option)
{
    const qsizetype at = args.indexOf(QLatin1String(option));
    if (at < 0 || at + 1 >= args.size())
        return std::nullopt;
    const QString value = args[at + 1];
    args.remove(at, 2);
    return value;
}

int usage(QTextStream &err)
{
    err << "usage: talvek-store init DIR [VXBANK.mdb|BRANCH.mdb ...]\n"
           "         makes the data files in DIR (both when none is named), each with every\n"
           "         table empty but for the sample institution list in BRANCH.mdb;\n"
           "         refuses, making nothing, when a named file already exists\n"
           "       talvek-store check FILE\n"
           "         tells whether FILE (VXBANK.mdb or BRANCH.mdb) has the tables Talvek expects\n"
           "       talvek-store backup STORE TARGET\n"
           "         copies the working store STORE to TARGET, whole and checked, or leaves TARGET as it was\n"
           "       talvek-store restore STORE SOURCE\n"
           "         replaces the remitter, payees, lines and batch header of STORE with those of\n"
           "         SOURCE, all or nothing; SOURCE is only read\n"
           "       talvek-store batchfile STORE OUT --date yymmdd --batch yymmddxxnn [--purpose TEXT]\n"
           "                              [--order code|input]\n"
           "         checks and stores the batch header, then writes the bank's batch file OUT as\n"
           "         window 5 does, read back and logged; exits 0 only when OUT was written\n"
           "       talvek-store import payees|lines STORE FILE.csv [--encoding utf8|utf16|big5] [--header yes|no]\n"
           "       talvek-store import payees --update STORE FILE.csv [--encoding E] [--header yes|no]\n"
           "       talvek-store import institutions BRANCH.mdb FILE.csv [--encoding E] [--header yes|no] [--replace]\n"
           "         adds the rows of a spreadsheet file, each checked as if keyed, all or none\n"
           "         (with --update a payee code already stored takes the file's account, institution\n"
           "         and name; institutions are merged, or replace the list); values that look like\n"
           "         they lost their leading zeros are told, and do not stop the import (the\n"
           "         institution codes are those of BRANCH.mdb beside STORE); exits 0 only when all\n"
           "         were written\n"
           "       talvek-store export payees|lines STORE FILE.csv, export institutions BRANCH.mdb FILE.csv\n"
           "         writes the table to a spreadsheet file (UTF-8)\n";
    return 2;
}

int init(const QString &dir, QStringList names, QTextStream &out, QTextStream &err)
{
    if (names.isEmpty())
        names = {QStringLiteral("VXBANK.mdb"), QStringLiteral("BRANCH.mdb")};
    if (!QFileInfo(dir).isDir()) {
        err << "talvek-store: " << dir << " is not a directory\n";
        return 2;
    }
    for (const QString &name : names) {
        if (name != QLatin1String("VXBANK.mdb") && name != QLatin1String("BRANCH.mdb")) {
            err << "talvek-store: unknown data file " << name << "\n";
            return 2;
        }
        if (QFileInfo::exists(QDir(dir).filePath(name))) {
            err << "talvek-store: " << QDir(dir).filePath(name) << " already exists; nothing was made\n";
            return 1;
        }
    }
    for (const QString &name : names) {
        const QString path = QDir(dir).filePath(name);
        const QString error = name == QLatin1String("VXBANK.mdb") ? createWorkingStore(path)
                                                                   : createReferenceStore(path, starterInstitutions());
        if (!error.isEmpty()) {
            err << "talvek-store: " << error << "\n";
            return 1;
        }
        out << "made " << path << "\n";
    }
    return 0;
}

int check(const QString &path, QTextStream &out, QTextStream &err)
{
    const bool reference = QFileInfo(path).fileName().compare(QLatin1String("BRANCH.mdb"), Qt::CaseInsensitive) == 0;
    const Store::Opened opened = Store::open(path, reference ? Schema::reference() : Schema::working());
    if (!opened.store) {
        err << "talvek-store: " << path << ": " << opened.failure.detail << "\n";
        return 1;
    }
    out << path << ": ok\n";
    return 0;
}

int backup(const QString &store, const QString &target, QTextStream &out, QTextStream &err)
{
    const StoreCopyOutcome done = backupStore(store, target);
    switch (done.result) {
    case StoreCopyOutcome::Result::Done:
        out << "backed up " << store << " to " << target << "\n";
        return 0;
    case StoreCopyOutcome::Result::SameAsStore:
        err << "talvek-store: " << target << " is the store itself\n";
        return 2;
    case StoreCopyOutcome::Result::SameAsReference:
        err << "talvek-store: " << target << " is the institution code file beside the store\n";
        return 2;
    default:
        err << "talvek-store: backup failed, " << target << " is as it was: " << done.reason << "\n";
        return 1;
    }
}

int restore(const QString &store, const QString &source, QTextStream &out, QTextStream &err)
{
    StoreRestore run(store, source);
    if (run.checked().result == StoreCopyOutcome::Result::SameAsStore) {
        err << "talvek-store: " << source << " is the store itself\n";
        return 2;
    }
    const Store::Opened opened = Store::open(store, Schema::working());
    if (const StoreResult writable = opened.store ? opened.store->checkWritable() : opened.failure; !writable.ok())
        return storeFailed(err, writable, store);
    if (const StoreCopyOutcome done = run.copyInto(opened.store.get()); !done.ok()) {
        err << "talvek-store: restore failed, " << store << " is unchanged: " << done.reason << "\n";
        return 1;
    }
    out << "restored " << store << " from " << source << "\n";
    return 0;
}

int batchfile(QStringList args, QTextStream &out, QTextStream &err)
{
    const QString date = takeOption(args, "--date").value_or(QString());
    const QString batch = takeOption(args, "--batch").value_or(QString());
    // An empty purpose is stored as empty text, as the window stores it.
    const QString purpose = takeOption(args, "--purpose").value_or(QStringLiteral(""));
    const QString order = takeOption(args, "--order").value_or(QStringLiteral("code"));
    if (args.size() != 2 || date.isEmpty() || batch.isEmpty() || (order != QLatin1String("code") && order != QLatin1String("input")))
        return -1;
    const QString storePath = args[0];
    const QString outPath = args[1];
    Store::Opened opened = Store::open(storePath, Schema::working());
    if (const StoreResult writable = opened.store ? opened.store->checkWritable() : opened.failure; !writable.ok())
        return storeFailed(err, writable, storePath);
    SystemClock clock;
    // The shell cannot be asked: the warnings are told and the file is made.
    const BatchRunQuestions ask{[&](const QStringList &warnings) {
                                    for (const QString &warning : warnings)
                                        err << QStringLiteral("注意：") << warning << "\n";
                                    return true;
                                },
                                [&] { return outPath; }};
    const BatchRunOutcome outcome =
        runBatch(*opened.store, {{date, batch, purpose}, order == QLatin1String("code") ? LineOrder::ByPayee : LineOrder::Input, {}, {},
                                 generationLogPath(QFileInfo(opened.store->path()).absolutePath()), {}},
                 clock, ask);
    for (qsizetype i = 0; i < outcome.notices.size(); ++i) {
        // "產生完畢" goes to the standard output with what was written.
        if (i != outcome.doneAt)
            err << "talvek-store: " << outcome.notices[i].text << "\n";
    }
    if (!outcome.written())
        return 1;
    out << QStringLiteral("產生完畢：%1 筆，%2 元，%3\n").arg(outcome.generation.entry.count).arg(amountField(outcome.generation.entry.sum, 0), outPath);
    return 0;
}

// The kind a command names, and the schema of the store it goes to.
std::optional<ImportKind> kindNamed(const QString &name)
{
    if (name == QLatin1String("payees"))
        return ImportKind::Payees;
    if (name == QLatin1String("lines"))
        return ImportKind::Lines;
    if (name == QLatin1String("institutions"))
        return ImportKind::Institutions;
    return std::nullopt;
}

Store::Opened openFor(ImportKind kind, const QString &path)
{
    return Store::open(path, kind == ImportKind::Institutions ? Schema::reference() : Schema::working());
}

int importRows(QStringList args, QTextStream &out, QTextStream &err)
{
    static const QHash<QString, CsvText::Encoding> encodings{
        {QStringLiteral("utf8"), CsvText::Encoding::Utf8}, {QStringLiteral("utf16"), CsvText::Encoding::Utf16}, {QStringLiteral("big5"), CsvText::Encoding::Big5}};
    // As the preview's box: the first row is or is not the header, whatever it looks like.
    static const QHash<QString, bool> answers{{QStringLiteral("yes"), true}, {QStringLiteral("no"), false}};
    const auto encodingName = takeOption(args, "--encoding");
    const auto headerAnswer = takeOption(args, "--header");
    if ((encodingName && !encodings.contains(encodingName->toLower())) || (headerAnswer && !answers.contains(headerAnswer->toLower())))
        return -1;
    const auto encoding = encodingName ? std::optional(encodings.value(encodingName->toLower())) : std::nullopt;
    const auto header = headerAnswer ? std::optional(answers.value(headerAnswer->toLower())) : std::nullopt;
    const bool replace = args.removeAll(QStringLiteral("--replace")) > 0;
    const bool update = args.removeAll(QStringLiteral("--update")) > 0;
    const ImportMode mode = replace ? ImportMode::Replace : update ? ImportMode::Update : ImportMode::Merge;
    const auto kind = args.size() == 3 ? kindNamed(args[0]) : std::nullopt;
    // Only the institution list is replaced and only payees are updated; lines are always added.
    if (!kind || (replace && *kind != ImportKind::Institutions) || (update && *kind != ImportKind::Payees) || (replace && update))
        return -1;
    QFile file(args[2]);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "talvek-store: " << args[2] << ": " << file.errorString() << "\n";
        return 1;
    }
    const QByteArray bytes = file.readAll();
    Store::Opened opened = openFor(*kind, args[1]);
    if (const StoreResult writable = opened.store ? opened.store->checkWritable() : opened.failure; !writable.ok())
        return storeFailed(err, writable, args[1]);
    // Payees and lines are compared with the institution codes of the program directory.
    const Store::Opened reference = *kind == ImportKind::Institutions
                                        ? Store::Opened{}
                                        : Store::open(referenceStorePath(QFileInfo(args[1]).absolutePath()), Schema::reference());
    const ImportOutcome outcome = importFile(*opened.store, *kind, bytes, {mode, encoding, header, reference.store.get()});
    for (const RowError &e : outcome.plan.errors)
        err << e.text() << "\n";
    for (const RowError &w : outcome.plan.warnings)
        err << QStringLiteral("注意：") << w.text() << "\n";
    // Row errors and their count stand alone, as the preview lists them.
    const QString prefix = outcome.written || !outcome.plan.ok() ? QString() : QStringLiteral("talvek-store: ");
    for (const Notice &notice : outcome.notices)
        (outcome.written ? out : err) << prefix << notice.text << "\n";
    return outcome.written ? 0 : 1;
}

int exportRows(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const auto kind = args.size() == 3 ? kindNamed(args[0]) : std::nullopt;
    if (!kind)
        return -1;
    Store::Opened opened = openFor(*kind, args[1]);
    if (!opened.store)
        return storeFailed(err, opened.failure, args[1]);
    const ExportOutcome outcome = exportFile(*opened.store, *kind, args[2]);
    (outcome.written ? out : err) << (outcome.written ? QString() : QStringLiteral("talvek-store: ")) << outcome.notice.text << "\n";
    return outcome.written ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // A file-size limit fails the write with a message instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args[0] == QLatin1String("init"))
        return init(args[1], args.mid(2), out, err);
    if (args.size() == 2 && args[0] == QLatin1String("check"))
        return check(args[1], out, err);
    if (args.size() == 3 && args[0] == QLatin1String("backup"))
        return backup(args[1], args[2], out, err);
    if (args.size() == 3 && args[0] == QLatin1String("restore"))
        return restore(args[1], args[2], out, err);
    if (!args.isEmpty() && args[0] == QLatin1String("import")) {
        if (const int code = importRows(args.mid(1), out, err); code >= 0)
            return code;
    }
    if (!args.isEmpty() && args[0] == QLatin1String("export")) {
        if (const int code = exportRows(args.mid(1), out, err); code >= 0)
            return code;
    }
    if (!args.isEmpty() && args[0] == QLatin1String("batchfile")) {
        if (const int code = batchfile(args.mid(1), out, err); code >= 0)
            return code;
    }
    return usage(err);
}
