#pragma once
#include <QString>

// The counter line of the screens that show stored rows one at a time or in
// a grid: it says what the current row is among the rows stored.
namespace RecordCaption {

// "Record 1777 of 1983" for the stored row at the position (from 0);
// "New record (1983 stored)" for a row not stored yet; "No current record
// (1983 stored)" when no row is current (past an end, after a delete).
QString of(int position, int count, bool newRow);

}  // namespace RecordCaption
