#pragma once
#include <cstdint>
#include <vector>

#include <QDate>
#include <QString>

#include "platform/Status.h"

namespace DataGen {

// The plant behind the generated databases: what it builds, its reference
// codes and its people, with the weights that shape the inspection results,
// and the generator's seeds and knobs. All of it is read from the seed text
// data/seed/plant.seed, compiled in. Codes and names are upper-case, as the
// entry forms store them. The first entry of parts, defects and locations is
// the pass code.
struct Model {
    QString number, description;
    int weight;  // share of the production volume
};
struct Part {
    QString number, description;
    int location;  // index of its usual defect location, or -1 for anywhere
};
struct Defect {
    QString code, description;
    int weight;              // share among defects found (the Pareto)
    bool visibleEarly;       // could have been seen at an earlier station
    std::vector<int> parts;  // indexes of the parts it is found on
};
struct Location {
    QString code, description;
};
struct Station {
    QString id, description;
    double failRate;  // chance that a unit's first inspection there finds defects
};
struct Employee {
    QString number, firstName, lastName;
    int facility;      // index into facilityCodes
    bool inspector;    // else an operator on the line
    double defectRisk; // operators: multiplies the fail rate of the units they build
};

// How units move through the floor.
struct SimulationKnobs {
    std::vector<int> defectsPerFailure;  // shares of failures finding 1, 2, ... defects
    double reworkFailRate = 0;           // a re-inspection after rework fails
    double escapeRate = 0;               // a visible defect at final escaped an earlier pass
    double noteRate = 0;                 // a row gets a note
    double usualLocationRate = 0;        // a defect is at its part's usual location
    double nextStationSameDay = 0;       // a passed unit reaches its next station the same day
    double reinspectionSameDay = 0;      // a failed unit is re-inspected the same day
};
// One bad week at one facility: a unit's first inspection at a station there
// also fails, this often, with one defect code (a bad batch of parts).
struct BadWeek {
    int facility = -1;  // none
    QDate monday;
    int defect = 0;     // index into defects
    double rate = 0;
    bool covers(int f, const QDate& day) const { return f == facility && day >= monday && day < monday.addDays(7); }
};
// The demo database: seed, working days, new units per facility and day, and its bad week.
struct DemoRun {
    std::uint64_t seed = 0;
    QDate first, last;
    int unitsPerDayLow = 0, unitsPerDayHigh = 0;
    BadWeek badWeek;
};
// Large databases: seed and period; the rows are spread over the period at
// `rowsPerUnit`, new units per facility and day between the spread factors of
// the mean.
struct LargeRun {
    std::uint64_t seed = 0;
    QDate first, last;
    double rowsPerUnit = 0;
    double spreadLow = 0, spreadHigh = 0;
};

struct PlantCatalogue {
    // The plant's facilities; employees and routes name them by code.
    static constexpr int kFacilities = 2;
    static const char* const facilityCodes[kFacilities];

    std::vector<Model> models;
    std::vector<Part> parts;
    std::vector<Defect> defects;
    std::vector<Location> locations;
    std::vector<Station> stations;
    std::vector<Employee> employees;
    // The first is written on passed re-inspections, the others on defect rows.
    std::vector<QString> notes;
    // In-line stations of each facility (indexes into stations) with their
    // chance of being on a unit's route; every unit ends at final inspection.
    std::vector<std::vector<std::pair<int, double>>> inlineStations;
    int finalStation = 0;
    SimulationKnobs simulation;
    DemoRun demo;
    LargeRun large;

    // Reads a seed text; `source` names it in messages. Anything malformed,
    // missing or inconsistent is an error naming the line (or the section).
    static Status parse(const QString& text, const QString& source, PlantCatalogue& out);

    // The compiled-in seed, read at first use. When it does not parse, the
    // catalogue is empty and status() says why; the generators check it first.
    static const PlantCatalogue& instance();
    static Status status();
};

}  // namespace DataGen
