#include "support/testprogram.h"

#include "ui/editing/fieldmoves.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

// Enter moves on from the field it went down and came up in; a leave is a focus that goes
// to another field.
class TstFieldMoves : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fieldMovesFollowKeysAndFocus();
};

void TstFieldMoves::fieldMovesFollowKeysAndFocus()
{
    QWidget window;
    QLineEdit a(&window), b(&window), c(&window);
    FieldMoves moves({&a, &b, &c}, &window);
    showActive(&window);
    // A modifier went down in a; the Enter released in b after the focus moved there
    // (a lookup closed by that Enter's press, say) must not move on.
    a.setFocus();
    QTest::keyPress(&a, Qt::Key_Shift);
    b.setFocus();
    QTest::keyRelease(&b, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), &b);
    QTest::keyRelease(&b, Qt::Key_Shift);
    // Nor does the same key pressed in another field.
    a.setFocus();
    QTest::keyPress(&a, Qt::Key_Return);
    b.setFocus();
    QTest::keyRelease(&b, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), &b);
    // Enter down and up in the same field moves.
    QTest::keyClick(&b, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), &c);
    // A focus that goes nowhere (a closed window destroyed with a field focused) is no
    // leave: the window, whose parts are already gone, must not hear of that field again.
    int told = 0;
    QObject::connect(&moves, &FieldMoves::left, [&told] { ++told; });
    c.clearFocus();
    QCOMPARE(told, 0);
    b.setFocus();
    c.setFocus();
    QCOMPARE(told, 1);
}

QTEST_MAIN(TstFieldMoves)
#include "tst_fieldmoves.moc"
