// Times what a user triggers by a key on a large customer's data, each beside the bare
// SQLite work that gets the same rows.
#include "benchdata.h"
#include "benchscale.h"

#include "ui/entry/entrywindow.h"
#include "ui/exchange/importdialog.h"
#include "core/exchange/importer.h"
#include "core/rules/linechecks.h"
#include "ui/master/institutionlookup.h"
#include "ui/master/institutionwindow.h"
#include "ui/editing/rowfinder.h"
#include "ui/master/payeelookup.h"
#include "ui/master/payeewindow.h"
#include "core/output/batchfile.h"
#include "core/output/batchgeneration.h"
#include "ui/output/listwindow.h"
#include "core/output/remittancelist.h"
#include "core/platform/big5codec.h"
#include "core/platform/clock.h"
#include "ui/platform/quietseams.h"
#include "ui/platform/printer.h"
#include "ui/shell/mainwindow.h"
#include "ui/platform/appcontext.h"
#include "core/store/fieldroutines.h"
#include "core/store/recordset.h"
#include "core/store/storecopy.h"
#include "core/store/storeopening.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

namespace {

void report(QTextStream &out, const char *what, double talvek, double bare, const char *baseline = "bare SQLite")
{
    out << QStringLiteral("%1  %2 ms   (%5 %3 ms, x%4)\n")
               .arg(QString::fromUtf8(what), -44)
               .arg(talvek / 1000.0, 8, 'f', 3)
               .arg(bare / 1000.0, 7, 'f', 3)
               .arg(bare > 0 ? talvek / bare : 0.0, 0, 'f', 1)
               .arg(QString::fromLatin1(baseline));
}

} // namespace

