#include "database/StationDays.h"

#include "database/Schema.h"
#include "database/postgres/PgConnection.h"

namespace StationDays {

namespace {

// A row counts when it is a first inspection with a facility, station and date.
// A unit's rows are matched with IS, as the trend's grouping matches them, so a
// row without a model or serial number is a unit like any other.

// A row not passing: a missing code is no pass.
QString failedRow(const QString& row = QString()) {
    return QStringLiteral("NOT coalesce(%1, false)").arg(Schema::passRowSql(row));
}

// The figures from the rows: for a table made after its rows.
QString fillSql() {
    return QStringLiteral(R"SQL(
INSERT INTO StationDay (Facility, Station, ModelNumber, Date, Units, Failed)
SELECT Facility, Station, coalesce(ModelNumber, ''), Date, count(*), sum(Failed) FROM (
  SELECT Facility, Station, ModelNumber, SerialNum, Date, max(CASE WHEN %1 THEN 0 ELSE 1 END) AS Failed
  FROM InspectionRecord
  WHERE ReworkNum = 1 AND Facility IS NOT NULL AND Station IS NOT NULL AND Date IS NOT NULL
  GROUP BY Facility, Station, ModelNumber, SerialNum, Date) AS u
GROUP BY Facility, Station, coalesce(ModelNumber, ''), Date;
)SQL").arg(Schema::passRowSql());
}

const char* const kFileTable = R"SQL(
CREATE TABLE StationDay (
  Facility TEXT NOT NULL,
  Station TEXT NOT NULL,
  ModelNumber TEXT NOT NULL,
  Date TEXT NOT NULL,
  Units INTEGER NOT NULL,
  Failed INTEGER NOT NULL,
  PRIMARY KEY (Facility, Station, Date, ModelNumber)
) STRICT;
)SQL";

// One row's share, added (sign 1) or taken away (-1), against the unit's other
// rows (every row but the one with id `other`): a unit is counted by its
// first row of the day and failed by its first failed row. A day left
// without units goes.
QString fileShare(const char* row, int sign, const char* other) {
    const QString unit = QStringLiteral(
        "SELECT 1 FROM InspectionRecord i WHERE i.ModelNumber IS %1.ModelNumber AND i.SerialNum IS %1.SerialNum "
        "AND i.Station = %1.Station AND i.Facility = %1.Facility AND i.Date = %1.Date AND i.ReworkNum = 1 "
        "AND i.InspectionID <> %2")
        .arg(QLatin1String(row), QLatin1String(other));
    return QStringLiteral(
        "INSERT INTO StationDay (Facility, Station, ModelNumber, Date, Units, Failed) "
        "SELECT %1.Facility, %1.Station, coalesce(%1.ModelNumber, ''), %1.Date, %2 * NOT EXISTS (%3), "
        "%2 * (%4 AND NOT EXISTS (%3 AND %5)) "
        "WHERE %1.ReworkNum = 1 AND %1.Facility IS NOT NULL AND %1.Station IS NOT NULL AND %1.Date IS NOT NULL "
        "ON CONFLICT DO UPDATE SET Units = Units + excluded.Units, Failed = Failed + excluded.Failed;")
        .arg(QLatin1String(row)).arg(sign).arg(unit, failedRow(QLatin1String(row) + QLatin1Char('.')), failedRow(QStringLiteral("i."))) +
           (sign > 0 ? QString()
                     : QStringLiteral("DELETE FROM StationDay WHERE Facility = %1.Facility AND Station = %1.Station AND "
                                      "ModelNumber = coalesce(%1.ModelNumber, '') AND Date = %1.Date AND Units = 0;")
                           .arg(QLatin1String(row)));
}

QString fileTriggers() {
    return QStringLiteral(
               "CREATE TRIGGER IF NOT EXISTS StationDayAdded AFTER INSERT ON InspectionRecord BEGIN %1 END;\n"
               "CREATE TRIGGER IF NOT EXISTS StationDayRemoved AFTER DELETE ON InspectionRecord BEGIN %2 END;\n"
               "CREATE TRIGGER IF NOT EXISTS StationDayChanged AFTER UPDATE OF InspectionID, Facility, ModelNumber, "
               "SerialNum, Date, Station, PartNum, DefectCode, LocationCode, ReworkNum ON InspectionRecord BEGIN %3 %4 END;\n")
        .arg(fileShare("NEW", 1, "NEW.InspectionID"), fileShare("OLD", -1, "OLD.InspectionID"),
             fileShare("OLD", -1, "NEW.InspectionID"), fileShare("NEW", 1, "NEW.InspectionID"));
}

// On the server the triggers run once per statement, as the table's owner
// (a station's login may read the figures, not write them), after all its rows:
// a statement's rows are shared out against the unit's rows outside it.
// `rows` is the statement's old or new rows; `outside` leaves out its new
// rows. A row without a model or serial number is matched in a second
// branch, which runs only for such a row. The key keeps NULLs first, as
// the translation orders them, so the last days come along it.
QString serverShare(const char* rows, int sign, bool outside) {
    const QString notNew = outside ? QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM added a WHERE a.inspectionid = i.inspectionid)")
                                   : QString();
    const QString unit = QStringLiteral(
        "SELECT 1 FROM inspectionrecord i WHERE i.modelnumber = x.modelnumber AND i.serialnum = x.serialnum "
        "AND i.station = x.station AND i.facility = x.facility AND i.date = x.date AND i.reworknum = 1%1 %2 "
        "UNION ALL SELECT 1 FROM inspectionrecord i WHERE (x.modelnumber IS NULL OR x.serialnum IS NULL) "
        "AND i.modelnumber IS NOT DISTINCT FROM x.modelnumber AND i.serialnum IS NOT DISTINCT FROM x.serialnum "
        "AND i.station = x.station AND i.facility = x.facility AND i.date = x.date AND i.reworknum = 1%1 %2");
    const QString any = unit.arg(notNew, QString());
    const QString failed = unit.arg(notNew, QStringLiteral("AND ") + failedRow(QStringLiteral("i.")));
    return QStringLiteral(
               "INSERT INTO stationday (facility, station, modelnumber, date, units, failed) "
               "SELECT x.facility, x.station, coalesce(x.modelnumber, ''), x.date, "
               "%2 * count(*) FILTER (WHERE NOT EXISTS (%3)), %2 * count(*) FILTER (WHERE x.failed AND NOT EXISTS (%4)) "
               "FROM (SELECT facility, station, modelnumber, serialnum, date, "
               "bool_or(%5) AS failed "
               "FROM %1 WHERE reworknum = 1 AND facility IS NOT NULL AND station IS NOT NULL AND date IS NOT NULL "
               "GROUP BY facility, station, modelnumber, serialnum, date) x "
               "GROUP BY x.facility, x.station, coalesce(x.modelnumber, ''), x.date "
               "ON CONFLICT (facility, station, date, modelnumber) DO UPDATE "
               "SET units = stationday.units + excluded.units, failed = stationday.failed + excluded.failed;\n")
        .arg(QLatin1String(rows)).arg(sign).arg(any, failed, failedRow()) +
           (sign > 0 ? QString()
                     : QStringLiteral("DELETE FROM stationday s USING %1 r WHERE s.facility = r.facility AND s.station = r.station "
                                      "AND s.modelnumber = coalesce(r.modelnumber, '') AND s.date = r.date AND s.units = 0;\n")
                           .arg(QLatin1String(rows)));
}

}  // namespace

