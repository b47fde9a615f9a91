#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class RecordSetGrid;

// "搜尋：" beside a grid: finds a row by any part of some of its columns (a payee's name
// or account) and makes it the current row, as a click on it would. It never filters the
// rows, so a window's query stays as it is.
//
// Ctrl+F puts the focus in the field. Each change of its text goes to the first row, in
// the grid's order, that holds the text; Enter goes on to the next one, from the top again
// after the last; Esc goes back to the row and the control the search began from. A text
// no row holds leaves the row where it is and turns the field red with "找不到". The field
// can be used exactly while the grid can (not while a row is being added or changed).
class RowFinder : public QWidget {
    Q_OBJECT
public:
    RowFinder(RecordSetGrid *grid, QList<int> ordinals, QWidget *parent);
    ~RowFinder() override;

    QLineEdit *field() const { return m_field; }
    QLabel *status() const { return m_status; }
    // Ctrl+F: into the field with its text selected, if the grid can be used.
    void start();

Q_SIGNALS:
    // Ctrl+F is about to put the focus in the field (a window with tabs shows the grid's).
    void starting();
    // The focus came into the field: the window keeps what its fields show.
    void begun();
    // Esc has moved the current row back: the window shows again what it kept.
    void returned();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void textEdited(const QString &text);
    void findNext();
    void goBack();
    void focusChanged(QWidget *old, QWidget *now);
    // Makes the row current, or shows that none holds the text.
    int originRow() const;
    void goTo(int row, const QString &note = QString());
    void mark(bool found, const QString &note = QString());

    RecordSetGrid *m_grid;
    QList<int> m_ordinals;
    QLineEdit *m_field = nullptr;
    QLabel *m_status = nullptr;
    bool m_searching = false; // the focus came into the field and has not gone elsewhere since
    int m_originRow = 0;
    qint64 m_originRowid = -1; // the row the search began on, wherever rows taken later put it
    QPointer<QWidget> m_originFocus;
    bool m_escapePressed = false;
    // The text of the last keystroke's find from the top and the row it found (-1: none),
    // while the rows are as they were: more typed after it is found from there on.
    QByteArray m_lastNeedle;
    int m_lastFound = -1;
};
