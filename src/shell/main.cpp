#include "mainwindow.h"

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/singleinstance.h"
#include "store/appcontext.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Talvek"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3").arg(TALVEK_VERSION_MAJOR).arg(TALVEK_VERSION_MINOR).arg(TALVEK_VERSION_PATCH));

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
    window.show();
    return app.exec();
}
