#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

// Moving between a window's fields by keyboard, on key release: Up to the previous
// enabled field, Enter or Down to the next; past the ends to the given targets. A release
// moves only when the same key went down in the same field, so a key that closed a
// message, pressed a button or went down in another field never moves the focus.
// It also tells when the focus enters or leaves a field by a move inside the window, the
// one rule every window uses for its entry hints and leave checks.
class FieldMoves : public QObject {
    Q_OBJECT
public:
    FieldMoves(QList<QWidget *> fields, QObject *parent);

    // Where Up from the first field and Enter or Down from the last go (none: stay).
    void setEnds(QWidget *beforeFirst, QWidget *afterLast);
    // Controls whose taking the focus runs no leave check (a window's confirm and cancel
    // buttons, which check for themselves or discard).
    void setUnchecked(QList<QWidget *> controls);
    // Enter and Down first pass the focus to the control after the last field, so that
    // leaving the field (which may enable or disable the fields after it) is done before
    // the next enabled field is chosen.
    void setLeaveFirst(bool leaveFirst) { m_leaveFirst = leaveFirst; }
    // Whether Up and Down move between the fields too, or are left to the field itself
    // (a drop-down steps through its list) and to the window.
    void setArrowKeysMove(bool move) { m_arrowKeysMove = move; }

    const QList<QWidget *> &fields() const { return m_fields; }
    int indexOf(QObject *field) const { return m_fields.indexOf(static_cast<QWidget *>(field)); }

    // Set once a release has moved the focus; cleared when a key goes down in a field.
    bool KeyMoved = false;

Q_SIGNALS:
    // A key other than Tab went down in field `index`.
    void keyPressed(int index);
    // The focus came into field `index` from inside the window (not by the window coming
    // to the front again).
    void entered(int index);
    // The focus left field `index` for another control (not when it went nowhere, as when
    // the window is closing down); `check` is true when that control
    // belongs to the same window and is not one of the unchecked ones, i.e. when the
    // field's leave check should run.
    void left(int index, bool check);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *neighbour(int index, int step) const;
    void focusChanged(int index, QEvent *event);

    QList<QWidget *> m_fields;
    QList<QPointer<QWidget>> m_unchecked;
    QPointer<QWidget> m_beforeFirst;
    QPointer<QWidget> m_afterLast;
    bool m_leaveFirst = false;
    bool m_arrowKeysMove = true;
    int m_pressedKey = 0;
    int m_pressedIn = -1;
};

// Selects a line edit's whole text once the focus has settled in it (after the line
// edit's own placing of the caret).
void selectAllSoon(QWidget *field);
