#pragma once
#include <QString>

#include "platform/Status.h"

// A unit at a station: the three fields that number its rows.
struct InspectedUnit {
    QString modelNumber;
    QString serialNumber;
    QString station;
};

// The rework number of a stored row: how many rows of InspectionRecord hold
// the same model number, serial number and station, the row itself included.
namespace ReworkCounter {

// The rework number is kept as a 16-bit count; a larger count stops there.
constexpr int maxCount = 32767;

// The counting statement, with the three values bound in that order.
QString statement();

// Counts with one query on the unit's index, opened through a connection text.
// The comparison is exact (case and blanks count) and an empty field matches
// no row, not even the one just stored.
Status count(const QString& connectionText, const InspectedUnit& unit, int* result);

}  // namespace ReworkCounter
