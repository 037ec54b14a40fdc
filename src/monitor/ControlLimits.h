#pragma once
#include <QDate>
#include <QString>
#include <QStringList>

#include "database/Database.h"

// A station's control limits: the p-bar of a baseline range, frozen, with the
// run rules it switches on. Sets are kept in ControlLimit and never changed;
// the latest of a facility, station and model is the one in force, and a
// model without a set of its own is watched by its station's (model empty).
struct LimitSet {
    qint64 id = 0;
    QString facility, station, model;
    QDate begin, end;  // the baseline
    double pbar = 0;   // share of units not passing first time, 0..1
    int days = 0;
    qint64 units = 0;
    bool rule[4] = {true, true, true, true};
    int rule4Count = 3;   // the same defect code on this many
    int rule4Units = 20;  // of the last this many units at the station
    QString setBy, setAt;
};

namespace ControlLimits {

// The baseline's p-bar, days and units as the yield trend computes them (by day,
// over the range); fails when the range holds no units.
Status baseline(const QString& facility, const QString& station, const QString& model, const QDate& begin,
                const QDate& end, LimitSet* out);
// Stores a new set in force, with who and when; out->id is its key.
Status store(Database& db, LimitSet* set);
// The set in force for a row: the model's latest, else the station's latest.
Status inForce(Database& db, const QString& facility, const QString& station, const QString& model, LimitSet* out,
               bool* found);
// Before the yield trend runs with its frozen limits: refuses, saying why, when
// the report's fields ("Name;value;true") name no station with limits in force.
Status checkTrendFields(const QStringList& fields);

}  // namespace ControlLimits
