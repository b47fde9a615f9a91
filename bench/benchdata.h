#pragma once

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <functional>
#include <vector>

struct sqlite3;

// A program directory with data files of a large customer: 10,000 payees, 6,000
// institutions and a batch of 998 lines.
struct BenchData {
    int payees = 10000;
    int institutions = 6000;
    int lines = 998;
};
// Makes the two data files in dir (which must not hold them yet); returns an error text or empty.
QString makeBenchStores(const QString &dir, const BenchData &size = {});

// Median wall time of fn in microseconds over the given number of runs.
inline double medianMicros(int runs, const std::function<void()> &fn)
{
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        times.push_back(t.nsecsElapsed() / 1000.0);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

// A plain SQLite connection for the baselines.
sqlite3 *openBare(const QString &file);
// Runs the statement with one optional text binding and steps through every row,
// reading each column as text; returns the number of rows.
int stepAll(sqlite3 *db, const char *sql, const QByteArray &binding = {});
