#pragma once
#include "database/Database.h"

// The program's tables on a PostgreSQL server: the same tables, fields, keys
// and checks as the file's schema, in the server's own terms.
namespace PgSchema {

// Creates the tables, indexes, triggers and functions in an empty server
// database, in one transaction. The rows (pass codes) are the caller's.
Status create(Database& db);

// Brings a server database made by an earlier version up to this one, in
// one transaction, keeping its rows: the audit trail when it has none, the
// table of rows sent from the stations' outboxes, the report functions, the
// limit and alarm tables and their notices, the roles and grants.
Status upgrade(Database& db);
// The alarm table and the notices on the channel below of every committed
// change of inspection rows or alarms, when a database made by an earlier
// version lacks them (nothing is changed when they are there).
Status addMonitor(Database& db);
// The channel the notices are sent on (LISTEN).
QString channel();
// The table in which the server records the id of each row a station kept
// while the server was away, in the transaction that stores the row; made in
// a database created before it (no harm when it exists).
Status addSentRows(Database& db);

// After rows were copied in with their keys: the key sequences go on past them.
Status resetKeys(Database& db);

// The database name in a connection URI replaced ("postgresql://u@h/x?host=/d" -> ".../name?host=/d").
QString withDatabase(const QString& uri, const QString& name);

}  // namespace PgSchema
