#include "benchscale.h"

#include "benchdata.h"

#include "ui/editing/editingwindow.h"
#include "ui/editing/recordsetgrid.h"
#include "ui/editing/rowfinder.h"
#include "ui/master/institutionlookup.h"
#include "ui/master/institutionwindow.h"
#include "ui/master/payeelookup.h"
#include "ui/master/payeewindow.h"
#include "ui/platform/appcontext.h"
#include "core/store/recordset.h"
#include "core/store/storeopening.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

namespace {

void line(QTextStream &out, const QString &what, int rows, double talvek, double bare)
{
    out << QStringLiteral("%1  %2 ms   (bare SQLite %3 ms)\n")
               .arg(QStringLiteral("%1, %2 rows").arg(what).arg(rows), -52)
               .arg(talvek / 1000.0, 8, 'f', 3)
               .arg(bare / 1000.0, 7, 'f', 3);
}

// A window over the rows as a person opens it: made, shown and painted once.
template <typename Window>
double opening(AppContext &context)
{
    return medianMicros(11, [&] {
        Window w(context);
        w.show();
        QApplication::processEvents();
    });
}

// Keystrokes as typed: the field's text changes, the window re-runs its query or find,
// and the grid is painted.
double typing(QLineEdit *field, QWidget *grid, const QStringList &typed)
{
    int i = 0;
    return medianMicros(71, [&] {
        field->selectAll();
        field->insert(typed[i++ % typed.size()]);
        grid->repaint();
    });
}

double bareTyping(sqlite3 *db, const char *sql, const QStringList &typed, const QString &before = {}, const QString &after = QStringLiteral("%"))
{
    int i = 0;
    return medianMicros(71, [&] { stepAll(db, sql, (before + typed[i++ % typed.size()] + after).toUtf8()); });
}

const char *const kFirstPayees = "SELECT rowid, * FROM R_CUST ORDER BY R_ID COLLATE NOCASE, rowid LIMIT 128";
const char *const kFirstInstitutions = "SELECT rowid, * FROM VXBANK ORDER BY BKBRNO COLLATE NOCASE, rowid LIMIT 128";
const char *const kPayeePrefix = "SELECT rowid, * FROM R_CUST WHERE R_ID LIKE ? ESCAPE '\\' ORDER BY R_ID COLLATE NOCASE, rowid LIMIT 128";
const char *const kInstitutionPrefix =
    "SELECT rowid, * FROM VXBANK WHERE BKBRNO LIKE ? ESCAPE '\\' ORDER BY BKBRNO COLLATE NOCASE, rowid LIMIT 128";
const char *const kFind = "SELECT rowid FROM R_CUST WHERE R_NAME LIKE ?1 OR ACTNO LIKE ?1 ORDER BY R_ID COLLATE NOCASE, rowid LIMIT 1";

void atSize(QTextStream &out, int rows, Dialogs &dialogs, Clock &clock, Printer &printer)
{
    QTemporaryDir dir;
    BenchData size;
    size.payees = rows;
    size.institutions = rows;
    if (const QString e = makeBenchStores(dir.path(), size); !e.isEmpty()) {
        out << "bench data: " << e << "\n";
        return;
    }
    AppContext context(dir.path(), dialogs, clock, printer);
    QElapsedTimer first;
    first.start();
    context.setWorking(openWorkingStore(dir.path()).store);
    context.reference();
    out << QStringLiteral("%1  %2 ms   (start-up)\n")
               .arg(QStringLiteral("first opening of the stores, %1 rows").arg(rows), -52)
               .arg(first.nsecsElapsed() / 1e6, 8, 'f', 3);
    sqlite3 *working = openBare(workingStorePath(dir.path()));
    sqlite3 *reference = openBare(referenceStorePath(dir.path()));
    const auto bareFirst = [](sqlite3 *db, const char *sql) { return medianMicros(11, [&] { stepAll(db, sql); }); };

    line(out, QStringLiteral("payee window opening"), rows, opening<PayeeWindow>(context), bareFirst(working, kFirstPayees));
    line(out, QStringLiteral("institution window opening"), rows, opening<InstitutionWindow>(context),
         bareFirst(reference, kFirstInstitutions));
    line(out, QStringLiteral("payee lookup opening"), rows, opening<PayeeLookup>(context), bareFirst(working, kFirstPayees));
    line(out, QStringLiteral("institution lookup opening"), rows, opening<InstitutionLookup>(context),
         bareFirst(reference, kFirstInstitutions));

    const QStringList codes{"", "0", "00", "000", "0001", "00012", "000123", "0001234"};
    {
        PayeeWindow w(context);
        w.show();
        QApplication::processEvents();
        w.act(EditingWindow::Search);
        line(out, QStringLiteral("payee window query keystroke"), rows, typing(w.field(0), w.grid()->viewport(), codes),
             bareTyping(working, kPayeePrefix, codes));
        w.cancel();
        // The name search: every keystroke goes to the first payee in code order whose name
        // or account holds the text. A text no payee holds reads every row still to come,
        // measured first, while the window holds its first rows only; a hit far down takes
        // the rows up to it.
        const QStringList missing{QStringLiteral("找不到"), QStringLiteral("xyz")};
        line(out, QStringLiteral("name search keystroke, a text no payee holds"), rows,
             typing(w.finder()->field(), w.grid()->viewport(), missing), bareTyping(working, kFind, missing, QStringLiteral("%")));
        const QStringList names{QStringLiteral("陳"), QStringLiteral("陳範"), QStringLiteral("公司12"), QStringLiteral("公司987"),
                                QStringLiteral("公司%1").arg(rows - 7), QStringLiteral("1234")};
        line(out, QStringLiteral("name search keystroke"), rows, typing(w.finder()->field(), w.grid()->viewport(), names),
             bareTyping(working, kFind, names, QStringLiteral("%")));
    }
    {
        PayeeLookup lookup(context);
        lookup.show();
        QApplication::processEvents();
        line(out, QStringLiteral("payee lookup keystroke"), rows, typing(lookup.field(0), lookup.grid()->viewport(), codes),
             bareTyping(working, kPayeePrefix, codes));
        // A click on the name heading: the first window of all rows in name order, either way.
        lookup.field(0)->setText(QString());
        QHeaderView *header = lookup.grid()->horizontalHeader();
        const double click = medianMicros(11, [&] {
            Q_EMIT header->sectionClicked(3);
            lookup.grid()->viewport()->repaint();
        });
        bool descending = false;
        const double clickBare = medianMicros(11, [&] {
            stepAll(working, descending ? "SELECT rowid, * FROM R_CUST ORDER BY R_NAME COLLATE NOCASE DESC, rowid DESC LIMIT 128"
                                        : "SELECT rowid, * FROM R_CUST ORDER BY R_NAME COLLATE NOCASE, rowid LIMIT 128");
            descending = !descending;
        });
        line(out, QStringLiteral("payee lookup sort by name"), rows, click, clickBare);

    }
    {
        InstitutionLookup lookup(context);
        lookup.show();
        QApplication::processEvents();
        const QStringList typed{"", "0", "01", "012", "0120", "01200", "012003", "0120039"};
        line(out, QStringLiteral("institution lookup keystroke"), rows, typing(lookup.field(0), lookup.grid()->viewport(), typed),
             bareTyping(reference, kInstitutionPrefix, typed));
    }
    sqlite3_close(working);
    sqlite3_close(reference);
}

} // namespace

void benchScale(QTextStream &out, Dialogs &dialogs, Clock &clock, Printer &printer)
{
    out << "\nwindows over the masters (payees and institutions of the same number)\n";
    for (int rows : {1000, 10000, 100000}) {
        atSize(out, rows, dialogs, clock, printer);
        out.flush();
    }
}