int main(int argc, char *argv[])
{
    // The offscreen platform says at every window shown that it cannot size one to its contents.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
        if (!message.contains(QLatin1String("propagateSizeHints")))
            qt_message_output(type, context, message);
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    SilentDialogs dialogs;
    SystemClock clock;
    NoPrinter printer;
    // "talvek-bench stores DIR ROWS": data files of ROWS payees and institutions in DIR.
    if (app.arguments().value(1) == QLatin1String("stores")) {
        BenchData size;
        size.payees = size.institutions = app.arguments().value(3).toInt();
        const QString e = makeBenchStores(app.arguments().value(2), size);
        if (!e.isEmpty())
            out << e << "\n";
        return e.isEmpty() ? 0 : 1;
    }
    // "talvek-bench scale": the windows over the masters alone.
    if (app.arguments().contains(QStringLiteral("scale"))) {
        benchScale(out, dialogs, clock, printer);
        return 0;
    }
    QTemporaryDir dir;
    const BenchData size;
    if (const QString e = makeBenchStores(dir.path(), size); !e.isEmpty()) {
        out << "bench data: " << e << "\n";
        return 1;
    }
    out << QStringLiteral("store: %1 payees, %2 institutions, %3 lines; median of repeated runs\n\n")
               .arg(size.payees).arg(size.institutions).arg(size.lines);

    const QString working = workingStorePath(dir.path());
    const QString reference = referenceStorePath(dir.path());

    // Opening the main window: the store opened and checked, the menu refreshed.
    const double openWindow = medianMicros(21, [&] {
        AppContext context(dir.path(), dialogs, clock, printer);
        MainWindow window(context);
        window.load();
        window.RefreshMenu();
    });
    const double openBareTime = medianMicros(21, [&] {
        sqlite3 *db = openBare(working);
        stepAll(db, "SELECT * FROM R_BASE");
        stepAll(db, "SELECT 1 FROM R_DETL LIMIT 1");
        sqlite3 *ref = openBare(reference);
        stepAll(ref, "SELECT FNAME FROM VXBANK WHERE BKBRNO = ? COLLATE NOCASE ORDER BY rowid LIMIT 1", "9520011");
        sqlite3_close(ref);
        sqlite3_close(db);
    });
    report(out, "open main window (load + RefreshMenu)", openWindow, openBareTime);

    AppContext context(dir.path(), dialogs, clock, printer);
    Store *ref = context.reference();
    const QStringList codes{"9520011", "0120003", "0580991", "9999999"};
    int k = 0;
    const double label = medianMicros(2001, [&] { InstNameLabel(ref, codes[k++ % codes.size()]); });
    sqlite3 *bareRef = openBare(reference);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(bareRef, "SELECT FNAME FROM VXBANK WHERE BKBRNO = ? COLLATE NOCASE ORDER BY rowid LIMIT 1", -1, &stmt, nullptr);
    k = 0;
    const double labelBare = medianMicros(2001, [&] {
        const QByteArray code = codes[k++ % codes.size()].toUtf8();
        sqlite3_bind_text(stmt, 1, code.constData(), int(code.size()), SQLITE_TRANSIENT);
        while (sqlite3_step(stmt) == SQLITE_ROW)
            sqlite3_column_text(stmt, 0);
        sqlite3_reset(stmt);
    });
    sqlite3_finalize(stmt);
    sqlite3_close(bareRef);
    report(out, "InstNameLabel", label, labelBare);

    // A lookup re-runs its query on its own record set at every keystroke.
    Store::Opened opened = Store::open(working, Schema::working());
    auto payees = opened.store->browse(Query::table(Table::R_CUST).orderBy("R_ID"));
    sqlite3 *bare = openBare(working);
    for (const char *prefix : {"", "0", "00012", "0009999"}) {
        const double query = medianMicros(51, [&] {
            payees->setQuery(Query::table(Table::R_CUST).wherePrefix("R_ID", prefix).orderBy("R_ID"));
            payees->refresh();
        });
        const double queryBare = medianMicros(51, [&] {
            stepAll(bare, "SELECT rowid, * FROM R_CUST WHERE R_ID LIKE ? ESCAPE '\\' ORDER BY R_ID COLLATE NOCASE, rowid",
                    QByteArray(prefix) + "%");
        });
        const int rows = stepAll(bare, "SELECT * FROM R_CUST WHERE R_ID LIKE ?", QByteArray(prefix) + "%");
        report(out, qPrintable(QStringLiteral("payee prefix \"%1\" (%2 rows)").arg(prefix).arg(rows)), query, queryBare);
    }
    sqlite3_close(bare);

    // One keystroke in the institution lookup: the query re-run and the grid brought up to date.
    {
        InstitutionLookup lookup(context);
        lookup.show();
        QApplication::processEvents();
        const QStringList typed{"0", "01", "012", "0120", "01200", "012003", "0120039"};
        int i = 0;
        const double key = medianMicros(71, [&] {
            lookup.field(0)->setText(typed[i++ % typed.size()]);
            lookup.grid()->viewport()->repaint();
        });
        i = 0;
        sqlite3 *bareRefs = openBare(reference);
        const double keyBare = medianMicros(71, [&] {
            stepAll(bareRefs, "SELECT rowid, * FROM VXBANK WHERE BKBRNO LIKE ? ESCAPE '\\' ORDER BY BKBRNO COLLATE NOCASE, rowid",
                    typed[i++ % typed.size()].toUtf8() + "%");
        });
        report(out, "institution lookup keystroke (6,000 rows)", key, keyBare);
        // The heaviest keystroke: clearing the search lists all 6,000 rows again.
        lookup.field(0)->setText("");
        const double all = medianMicros(21, [&] {
            lookup.field(0)->setText(lookup.field(0)->text().isEmpty() ? "9" : "");
            lookup.grid()->viewport()->repaint();
        });
        bool empty = true;
        const double allBare = medianMicros(21, [&] {
            stepAll(bareRefs, "SELECT rowid, * FROM VXBANK WHERE BKBRNO LIKE ? ESCAPE '\\' ORDER BY BKBRNO COLLATE NOCASE, rowid",
                    empty ? "%" : "9%");
            empty = !empty;
        });
        sqlite3_close(bareRefs);
        report(out, "  ... alternating all rows and prefix \"9\"", all, allBare);
    }

    // The editing windows: one keystroke in query mode (prefix re-run and grid repaint), each
    // beside the bare statement that reads the same rows.
    auto queryKeystroke = [&](EditingWindow &w, const char *what, const char *sql, const QString &file,
                              const QStringList &typed) {
        w.show();
        QApplication::processEvents();
        w.act(EditingWindow::Search);
        int i = 0;
        const double key = medianMicros(71, [&] {
            w.field(0)->setText(typed[i++ % typed.size()]);
            w.grid()->viewport()->repaint();
        });
        i = 0;
        sqlite3 *db = openBare(file);
        const double keyBare = medianMicros(71, [&] { stepAll(db, sql, typed[i++ % typed.size()].toUtf8() + "%"); });
        sqlite3_close(db);
        w.cancel();
        report(out, what, key, keyBare);
    };
    const QStringList typedCodes{"", "0", "00", "000", "0001", "00012", "000123", "0001234"};
    context.setWorking(openWorkingStore(dir.path()).store);
    {
        PayeeWindow payeeWindow(context);
        queryKeystroke(payeeWindow, "payee window query keystroke (10,000 rows)",
                       "SELECT rowid, * FROM R_CUST WHERE R_ID LIKE ? ESCAPE '\\' ORDER BY R_ID COLLATE NOCASE, rowid", working,
                       typedCodes);
        // One add: F2, the four fields, 確定 (checks with the code search, insert, grid).
        sqlite3 *db = openBare(working);
        sqlite3_stmt *find = nullptr, *insert = nullptr;
        sqlite3_prepare_v2(db, "SELECT R_ID FROM R_CUST WHERE R_ID = ? COLLATE NOCASE ORDER BY rowid LIMIT 1", -1, &find, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO R_CUST VALUES (?,?,?,?)", -1, &insert, nullptr);
        int n = 0;
        std::vector<double> adds;
        payeeWindow.act(EditingWindow::Add);
        for (int i = 0; i < 500; ++i) {
            QElapsedTimer t;
            t.start();
            payeeWindow.field(0)->setText(QStringLiteral("N%1").arg(n++, 6, 10, QLatin1Char('0')));
            payeeWindow.field(1)->setText(QStringLiteral("12345678"));
            payeeWindow.field(2)->setText(QStringLiteral("0120003"));
            payeeWindow.field(3)->setText(QStringLiteral("範例企業股份有限公司"));
            payeeWindow.okButton()->click();
            payeeWindow.grid()->viewport()->repaint();
            adds.push_back(t.nsecsElapsed() / 1000.0);
        }
        payeeWindow.cancel();
        std::vector<double> sorted = adds;
        std::sort(sorted.begin(), sorted.end());
        const double addBare = medianMicros(501, [&] {
            const QByteArray code = QStringLiteral("M%1").arg(n++, 6, 10, QLatin1Char('0')).toUtf8();
            sqlite3_bind_text(find, 1, code.constData(), int(code.size()), SQLITE_TRANSIENT);
            while (sqlite3_step(find) == SQLITE_ROW) {
            }
            sqlite3_reset(find);
            const QByteArray values[4] = {code, "12345678      ", "0120003", QStringLiteral("範例企業股份有限公司").toUtf8()};
            for (int c = 0; c < 4; ++c)
                sqlite3_bind_text(insert, c + 1, values[c].constData(), int(values[c].size()), SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        });
        sqlite3_finalize(find);
        sqlite3_finalize(insert);
        sqlite3_close(db);
        report(out, "payee window add (median of 500)", sorted[sorted.size() / 2], addBare);
        // A median of the first and of the last ten adds: one add alone is noisy.
        auto medianOf = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        const double first = medianOf({adds.begin(), adds.begin() + 10});
        const double last = medianOf({adds.end() - 10, adds.end()});
        out << QStringLiteral("  ... 1st add %1 ms, 500th add %2 ms; first ten %3 ms, last ten %4 ms (medians)\n")
                   .arg(adds.front() / 1000.0, 0, 'f', 3)
                   .arg(adds.back() / 1000.0, 0, 'f', 3)
                   .arg(first / 1000.0, 0, 'f', 3)
                   .arg(last / 1000.0, 0, 'f', 3);
    }
    {
        InstitutionWindow institutionWindow(context);
        queryKeystroke(institutionWindow, "institution window query keystroke (6,000 rows)",
                       "SELECT rowid, * FROM VXBANK WHERE BKBRNO LIKE ? ESCAPE '\\' ORDER BY BKBRNO COLLATE NOCASE, rowid",
                       reference, {"", "0", "01", "012", "0120", "01200", "012003", "0120039"});
    }

    // Finding a payee by name or account: each keystroke goes to the first row (in code
    // order) whose name or account holds the text, and the grid follows; beside the statement
    // that finds the same row.
    {
        PayeeWindow payeeWindow(context);
        payeeWindow.show();
        QApplication::processEvents();
        QLineEdit *find = payeeWindow.finder()->field();
        const char *sql = "SELECT rowid FROM R_CUST WHERE R_NAME LIKE ?1 OR ACTNO LIKE ?1 ORDER BY R_ID COLLATE NOCASE, rowid LIMIT 1";
        sqlite3 *db = openBare(working);
        auto keystrokes = [&](const char *what, const QStringList &typed) {
            int i = 0;
            const double key = medianMicros(71, [&] {
                find->selectAll();
                find->insert(typed[i++ % typed.size()]); // as typed: the find runs on the edit
                payeeWindow.grid()->viewport()->repaint();
            });
            i = 0;
            const double keyBare = medianMicros(71, [&] { stepAll(db, sql, "%" + typed[i++ % typed.size()].toUtf8() + "%"); });
            report(out, qPrintable(QStringLiteral("%1, %2 payees").arg(QString::fromLatin1(what)).arg(payeeWindow.recordSet()->rowCount())),
                   key, keyBare);
        };
        keystrokes("name search keystroke", {QStringLiteral("陳"), QStringLiteral("陳範"), QStringLiteral("公司12"),
                                             QStringLiteral("公司987"), QStringLiteral("公司9999"), QStringLiteral("1234")});
        keystrokes("  ... a text no payee holds (every row read)", {QStringLiteral("找不到"), QStringLiteral("xyz")});
        sqlite3_close(db);
    }
    // A click on the name heading of the payee lookup: all rows read again in name order,
    // the other way round at every second click.
    {
        PayeeLookup lookup(context);
        lookup.show();
        QApplication::processEvents();
        QHeaderView *header = lookup.grid()->horizontalHeader();
        const double click = medianMicros(21, [&] {
            Q_EMIT header->sectionClicked(3);
            lookup.grid()->viewport()->repaint();
        });
        sqlite3 *db = openBare(working);
        bool descending = false;
        const double clickBare = medianMicros(21, [&] {
            stepAll(db, descending ? "SELECT rowid, * FROM R_CUST ORDER BY R_NAME COLLATE NOCASE DESC, rowid DESC"
                                   : "SELECT rowid, * FROM R_CUST ORDER BY R_NAME COLLATE NOCASE, rowid");
            descending = !descending;
        });
        sqlite3_close(db);
        report(out, qPrintable(QStringLiteral("payee lookup sort by name, %1 payees").arg(lookup.recordSet()->rowCount())), click,
               clickBare);
    }

    // The bank file for the whole batch, beside merely encoding its texts and joining them.
    BatchFileInput in;
    in.remitter = {"001", QStringLiteral("範例實業股份有限公司"), "10"};
    in.batchNo = "1512061201";
    in.remitDate = "151206";
    const auto lines = opened.store->select(Query::table(Table::R_DETL));
    for (int r = 0; r < lines->rowCount(); ++r)
        in.lines.append({lines->value(r, RDetl::R_ID), lines->value(r, RDetl::ACTNO), lines->value(r, RDetl::TRFBK),
                         lines->value(r, RDetl::R_NAME), lines->value(r, RDetl::AMT), lines->value(r, RDetl::MARK), QString()});
    qsizetype bytes = 0;
    const double build = medianMicros(51, [&] { bytes = buildBatchFile(in).bytes.size(); });
    const double encode = medianMicros(51, [&] {
        QByteArray out;
        out.reserve(200 * (in.lines.size() + 2));
        out += Big5::encode(in.remitter.name);
        for (const LineRow &l : in.lines)
            out += Big5::encode(l.bank) + Big5::encode(l.account) + Big5::encode(l.name) + Big5::encode(l.amount)
                + Big5::encode(l.remark) + "\r\n";
    });
    report(out, qPrintable(QStringLiteral("batch file bytes, %1 lines (%2 bytes)").arg(in.lines.size()).arg(bytes)), build,
           encode, "Big5-encode and join only");
    {
        // The whole generation as window 5 runs it, beside reading the lines once and
        // writing the same bytes to a file.
        const QString target = QDir(dir.path()).filePath(QStringLiteral("batch.txt"));
        LineTotals shown;
        countLines(*opened.store, shown);
        const GenerationRequest request{target, in.batchNo, in.remitDate, LineOrder::Input, shown, {}, QDateTime::currentDateTime()};
        QString problem;
        const double generate = medianMicros(21, [&] { problem = generateBatchFile(*opened.store, request).problem; });
        const QByteArray fileBytes = buildBatchFile(in).bytes;
        sqlite3 *db = openBare(working);
        const double bare = medianMicros(21, [&] {
            stepAll(db, "SELECT * FROM R_DETL ORDER BY rowid");
            QFile f(target);
            f.open(QIODevice::WriteOnly);
            f.write(fileBytes);
        });
        sqlite3_close(db);
        report(out, qPrintable(QStringLiteral("batch file generation, %1 lines%2").arg(in.lines.size())
                                   .arg(problem.isEmpty() ? QString() : QStringLiteral(" FAILED: ") + problem)),
               generate, bare, "one read and a plain write");
    }

    // The remittance list of the 998 lines: built, the window opened, a PDF of its sheets.
    {
        ListInput list;
        list.hasRemitter = true;
        list.name = QStringLiteral("範例實業股份有限公司");
        list.homeBankCode = QStringLiteral("9520011");
        list.homeBankLabel = QStringLiteral(" [範例銀行]");
        for (int r = 0; r < lines->rowCount(); ++r)
            list.lines.append({lines->value(r, RDetl::R_ID), lines->value(r, RDetl::ACTNO), lines->value(r, RDetl::TRFBK),
                               lines->value(r, RDetl::R_NAME), lines->value(r, RDetl::AMT), lines->value(r, RDetl::MARK),
                               lines->value(r, RDetl::AMT2)});
        const double build = medianMicros(21, [&] { BuildList(list); });
        sqlite3 *db = openBare(working);
        const double select = medianMicros(21, [&] {
            stepAll(db, "SELECT rowid, * FROM R_DETL WHERE ACTNO <> '!000' COLLATE NOCASE ORDER BY R_ID COLLATE NOCASE, rowid");
        });
        sqlite3_close(db);
        report(out, "BuildList, 998 lines", build, select, "bare select of the lines");
        NoPrinter none;
        AppContext listContext(dir.path(), dialogs, clock, none);
        listContext.setWorking(openWorkingStore(dir.path()).store);
        const double open = medianMicros(5, [&] {
            ListWindow w(listContext);
            w.show();
            QApplication::processEvents();
        });
        report(out, "list window opening, 998 lines", open, select, "bare select of the lines");
        ListWindow w(listContext);
        w.show();
        QApplication::processEvents();
        const PrintJob job = w.printJob(1);
        const QString pdf = QDir(dir.path()).filePath(QStringLiteral("list.pdf"));
        QElapsedTimer t;
        t.start();
        QString error;
        QtPrinter().exportPdf(job, pdf, &error);
        out << QStringLiteral("PDF export, %1 sheets                           %2 ms   (%3 bytes)\n")
                   .arg(job.sheets.size())
                   .arg(t.nsecsElapsed() / 1e6, 8, 'f', 1)
                   .arg(QFileInfo(pdf).size());
    }

    // The entry window over the 998 lines: opening it, and one line added as by keyboard
    // (a registered payee's code left, the amount, 確定).
    {
        sqlite3 *db = openBare(working);
        const double open = medianMicros(11, [&] {
            EntryWindow w(context);
            w.show();
            QApplication::processEvents();
        });
        const double openBare = medianMicros(11, [&] {
            stepAll(db, "SELECT rowid, * FROM R_DETL ORDER BY R_ID COLLATE NOCASE, rowid");
            stepAll(db, "SELECT rowid, * FROM NNOO");
        });
        report(out, "entry window opening (998 lines)", open, openBare);

        EntryWindow w(context);
        w.show();
        QApplication::processEvents();
        w.act(EditingWindow::Add);
        int n = 0;
        const double add = medianMicros(101, [&] {
            w.field(0)->setText(QStringLiteral("%1").arg(n++ * 37 % 10000, 7, 10, QLatin1Char('0')));
            w.ResolvePayeeCode();
            w.field(4)->setText(QStringLiteral("1500"));
            w.okButton()->click();
            w.grid()->viewport()->repaint();
        });
        w.cancel();
        sqlite3_stmt *find = nullptr, *insert = nullptr;
        sqlite3_prepare_v2(db, "SELECT rowid, * FROM R_CUST WHERE R_ID = ? COLLATE NOCASE ORDER BY rowid", -1, &find, nullptr);
        sqlite3_prepare_v2(db, "INSERT INTO R_DETL VALUES (?,?,?,?,?,?,?)", -1, &insert, nullptr);
        const double addBare = medianMicros(101, [&] {
            const QByteArray code = QStringLiteral("%1").arg(n++ * 37 % 10000, 7, 10, QLatin1Char('0')).toUtf8();
            sqlite3_bind_text(find, 1, code.constData(), int(code.size()), SQLITE_TRANSIENT);
            QList<QByteArray> row{code};
            while (sqlite3_step(find) == SQLITE_ROW)
                for (int c = 2; c <= 4; ++c)
                    row << QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(find, c)));
            sqlite3_reset(find);
            row << "1500" << "" << "0";
            for (int c = 0; c < 7; ++c)
                sqlite3_bind_text(insert, c + 1, row.value(c).constData(), int(row.value(c).size()), SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        });
        sqlite3_finalize(find);
        sqlite3_finalize(insert);
        report(out, "entry window add by keyboard", add, addBare);

        // The totals line that follows each 確定, over the 998 lines alone (the lines the
        // adds above stored are taken out again).
        stepAll(db, "DELETE FROM R_DETL WHERE rowid > 998");
        const double totals = medianMicros(101, [&] { w.refreshTotals(); });
        const double totalsBare = medianMicros(101, [&] {
            stepAll(db, "SELECT count(*), total(CAST(AMT AS INTEGER)), total(CAST(AMT2 AS INTEGER)), "
                        "total(CASE WHEN ACTNO = '!000' THEN CAST(AMT AS INTEGER) END) FROM R_DETL");
        });
        report(out, "totals line after 確定, 998 lines", totals, totalsBare);
        out << QStringLiteral("  ... shows %1\n").arg(w.totals()->text());

        // The next temporary code with TMP0001 to TMP0997 taken.
        stepAll(db, "UPDATE R_DETL SET R_ID = printf('TMP%04d', rowid) WHERE rowid <= 997");
        QString next;
        const double temp = medianMicros(101, [&] { next = NextTempPayeeCode(*context.working()); });
        const double tempBare = medianMicros(101, [&] { stepAll(db, "SELECT R_ID FROM R_DETL WHERE R_ID LIKE 'TMP%'"); });
        report(out, qPrintable(QStringLiteral("NextTempPayeeCode, 997 taken (gives %1)").arg(next)), temp, tempBare);
        sqlite3_close(db);
    }
    {
        // Backup: a checked copy pushed to the disk and renamed into place.
        const QString copy = QDir(dir.path()).filePath(QStringLiteral("backup.mdb"));
        const QString plain = QDir(dir.path()).filePath(QStringLiteral("plain.mdb"));
        QString reason;
        const double backup = medianMicros(11, [&] { backupStoreFile(working, copy, &reason); });
        const double plainCopy = medianMicros(11, [&] {
            QFile::remove(plain);
            QFile::copy(working, plain);
        });
        report(out, qPrintable(QStringLiteral("backup, %1 KiB store").arg(QFileInfo(working).size() / 1024)), backup, plainCopy,
               "plain file copy");
        // Restore from that backup through the program's open connection.
        Store::Opened opened = Store::open(working, Schema::working());
        sqlite3 *db = Store::engineHandle(opened.store->database());
        const double restore = medianMicros(11, [&] {
            RestoreSource source(copy);
            source.copyInto(*opened.store, &reason);
        });
        const QByteArray bareSql = QStringLiteral("ATTACH '%1' AS src; BEGIN; DELETE FROM R_BASE; DELETE FROM R_CUST; "
                                                  "DELETE FROM R_DAY; DELETE FROM R_DETL; "
                                                  "INSERT INTO R_BASE SELECT * FROM src.R_BASE; INSERT INTO R_CUST SELECT * FROM src.R_CUST; "
                                                  "INSERT INTO R_DETL SELECT * FROM src.R_DETL; INSERT INTO R_DAY SELECT * FROM src.R_DAY; "
                                                  "COMMIT; DETACH src")
                                       .arg(copy).toUtf8();
        const double restoreBare = medianMicros(11, [&] { sqlite3_exec(db, bareSql.constData(), nullptr, nullptr, nullptr); });
        report(out, "restore, the same store", restore, restoreBare, "bare INSERT...SELECT");
    }
    {
        // 5,000 payees from a spreadsheet file: read, checked and previewed, then written,
        // beside a bare insert of the same rows.
        QList<QStringList> rows{{QStringLiteral("收款人代碼"), QStringLiteral("收款人帳號"), QStringLiteral("解款行代號"), QStringLiteral("收款人姓名")}};
        for (int i = 1; i <= 5000; ++i)
            rows << QStringList{QStringLiteral("X%1").arg(i, 4, 10, QLatin1Char('0')), QString::number(100000000 + i * 7),
                                QStringLiteral("0091230"), QStringLiteral("匯入收款人%1").arg(i)};
        const QByteArray csv = CsvText::write(rows);
        Store::Opened opened = Store::open(working, Schema::working());
        ImportPlan plan;
        const double check = medianMicros(5, [&] {
            QString problem;
            const auto file = readImportFile(csv, ImportKind::Payees, std::nullopt, &problem);
            plan = planImport(*opened.store, ImportKind::Payees, *file, guessMapping(ImportKind::Payees, *file));
        });
        sqlite3 *db = Store::engineHandle(opened.store->database());
        const auto clear = [&] { sqlite3_exec(db, "DELETE FROM R_CUST WHERE R_ID LIKE 'X%'", nullptr, nullptr, nullptr); };
        const double write = medianMicros(5, [&] {
            clear();
            applyImport(*opened.store, plan);
        });
        const double bare = medianMicros(5, [&] {
            clear();
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            sqlite3_stmt *insert = nullptr;
            sqlite3_prepare_v2(db, "INSERT INTO R_CUST VALUES (?, ?, ?, ?)", -1, &insert, nullptr);
            for (const QStringList &record : plan.records) {
                QList<QByteArray> utf8;
                for (int c = 0; c < 4; ++c) {
                    utf8 << record[c].toUtf8();
                    sqlite3_bind_text(insert, c + 1, utf8[c].constData(), int(utf8[c].size()), SQLITE_STATIC);
                }
                sqlite3_step(insert);
                sqlite3_reset(insert);
            }
            sqlite3_finalize(insert);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        });
        clear();
        report(out, qPrintable(QStringLiteral("import 5,000 payees: read, check, plan (%1 errors)").arg(plan.errors.size())), check, bare,
               "bare insert of the rows");
        report(out, "import 5,000 payees: write", write, bare, "bare insert of the rows");
        AppContext previewContext(dir.path(), dialogs, clock, printer);
        const double preview = medianMicros(5, [&] {
            ImportDialog dialog(previewContext, ImportKind::Payees, *opened.store, csv, QStringLiteral("payees.csv"));
        });
        report(out, "import 5,000 payees: the preview dialog", preview, bare, "bare insert of the rows");

        // The same 5,000 payees stored, then a file that changes every one of them (a new
        // name; every tenth account has lost its leading zeros): the preview once the user
        // chooses to update, and the write.
        applyImport(*opened.store, plan);
        // Stored as the payee window stores them: 14 wide, filled with blanks.
        const auto zeroAccounts = [&] {
            sqlite3_exec(db, "UPDATE R_CUST SET ACTNO = substr('00' || rtrim(ACTNO) || '              ', 1, 14) "
                             "WHERE R_ID LIKE 'X%0' AND ACTNO NOT LIKE '00%'", nullptr, nullptr, nullptr);
        };
        zeroAccounts();
        QList<QStringList> changedRows{rows.first()};
        for (int i = 1; i <= 5000; ++i)
            changedRows << QStringList{rows[i][0], rows[i][1], rows[i][2], QStringLiteral("更名收款人%1").arg(i)};
        const QByteArray changedCsv = CsvText::write(changedRows);
        // The median of five runs of `work` alone, `prepare` run untimed before each.
        const auto timed = [](const std::function<void()> &prepare, const std::function<void()> &work) {
            QList<double> runs;
            for (int i = 0; i < 5; ++i) {
                prepare();
                QElapsedTimer timer;
                timer.start();
                work();
                runs << timer.nsecsElapsed() / 1000.0;
            }
            std::sort(runs.begin(), runs.end());
            return runs[2];
        };
        ImportPlan updatePlan;
        const double updateCheck = medianMicros(5, [&] {
            QString problem;
            const auto file = readImportFile(changedCsv, ImportKind::Payees, std::nullopt, &problem);
            updatePlan = planImport(*opened.store, ImportKind::Payees, *file, guessMapping(ImportKind::Payees, *file), ImportMode::Update,
                                    previewContext.reference());
        });
        report(out, "import 5,000 updated payees: read, check, plan", updateCheck, bare, "bare insert of the rows");
        ImportDialog updating(previewContext, ImportKind::Payees, *opened.store, changedCsv, QStringLiteral("payees.csv"));
        const double updatePreview = timed([&] { updating.findChild<QRadioButton *>(QStringLiteral("optAddOnly"))->setChecked(true); },
                                           [&] { updating.updateOption()->setChecked(true); });
        report(out, "import preview, 5,000 updated payees", updatePreview, bare, "bare insert of the rows");
        const double updateWrite = timed(
            [&] {
                sqlite3_exec(db, "UPDATE R_CUST SET R_NAME = '匯入收款人' || CAST(substr(R_ID, 2) AS INTEGER) WHERE R_ID LIKE 'X%'",
                             nullptr, nullptr, nullptr);
                zeroAccounts();
            },
            [&] { applyImport(*opened.store, updatePlan); });
        report(out, "import 5,000 updated payees: write", updateWrite, bare, "bare insert of the rows");
        clear();
    }
    benchScale(out, dialogs, clock, printer);
    return 0;
}
