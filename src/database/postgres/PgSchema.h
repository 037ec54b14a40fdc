#pragma once
#include "database/Database.h"

// The program's tables on a PostgreSQL server: the same tables, fields, keys
// and checks as the file's schema, in the server's own terms.
namespace PgSchema {

// Creates the tables, indexes, triggers and functions in an empty server
// database, in one transaction. The rows (pass codes) are the caller's.
Status create(Database& db);

// Adds the control limit and alarm tables to a database made before them
// (nothing when they are there).
Status addMonitor(Database& db);

// After rows were copied in with their keys: the key sequences go on past them.
Status resetKeys(Database& db);

// The database name in a connection URI replaced ("postgresql://u@h/x?host=/d" -> ".../name?host=/d").
QString withDatabase(const QString& uri, const QString& name);

}  // namespace PgSchema
