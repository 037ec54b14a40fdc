#include "monitor/ControlLimits.h"

#include <QDateTime>

#include "database/AuditTrail.h"
#include "database/Schema.h"
#include "platform/AppPaths.h"
#include "reports/ReportEngine.h"
#include "reports/ReportResult.h"

namespace ControlLimits {

namespace {
QString field(const QStringList& fields, const QString& name) {
    for (const QString& f : fields)
        if (f.section(QLatin1Char(';'), 0, 0).compare(name, Qt::CaseInsensitive) == 0)
            return f.section(QLatin1Char(';'), 1, -2);
    return QString();
}
}  // namespace

Status baseline(const QString& facility, const QString& station, const QString& model, const QDate& begin,
                const QDate& end, LimitSet* out) {
    // The trend by day over the baseline, with its own p-bar: one row per day.
    QStringList fields{QStringLiteral("BeginDate;%1;true").arg(ReportEngine::dateValue(begin)),
                       QStringLiteral("EndDate;%1;true").arg(ReportEngine::dateValue(end)),
                       QStringLiteral("Facility;%1;true").arg(facility), QStringLiteral("Period;Day;true"),
                       QStringLiteral("Station;%1;true").arg(station)};
    if (!model.isEmpty())
        fields << QStringLiteral("Model;%1;true").arg(model);
    ReportResult r;
    const Status s = ReportEngine::produce(AppPaths::folder() + QStringLiteral("\\yield_trend.rpt"), fields, QString(), &r);
    if (!s)
        return s;
    const int units = r.definition.columnIndex(QStringLiteral("Inspected"));
    const int centre = r.definition.columnIndex(QStringLiteral("Centre"));
    out->facility = facility;
    out->station = station;
    out->model = model;
    out->begin = begin;
    out->end = end;
    out->days = 0;
    out->units = 0;
    for (const ReportGroup& g : r.groups)
        for (const QVariantList& row : g.rows) {
            ++out->days;
            out->units += row.at(units).toLongLong();
            out->pbar = row.at(centre).toDouble() / 100.0;
        }
    if (out->units == 0)
        return Status::fail(QStringLiteral("No units were inspected at station %1 of facility %2%3 from %4 to %5.")
                                .arg(station, facility, model.isEmpty() ? QString() : QStringLiteral(", model ") + model,
                                     begin.toString(Qt::ISODate), end.toString(Qt::ISODate)));
    return Status::ok();
}

Status store(Database& db, LimitSet* set) {
    set->setBy = AuditTrail::who().login;
    set->setAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    SqlStatement st(db, QStringLiteral(
        "INSERT INTO ControlLimit (Facility, Station, ModelNumber, BaselineBegin, BaselineEnd, PBar, Days, Units, "
        "Rule1, Rule2, Rule3, Rule4, Rule4Count, Rule4Units, SetBy, SetAt) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QVariantList values{set->facility, set->station, set->model, set->begin.toString(Qt::ISODate),
                              set->end.toString(Qt::ISODate), set->pbar, set->days, set->units,
                              int(set->rule[0]), int(set->rule[1]), int(set->rule[2]), int(set->rule[3]),
                              set->rule4Count, set->rule4Units, set->setBy, set->setAt};
    for (int i = 0; i < values.size(); ++i)
        st.bind(i + 1, values.at(i));
    const Status s = st.run();
    if (s)
        set->id = db.lastInsertRowId();
    return s;
}

Status inForce(Database& db, const QString& facility, const QString& station, const QString& model, LimitSet* out,
               bool* found) {
    *found = false;
    SqlStatement st(db, QStringLiteral(
        "SELECT LimitID, ModelNumber, BaselineBegin, BaselineEnd, PBar, Days, Units, Rule1, Rule2, Rule3, Rule4, "
        "Rule4Count, Rule4Units, SetBy, SetAt FROM ControlLimit "
        "WHERE Facility = ? AND Station = ? AND ModelNumber IN (?, '') "
        "ORDER BY CASE WHEN ModelNumber = '' THEN 1 ELSE 0 END, LimitID DESC LIMIT 1"));
    st.bind(1, facility);
    st.bind(2, station);
    st.bind(3, model);
    if (!st.next())
        return st.status();
    *found = true;
    out->id = st.int64(0);
    out->facility = facility;
    out->station = station;
    out->model = st.value(1).toString();
    out->begin = QDate::fromString(st.value(2).toString(), Qt::ISODate);
    out->end = QDate::fromString(st.value(3).toString(), Qt::ISODate);
    out->pbar = st.value(4).toDouble();
    out->days = int(st.int64(5));
    out->units = st.int64(6);
    for (int i = 0; i < 4; ++i)
        out->rule[i] = st.int64(7 + i) != 0;
    out->rule4Count = int(st.int64(11));
    out->rule4Units = int(st.int64(12));
    out->setBy = st.value(13).toString();
    out->setAt = st.value(14).toString();
    return Status::ok();
}

Status checkTrendFields(const QStringList& fields) {
    if (field(fields, QStringLiteral("Limits")).compare(QLatin1String("in force"), Qt::CaseInsensitive) != 0)
        return Status::ok();
    const QString facility = field(fields, QStringLiteral("Facility"));
    const QString station = field(fields, QStringLiteral("Station"));
    if (station.isEmpty())
        return Status::fail(QStringLiteral("Limits in force are set per station: enter the Station."));
    Database db;
    Status s = db.open(Schema::databaseName(), Database::Mode::ReadOnly);
    LimitSet set;
    bool found = false;
    if (s)
        s = inForce(db, facility, station, field(fields, QStringLiteral("Model")), &set, &found);
    if (s && !found)
        return Status::fail(QStringLiteral("No control limits are in force for station %1 of facility %2. "
                                           "Set them with Analysis, Control Limits.").arg(station, facility));
    return s;
}

}  // namespace ControlLimits
