#include "ui/editing/editingwindow.h"

#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

// The command bar: the six action buttons, their function keys, and the commands a
// window adds after them.

namespace {

const char16_t *const kActionCaptions[6] = {u"新增 [ F2 ]", u"修改 [ F3 ]", u"刪除 [ F4 ]",
                                            u"查詢 [ F6 ]", u"重置 [ F8 ]", u"離開 [ F10 ]"};
const Qt::Key kActionKeys[6] = {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F6, Qt::Key_F8, Qt::Key_F10};

// The box layout that holds the widget, searched from the top layout down.
QBoxLayout *boxHolding(QLayout *layout, QWidget *widget, int *index)
{
    if (!layout)
        return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == widget) {
            *index = i;
            return qobject_cast<QBoxLayout *>(layout);
        }
        if (QBoxLayout *found = boxHolding(item->layout(), widget, index))
            return found;
        if (item->widget() && item->widget() != widget && item->widget()->layout()) {
            if (QBoxLayout *found = boxHolding(item->widget()->layout(), widget, index))
                return found;
        }
    }
    return nullptr;
}

} // namespace

EditingWindow::~EditingWindow()
{
    qApp->removeEventFilter(this);
}

void EditingWindow::makeActionButtons()
{
    for (int i = 0; i < 6; ++i) {
        auto *b = new QPushButton(QString::fromUtf16(kActionCaptions[i]), this);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setMinimumWidth(96);
        runOnClick(b, m_gate, [this, i] { act(i); });
        m_actions[size_t(i)] = b;
    }
}

QPushButton *EditingWindow::addCommand(const QString &text, const QString &objectName, std::function<void()> command)
{
    auto *b = new QPushButton(text, this);
    runOnClick(b, m_gate, std::move(command));
    b->setObjectName(objectName);
    b->setAutoDefault(false);
    b->setEnabled(EditMode == Idle && m_set != nullptr);
    // In the row of the action buttons, wherever the window put it (a tab page, say).
    int index = 0;
    QWidget *holder = m_actions[5]->parentWidget();
    QBoxLayout *row = boxHolding(holder ? holder->layout() : layout(), m_actions[5], &index);
    if (holder)
        b->setParent(holder);
    const int after = m_commands.isEmpty() ? index : row ? row->indexOf(m_commands.last()) : 0;
    if (row)
        row->insertWidget(after + 1, b);
    QWidget::setTabOrder(m_commands.isEmpty() ? m_actions[5] : m_commands.last(), b);
    m_commands << b;
    return b;
}

void EditingWindow::act(int index)
{
    if (index == 5) {
        // Leaving discards what was typed, as "取消" does; the window stays loaded.
        cancel();
        QDialog::done(QDialog::Rejected);
        return;
    }
    if (!m_actions[size_t(index)]->isEnabled())
        return;
    EditMode = index;
    EnterMode();
}

bool EditingWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The function keys act on release wherever the focus is in this window.
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        const auto *key = static_cast<QKeyEvent *>(event);
        const int action = int(std::find(std::begin(kActionKeys), std::end(kActionKeys), key->key()) - std::begin(kActionKeys));
        if (widget && widget->window() == this && action < 6 && key->modifiers() == Qt::NoModifier) {
            if (event->type() == QEvent::KeyRelease && !key->isAutoRepeat()) {
                if (action == 5 || m_actions[size_t(action)]->isEnabled()) {
                    m_gate.run([this, action] {
                        functionKeyComing();
                        act(action);
                    });
                }
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EditingWindow::showEvent(QShowEvent *event)
{
    qApp->installEventFilter(this);
    QDialog::showEvent(event);
}

void EditingWindow::hideEvent(QHideEvent *event)
{
    qApp->removeEventFilter(this);
    QDialog::hideEvent(event);
}
