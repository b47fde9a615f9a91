#include "fieldmoves.h"

#include <QKeyEvent>
#include <QLineEdit>

FieldMoves::FieldMoves(QList<QWidget *> fields, QObject *parent) : QObject(parent), m_fields(std::move(fields))
{
    for (QWidget *f : m_fields)
        f->installEventFilter(this);
}

void FieldMoves::setEnds(QWidget *beforeFirst, QWidget *afterLast)
{
    m_beforeFirst = beforeFirst;
    m_afterLast = afterLast;
}

QWidget *FieldMoves::neighbour(int index, int step) const
{
    for (int i = index + step; i >= 0 && i < m_fields.size(); i += step) {
        if (m_fields[i]->isEnabled() && m_fields[i]->isVisible())
            return m_fields[i];
    }
    return step < 0 ? m_beforeFirst.data() : m_afterLast.data();
}

bool FieldMoves::eventFilter(QObject *watched, QEvent *event)
{
    const int index = indexOf(watched);
    if (index < 0 || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const bool up = key->key() == Qt::Key_Up;
    const bool down = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Down;
    if (event->type() == QEvent::KeyPress) {
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return false;
        KeyMoved = false;
        m_pressedInField = true;
        Q_EMIT keyPressed(index);
        // These move on release; Enter must not also press the window's default button.
        return up || down;
    }
    if (key->isAutoRepeat() || KeyMoved || !m_pressedInField)
        return false;
    m_pressedInField = false;
    if (!up && !down)
        return false;
    if (QWidget *target = neighbour(index, up ? -1 : 1)) {
        KeyMoved = true;
        target->setFocus(Qt::TabFocusReason);
    }
    return true;
}

void selectAllSoon(QWidget *field)
{
    auto *edit = qobject_cast<QLineEdit *>(field);
    if (!edit)
        return;
    QMetaObject::invokeMethod(edit, [edit] { edit->selectAll(); }, Qt::QueuedConnection);
}
