#pragma once
#include <QString>

#include "platform/Status.h"

class Database;

// A unit at a station: the three fields that number its rows.
struct InspectedUnit {
    QString modelNumber;
    QString serialNumber;
    QString station;
};

// The rework number of a stored row: how many rows of InspectionRecord hold
// the same model number, serial number and station, up to and including the
// row itself in InspectionID order. A new row is the unit's latest, so its
// number is the count of all the unit's rows; correcting an earlier row keeps
// its place in the unit's numbering.
namespace ReworkCounter {

// The rework number is kept as a 16-bit count; a larger count stops there.
constexpr int maxCount = 32767;

// The counting statement, with the three values and the row's InspectionID
// bound in that order.
QString statement();

// Counts with one query on the unit's index, on the connection that stored
// the row (inside its transaction, so the row itself is seen). The comparison
// is exact (case and blanks count) and an empty field matches no row, not
// even the one just stored.
Status count(Database& db, const InspectedUnit& unit, qint64 inspectionId, int* result);

// The key under which writers of one unit take turns: two stations storing
// rows of the same unit at once must not count the same rows.
QString lockKey(const InspectedUnit& unit);

// Writes the number into the row.
Status store(Database& db, qint64 inspectionId, int number);

}  // namespace ReworkCounter
