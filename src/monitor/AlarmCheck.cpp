#include "monitor/AlarmCheck.h"

#include <cmath>

#include <QDateTime>
#include <QLocale>

#include "database/Schema.h"
#include "database/StationDays.h"
#include "monitor/ControlLimits.h"

namespace AlarmCheck {

namespace {

bool g_enabled = true;

QString percent(double share) { return QLocale().toString(100.0 * share, 'f', 1) + QLatin1Char('%'); }

QString where(const LimitSet& set) {
    QString w = QStringLiteral("%1, facility %2").arg(set.station, set.facility);
    if (!set.model.isEmpty())
        w += QStringLiteral(", model ") + set.model;
    return w + QStringLiteral(": ");
}

// Rules 1 to 3 on the row's day, over the station's last nine days with units
// as the database keeps them, worked as the yield trend by day works them.
Status trendRules(Database& db, const Row& row, const LimitSet& set, QList<Fired>* fired) {
    QList<StationDays::Day> days;
    const Status s = StationDays::lastDays(db, set.facility, set.station, set.model, row.date, 9, &days);
    if (!s || days.isEmpty() || days.last().date != row.date)
        return s;
    QList<double> p;
    for (const StationDays::Day& d : days)
        p << double(d.failed) / double(d.units);
    const double today = p.last(), pbar = set.pbar;
    const double ucl = pbar + 3 * std::sqrt(pbar * (1 - pbar) / double(days.last().units));
    bool above = p.size() == 9, worse = p.size() >= 6;
    for (int i = 0; i < p.size(); ++i) {
        above = above && p.at(i) > pbar;
        if (worse && i >= p.size() - 5)
            worse = p.at(i) > p.at(i - 1);
    }
    const QString at = where(set);
    if (set.rule[0] && today > ucl)
        fired->append({1, at + QStringLiteral("%1 of today's %2 units not passing first time, above the UCL of %3")
                                   .arg(percent(today)).arg(days.last().units).arg(percent(ucl)),
                       today, ucl});
    if (set.rule[1] && above)
        fired->append({2, at + QStringLiteral("nine days in a row above p-bar (%1), today %2").arg(percent(pbar), percent(today)),
                       today, pbar});
    if (set.rule[2] && worse)
        fired->append({3, at + QStringLiteral("six days in a row each worse than the one before, today %1").arg(percent(today)),
                       today, pbar});
    return Status::ok();
}

// Rule 4: how many of the station's last units carry the row's defect code.
Status repeatedDefect(Database& db, const Row& row, const LimitSet& set, QList<Fired>* fired) {
    if (row.defectCode.isEmpty() || row.defectCode == Schema::passDefect())
        return Status::ok();
    SqlStatement st(db, QStringLiteral(
        "SELECT count(*), (SELECT defectdescription FROM defects WHERE defectcode = ?) FROM ("
        "SELECT ModelNumber, SerialNum FROM InspectionRecord "
        "WHERE Facility = ? AND Station = ? AND (? = '' OR ModelNumber = ?) AND ReworkNum = 1 "
        "ORDER BY Date DESC, InspectionID DESC LIMIT ?) AS recent "
        "WHERE EXISTS (SELECT 1 FROM InspectionRecord i WHERE i.ModelNumber = recent.ModelNumber "
        "AND i.SerialNum = recent.SerialNum AND i.Station = ? AND i.Facility = ? AND i.DefectCode = ?)"));
    const QVariantList values{row.defectCode, set.facility, set.station, set.model, set.model, set.rule4Units,
                              set.station, set.facility, row.defectCode};
    for (int i = 0; i < values.size(); ++i)
        st.bind(i + 1, values.at(i));
    if (!st.next())
        return st.status();
    const qint64 units = st.int64(0);
    if (units < set.rule4Count)
        return Status::ok();
    const QString name = st.value(1).toString().isEmpty() ? row.defectCode : st.value(1).toString();
    fired->append({4, where(set) + QStringLiteral("%1 on %2 of the last %3 units").arg(name).arg(units).arg(set.rule4Units),
                   double(units), double(set.rule4Count)});
    return Status::ok();
}

}  // namespace

void setEnabled(bool on) { g_enabled = on; }

Status evaluate(Database& db, const Row& row, QList<Fired>* fired, LimitSet* limits) {
    LimitSet own;
    LimitSet& set = limits ? *limits : own;
    bool found = false;
    Status s = ControlLimits::inForce(db, row.facility, row.station, row.model, &set, &found);
    if (!s || !found || !row.date.isValid())
        return s;
    if (set.rule[0] || set.rule[1] || set.rule[2])
        s = trendRules(db, row, set, fired);
    if (s && set.rule[3])
        s = repeatedDefect(db, row, set, fired);
    return s;
}

Status afterSubmit(Database& db, const Row& row, int* raised) {
    if (raised)
        *raised = 0;
    if (!g_enabled)
        return Status::ok();
    QList<Fired> fired;
    LimitSet set;
    Status s = evaluate(db, row, &fired, &set);
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (const Fired& f : fired) {
        if (!s)
            break;
        // One open alarm per station, model, rule and day: the index refuses a second.
        SqlStatement st(db, QStringLiteral(
            "INSERT INTO Alarm (Facility, Station, ModelNumber, Rule, PeriodDate, Message, RaisedAt, Observed, "
            "Threshold, LimitID) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"));
        const QVariantList values{set.facility, set.station, set.model.isEmpty() ? QVariant() : QVariant(set.model),
                                  f.rule, row.date.toString(Qt::ISODate), f.message, now, f.observed, f.threshold,
                                  set.id};
        for (int i = 0; i < values.size(); ++i)
            st.bind(i + 1, values.at(i));
        s = st.run();
        if (s && raised)
            *raised += db.changes();
    }
    return s;
}

}  // namespace AlarmCheck
