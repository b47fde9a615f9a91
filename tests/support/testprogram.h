#pragma once

#include "scripteddialogs.h"
#include "teststores.h"

#include "core/platform/clock.h"
#include "ui/platform/appcontext.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <functional>

// A program directory and what a window needs from the program: the test doubles for
// dialogs, clock and printer, and the context over them. Today is 2026-12-06 (ROC 151206).
struct TestProgram {
    TestDir dir;
    ScriptedDialogs dialogs;
    FixedClock clock{QDate(2026, 12, 6)};
    RecordingPrinter printer;
    AppContext context{dir.path(), dialogs, clock, printer};

    // Opens VXBANK.mdb the way the program does as it starts; false when it would not.
    bool openWorkingStore();
};

// Shows a window, waits until it is the active one and lets its first events run.
bool showActive(QWidget *window);

// Runs `work` on the modal window that `open` brings up, once it is up.
template <typename Window = QDialog, typename Work, typename Open>
void inModal(Work work, Open open)
{
    QTimer::singleShot(0, [work] {
        auto *w = qobject_cast<Window *>(QApplication::activeModalWidget());
        QVERIFY(w);
        work(w);
    });
    open();
}

// Runs the presses while `running` is the window in front, and names every window they
// open above it (each is closed at once): presses behind a running window open nothing.
QStringList windowsOpenedBy(QWidget *running, const std::function<void()> &presses);

// Keys as a user presses them in the window, each where the focus is then: "F2" to "F10",
// "Enter", "Esc", "^F" (Ctrl+F), or ">text" typed there.
void pressKeys(QWidget *window, const QStringList &keys);

// Fails the test on any dialog that was shown unexpectedly, differed from what was
// expected, or was expected and never shown.
#define VERIFY_DIALOGS(scripted)                                                                   \
    do {                                                                                           \
        const QStringList problems_ = (scripted).problems();                                      \
        QVERIFY2(problems_.isEmpty(), qPrintable(problems_.join(QLatin1Char('\n'))));             \
    } while (false)
