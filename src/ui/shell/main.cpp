#include "ui/shell/mainwindow.h"

#include "core/platform/clock.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/printer.h"
#include "core/platform/singleinstance.h"
#include "ui/platform/appcontext.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <csignal>

int main(int argc, char *argv[])
{
    // A file-size limit makes a write fail with a reason the user is told, instead of
    // ending the program in the middle of it.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvek"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3").arg(TALVEK_VERSION_MAJOR).arg(TALVEK_VERSION_MINOR).arg(TALVEK_VERSION_PATCH));

    // Qt's own dialogs (files, printing, the overwrite question) speak the users' language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    // The data files live beside the program, wherever it was copied.
    const QString programDir = QApplication::applicationDirPath();
    SingleInstance instance(programDir);
    if (instance.acquire() == SingleInstance::Outcome::HeldByAnother)
        return 0;

    QtDialogs dialogs;
    SystemClock clock;
    QtPrinter printer;
    AppContext context(programDir, dialogs, clock, printer);
    MainWindow window(context);
    if (!window.load())
        return 1;
    // Placed by the program, not the window manager: the first message box then knows
    // where its window is.
    placeOver(&window, nullptr);
    window.show();
    return app.exec();
}
