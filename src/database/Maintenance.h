#pragma once
#include <functional>

#include <QDateTime>

#include "platform/Status.h"

// Repair and compaction of a database file (the file must not be open elsewhere
// in the program while they run).
namespace Maintenance {

// Checks the file and rebuilds its indexes; when that is not enough, rebuilds
// the file from the rows it can still read (Salvage). Rows that could not be
// read are an error that says how many and where the damaged file was kept,
// never silently dropped rows.
Status repair(const QString& path);

// The engine's quick check of every table and index page (it does not
// compare indexes with their tables); fails with the damage found.
Status quickCheck(const QString& path);

// Writes a compacted, equivalent copy of source to target, which must not exist.
// The source file is not changed.
Status compact(const QString& source, const QString& target);

// Pages of the compacted copy written so far, out of all it will hold.
using Progress = std::function<void(qint64 done, qint64 all)>;
Status compact(const QString& source, const QString& target, const Progress& progress);

// What the file says of itself: its size in pages, its free pages, and
// whether anything was written to it since it was last checked and compacted.
struct FileState {
    qint64 pages = 0;
    qint64 freePages = 0;
    qint64 writes = 0;         // write transactions, as counted in the file (SqliteFileUse)
    bool checked = false;      // a check was recorded in the file
    qint64 checkedWrites = 0;  // the count right after it
    qint64 checkedPages = 0;   // the pages right after it
    QDateTime fullCheck;       // when the engine's full check last ran (invalid: not known)
    bool writtenSinceCheck() const { return !checked || writes != checkedWrites; }
};
Status fileState(const QString& path, FileState* state);

// Records in a freshly checked and compacted file that it is so (and brings
// its kept row count up to date), with the time of its full check.
Status markChecked(const QString& path);

// The engine's full check, which also compares every index with its table
// (on a large file it takes a while); fails with the damage found. A sound
// file that was checked before records the time of this check.
Status fullCheck(const QString& path);

// The rows of every data table, for checks: "table=count;..." in name order
// (the file's own bookkeeping left out).
QString rowSummary(const QString& path);

}  // namespace Maintenance
