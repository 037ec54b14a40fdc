#include "datagen/InspectionSim.h"

namespace DataGen {

InspectionSim::InspectionSim(const SimConfig& config, const PlantCatalogue& plant)
    : m_config(config), m_plant(plant), m_rng(config.seed) {
    for (int f = 0; f < PlantCatalogue::kFacilities; ++f)
        m_facilityCode[f] = QLatin1String(PlantCatalogue::facilityCodes[f]);
    for (int i = 0; i < int(m_plant.employees.size()); ++i) {
        const Employee& e = m_plant.employees[i];
        (e.inspector ? m_inspectors : m_operators)[e.facility].push_back(i);
    }
    for (const Model& m : m_plant.models)
        m_modelWeights.push_back(m.weight);
    for (const Defect& d : m_plant.defects)
        m_defectWeights.push_back(d.weight);
}

QDate InspectionSim::nextWorkday(QDate day) {
    do
        day = day.addDays(1);
    while (day.dayOfWeek() > 5);
    return day;
}

std::int64_t InspectionSim::run(const Sink& sink) {
    m_sink = sink;
    QDate day = m_config.first;
    while (day.dayOfWeek() > 5)
        day = nextWorkday(day);
    bool stopped = false;
    while (!stopped) {
        const bool producing = m_config.rowLimit > 0 || day <= m_config.last;
        if (!producing && m_today.empty())
            break;
        // With a fixed end, the last day inspects every unit to the end, so
        // no date falls after it.
        const bool lastDay = m_config.rowLimit == 0 && nextWorkday(day) > m_config.last;
        if (producing) {
            for (int facility = 0; facility < PlantCatalogue::kFacilities; ++facility) {
                const int n = m_rng.between(m_config.unitsPerDayLow, m_config.unitsPerDayHigh);
                for (int i = 0; i < n; ++i)
                    m_today.push_back(startUnit(facility, day));
            }
        }
        const QString dayText = day.toString(Qt::ISODate);
        while (!m_today.empty() && !stopped) {
            const int unit = m_today.front();
            m_today.pop_front();
            stopped = !inspect(unit, dayText, lastDay);
        }
        std::swap(m_today, m_tomorrow);
        day = nextWorkday(day);
    }
    return m_emitted;
}

int InspectionSim::startUnit(int facility, const QDate& day) {
    int index;
    if (m_freeUnits.empty()) {
        index = int(m_units.size());
        m_units.emplace_back();
    } else {
        index = m_freeUnits.back();
        m_freeUnits.pop_back();
    }
    Unit& u = m_units[index];
    u = Unit();
    u.facility = facility;
    u.model = m_rng.weighted(m_modelWeights);
    const std::vector<int>& ops = m_operators[facility];
    u.operatorIndex = ops[m_rng.below(int(ops.size()))];
    const int yy = day.year() % 100;
    if (m_serialYear[facility] != yy) {
        m_serialYear[facility] = yy;
        m_serialNext[facility] = 1;
    }
    u.serial = QStringLiteral("%1%2-%3")
                   .arg(m_facilityCode[facility])
                   .arg(yy, 2, 10, QLatin1Char('0'))
                   .arg(m_serialNext[facility]++, 6, 10, QLatin1Char('0'));
    u.buildDate = day.toString(Qt::ISODate);
    double roll = m_rng.unit();
    for (const auto& [station, share] : m_plant.inlineStations[facility]) {
        if (roll < share) {
            u.route[u.routeLength++] = station;
            break;
        }
        roll -= share;
    }
    u.route[u.routeLength++] = m_plant.finalStation;
    return index;
}

void InspectionSim::schedule(int unit, bool sameDay) { (sameDay ? m_today : m_tomorrow).push_back(unit); }

bool InspectionSim::deliver(InspectionRow& row) {
    ++m_emitted;
    if (!m_sink(row))
        return false;
    return m_config.rowLimit == 0 || m_emitted < m_config.rowLimit;
}

bool InspectionSim::inspect(int index, const QString& day, bool lastDay) {
    Unit& u = m_units[index];
    const Station& station = m_plant.stations[u.route[u.step]];
    const Employee& op = m_plant.employees[u.operatorIndex];
    const std::vector<int>& inspectors = m_inspectors[u.facility];
    const Employee& inspector = m_plant.employees[inspectors[m_rng.below(int(inspectors.size()))]];
    const SimulationKnobs& knobs = m_plant.simulation;
    const bool reinspection = u.rowsAtStation > 0;
    const double failRate = reinspection ? knobs.reworkFailRate : station.failRate * op.defectRisk;

    InspectionRow row;
    row.facility = m_facilityCode[u.facility];
    row.model = m_plant.models[u.model].number;
    row.serial = u.serial;
    row.inspector = inspector.number;
    row.date = day;
    row.station = station.id;

    // In the bad week a first inspection at the facility may also find the batch's defect.
    const bool usualFailure = m_rng.chance(failRate);
    const bool batch = !reinspection && m_config.badWeek.covers(u.facility, QDate::fromString(day, Qt::ISODate)) &&
                       m_rng.chance(m_config.badWeek.rate);
    if (!usualFailure && !batch) {
        row.part = m_plant.parts[0].number;
        row.defect = m_plant.defects[0].code;
        row.location = m_plant.locations[0].code;
        row.reworkNum = ++u.rowsAtStation;
        if (reinspection && m_rng.chance(knobs.noteRate))
            row.notes = m_plant.notes[0];
        u.passInspector = inspector.number;
        u.passDate = day;
        u.rowsAtStation = 0;
        if (++u.step == u.routeLength)
            m_freeUnits.push_back(index);
        else
            schedule(index, lastDay || m_rng.chance(knobs.nextStationSameDay));
        return deliver(row);
    }

    const int defects = 1 + m_rng.weighted(knobs.defectsPerFailure);
    const bool atFinal = u.route[u.step] == m_plant.finalStation;
    for (int i = 0; i < defects; ++i) {
        const Defect& d = m_plant.defects[batch && i == 0 ? m_config.badWeek.defect : m_rng.weighted(m_defectWeights)];
        const Part& part = m_plant.parts[d.parts[m_rng.below(int(d.parts.size()))]];
        const int location = part.location >= 0 && m_rng.chance(knobs.usualLocationRate)
                                 ? part.location
                                 : m_rng.between(1, int(m_plant.locations.size()) - 1);
        InspectionRow defectRow = row;
        defectRow.part = part.number;
        defectRow.defect = d.code;
        defectRow.location = m_plant.locations[location].code;
        defectRow.operatorNum = op.number;
        defectRow.oDate = u.buildDate;
        if (atFinal && !u.passDate.isEmpty() && d.visibleEarly && m_rng.chance(knobs.escapeRate)) {
            defectRow.inspNum = u.passInspector;
            defectRow.iDate = u.passDate;
        }
        if (m_rng.chance(knobs.noteRate))
            defectRow.notes = m_plant.notes[m_rng.between(1, int(m_plant.notes.size()) - 1)];
        defectRow.reworkNum = ++u.rowsAtStation;
        if (!deliver(defectRow))
            return false;
    }
    schedule(index, lastDay || m_rng.chance(knobs.reinspectionSameDay));
    return true;
}

}  // namespace DataGen
