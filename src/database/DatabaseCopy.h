#pragma once
#include <vector>

#include <QString>

#include "database/Database.h"

// Copies the program's tables from one open database to another, whichever
// engine each one is: a desktop file into a server, a server into a desktop
// file (export, and the backup of a server). Every row keeps its key and its
// values; the target's key counters are set past the keys copied.
namespace DatabaseCopy {

struct TableRows {
    QString table;
    qint64 rows = 0;
};
using Counts = std::vector<TableRows>;

// The tables copied, in the order they are copied.
const QStringList& tables();

// Whether the program's tables exist in the database (false with *status set
// when it cannot be asked at all).
bool hasSchema(Database& db, Status* status);

// Fails, naming the first table that holds rows, unless the database holds
// nothing but the pass codes a new database starts with.
Status checkEmpty(Database& db);

// Copies every row of `from` into `to`, which must pass checkEmpty (its pass
// codes give way to the source's). `from` is read in one read transaction, so
// the copy is one state of its data even while others write to it; `to` is
// written in one transaction, so a failure leaves it as it was; a server
// target then gathers its statistics. `counts` receives the rows copied per
// table.
Status copy(Database& from, Database& to, Counts* counts = nullptr);

// Writes a new desktop database file at `path` (the program's schema) holding
// every row of `from`. It is built under a temporary name in the same folder
// and renamed into place only when complete; an existing file at `path` is
// refused unless `replace`, and then kept until the new one is whole.
Status toFile(Database& from, const QString& path, bool replace, Counts* counts = nullptr);

// "table rows" lines, for the tools.
QString describe(const Counts& counts);

}  // namespace DatabaseCopy
