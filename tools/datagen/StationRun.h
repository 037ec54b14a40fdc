#pragma once
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// An inspection station at work: rows typed into the data entry screen and
// stored with Submit Record, the question after each answered as an
// inspector would. Several processes running it on one database act as the
// stations of a plant; the units they inspect are shared, so the rows of
// one unit come from every station at once.
namespace StationRun {

struct Plan {
    int rows = 500;
    quint64 seed = 1;
    QString inspector;      // the station's own inspector number: tells its rows apart
    QString facility = QStringLiteral("A");
    QString model;          // the model of every unit
    QDate date = QDate(2026, 3, 4);
    int units = 20;         // serial numbers U01, U02, ...
    QString serial;         // when set, every row's unit instead
    QStringList stations;   // the station codes a unit is inspected at
    QString part, defect, location;  // the codes of a defect row
    double defectShare = 0.3;        // of the rows
    double anotherShare = 0.5;       // of the defect rows: followed by another defect of the unit
};

struct Result {
    int submitted = 0;      // rows Submit reported stored
    QStringList errors;     // the texts of error boxes (a submit that stored nothing)
    QList<double> millis;   // each stored row's Submit, from the click until the screen is ready again
    QList<qint64> storedAt; // when each stored row's Submit ended: milliseconds since the epoch, for other processes
};

// Opens the data entry screen on the database in use and submits the plan's
// rows. The data entry form must be registered and the application folder set.
Result run(const Plan& plan);

}  // namespace StationRun
