#pragma once
#include <QString>
#include <QStringList>

#include "platform/Status.h"

class Database;

// A unit at a station: the three fields that number its rows.
struct InspectedUnit {
    QString modelNumber;
    QString serialNumber;
    QString station;
    bool operator==(const InspectedUnit& o) const {
        return modelNumber == o.modelNumber && serialNumber == o.serialNumber && station == o.station;
    }
    bool operator!=(const InspectedUnit& o) const { return !(*this == o); }
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

// Numbers every row of the unit again, 1, 2, ... in InspectionID order (up
// to the limit), as count() numbers each: after a row has joined or left the
// unit. Run in the transaction that moved the row, under lockKeys(). A unit
// with an empty field numbers no rows.
Status renumber(Database& db, const InspectedUnit& unit);

// The keys to take when a stored row moves from one unit to another: both
// units' (one when they are the same).
QStringList lockKeys(const InspectedUnit& left, const InspectedUnit& joined);

}  // namespace ReworkCounter
