#pragma once

#include <QAbstractButton>
#include <QAction>

#include <utility>

class QWidget;

// One command of a window at a time, and none while a window or message opened above it
// is still open: a screen reader's "press" reaches the buttons and menus behind a modal
// window, and a command started then could delete the window that is running it.
class CommandGate {
public:
    explicit CommandGate(const QWidget *owner) : m_owner(owner) {}

    // No command of the owner runs, and no modal window but the owner itself is open.
    bool idle() const;

    // Runs the command unless the owner is busy; a command refused is simply dropped, as a
    // click on a window behind a modal one would be.
    template <typename Command>
    void run(Command &&command)
    {
        if (!idle())
            return;
        ++m_running;
        std::forward<Command>(command)();
        --m_running;
    }

private:
    const QWidget *m_owner;
    int m_running = 0;
};

// A button or menu command of the gate's owner, run through the gate.
template <typename Command>
void runOnClick(QAbstractButton *button, CommandGate &gate, Command command)
{
    QObject::connect(button, &QAbstractButton::clicked, button, [&gate, command] { gate.run(command); });
}
template <typename Command>
void runOnClick(QAction *action, CommandGate &gate, Command command)
{
    QObject::connect(action, &QAction::triggered, action, [&gate, command] { gate.run(command); });
}
