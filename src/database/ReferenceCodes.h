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

}  // namespace ReferenceCodes
