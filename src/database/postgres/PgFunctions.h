#pragma once
#include <QString>

// SQLite's date functions that the report definitions use, defined on the
// server with SQLite's names and meaning, so one query runs on both engines.
namespace PgFunctions {
// CREATE OR REPLACE FUNCTION statements, run when the server's schema is made.
QString sql();
}  // namespace PgFunctions
