#pragma once
#include <QDate>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "platform/Status.h"

class Database;

// What the line board shows of one station of a facility on one day.
struct StationTile {
    QString station;
    qint64 units = 0;   // units (model + serial) first inspected that day: rows with rework number 1
    qint64 passed = 0;  // of those, units whose first inspection rows are all pass rows
    // The limits the day's p is held against (see LineBoardData::limits).
    double pbar = 0;
    bool hasLimits = false;
    QList<QPair<QString, qint64>> topDefects;  // the day's most frequent defect codes, at most three
    QString alarm;       // the newest open alarm's message; empty when none is open
    int openAlarms = 0;

    // Share of the units not passing first time; 0 without units.
    double p() const { return units > 0 ? double(units - passed) / double(units) : 0.0; }
    double firstPassYield() const { return units > 0 ? double(passed) / double(units) : 0.0; }
    // p-bar + 3 sigma for the day's units; the lower limit is of no use on a board.
    double ucl() const;
};

// The line board's reading of the database: one statement per part, each
// along the date index; the same SQL on the file and on a server.
namespace LineBoardData {

// The units of the days before the day that the centre line takes in, per
// station: read once per database, facility and day and kept between
// readings, so that a reading after a Submit reads the day's rows alone.
// (A row stored meanwhile for an earlier day counts from the next day, or
// after clear(): F5 on the board.)
struct History {
    struct Units {
        qint64 units = 0, failed = 0;
    };
    QString key;  // database | facility | day
    QHash<QString, Units> byStation;
    void clear() { key.clear(); }
};

// The facilities with rows in the 30 days up to the day, in order.
QStringList facilities(Database& db, const QDate& day, Status* status);

// One tile per station with rows at the facility on the day, by station;
// the history kept is used when it is the day's, else read into it.
Status read(Database& db, const QString& facility, const QDate& day, QList<StationTile>* tiles, History* history);

// The centre line each station's day is held against: the p-bar of the units
// first inspected at the station over the 30 days up to the day (the history
// and the day's own tiles), each unit counted in the day of its first
// inspection as the yield trend does. A station without units in them has
// none (hasLimits false).
Status limits(Database& db, const QString& facility, const QDate& day, QList<StationTile>* tiles, History* history);

}  // namespace LineBoardData
