#pragma once
#include <functional>

#include <QByteArray>
#include <QList>
#include <QString>

// Benchmark cases of varnex-bench. Each area adds its cases from a file
// tools/bench/bench_<area>.cpp with a static Bench::Registrar.
namespace Bench {

struct Case {
    QString name;
    // The case this one is compared with (its ratio is printed), or empty.
    QString baseline;
    std::function<void()> setup;     // once, untimed
    std::function<void()> run;       // timed, repeated
    std::function<void()> teardown;  // once, untimed
    int repeats = 7;
    std::function<void()> after;  // after each run, untimed (undoes what run did)
};

void add(Case c);

struct Registrar {
    explicit Registrar(Case c) { add(std::move(c)); }
};

// A large database of the given number of inspection rows, made once (by the
// data generator) in the benchmark folder and reused by later runs. Cases copy
// it when they change it.
QString largeDatabase(int rows);
// The number of rows asked for on the command line (--rows, default 1,000,000).
int rows();
// The benchmark's working folder (--dir, default ./bench-data).
QString folder();
// The server given with --cluster (a PostgreSQL connection URI, normally a
// throwaway cluster's), empty when none: cases named "server: ..." run only with one.
QString cluster();
// A database on that server holding the rows of largeDatabase(rows), copied
// from the file the first time and reused while the server keeps it.
QString serverDatabase(int rows);
// A case that times the parts of its work itself (each Submit of its
// stations) hands the times in here: the runner reports them in place of the
// runs' times, with their 99th percentile.
void addSamples(const QList<double>& ms);
// The station a submit case starts ("varnex-bench --station DATABASE SEED ROWS"):
// submits the rows through the data entry screen and prints each one's time.
int stationMain(const QStringList& args);
// Starts that many stations on the database, each submitting rowsEach rows,
// all at once; returns their output lines ("ms T" per Submit, "at EPOCHMS"
// when each ended). This process's events are served while they work.
QList<QByteArray> runStationProcesses(const QString& database, int stations, int rowsEach);
// Reports a case that could not do its work; the runner marks it failed and
// exits non-zero at the end.
void fail(const QString& why);

}  // namespace Bench
