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

void pressKeys(QWidget *window, const QStringList &keys)
{
    for (const QString &k : keys) {
        QWidget *at = QApplication::focusWidget() && QApplication::focusWidget()->window() == window ? QApplication::focusWidget() : window;
        // A Chinese character comes as the text of a key the keyboard has no name for.
        for (QChar c : k.startsWith('>') ? k.mid(1) : QString()) {
            if (c.unicode() < 0x80)
                QTest::keyClick(at, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, at, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        if (k == "^F")
            QTest::keyClick(at, Qt::Key_F, Qt::ControlModifier);
        else if (!k.startsWith('>'))
            QTest::keyClick(at, k == "Enter" ? Qt::Key_Return : k == "Esc" ? Qt::Key_Escape : Qt::Key(Qt::Key_F1 + k.mid(1).toInt() - 1));
        QApplication::processEvents();
    }
}
