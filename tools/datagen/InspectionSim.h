#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include <QDate>
#include <QString>

#include "datagen/PlantCatalogue.h"
#include "datagen/Prng.h"

namespace DataGen {

// One row of InspectionRecord as the data entry screen stores it; a null
// text is an empty field.
struct InspectionRow {
    QString facility, model, serial, inspector, date, station;
    QString part, defect, location;
    QString inspNum, iDate, operatorNum, oDate, notes;
    int reworkNum = 0;
};

struct SimConfig {
    std::uint64_t seed = 0;
    QDate first, last;       // working days from first to last
    int unitsPerDayLow = 2;  // new units per facility and day
    int unitsPerDayHigh = 6;
    // Stop after this many rows (the dates then run on past `last` if need
    // be); 0: stop when the units started by `last` have left final inspection.
    std::int64_t rowLimit = 0;
    BadWeek badWeek;  // none unless set
};

// The inspection floor, day by day: units are built at facility A or B, go
// through an in-line station (most of them) and final inspection; a unit with
// defects gets one row per defect, is reworked and re-inspected at the same
// station, the same day or the next. Rows come out in insertion order, so each
// row's rework number is the count of the rows of its model, serial number and
// station so far, this row included.
class InspectionSim {
public:
    using Sink = std::function<bool(const InspectionRow&)>;
    explicit InspectionSim(const SimConfig& config, const PlantCatalogue& plant = PlantCatalogue::instance());

    // Hands every row to the sink in order; stops early when it returns false.
    // Returns the number of rows handed over.
    std::int64_t run(const Sink& sink);

private:
    struct Unit {
        int facility = 0;
        int model = 0;
        int operatorIndex = 0;
        QString serial, buildDate;
        int route[2] = {0, 0};
        int routeLength = 0;
        int step = 0;           // index into route
        int rowsAtStation = 0;  // rows stored so far at the current station
        QString passInspector, passDate;  // last passed inspection, for escapes
    };

    int startUnit(int facility, const QDate& day);
    // Inspects a unit at its current station; false when the sink said stop.
    bool inspect(int unit, const QString& day, bool lastDay);
    void schedule(int unit, bool sameDay);
    bool deliver(InspectionRow& row);
    static QDate nextWorkday(QDate day);

    SimConfig m_config;
    const PlantCatalogue& m_plant;
    Prng m_rng;
    Sink m_sink;
    std::int64_t m_emitted = 0;
    std::vector<Unit> m_units;
    std::vector<int> m_freeUnits;
    std::deque<int> m_today, m_tomorrow;
    std::vector<int> m_inspectors[PlantCatalogue::kFacilities], m_operators[PlantCatalogue::kFacilities];
    std::vector<int> m_modelWeights, m_defectWeights;
    int m_serialYear[PlantCatalogue::kFacilities] = {};
    int m_serialNext[PlantCatalogue::kFacilities] = {};
    QString m_facilityCode[PlantCatalogue::kFacilities];
};

}  // namespace DataGen
