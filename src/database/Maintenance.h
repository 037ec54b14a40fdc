#pragma once
#include "platform/Status.h"

// Repair and compaction of a database file (the file must not be open elsewhere
// in the program while they run).
namespace Maintenance {

// Checks the file and rebuilds its indexes; a file that stays damaged is an
// error that says so, never silently dropped rows.
Status repair(const QString& path);

// The engine's quick check of every table and index page (it does not
// compare indexes with their tables); fails with the damage found.
Status quickCheck(const QString& path);

// Writes a compacted, equivalent copy of source to target, which must not exist.
// The source file is not changed.
Status compact(const QString& source, const QString& target);

// The rows of every table, for checks: "table=count;..." in name order.
QString rowSummary(const QString& path);

}  // namespace Maintenance
