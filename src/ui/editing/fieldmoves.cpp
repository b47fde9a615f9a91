#include "ui/editing/fieldmoves.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
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

void FieldMoves::setUnchecked(QList<QWidget *> controls)
{
    m_unchecked.clear();
    for (QWidget *w : controls)
        m_unchecked.append(w);
}

QWidget *FieldMoves::neighbour(int index, int step) const
{
    for (int i = index + step; i >= 0 && i < m_fields.size(); i += step) {
        if (m_fields[i]->isEnabled() && m_fields[i]->isVisible())
            return m_fields[i];
    }
    return step < 0 ? m_beforeFirst.data() : m_afterLast.data();
}

void FieldMoves::focusChanged(int index, QEvent *event)
{
    const auto reason = static_cast<QFocusEvent *>(event)->reason();
    // Another window coming to the front (a message, a lookup, a menu) is no move.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    if (event->type() == QEvent::FocusIn) {
        Q_EMIT entered(index);
        return;
    }
    QWidget *to = QApplication::focusWidget();
    // The focus went nowhere: the field is going away with its window, which must not be
    // told about a field it has already destroyed.
    if (!to)
        return;
    QWidget *field = m_fields[index];
    bool check = to && to != field && to->window() == field->window();
    for (const QPointer<QWidget> &w : m_unchecked)
        check = check && w != to;
    Q_EMIT left(index, check);
}

bool FieldMoves::eventFilter(QObject *watched, QEvent *event)
{
    const int index = indexOf(watched);
    if (index < 0)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        focusChanged(index, event);
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    // Alt+Down opens a drop-down list; it moves nothing.
    const bool plain = !(key->modifiers() & Qt::AltModifier);
    const bool up = plain && m_arrowKeysMove && key->key() == Qt::Key_Up;
    const bool down = plain
        && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || (m_arrowKeysMove && key->key() == Qt::Key_Down));
    if (event->type() == QEvent::KeyPress) {
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return false;
        if (!key->isAutoRepeat()) {
            KeyMoved = false;
            m_pressedKey = key->key();
            m_pressedIn = index;
        }
        Q_EMIT keyPressed(index);
        // These move on release; Enter must not also press the window's default button.
        return up || down;
    }
    if (key->isAutoRepeat() || KeyMoved)
        return false;
    const bool sameKey = m_pressedKey == key->key() && m_pressedIn == index;
    if (sameKey)
        m_pressedIn = -1;
    if (!sameKey || (!up && !down))
        return false;
    if (down && m_leaveFirst && m_afterLast)
        m_afterLast->setFocus(Qt::TabFocusReason);
    if (QWidget *target = neighbour(index, up ? -1 : 1)) {
        KeyMoved = true;
        target->setFocus(Qt::TabFocusReason);
    }
    return true;
}

void selectAllSoon(QWidget *field)
{
    auto *box = qobject_cast<QComboBox *>(field);
    auto *edit = box ? box->lineEdit() : qobject_cast<QLineEdit *>(field);
    if (!edit)
        return;
    QMetaObject::invokeMethod(edit, [edit] { edit->selectAll(); }, Qt::QueuedConnection);
}
