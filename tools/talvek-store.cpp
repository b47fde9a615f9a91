// Prepares and checks Talvek's data files; the program itself never creates one.
#include "storefiles.h"

#include "store/schema.h"
#include "store/store.h"
#include "store/storeopening.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

int usage(QTextStream &err)
{
    err << "usage: talvek-store init DIR [VXBANK.mdb|BRANCH.mdb ...]\n"
           "         makes the data files in DIR (both when none is named), each with every\n"
           "         table empty but for the sample institution list in BRANCH.mdb;\n"
           "         refuses, making nothing, when a named file already exists\n"
           "       talvek-store check FILE\n"
           "         tells whether FILE (VXBANK.mdb or BRANCH.mdb) has the tables Talvek expects\n";
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args[0] == QLatin1String("init"))
        return init(args[1], args.mid(2), out, err);
    if (args.size() == 2 && args[0] == QLatin1String("check"))
        return check(args[1], out, err);
    return usage(err);
}
