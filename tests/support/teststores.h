#pragma once

#include "core/store/storefiles.h"

#include "ui/platform/printer.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

// A program directory of its own for one test, with data files made by the store tool's
// code, and direct access to their rows behind the program's back.
class TestDir {
public:
    TestDir();
    QString path() const { return m_dir.path(); }
    QString working() const;
    QString reference() const;

    // Makes VXBANK.mdb (empty tables) and BRANCH.mdb (the given institutions).
    void makeStores(const QList<Institution> &institutions = {});

    // Rows of a table in the order added, each column as text ("<null>" for null).
    static QList<QStringList> rows(const QString &file, const QString &table);
    // The rows of each table named, in turn.
    static QList<QList<QStringList>> rows(const QString &file, const QStringList &tables);
    static void insert(const QString &file, const QString &table, const QList<QStringList> &rows);
    static void exec(const QString &file, const QString &sql);

    // Damage as a failing disk leaves it. The first page of the table's rows turns to
    // garbage, and the file says it changed, so that a program that has it open reads
    // the garbage too.
    static void damageTable(const QString &file, const QString &table);
    // Runs the statement past the table's indexes: its rows change, its indexes do not,
    // which the engine's quick check does not notice.
    static void execPastIndexes(const QString &file, const QString &table, const QString &sql);

private:
    QTemporaryDir m_dir;
};

// A file's bytes; "<absent>" when it cannot be read, never taken for an empty file.
QByteArray fileBytes(const QString &path);
// A file of the suite's data/ folder, whole.
#define REFERENCE_BYTES(name) fileBytes(QFINDTESTDATA(QStringLiteral("data/") + (name)))
// A reference case list: a case a line, its fields split at tabs, "\n" and "\t" standing for
// a line break and a tab, lines that begin with '#' left out. A list not found has no cases.
QList<QStringList> caseList(const QByteArray &bytes);
#define REFERENCE_CASES(name) caseList(REFERENCE_BYTES(name))

// Another program holding the file's write lock while it lives: nothing can be stored.
class HeldWriteLock {
public:
    explicit HeldWriteLock(const QString &file);
    ~HeldWriteLock();
    bool held() const { return m_held; }

private:
    QString m_connection;
    bool m_held = false;
};

// The Printer double: keeps each job (and where a PDF would go); fails when told to.
class RecordingPrinter : public Printer {
public:
    bool print(const PrintJob &job, QString *error) override { return record(job, QString(), error); }
    bool exportPdf(const PrintJob &job, const QString &path, QString *error) override { return record(job, path, error); }
    void preview(const PrintJob &job, QWidget *) override { previews.append(job); }
    QList<PrintJob> jobs;
    QStringList pdfPaths;
    QList<PrintJob> previews;
    QString failure; // the reason every job fails with, when set

private:
    bool record(const PrintJob &job, const QString &path, QString *error)
    {
        if (!failure.isEmpty()) {
            if (error)
                *error = failure;
            return false;
        }
        jobs.append(job);
        pdfPaths.append(path);
        return true;
    }
};
