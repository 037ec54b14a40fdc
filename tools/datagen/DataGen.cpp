#include "datagen/DataGen.h"

#include <functional>

#include <QFile>
#include <QFileInfo>
#include <QVariant>

#include "database/AuditTrail.h"
#include "database/Schema.h"
#include "datagen/InspectionSim.h"
#include "datagen/PlantCatalogue.h"
#include "platform/FileSystem.h"

namespace DataGen {

namespace {

QVariant text(const QString& s) { return s.isNull() ? QVariant() : QVariant(s); }

// Runs one statement for each row of values.
Status insertAll(Database& db, const QString& sql, const std::vector<QVariantList>& rows) {
    SqlStatement st(db, sql);
    if (!st.status())
        return st.status();
    for (const QVariantList& row : rows) {
        for (int i = 0; i < row.size(); ++i)
            st.bind(i + 1, row[i]);
        const Status s = st.run();
        if (!s)
            return s;
    }
    return Status::ok();
}

Status insertPassCodes(Database& db) {
    const PlantCatalogue& p = PlantCatalogue::instance();
    Status s = insertAll(db, QStringLiteral("INSERT INTO Parts (partnum, partdescription) VALUES (?, ?)"),
                         {{p.parts[0].number, p.parts[0].description}});
    if (s)
        s = insertAll(db, QStringLiteral("INSERT INTO defects (defectcode, defectdescription) VALUES (?, ?)"),
                      {{p.defects[0].code, p.defects[0].description}});
    if (s)
        s = insertAll(db, QStringLiteral("INSERT INTO location (locationcode, [location description]) VALUES (?, ?)"),
                      {{p.locations[0].code, p.locations[0].description}});
    return s;
}

Status insertReferenceTables(Database& db) {
    const PlantCatalogue& p = PlantCatalogue::instance();
    std::vector<QVariantList> models, parts, defects, locations, stations, employees;
    for (const Model& m : p.models)
        models.push_back({m.number, m.description});
    for (const Part& x : p.parts)
        parts.push_back({x.number, x.description});
    for (const Defect& d : p.defects)
        defects.push_back({d.code, d.description});
    for (const Location& l : p.locations)
        locations.push_back({l.code, l.description});
    for (const Station& st : p.stations)
        stations.push_back({st.id, st.description});
    for (const Employee& e : p.employees)
        employees.push_back({e.number, e.firstName, e.lastName});
    const std::pair<const char*, const std::vector<QVariantList>*> tables[] = {
        {"INSERT INTO Model (ModelNumber, ModelDescription) VALUES (?, ?)", &models},
        {"INSERT INTO Parts (partnum, partdescription) VALUES (?, ?)", &parts},
        {"INSERT INTO defects (defectcode, defectdescription) VALUES (?, ?)", &defects},
        {"INSERT INTO location (locationcode, [location description]) VALUES (?, ?)", &locations},
        {"INSERT INTO Station (StationID, [Station Description]) VALUES (?, ?)", &stations},
        {"INSERT INTO Employees (EmployeeNum, FirstName, LastName) VALUES (?, ?, ?)", &employees},
    };
    for (const auto& [sql, rows] : tables) {
        const Status s = insertAll(db, QString::fromLatin1(sql), *rows);
        if (!s)
            return s;
    }
    return Status::ok();
}

Status insertInspections(Database& db, const SimConfig& config) {
    SqlStatement st(db, QStringLiteral(
        "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, "
        "DefectCode, LocationCode, InspNum, IDate, OperatorNum, ODate, ReworkNum, Notes) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    if (!st.status())
        return st.status();
    Status result;
    InspectionSim sim(config);
    sim.run([&](const InspectionRow& r) {
        const QString* texts[] = {&r.facility, &r.model, &r.serial, &r.inspector, &r.date, &r.station, &r.part,
                                  &r.defect, &r.location, &r.inspNum, &r.iDate, &r.operatorNum, &r.oDate};
        int i = 1;
        for (const QString* t : texts)
            st.bind(i++, text(*t));
        st.bind(i++, r.reworkNum);
        st.bind(i, text(r.notes));
        result = st.run();
        return result.isOk();
    });
    return result;
}

// Builds the file under a temporary name in one transaction and renames it
// into place only when it is complete.
Status buildFile(const QString& path, const std::function<Status(Database&)>& fill, bool trail = false) {
    if (const Status seed = PlantCatalogue::status(); !seed)
        return seed;
    if (QFileInfo::exists(path))
        return Status::fail(QStringLiteral("File already exists: %1").arg(path));
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    QFile::remove(partial + QStringLiteral("-journal"));
    Status s = Schema::createFile(partial);
    if (s) {
        Database db;
        s = db.open(partial);
        // The file is thrown away unless it is completed: it needs no journal
        // or log while it is filled, and is left in log mode like every file
        // the program writes.
        if (s)
            s = db.exec(QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA cache_size=-131072"));
        if (s)
            s = db.exec(QStringLiteral("BEGIN"));
        // Generated rows are the plant's history as it stands when the file
        // is made, not changes to it: the trail starts empty, and the file
        // stays the same for the same seed.
        if (s && !trail)
            s = AuditTrail::suspend(db);
        if (s)
            s = fill(db);
        if (s && !trail)
            s = AuditTrail::resume(db);
        if (s) {
            s = db.exec(QStringLiteral("COMMIT"));
        } else {
            db.exec(QStringLiteral("ROLLBACK"));
        }
        if (s)
            s = db.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        db.close();
    }
    if (s)
        s = FileSystem::replaceFile(partial, path);
    if (!s) {
        QFile::remove(partial);
        QFile::remove(partial + QStringLiteral("-journal"));
    }
    return s;
}

}  // namespace

Status createBlank(const QString& path) { return buildFile(path, insertPassCodes); }

Status createDemo(const QString& path) { return buildFile(path, insertDemoRows); }

Status insertBlankRows(Database& db) {
    if (const Status seed = PlantCatalogue::status(); !seed)
        return seed;
    return insertPassCodes(db);
}

Status insertDemoRows(Database& db) {
    if (const Status seed = PlantCatalogue::status(); !seed)
        return seed;
    const DemoRun& demo = PlantCatalogue::instance().demo;
    SimConfig config;
    config.seed = demo.seed;
    config.first = demo.first;
    config.last = demo.last;
    config.unitsPerDayLow = demo.unitsPerDayLow;
    config.unitsPerDayHigh = demo.unitsPerDayHigh;
    config.badWeek = demo.badWeek;
    const Status s = insertReferenceTables(db);
    return s ? insertInspections(db, config) : s;
}

Status createLarge(const QString& path, std::int64_t rows, bool trail) {
    if (rows < 0)
        return Status::fail(QStringLiteral("The number of rows must not be negative: %1").arg(rows));
    if (const Status seed = PlantCatalogue::status(); !seed)
        return seed;
    const LargeRun& large = PlantCatalogue::instance().large;
    SimConfig config;
    config.seed = large.seed;
    config.first = large.first;
    config.last = large.last;
    config.rowLimit = rows;
    // Spread the rows over the whole period at the demo's rows per unit, at
    // every facility.
    int workdays = 0;
    for (QDate d = config.first; d <= config.last; d = d.addDays(1))
        workdays += d.dayOfWeek() <= 5 ? 1 : 0;
    const double perFacilityDay = double(rows) / (workdays * double(PlantCatalogue::kFacilities) * large.rowsPerUnit);
    config.unitsPerDayLow = qMax(1, int(perFacilityDay * large.spreadLow));
    config.unitsPerDayHigh = qMax(config.unitsPerDayLow, int(perFacilityDay * large.spreadHigh + 0.5));
    return buildFile(path, [&](Database& db) {
        const Status s = insertReferenceTables(db);
        return s && rows > 0 ? insertInspections(db, config) : s;
    }, trail);
}

}  // namespace DataGen
