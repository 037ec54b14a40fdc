// Analysis cases on the large database: a year's weekly yield trend with its
// control limits, one unit's whole history (by serial number alone, so it
// must find the rows through the serial number's index) and what changed in
// one week against the eight before.
#include <cstdio>

#include <QDate>

#include "Bench.h"
#include "ReportFolder.h"
#include "database/Schema.h"
#include "database/Database.h"
#include "reports/ReportEngine.h"
#include "reports/ReportResult.h"

namespace {
struct Setup {
    QString folder;  // the analysis definitions beside a link to the large database
    QDate yearBegin, yearEnd, week;
    QString facility, serial;
};

const Setup& setup() {
    static Setup s;
    if (!s.folder.isEmpty())
        return s;
    const QString source = Bench::largeDatabase(Bench::rows());
    // A file made before the serial number had its index gets it now, as the program does at start.
    const Status up = Schema::upgradeFile(source);
    if (!up) {
        std::fprintf(stderr, "varnex-bench: %s\n", qPrintable(up.error()));
        std::exit(1);
    }
    s.folder = Bench::reportFolder(QStringLiteral("analysis-app"), source, {"yield_trend.rpt", "unit_history.rpt", "what_changed.rpt"});
    // The calendar year around the middle of the data, at its busiest facility; the
    // week of the middle day; the unit of the middle row.
    Database db;
    db.open(source, Database::Mode::ReadOnly);
    SqlStatement mid(db, QStringLiteral("SELECT date(min(Date), '+' || ((julianday(max(Date)) - julianday(min(Date))) / 2) || ' days') FROM InspectionRecord"));
    mid.next();
    const QDate middle = QDate::fromString(mid.value(0).toString(), Qt::ISODate);
    s.yearBegin = QDate(middle.year(), 1, 1);
    s.yearEnd = QDate(middle.year(), 12, 31);
    s.week = middle;
    SqlStatement fac(db, QStringLiteral("SELECT Facility FROM InspectionRecord GROUP BY Facility ORDER BY count(*) DESC LIMIT 1"));
    fac.next();
    s.facility = fac.value(0).toString();
    SqlStatement unit(db, QStringLiteral("SELECT SerialNum FROM InspectionRecord WHERE InspectionID >= (SELECT max(InspectionID) / 2 FROM InspectionRecord) LIMIT 1"));
    unit.next();
    s.serial = unit.value(0).toString();
    std::fprintf(stderr, "analysis: year %d, week of %s, facility %s, serial %s\n", middle.year(),
                 qPrintable(middle.toString(Qt::ISODate)), qPrintable(s.facility), qPrintable(s.serial));
    return s;
}

void runEngine(const char* file, const QStringList& params) {
    ReportResult r;
    const Status st = ReportEngine::produce(setup().folder + QLatin1Char('/') + QLatin1String(file), params, QString(), &r);
    if (!st || r.rowCount == 0)
        Bench::fail(QStringLiteral("%1: %2 (%3 rows)").arg(QLatin1String(file), st.error()).arg(r.rowCount));
}

Bench::Registrar trend{Bench::Case{QStringLiteral("analysis: yield trend, one year by week"), QString(), [] { setup(); },
                                   [] {
                                       const Setup& s = setup();
                                       runEngine("yield_trend.rpt",
                                                 {QStringLiteral("BeginDate;%1;true").arg(Bench::reportDate(s.yearBegin)),
                                                  QStringLiteral("EndDate;%1;true").arg(Bench::reportDate(s.yearEnd)),
                                                  QStringLiteral("Facility;%1;true").arg(s.facility), QStringLiteral("Period;Week;true")});
                                   },
                                   {}, 7}};
Bench::Registrar history{Bench::Case{QStringLiteral("analysis: unit history, one serial number"), QString(), [] { setup(); },
                                     [] { runEngine("unit_history.rpt", {QStringLiteral("Serial;%1;true").arg(setup().serial)}); },
                                     {}, 7}};
Bench::Registrar changed{Bench::Case{QStringLiteral("analysis: what changed, one week"), QString(), [] { setup(); },
                                     [] {
                                         const Setup& s = setup();
                                         runEngine("what_changed.rpt",
                                                   {QStringLiteral("Period;Week;true"), QStringLiteral("PeriodDate;%1;true").arg(Bench::reportDate(s.week)),
                                                    QStringLiteral("Facility;%1;true").arg(s.facility)});
                                     },
                                     {}, 7}};
}  // namespace
