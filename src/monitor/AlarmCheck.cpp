#include "monitor/AlarmCheck.h"

#include <QDateTime>
#include <QLocale>

#include "database/Schema.h"
#include "monitor/ControlLimits.h"
#include "platform/AppPaths.h"
#include "reports/ReportDefinition.h"
#include "reports/ReportResult.h"

namespace AlarmCheck {

namespace {

bool g_enabled = true;

// The yield trend's definition, read once per folder: its query is the rules' own.
const ReportDefinition* trend(Status* s) {
    static ReportDefinition def;
    static QString folder;
    if (folder != AppPaths::folder()) {
        *s = ReportDefinition::load(AppPaths::readable(AppPaths::folder() + QStringLiteral("\\yield_trend.rpt")), &def);
        if (!*s)
            return nullptr;
        folder = AppPaths::folder();
    }
    return &def;
}

QString percent(double share) { return QLocale().toString(100.0 * share, 'f', 1) + QLatin1Char('%'); }

QString where(const LimitSet& set) {
    QString w = QStringLiteral("%1, facility %2").arg(set.station, set.facility);
    if (!set.model.isEmpty())
        w += QStringLiteral(", model ") + set.model;
    return w + QStringLiteral(": ");
}

// Rules 1 to 3 on the row's day, from the trend by day over the station's last nine days.
Status trendRules(Database& db, const Row& row, const LimitSet& set, QList<Fired>* fired) {
    SqlStatement first(db, QStringLiteral(
        "SELECT min(Date) FROM (SELECT DISTINCT Date FROM InspectionRecord "
        "WHERE Facility = ? AND Station = ? AND (? = '' OR ModelNumber = ?) AND Date <= ? "
        "ORDER BY Date DESC LIMIT 9) AS recent"));
    const QString day = row.date.toString(Qt::ISODate);
    first.bind(1, set.facility);
    first.bind(2, set.station);
    first.bind(3, set.model);
    first.bind(4, set.model);
    first.bind(5, day);
    if (!first.next())
        return first.status();
    const QVariant begin = first.value(0);
    if (begin.isNull())
        return Status::ok();
    Status s;
    const ReportDefinition* def = trend(&s);
    if (!def)
        return s;
    SqlStatement st(db, ReportRunner::finalSql(*def, nullptr, false));
    const QList<QPair<const char*, QVariant>> values{
        {":begin", begin.toString()}, {":end", day}, {":facility", set.facility}, {":period", QStringLiteral("day")},
        {":model", set.model}, {":station", set.station}, {":limits", QStringLiteral("in force")}};
    for (const auto& v : values)
        st.bind(QString::fromLatin1(v.first), v.second);
    QVariantList last;
    QStringList names;
    for (int i = 0; i < st.columnCount(); ++i)
        names << st.columnName(i).toLower();
    while (st.next()) {
        last.clear();
        for (int i = 0; i < names.size(); ++i)
            last << st.value(i);
    }
    if (!st.status())
        return st.status();
    auto value = [&](const char* name) { return last.value(names.indexOf(QLatin1String(name))); };
    if (last.isEmpty() || value("period").toString() != day)
        return Status::ok();
    const double p = value("p").toDouble() / 100.0, ucl = value("ucl").toDouble() / 100.0;
    const QString at = where(set);
    if (value("rule1").toInt() == 1)
        fired->append({1, at + QStringLiteral("%1 of today's %2 units not passing first time, above the UCL of %3")
                                   .arg(percent(p)).arg(value("inspected").toLongLong()).arg(percent(ucl)),
                       p, ucl});
    if (value("rule2").toInt() == 1)
        fired->append({2, at + QStringLiteral("nine days in a row above p-bar (%1), today %2").arg(percent(set.pbar), percent(p)),
                       p, set.pbar});
    if (value("rule3").toInt() == 1)
        fired->append({3, at + QStringLiteral("six days in a row each worse than the one before, today %1").arg(percent(p)),
                       p, set.pbar});
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
