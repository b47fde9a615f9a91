// Draws the guide's pictures from the program itself: every window over a small made-up
// batch, each saved as <objectName>.png, and the application icon in the sizes the
// desktop asks for. Run at build time with no screen (QT_QPA_PLATFORM=offscreen).
//   talvek-shots PICTURES_DIR ICONS_DIR
#include "core/platform/clock.h"
#include "core/store/schema.h"
#include "core/store/storefiles.h"
#include "core/store/storeopening.h"
#include "ui/exchange/importdialog.h"
#include "ui/master/institutionlookup.h"
#include "ui/master/payeelookup.h"
#include "ui/entry/presetwindow.h"
#include "ui/platform/appcontext.h"
#include "ui/platform/quietseams.h"
#include "ui/shell/aboutbox.h"
#include "ui/shell/logo.h"
#include "ui/shell/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

QString g_pictures;
bool g_failed = false;

void save(QWidget *window)
{
    QApplication::processEvents();
    const QString path = QDir(g_pictures).filePath(window->objectName() + QStringLiteral(".png"));
    if (!window->grab().save(path)) {
        QTextStream(stderr) << "talvek-shots: cannot write " << path << "\n";
        g_failed = true;
    }
}

// Shows a window that is not modal, pictures it and closes it.
void picture(QDialog *window)
{
    window->show();
    save(window);
    window->close();
}

// Runs `open`, which brings up a modal window; pictures that window and closes it.
void pictureModal(const std::function<void()> &open)
{
    QTimer::singleShot(0, [] {
        if (auto *w = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            save(w);
            w->reject();
        }
    });
    open();
}

// A remitter, payees, a batch of lines, its header and remarks, made up.
QString fill(Store &store)
{
    const QList<Institution> known = starterInstitutions();
    const QString b1 = known.value(1).code, b2 = known.value(30).code, b3 = known.value(5).code;
    const QList<std::pair<QString, QList<QStringList>>> rows{
        {Table::R_BASE, {{"001", "範例股份有限公司", "10", "", "", ""}}},
        {Table::R_CUST,
         {{"A001", "12345678901234", b1, "王小明"},
          {"A002", "00110022003300", b2, "陳美麗"},
          {"A003", "98765432100000", b3, "林大同"},
          {"B001", "55500011122233", b2, "好運文具行"}}},
        {Table::R_DETL,
         {{"A001", "12345678901234", b1, "王小明", "32000", "十一月薪資", "0"},
          {"A002", "00110022003300", b2, "陳美麗", "28500", "十一月薪資", "15"},
          {"A003", "98765432100000", b3, "林大同", "30500", "十一月薪資", "0"},
          {"B001", "55500011122233", b2, "好運文具行", "4860", "文具費", "15"}}},
        {Table::R_DAY, {{"151207", "1512071001", "薪資"}}},
        {Table::NNOO, {{"十一月薪資", "十二月薪資", "年終獎金", "文具費", "", "", "", "", "", ""}}},
    };
    for (const auto &[table, values] : rows) {
        for (const QStringList &row : values) {
            if (StoreResult r = store.appendRow(table, row); !r.ok())
                return table + QStringLiteral(": ") + r.detail;
        }
    }
    return QString();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 3) {
        err << "usage: talvek-shots PICTURES_DIR ICONS_DIR\n";
        return 2;
    }
    g_pictures = QString::fromLocal8Bit(argv[1]);
    const QString icons = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(g_pictures);
    for (int size : {48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(icons).arg(size);
        if (!QDir().mkpath(folder) || !talvekLogo(size).save(folder + QStringLiteral("/talvek.png"))) {
            err << "talvek-shots: cannot write the icon in " << folder << "\n";
            return 1;
        }
    }

    QTemporaryDir data;
    bool prepared = false;
    if (const QString e = prepareDataFolder(data.path(), prepared); !e.isEmpty() || !prepared) {
        err << "talvek-shots: " << e << "\n";
        return 1;
    }
    SilentDialogs dialogs;
    FixedClock clock(QDate(2026, 12, 7));
    NoPrinter printer;
    AppContext context(data.path(), dialogs, clock, printer);
    MainWindow window(context);
    if (!window.load())
        return 1;
    if (const QString e = fill(*context.working()); !e.isEmpty()) {
        err << "talvek-shots: " << e << "\n";
        return 1;
    }
    window.RefreshMenu();
    window.resize(window.sizeHint());
    window.show();
    save(&window);
    for (int button : {1, 2, 3, 4, 5, 7})
        pictureModal([&] { window.button(button)->click(); });

    PresetWindow presets(context, &window);
    picture(&presets);
    PayeeLookup payees(context, &window);
    picture(&payees);
    InstitutionLookup institutions(context, &window);
    picture(&institutions);
    AboutBox about(&window);
    picture(&about);
    const QString bank = starterInstitutions().value(1).code;
    const QByteArray file = QStringLiteral("代碼,帳號,解款行,姓名\nA004,11122233344455,%1,張志豪\nA001,12345678901234,%1,王小明\n")
                                .arg(bank)
                                .toUtf8();
    ImportDialog import(context, ImportKind::Payees, *context.working(), file, QStringLiteral("/home/user/收款人.csv"), &window);
    picture(&import);
    window.close();
    return g_failed ? 1 : 0;
}
