#include "support/teststores.h"

#include "core/rules/payeechecks.h"

#include <QTest>

// The checks of one payee as the payee window and the importer make them: which check
// speaks first, and the field, message and title it gives.
class TstPayeeChecks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstProblemFound_data();
    void firstProblemFound();
};

void TstPayeeChecks::firstProblemFound_data()
{
    QTest::addColumn<QStringList>("payee");
    QTest::addColumn<QString>("problem"); // field|message|title; empty when the payee passes
    for (const QStringList &c : REFERENCE_CASES("payee-problems.txt"))
        QTest::newRow(qPrintable(c[0])) << c.mid(1, 4) << c.value(5);
}

void TstPayeeChecks::firstProblemFound()
{
    QFETCH(QStringList, payee);
    QFETCH(QString, problem);
    // Another payee has the code B02.
    const PayeeProblem p = ValidatePayee({payee[0], payee[1], payee[2], payee[3]}, "建檔", [](const QString &code) { return code == "B02"; });
    QCOMPARE(p.ok() ? QString() : QStringLiteral("%1|%2|%3").arg(p.field).arg(p.text, p.title), problem);
}

QTEST_GUILESS_MAIN(TstPayeeChecks)
#include "tst_payeechecks.moc"
