#pragma once
#include "database/Database.h"

// The program's tables on a PostgreSQL server: the same tables, fields, keys
// and checks as the file's schema, in the server's own terms.
namespace PgSchema {

// Creates the tables, indexes, triggers and functions in an empty server
// database, in one transaction. The rows (pass codes) are the caller's.
Status create(Database& db);

// Brings a database made by an earlier version up to the schema: the alarm
// table, and the notices on the channel below of every committed change of
// inspection rows or alarms (nothing is changed when they are there).
Status upgrade(Database& db);
// The channel the notices are sent on (LISTEN).
QString channel();

// After rows were copied in with their keys: the key sequences go on past them.
Status resetKeys(Database& db);

// The database name in a connection URI replaced ("postgresql://u@h/x?host=/d" -> ".../name?host=/d").
QString withDatabase(const QString& uri, const QString& name);

}  // namespace PgSchema