Status addToFile(Database& db) {
    Status asked;
    const bool present = Schema::hasTable(db, QStringLiteral("StationDay"), &asked);
    if (!asked)
        return asked;
    // Table, figures and triggers together, inside a transaction or not.
    Status s = db.exec(QStringLiteral("SAVEPOINT StationDays"));
    if (s && !present)
        s = db.exec(QString::fromUtf8(kFileTable) + fillSql());
    if (s)
        s = db.exec(fileTriggers());
    if (!s) {
        db.exec(QStringLiteral("ROLLBACK TO StationDays; RELEASE StationDays"));
        return s;
    }
    return db.exec(QStringLiteral("RELEASE StationDays"));
}

Status recount(Database& db) {
    Status asked;
    if (!Schema::hasTable(db, QStringLiteral("StationDay"), &asked))
        return asked;
    return db.exec(QStringLiteral("DELETE FROM StationDay;") + fillSql());
}

QString serverSql() {
    return QStringLiteral(
               "DO $$ BEGIN\n"
               "  IF to_regclass('stationday') IS NULL THEN\n"
               "    CREATE TABLE stationday (\n"
               "      facility text COLLATE \"C\" NOT NULL, station text COLLATE \"C\" NOT NULL,\n"
               "      modelnumber text COLLATE \"C\" NOT NULL, date text COLLATE \"C\" NOT NULL,\n"
               "      units bigint NOT NULL, failed bigint NOT NULL);\n"
               "    CREATE UNIQUE INDEX stationdaykey ON stationday (facility, station, date NULLS FIRST, modelnumber);\n"
               "    %1"
               "  END IF;\n"
               "END $$;\n"
               "CREATE OR REPLACE FUNCTION varnex_station_day() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $f$\n"
               "BEGIN\n"
               "  IF TG_OP = 'INSERT' THEN\n    %2"
               "  ELSIF TG_OP = 'UPDATE' THEN\n    %3    %4"
               "  ELSE\n    %5"
               "  END IF;\n"
               "  RETURN NULL;\n"
               "END $f$;\n"
               "CREATE OR REPLACE TRIGGER stationdayadded AFTER INSERT ON inspectionrecord "
               "REFERENCING NEW TABLE AS added FOR EACH STATEMENT EXECUTE FUNCTION varnex_station_day();\n"
               "CREATE OR REPLACE TRIGGER stationdaychanged AFTER UPDATE ON inspectionrecord "
               "REFERENCING OLD TABLE AS removed NEW TABLE AS added FOR EACH STATEMENT EXECUTE FUNCTION varnex_station_day();\n"
               "CREATE OR REPLACE TRIGGER stationdayremoved AFTER DELETE ON inspectionrecord "
               "REFERENCING OLD TABLE AS removed FOR EACH STATEMENT EXECUTE FUNCTION varnex_station_day();\n")
        .arg(fillSql().toLower(), serverShare("added", 1, true), serverShare("removed", -1, true),
             serverShare("added", 1, true), serverShare("removed", -1, false));
}

