#include "datagen/PlantCatalogue.h"

#include <initializer_list>
#include <map>

#include <QFile>
#include <QHash>
#include <QStringList>

#include "datagen/SeedFile.h"

namespace DataGen {

const char* const PlantCatalogue::facilityCodes[PlantCatalogue::kFacilities] = {"A", "B"};

namespace {

using Entry = SeedFile::Entry;

// Thrown by the reader at the first fault and turned into a Status by parse():
// the seed is read in one go, so unwinding to that single point keeps every
// check a one-liner.
struct SeedError {
    QString message;
};

const char* const kSections[] = {"models",    "locations", "parts",      "defects", "stations", "routes",
                                 "employees", "notes",     "simulation", "demo",    "large"};

// Reads typed fields out of the seed's entries, naming the line of any fault.
class Reader {
public:
    explicit Reader(const SeedFile& file) : m_file(file) {
        for (const SeedFile::Section& s : file.sections()) {
            bool known = false;
            for (const char* name : kSections)
                known = known || s.name == QLatin1String(name);
            if (!known)
                fail(s.line, QStringLiteral("unknown section [%1]").arg(s.name));
        }
    }

    [[noreturn]] void fail(int line, const QString& what) const { throw SeedError{m_file.at(line, what)}; }

    const SeedFile::Section& section(const char* name) const {
        const SeedFile::Section* s = m_file.section(QLatin1String(name));
        if (!s)
            throw SeedError{QStringLiteral("%1: no [%2] section").arg(m_file.source(), QLatin1String(name))};
        return *s;
    }

    // The entries of a table section, each with exactly the named fields, at
    // least `minimum` of them.
    const std::vector<Entry>& table(const char* name, std::initializer_list<const char*> fields, int minimum) const {
        const SeedFile::Section& s = section(name);
        QStringList names;
        for (const char* f : fields)
            names << QLatin1String(f);
        for (const Entry& e : s.entries)
            if (e.fields.size() != names.size())
                fail(e.line, QStringLiteral("[%1] entries have %2 field(s) (%3), this one has %4")
                                 .arg(QLatin1String(name)).arg(names.size())
                                 .arg(names.join(QStringLiteral(" | "))).arg(e.fields.size()));
        if (int(s.entries.size()) < minimum)
            fail(s.line, QStringLiteral("[%1] needs at least %2 entries, it has %3")
                             .arg(QLatin1String(name)).arg(minimum).arg(s.entries.size()));
        return s.entries;
    }

    // A settings section: one "name | value" entry for each of `names`.
    std::map<QString, Entry> settings(const char* name, std::initializer_list<const char*> names) const {
        const SeedFile::Section& s = section(name);
        std::map<QString, Entry> found;
        for (const Entry& e : s.entries) {
            if (e.fields.size() != 2)
                fail(e.line, QStringLiteral("a setting is written 'name | value'"));
            bool known = false;
            for (const char* n : names)
                known = known || e.fields[0] == QLatin1String(n);
            if (!known)
                fail(e.line, QStringLiteral("unknown setting '%1' in [%2]").arg(e.fields[0], QLatin1String(name)));
            if (found.count(e.fields[0]))
                fail(e.line, QStringLiteral("setting '%1' again (first on line %2)")
                                 .arg(e.fields[0]).arg(found[e.fields[0]].line));
            found[e.fields[0]] = e;
        }
        for (const char* n : names)
            if (!found.count(QLatin1String(n)))
                fail(s.line, QStringLiteral("[%1] has no '%2'").arg(QLatin1String(name), QLatin1String(n)));
        return found;
    }

