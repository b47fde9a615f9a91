// Prepares and checks Talvek's data files; the program itself never creates one.
#include "storefiles.h"

#include "store/schema.h"
#include "store/store.h"
#include "store/storecopy.h"
#include "store/storeopening.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <csignal>

namespace {

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
           "         SOURCE, all or nothing; SOURCE is only read\n";
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
    if (sameStoreFile(store, target)) {
        err << "talvek-store: " << target << " is the store itself\n";
        return 2;
    }
    QString reason;
    if (!backupStoreFile(store, target, &reason)) {
        err << "talvek-store: backup failed, " << target << " is as it was: " << reason << "\n";
        return 1;
    }
    out << "backed up " << store << " to " << target << "\n";
    return 0;
}

int restore(const QString &store, const QString &source, QTextStream &out, QTextStream &err)
{
    if (sameStoreFile(store, source)) {
        err << "talvek-store: " << source << " is the store itself\n";
        return 2;
    }
    const Store::Opened opened = Store::open(store, Schema::working());
    StoreResult writable = opened.store ? opened.store->checkWritable() : opened.failure;
    if (!writable.ok()) {
        err << "talvek-store: " << store << ": " << writable.detail << "\n";
        return 1;
    }
    RestoreSource from(source);
    QString reason = from.reason();
    if (from.problem() != RestoreSource::Problem::None
        || !from.copyInto(Store::engineHandle(opened.store->database()), &reason)) {
        err << "talvek-store: restore failed, " << store << " is unchanged: " << reason << "\n";
        return 1;
    }
    out << "restored " << store << " from " << source << "\n";
    return 0;
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
    return usage(err);
}