bool onServer(Database& db) {
    SqlStatement st(db, QStringLiteral("SELECT count(*) FROM pg_trigger WHERE tgname IN "
                                       "('stationdayadded', 'stationdaychanged', 'stationdayremoved')"));
    return st.next() && st.int64(0) == 3;
}

Status lastDays(Database& db, const QString& facility, const QString& station, const QString& model, const QDate& day,
                int count, QList<Day>* days) {
    days->clear();
    SqlStatement st(db, QStringLiteral(
        "SELECT Date, sum(Units), sum(Failed) FROM StationDay WHERE Facility = ? AND Station = ? AND Date <= ?%1 "
        "GROUP BY Date HAVING sum(Units) > 0 ORDER BY Date DESC LIMIT ?")
        .arg(model.isEmpty() ? QString() : QStringLiteral(" AND ModelNumber = ?")));
    QVariantList values{facility, station, day.toString(Qt::ISODate)};
    if (!model.isEmpty())
        values << model;
    values << count;
    for (int i = 0; i < values.size(); ++i)
        st.bind(i + 1, values.at(i));
    while (st.next())
        days->prepend({QDate::fromString(st.value(0).toString(), Qt::ISODate), st.int64(1), st.int64(2)});
    return st.status();
}

}  // namespace StationDays
