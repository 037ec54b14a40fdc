#include "monitor/LineBoardData.h"

#include <cmath>
#include <map>

#include "database/Database.h"
#include "database/Schema.h"

namespace {

// A pass row, as the reports tell it: the pass part, defect and location.

QString iso(const QDate& d) { return d.toString(Qt::ISODate); }

// The 30 days that end with the day.
QDate windowStart(const QDate& day) { return day.addDays(-29); }

}  // namespace

double StationTile::ucl() const {
    if (!hasLimits || units <= 0)
        return 0.0;
    return pbar + 3.0 * std::sqrt(pbar * (1.0 - pbar) / double(units));
}

namespace LineBoardData {

QStringList facilities(Database& db, const QDate& day, Status* status) {
    SqlStatement st(db, QStringLiteral("SELECT DISTINCT Facility FROM InspectionRecord WHERE Date BETWEEN ? AND ? "
                                       "AND Facility IS NOT NULL ORDER BY Facility"));
    st.bind(1, iso(windowStart(day)));
    st.bind(2, iso(day));
    QStringList out;
    while (st.next())
        out << st.value(0).toString();
    if (!st.status() && status)
        *status = st.status();
    return out;
}

Status limits(Database& db, const QString& facility, const QDate& day, QList<StationTile>* tiles, History* history) {
    const QString key = db.path() + QLatin1Char('|') + facility + QLatin1Char('|') + iso(day);
    if (history->key != key) {
        history->byStation.clear();
        SqlStatement st(db, QStringLiteral("SELECT Station, count(*), sum(passed) FROM ("
                                           "  SELECT Station, min(CASE WHEN %1 THEN 1 ELSE 0 END) AS passed"
                                           "  FROM InspectionRecord"
                                           "  WHERE Date BETWEEN ? AND ? AND Facility = ? AND ReworkNum = 1"
                                           "  GROUP BY Date, Station, ModelNumber, SerialNum) u "
                                           "GROUP BY Station")
                                .arg(Schema::passRowSql()));
        st.bind(1, iso(windowStart(day)));
        st.bind(2, iso(day.addDays(-1)));
        st.bind(3, facility);
        while (st.next())
            history->byStation.insert(st.value(0).toString(), {st.int64(1), st.int64(1) - st.int64(2)});
        if (!st.status())
            return st.status();
        history->key = key;
    }
    for (StationTile& t : *tiles) {
        const History::Units before = history->byStation.value(t.station);
        const qint64 units = before.units + t.units;
        t.hasLimits = units > 0;
        t.pbar = t.hasLimits ? double(before.failed + t.units - t.passed) / double(units) : 0.0;
    }
    return Status::ok();
}

Status read(Database& db, const QString& facility, const QDate& day, QList<StationTile>* tiles, History* history) {
    tiles->clear();
    std::map<QString, StationTile> byStation;
    // Every unit with rows that day; it counts where its first inspection is
    // among them, and passed when those rows are all passes (its re-inspections
    // that day are neither).
    {
        SqlStatement st(db, QStringLiteral("SELECT Station, sum(first), sum(first * passed) FROM ("
                                           "  SELECT Station,"
                                           "    max(CASE WHEN ReworkNum = 1 THEN 1 ELSE 0 END) AS first,"
                                           "    min(CASE WHEN ReworkNum = 1 AND NOT %1 THEN 0 ELSE 1 END) AS passed"
                                           "  FROM InspectionRecord WHERE Date = ? AND Facility = ?"
                                           "  GROUP BY Station, ModelNumber, SerialNum) u "
                                           "GROUP BY Station")
                                .arg(Schema::passRowSql()));
        st.bind(1, iso(day));
        st.bind(2, facility);
        while (st.next()) {
            StationTile& t = byStation[st.value(0).toString()];
            t.units = st.int64(1);
            t.passed = st.int64(2);
        }
        if (!st.status())
            return st.status();
    }
    // The day's defect rows by code, first inspections and re-inspections alike.
    {
        SqlStatement st(db, QStringLiteral("SELECT Station, DefectCode, count(*) AS n FROM InspectionRecord "
                                           "WHERE Date = ? AND Facility = ? AND NOT %1 "
                                           "GROUP BY Station, DefectCode ORDER BY Station, n DESC, DefectCode")
                                .arg(Schema::passRowSql()));
        st.bind(1, iso(day));
        st.bind(2, facility);
        while (st.next()) {
            StationTile& t = byStation[st.value(0).toString()];
            if (t.topDefects.size() < 3)
                t.topDefects.append({st.value(1).toString(), st.int64(2)});
        }
        if (!st.status())
            return st.status();
    }
    // The open alarms, newest first.
    {
        SqlStatement st(db, QStringLiteral("SELECT Station, Message FROM Alarm WHERE Facility = ? AND AckAt IS NULL "
                                           "ORDER BY RaisedAt DESC, AlarmID DESC"));
        st.bind(1, facility);
        while (st.next()) {
            auto it = byStation.find(st.value(0).toString());
            if (it == byStation.end())
                continue;  // a station without rows that day has no tile
            if (it->second.openAlarms++ == 0)
                it->second.alarm = st.value(1).toString();
        }
        if (!st.status())
            return st.status();
    }
    for (auto& [station, tile] : byStation) {
        tile.station = station;
        tiles->append(tile);
    }
    return limits(db, facility, day, tiles, history);
}

}  // namespace LineBoardData
