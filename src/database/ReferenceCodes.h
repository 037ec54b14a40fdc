#pragma once
#include <QStringList>

#include "database/Database.h"

// The codes of the reference tables (models, stations, employees, parts,
// defects, locations) as the data entry boxes offer and check them. The
// table and field names come from the screen's fixed list, never from typing.
namespace ReferenceCodes {

// Every code of the field, in order.
Status list(Database& db, const QString& table, const QString& field, QStringList* codes);

// Whether the code is one of the table's. A table that holds no codes at all
// is one the plant does not keep: it takes every code.
Status knows(Database& db, const QString& table, const QString& field, const QString& code, bool* known);

// A reference table whose codes the inspection rows name: the code field,
// the InspectionRecord columns that hold its codes, and the words for it.
struct Use {
    const char* table;
    const char* field;
    const char* what;  // "Defect code"
    const char* kept;  // what the rows keep on a rename: "code", "number"
    QStringList columns;
};

// The entry of a reference table (by name, without regard to case); null for
// a table the inspection rows do not name.
const Use* use(const QString& table);

// How many inspection rows name the code: one counting query with the code
// bound, on the columns of the fixed list.
Status countUses(Database& db, const Use& use, const QVariant& code, qint64* rows);

}  // namespace ReferenceCodes
