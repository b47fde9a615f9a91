#include "ui/shell/mainwindow.h"

#include "core/platform/clock.h"
#include "core/platform/programfolders.h"
#include "core/store/storefiles.h"
#include "ui/platform/dialogs.h"
#include "ui/platform/printer.h"
#include "core/platform/singleinstance.h"
#include "ui/platform/appcontext.h"

#include <QApplication>
#include <QDir>
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
    // The desktop links the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.talvek.Talvek"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3").arg(TALVEK_VERSION_MAJOR).arg(TALVEK_VERSION_MINOR).arg(TALVEK_VERSION_PATCH));

    // Qt's own dialogs (files, printing, the overwrite question) speak the users' language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    const ProgramFolders folders = programFolders(QApplication::applicationDirPath());
    QtDialogs dialogs(folders.guide);
    const auto cannotPrepare = [&](const QString &detail) {
        dialogs.critical(nullptr, QStringLiteral("無法建立資料夾") + QLatin1Char('\n') + QDir::toNativeSeparators(folders.data)
                                      + (detail.isEmpty() ? QString() : QLatin1Char('\n') + detail));
        return 1;
    };
    // The lock lives in the data folder, so an installed program makes that folder first.
    if (folders.installed && !QDir().mkpath(folders.data))
        return cannotPrepare(QString());
    SingleInstance instance(folders.data);
    if (instance.acquire() == SingleInstance::Outcome::HeldByAnother)
        return 0;
    bool prepared = false;
    if (folders.installed) {
        if (const QString error = prepareDataFolder(folders.data, prepared); !error.isEmpty())
            return cannotPrepare(error);
    }

    SystemClock clock;
    QtPrinter printer;
    AppContext context(folders.data, dialogs, clock, printer);
    MainWindow window(context);
    if (!window.load())
        return 1;
    // Said before the main window opens, so that its own first word (no remitter yet)
    // follows rather than covers it.
    if (prepared)
        dialogs.inform(nullptr, QStringLiteral("已建立資料夾，匯款人、收款人、匯款資料與金融機構代碼檔都存放在這裡：") + QLatin1Char('\n')
                                    + QDir::toNativeSeparators(folders.data) + QLatin1Char('\n')
                                    + QStringLiteral("請定期以「系統 → 備份資料」備份。"));
    // Placed by the program, not the window manager: the first message box then knows
    // where its window is.
    placeOver(&window, nullptr);
    window.show();
    return app.exec();
}
