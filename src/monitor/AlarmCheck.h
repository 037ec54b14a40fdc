#pragma once
#include <QDate>
#include <QList>
#include <QString>

#include "database/Database.h"

struct LimitSet;

// The run rules, checked after every Submit for the row's facility and
// station against the limits in force there (the model's own set when it
// has one, else the station's for every model); without limits in force
// nothing is checked. Rules 1 to 3 are the yield trend's own, by day over
// the station's last nine days with units, read for the row's day:
//   1. the day's p above its UCL (frozen p-bar, the day's n);
//   2. nine days in a row above p-bar;
//   3. six days in a row each worse than the one before.
// Rule 4: the row's defect code on at least N of the last M units first
// inspected at the station (N and M per limit set).
// A rule that fires raises an alarm unless one is open for the same station,
// model, rule and day.
namespace AlarmCheck {

struct Row {
    QString facility, station, model, defectCode;
    QDate date;
};

struct Fired {
    int rule = 0;
    QString message;   // the banner's sentence
    double observed = 0;
    double threshold = 0;
};

// Which rules fire for the row, without raising anything; *limits receives the set in force.
Status evaluate(Database& db, const Row& row, QList<Fired>* fired, LimitSet* limits = nullptr);
// Evaluates and raises the alarms; *raised counts the new ones.
Status afterSubmit(Database& db, const Row& row, int* raised = nullptr);

// Off: afterSubmit does nothing (the benchmark's side-by-side case).
void setEnabled(bool on);

}  // namespace AlarmCheck
