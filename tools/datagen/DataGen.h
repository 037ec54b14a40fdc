#pragma once
#include <cstdint>

#include "database/Database.h"
#include "platform/Status.h"

// Deterministic databases: the blank one, the demo one and large ones for
// benchmarks. Each writes a new file (an existing one is an error); the file
// is built under a temporary name and renamed into place when complete, so an
// interrupted run never leaves a half-made database behind.
namespace DataGen {

// The schema with only the pass codes ("001", "1", "1").
Status createBlank(const QString& path);
// The demo plant: reference tables and about 2,000 inspection rows over the
// first half of 2026.
Status createDemo(const QString& path);
// The demo plant's reference tables and exactly `rows` inspection rows of the
// same shape, over as many working days as it takes. With `trail`, the audit
// trail records (and seals) each row as this program makes it, as if entered
// one by one: the file a plant has after that many inserts.
Status createLarge(const QString& path, std::int64_t rows, bool trail = false);

// The rows of the blank and of the demo database, written into a database
// that has the schema and no rows (a server's, for one), in the caller's transaction.
Status insertBlankRows(Database& db);
Status insertDemoRows(Database& db);

}  // namespace DataGen
