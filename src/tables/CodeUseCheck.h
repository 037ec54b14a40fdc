#pragma once
#include <QVariant>

class Database;

// The questions asked before a reference code that inspection rows name is
// deleted or changed: the rows keep the code they hold, so the reports would
// show it without its description. A code no row names is asked about as any
// record is (delete) or not at all (change).
namespace CodeUseCheck {

// "Defect code BUR is used by 4 inspection rows. Delete it anyway?", or
// "Delete this record?" when no row names it; true on Yes (No is the default).
bool confirmDelete(Database& db, const QString& table, const QVariant& code);

// "Defect code BUR is used by 4 inspection rows, which keep the old code.
// Change it anyway?" when rows name the stored code about to be replaced;
// true when none does, or on Yes.
bool confirmChange(Database& db, const QString& table, const QVariant& storedCode);

}  // namespace CodeUseCheck
