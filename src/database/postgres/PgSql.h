#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

// Turns a statement written in the program's dialect (SQLite's, plus portable
// SQL) into PostgreSQL's. The one place that knows the differences:
//   [name] and "Name"  -> "name" (SQLite's names ignore case even when quoted;
//                         the server's names are all lower case)
//   AS Alias            -> AS "Alias" (result columns keep their case)
//   ? and :name         -> $1, $2 ... (one number per name)
//   BEGIN IMMEDIATE     -> BEGIN
//   rowid               -> the table's key (InspectionID, EmployeeID, or the
//                          hidden rowid column of the code tables)
//   LIKE                -> ILIKE (SQLite's LIKE ignores case)
//   ifnull(             -> coalesce(
//   INSERT ...          -> INSERT ... RETURNING the key
//   SELECT * FROM code table -> its fields without the hidden key
namespace PgSql {

struct Translated {
    QString sql;
    // The name of each parameter by its number - 1 (":name", or empty for "?").
    QStringList parameters;
    // For each parameter number (1-based) the field it is written into or
    // compared with, when the statement says so plainly; for naming refusals.
    QHash<int, QString> parameterFields;
    // An INSERT's literal values (without quotes) and the fields they go into.
    QHash<QString, QString> literalFields;
    // The statement's first table, in the schema's case; empty when none.
    QString table;
    bool returnsKey = false;
};

Translated translate(const QString& sql);

// The key that "rowid" stands for in a table (matched without regard to case).
QString keyOf(const QString& table);

// The fields of a code table that SELECT * names ("partnum, partdescription");
// empty for a table with no hidden key.
QString visibleFields(const QString& table);

// A table or field name the server gives back in lower case, in the schema's
// case (a field of the given table first); any other name unchanged.
QString schemaName(const QString& name, const QString& table = QString());

}  // namespace PgSql
