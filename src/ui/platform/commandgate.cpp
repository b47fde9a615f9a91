#include "ui/platform/commandgate.h"

#include <QApplication>
#include <QWidget>

bool CommandGate::idle() const
{
    if (m_running > 0)
        return false;
    const QWidget *top = QApplication::activeModalWidget();
    return !top || top == m_owner->window();
}
