#include "testprogram.h"

#include "store/storeopening.h"

#include <QApplication>
#include <QWidget>

bool TestProgram::openWorkingStore()
{
    WorkingStoreOpening opened = ::openWorkingStore(dir.path());
    if (!opened.store)
        return false;
    context.setWorking(std::move(opened.store));
    return true;
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
