#include "testprogram.h"

#include "core/store/storeopening.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

bool TestProgram::openWorkingStore()
{
    WorkingStoreOpening opened = ::openWorkingStore(dir.path());
    if (!opened.store)
        return false;
    context.setWorking(std::move(opened.store));
    return true;
}

QStringList windowsOpenedBy(QWidget *running, const std::function<void()> &presses)
{
    QStringList opened;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget *top = QApplication::activeModalWidget();
        if (top && top != running) {
            opened << top->objectName();
            top->close();
        }
    });
    closer.start(0);
    presses();
    QApplication::processEvents();
    return opened;
}

bool showActive(QWidget *window)
{
    window->show();
    window->activateWindow();
    const bool active = QTest::qWaitForWindowActive(window);
    QApplication::processEvents();
    QApplication::processEvents();
    return active;
}