    QString text(const Entry& e, int i, const char* what) const {
        if (e.fields[i].isEmpty())
            fail(e.line, QStringLiteral("the %1 is empty").arg(QLatin1String(what)));
        return e.fields[i];
    }
    int whole(const Entry& e, int i, const char* what) const { return whole(e, e.fields[i], what); }
    int whole(const Entry& e, const QString& s, const char* what) const {
        bool ok = false;
        const int v = s.toInt(&ok);
        if (!ok || v < 0)
            fail(e.line, QStringLiteral("the %1 must be a whole number of 0 or more, not '%2'").arg(QLatin1String(what), s));
        return v;
    }
    double number(const Entry& e, int i, const char* what, double low, double high) const {
        bool ok = false;
        const double v = e.fields[i].toDouble(&ok);
        if (!ok || !(v >= low && v <= high))
            fail(e.line, QStringLiteral("the %1 must be a number from %2 to %3, not '%4'")
                             .arg(QLatin1String(what)).arg(low).arg(high).arg(e.fields[i]));
        return v;
    }
    double chance(const Entry& e, int i, const char* what) const { return number(e, i, what, 0.0, 1.0); }
    std::vector<int> wholes(const Entry& e, int i, const char* what) const {
        std::vector<int> v;
        for (const QString& s : e.fields[i].split(QLatin1Char(' '), Qt::SkipEmptyParts))
            v.push_back(whole(e, s, what));
        return v;
    }
    // One of `choices`, as its index.
    int choice(const Entry& e, int i, const char* what, const QStringList& choices) const {
        const int k = choices.indexOf(e.fields[i]);
        if (k < 0)
            fail(e.line, QStringLiteral("the %1 must be %2, not '%3'")
                             .arg(QLatin1String(what), choices.join(QStringLiteral(" or ")), e.fields[i]));
        return k;
    }
    int facility(const Entry& e, int i) const {
        QStringList codes;
        for (const char* c : PlantCatalogue::facilityCodes)
            codes << QLatin1String(c);
        return choice(e, i, "facility", codes);
    }
    // The index of a code in a table read before, by its code.
    int lookUp(const Entry& e, const QString& code, const QHash<QString, int>& table, const char* what) const {
        const auto it = table.find(code);
        if (it == table.end())
            fail(e.line, QStringLiteral("no %1 '%2'").arg(QLatin1String(what), code));
        return it.value();
    }
    // Records a new code; a code seen before is an error.
    void addCode(const Entry& e, const QString& code, QHash<QString, int>& table, QHash<QString, int>& lines,
                 const char* what) const {
        if (lines.contains(code))
            fail(e.line, QStringLiteral("%1 '%2' again (first on line %3)").arg(QLatin1String(what), code).arg(lines[code]));
        lines.insert(code, e.line);
        table.insert(code, table.size());
    }
    std::uint64_t seed(const Entry& e) const {
        bool ok = false;
        const std::uint64_t v = e.fields[1].toULongLong(&ok, 0);
        if (!ok)
            fail(e.line, QStringLiteral("the seed must be a whole number (0x for hexadecimal), not '%1'").arg(e.fields[1]));
        return v;
    }
    QDate date(const Entry& e) const {
        const QDate d = QDate::fromString(e.fields[1], Qt::ISODate);
        if (!d.isValid())
            fail(e.line, QStringLiteral("'%1' is not a date written YYYY-MM-DD").arg(e.fields[1]));
        return d;
    }
    // Two numbers, the first not above the second.
    std::pair<double, double> range(const Entry& e, const char* what, double low) const {
        const QStringList v = e.fields[1].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool ok1 = false, ok2 = false;
        const double a = v.size() == 2 ? v[0].toDouble(&ok1) : 0, b = v.size() == 2 ? v[1].toDouble(&ok2) : 0;
        if (!ok1 || !ok2 || !(a >= low) || !(a <= b))
            fail(e.line, QStringLiteral("the %1 must be two numbers, %2 or more, the first not above the second, not '%3'")
                             .arg(QLatin1String(what)).arg(low).arg(e.fields[1]));
        return {a, b};
    }

private:
    const SeedFile& m_file;
};

struct Codes {
    QHash<QString, int> index, lines;
};

void readModels(const Reader& r, PlantCatalogue& c) {
    Codes codes;
    int total = 0;
    for (const Entry& e : r.table("models", {"number", "description", "share"}, 1)) {
        c.models.push_back({r.text(e, 0, "model number"), r.text(e, 1, "description"), r.whole(e, 2, "share")});
        r.addCode(e, c.models.back().number, codes.index, codes.lines, "model");
        total += c.models.back().weight;
    }
    if (total == 0)
        r.fail(r.section("models").line, QStringLiteral("no model has a share of the production"));
}

void readLocations(const Reader& r, PlantCatalogue& c, Codes& codes) {
    // The pass code and at least one place where a defect can be.
    for (const Entry& e : r.table("locations", {"code", "description"}, 2)) {
        c.locations.push_back({r.text(e, 0, "location code"), r.text(e, 1, "description")});
        r.addCode(e, c.locations.back().code, codes.index, codes.lines, "location");
    }
}

void readParts(const Reader& r, PlantCatalogue& c, const Codes& locations, Codes& codes) {
    for (const Entry& e : r.table("parts", {"number", "description", "usual location"}, 1)) {
        Part p{r.text(e, 0, "part number"), r.text(e, 1, "description"), -1};
        if (!e.fields[2].isEmpty())
            p.location = r.lookUp(e, e.fields[2], locations.index, "location");
        // A defect at the pass location would read as a pass row.
        if (!c.parts.empty() && p.location == 0)
            r.fail(e.line, QStringLiteral("a defect's usual location cannot be the pass location '%1'").arg(e.fields[2]));
        c.parts.push_back(p);
        r.addCode(e, p.number, codes.index, codes.lines, "part");
    }
}

void readDefects(const Reader& r, PlantCatalogue& c, const Codes& parts, Codes& codes) {
    int total = 0;
    for (const Entry& e : r.table("defects", {"code", "description", "share", "EARLY or LATE", "parts"}, 2)) {
        Defect d{r.text(e, 0, "defect code"), r.text(e, 1, "description"), r.whole(e, 2, "share"),
                 r.choice(e, 3, "visibility", {QStringLiteral("LATE"), QStringLiteral("EARLY")}) == 1, {}};
        for (const QString& number : e.fields[4].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int part = r.lookUp(e, number, parts.index, "part");
            if (part == 0)
                r.fail(e.line, QStringLiteral("the pass part '%1' cannot carry a defect").arg(number));
            d.parts.push_back(part);
        }
        if (c.defects.empty() && d.weight != 0)
            r.fail(e.line, QStringLiteral("the pass code is never found as a defect: its share must be 0"));
        if (d.weight > 0 && d.parts.empty())
            r.fail(e.line, QStringLiteral("a defect that is found needs the parts it is found on"));
        c.defects.push_back(d);
        r.addCode(e, d.code, codes.index, codes.lines, "defect");
        total += d.weight;
    }
    if (total == 0)
        r.fail(r.section("defects").line, QStringLiteral("no defect has a share of the defects found"));
}

void readStations(const Reader& r, PlantCatalogue& c, Codes& codes) {
    for (const Entry& e : r.table("stations", {"id", "description", "fail rate"}, 1)) {
        c.stations.push_back({r.text(e, 0, "station id"), r.text(e, 1, "description"), r.chance(e, 2, "fail rate")});
        r.addCode(e, c.stations.back().id, codes.index, codes.lines, "station");
    }
}

void readRoutes(const Reader& r, PlantCatalogue& c, const Codes& stations) {
    c.inlineStations.assign(PlantCatalogue::kFacilities, {});
    std::vector<double> total(PlantCatalogue::kFacilities, 0.0);
    for (const Entry& e : r.table("routes", {"facility", "station", "share"}, 0)) {
        const int facility = r.facility(e, 0);
        const int station = r.lookUp(e, e.fields[1], stations.index, "station");
        if (station == c.finalStation)
            r.fail(e.line, QStringLiteral("the final station '%1' ends every route already").arg(e.fields[1]));
        const double share = r.chance(e, 2, "share");
        total[facility] += share;
        if (total[facility] > 1.0 + 1e-9)
            r.fail(e.line, QStringLiteral("the shares of facility %1 add up to more than 1").arg(e.fields[0]));
        c.inlineStations[facility].push_back({station, share});
    }
}

void readEmployees(const Reader& r, PlantCatalogue& c) {
    Codes codes;
    int inspectors[PlantCatalogue::kFacilities] = {}, operators[PlantCatalogue::kFacilities] = {};
    for (const Entry& e : r.table("employees", {"number", "first name", "last name", "facility", "role", "defect risk"}, 1)) {
        Employee p{r.text(e, 0, "employee number"), r.text(e, 1, "first name"), r.text(e, 2, "last name"),
                   r.facility(e, 3),
                   r.choice(e, 4, "role", {QStringLiteral("OPERATOR"), QStringLiteral("INSPECTOR")}) == 1,
                   r.number(e, 5, "defect risk", 0.0, 100.0)};
        ++(p.inspector ? inspectors : operators)[p.facility];
        c.employees.push_back(p);
        r.addCode(e, p.number, codes.index, codes.lines, "employee");
    }
    // Every unit is built by an operator and inspected by an inspector of its facility.
    for (int f = 0; f < PlantCatalogue::kFacilities; ++f)
        if (inspectors[f] == 0 || operators[f] == 0)
            r.fail(r.section("employees").line, QStringLiteral("facility %1 needs at least one inspector and one operator")
                                                      .arg(QLatin1String(PlantCatalogue::facilityCodes[f])));
}

void readNotes(const Reader& r, PlantCatalogue& c) {
    // The re-inspection note and at least one for defect rows.
    for (const Entry& e : r.table("notes", {"note"}, 2))
        c.notes.push_back(r.text(e, 0, "note"));
}

void readSimulation(const Reader& r, PlantCatalogue& c, const Codes& stations) {
    auto s = r.settings("simulation", {"final station", "defects per failure", "rework fail rate", "escape rate",
                                       "note rate", "usual location rate", "next station same day",
                                       "reinspection same day"});
    const Entry& finalEntry = s[QStringLiteral("final station")];
    c.finalStation = r.lookUp(finalEntry, finalEntry.fields[1], stations.index, "station");
    const Entry& perFailure = s[QStringLiteral("defects per failure")];
    SimulationKnobs& k = c.simulation;
    k.defectsPerFailure = r.wholes(perFailure, 1, "share");
    int total = 0;
    for (int w : k.defectsPerFailure)
        total += w;
    if (total == 0)
        r.fail(perFailure.line, QStringLiteral("the defects per failure need at least one share above 0"));
    k.reworkFailRate = r.chance(s[QStringLiteral("rework fail rate")], 1, "rework fail rate");
    k.escapeRate = r.chance(s[QStringLiteral("escape rate")], 1, "escape rate");
    k.noteRate = r.chance(s[QStringLiteral("note rate")], 1, "note rate");
    k.usualLocationRate = r.chance(s[QStringLiteral("usual location rate")], 1, "usual location rate");
    k.nextStationSameDay = r.chance(s[QStringLiteral("next station same day")], 1, "chance");
    k.reinspectionSameDay = r.chance(s[QStringLiteral("reinspection same day")], 1, "chance");
}

// The seed and the working days of a run.
template <typename Run>
void readPeriod(const Reader& r, std::map<QString, Entry>& s, Run& run) {
    run.seed = r.seed(s[QStringLiteral("seed")]);
    run.first = r.date(s[QStringLiteral("first day")]);
    run.last = r.date(s[QStringLiteral("last day")]);
    if (run.last < run.first)
        r.fail(s[QStringLiteral("last day")].line, QStringLiteral("the last day is before the first day"));
    // The rows are spread over the working days: there must be one.
    bool working = false;
    for (QDate d = run.first; d <= run.last && d < run.first.addDays(7); d = d.addDays(1))
        working = working || d.dayOfWeek() <= 5;
    if (!working)
        r.fail(s[QStringLiteral("last day")].line, QStringLiteral("there is no working day from the first day to the last"));
}

void readDemo(const Reader& r, PlantCatalogue& c, const Codes& defects) {
    auto s = r.settings("demo", {"seed", "first day", "last day", "units per day", "bad week"});
    readPeriod(r, s, c.demo);
    const Entry& units = s[QStringLiteral("units per day")];
    const auto [low, high] = r.range(units, "units per day", 0);
    if (low != int(low) || high != int(high))
        r.fail(units.line, QStringLiteral("the units per day must be whole numbers, not '%1'").arg(units.fields[1]));
    c.demo.unitsPerDayLow = int(low);
    c.demo.unitsPerDayHigh = int(high);
    // "facility | Monday | defect code | rate", the four in one value: "A 2026-03-16 LSC 0.3".
    const Entry& bad = s[QStringLiteral("bad week")];
    const QStringList v = bad.fields[1].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (v.size() != 4)
        r.fail(bad.line, QStringLiteral("the bad week is written 'facility Monday defect-code rate', not '%1'").arg(bad.fields[1]));
    Entry part = bad;
    part.fields = QStringList{bad.fields[0], v[0]};
    c.demo.badWeek.facility = r.facility(part, 1);
    part.fields[1] = v[1];
    c.demo.badWeek.monday = r.date(part);
    if (c.demo.badWeek.monday.dayOfWeek() != 1)
        r.fail(bad.line, QStringLiteral("the bad week starts on a Monday, not on %1").arg(v[1]));
    c.demo.badWeek.defect = r.lookUp(bad, v[2], defects.index, "defect");
    part.fields[1] = v[3];
    c.demo.badWeek.rate = r.chance(part, 1, "rate of the bad week");
}

void readLarge(const Reader& r, PlantCatalogue& c) {
    auto s = r.settings("large", {"seed", "first day", "last day", "rows per unit", "units per day spread"});
    readPeriod(r, s, c.large);
    c.large.rowsPerUnit = r.number(s[QStringLiteral("rows per unit")], 1, "rows per unit", 1.0, 1000.0);
    const auto [low, high] = r.range(s[QStringLiteral("units per day spread")], "units per day spread", 0.01);
    c.large.spreadLow = low;
    c.large.spreadHigh = high;
}

struct Loaded {
    PlantCatalogue catalogue;
    Status status;
};

const Loaded& loaded() {
    static const Loaded l = [] {
        Loaded l;
        QFile f(QStringLiteral(":/seed/plant.seed"));
        if (!f.open(QIODevice::ReadOnly))
            l.status = Status::fail(QStringLiteral("The plant seed is missing from the program: %1").arg(f.errorString()));
        else
            l.status = PlantCatalogue::parse(QString::fromUtf8(f.readAll()), QStringLiteral("plant.seed"), l.catalogue);
        return l;
    }();
    return l;
}

}  // namespace

Status PlantCatalogue::parse(const QString& text, const QString& source, PlantCatalogue& out) {
    SeedFile file;
    const Status s = SeedFile::parse(text, source, file);
    if (!s)
        return s;
    try {
        const Reader r(file);
        PlantCatalogue c;
        Codes locations, parts, stations, defectCodes;
        readModels(r, c);
        readLocations(r, c, locations);
        readParts(r, c, locations, parts);
        readDefects(r, c, parts, defectCodes);
        readStations(r, c, stations);
        readEmployees(r, c);
        readNotes(r, c);
        readSimulation(r, c, stations);
        readRoutes(r, c, stations);
        readDemo(r, c, defectCodes);
        readLarge(r, c);
        out = std::move(c);
    } catch (const SeedError& e) {
        return Status::fail(e.message);
    }
    return Status::ok();
}

const PlantCatalogue& PlantCatalogue::instance() { return loaded().catalogue; }

Status PlantCatalogue::status() { return loaded().status; }

}  // namespace DataGen
