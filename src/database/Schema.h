#pragma once
#include "database/Database.h"

// The Inspection database: file name, connection texts and tables.
namespace Schema {

QString databaseFileName();  // "kelid.mdb"
// Application folder + "\kelid.mdb", made native.
QString livePath();

// The database the program works on: the server named by "--server URI" for
// this run, else by the line "server = URI" of varnex.conf in the application
// folder, else the live file. A name is opened as it is by Database::open.
QString databaseName();
bool isServer();
// The database file in use (the live file), or empty on a server.
QString databaseFile();
// The server given on the command line for this run (empty: none).
void setServerOverride(const QString& uri);
// The configuration file's name in the application folder: "varnex.conf".
QString configFileName();
// A password in the configuration file's server line: refused while every
// user of this computer may read the file; else accepted, and *warning tells
// to keep the file so.
Status checkConfigFile(QString* warning);
// The database in use as the user is shown it: the file's path, or the
// server's host and database name (never a password).
QString describe();

// What a connection text names: folder + "\kelid.mdb" as the forms have
// always written it, or the server's URI.
QString connectionTarget();

// Connection texts as the forms write them.
QString dataEntryConnectPrefix();   // "Provider=Microsoft.Jet.OLEDB.3.51;Data source ="
QString browserConnectPrefix();     // "PROVIDER=Microsoft.Jet.OLEDB.3.51;Data Source="
// The file named by the "Data Source=" part of a connection text (letter case
// and blanks before "=" ignored), made native; a server's URI as it is;
// empty when there is none.
QString dataSourceOf(const QString& connectionText);

// Creates the seven tables and the index in an empty database.
Status create(Database& db);
// Brings a database made by an earlier version up to the schema (the indexes
// and tables it lacks; on a server the alarm tables and the change notices);
// a server URI is opened as one too.
Status upgrade(Database& db);
Status upgradeFile(const QString& path);
// Adds to a database made before them (no harm when they exist) the row
// count that the file keeps of InspectionRecord, recounted now, and the table
// that records its last check; part of create().
Status addUpkeep(Database& db);
// The number of rows of a table: the count the file keeps, or a count.
qint64 rowCount(Database& db, const QString& table, Status* status);
// Whether the database has the table (on a server, by its lower-case name);
// a failure to ask goes to *status, which is left alone otherwise.
bool hasTable(Database& db, const QString& name, Status* status);
// The length a person types into a text field, for its entry box: 0 for a
// field without one (numbers, dates, fields not listed). Names are matched
// without regard to case.
int fieldLimit(const QString& table, const QString& field);

// Creates a new database file with the schema (the file must not exist).
Status createFile(const QString& path);

// The pass values of a row and of the reference tables.
inline QString passPart() { return QStringLiteral("001"); }
inline QString passDefect() { return QStringLiteral("1"); }
inline QString passLocation() { return QStringLiteral("1"); }
// SQL that holds for a pass row (NULL when a code is missing); `row` qualifies
// the columns ("NEW.", "i."). The values are the program's own, not a user's.
inline QString passRowSql(const QString& row = QString()) {
    return QStringLiteral("(%1PartNum = '%2' AND %1DefectCode = '%3' AND %1LocationCode = '%4')")
        .arg(row, passPart(), passDefect(), passLocation());
}

}  // namespace Schema
