#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

// Moving between a window's fields by keyboard, on key release: Up to the previous
// enabled field, Enter or Down to the next; past the ends to the given targets. A release
// moves only when its key went down in one of the fields, so a key that closed a message
// or pressed a button never moves the focus a second time. Entering a field selects its
// text unless the window says otherwise.
class FieldMoves : public QObject {
    Q_OBJECT
public:
    FieldMoves(QList<QWidget *> fields, QObject *parent);

    // Where Up from the first field and Enter or Down from the last go (none: stay).
    void setEnds(QWidget *beforeFirst, QWidget *afterLast);

    const QList<QWidget *> &fields() const { return m_fields; }
    int indexOf(QObject *field) const { return m_fields.indexOf(static_cast<QWidget *>(field)); }

    // Set once a release has moved the focus; cleared when a key goes down in a field.
    bool KeyMoved = false;

Q_SIGNALS:
    // A key other than Tab went down in field `index`.
    void keyPressed(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *neighbour(int index, int step) const;

    QList<QWidget *> m_fields;
    QPointer<QWidget> m_beforeFirst;
    QPointer<QWidget> m_afterLast;
    bool m_pressedInField = false;
};

// Selects a line edit's whole text once the focus has settled in it (after the line
// edit's own placing of the caret).
void selectAllSoon(QWidget *field);
