// The figures per station and day that the run rules read, kept by the
// database through every kind of change, against the yield trend's own
// figures from the rows; and counted from the rows of a database made before them.
#include <QtTest>

#include "TestAppFolder.h"
#include "TrendByDay.h"
#include "database/Schema.h"
#include "database/StationDays.h"
#include "datagen/Prng.h"

namespace {

const char* const kFacilities[] = {"A", "B"};
const char* const kStations[] = {"ASM1", "FINAL", "PNT"};
const char* const kModels[] = {"M1", "M2", nullptr};
const char* const kSerials[] = {"S1", "S2", "S3", "S4", "S5", nullptr};
const char* const kDates[] = {"2026-03-02", "2026-03-03", "2026-03-04", "2026-03-05"};

template <size_t N>
QString pick(DataGen::Prng& r, const char* const (&from)[N]) {
    const char* v = from[r.below(int(N))];
    return v ? QStringLiteral("'%1'").arg(QLatin1String(v)) : QStringLiteral("NULL");
}

// A row of a few units, stations and days, so that units share rows: a pass
// row now and then, a NULL model or serial number sometimes.
QString values(DataGen::Prng& r) {
    const bool pass = r.chance(0.5);
    return QStringLiteral("(%1, %2, %3, %4, %5, %6, %7, '1', %8)")
        .arg(pick(r, kFacilities), pick(r, kModels), pick(r, kSerials), pick(r, kStations), pick(r, kDates),
             pass ? QStringLiteral("'001'") : QStringLiteral("'P7'"), pass ? QStringLiteral("'1'") : QStringLiteral("'LS'"))
        .arg(r.chance(0.8) ? 1 : 2);
}

QString someRow(DataGen::Prng& r) {
    return QStringLiteral("(SELECT InspectionID FROM InspectionRecord ORDER BY InspectionID LIMIT 1 OFFSET %1)").arg(r.below(40));
}

// Inserts of one row and of several in one statement, changes of one row and
// of many, deletes of one and of many.
void mutate(const TestAppFolder& app, DataGen::Prng& r, int steps) {
    const QString insert = QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Station, Date, "
                                          "PartNum, DefectCode, LocationCode, ReworkNum) VALUES ");
    for (int i = 0; i < steps; ++i) {
        switch (r.below(8)) {
        case 0:
        case 1:
            app.exec(insert + values(r));
            break;
        case 2:
            app.exec(insert + values(r) + QLatin1Char(',') + values(r) + QLatin1Char(',') + values(r));
            break;
        case 3:
            app.exec(QStringLiteral("UPDATE InspectionRecord SET PartNum = '001', DefectCode = '1' WHERE InspectionID = %1").arg(someRow(r)));
            break;
        case 4:
            app.exec(QStringLiteral("UPDATE InspectionRecord SET SerialNum = %1, Date = %2, ReworkNum = %3 WHERE InspectionID = %4")
                         .arg(pick(r, kSerials), pick(r, kDates)).arg(r.below(2) + 1).arg(someRow(r)));
            break;
        case 5:
            app.exec(QStringLiteral("UPDATE InspectionRecord SET DefectCode = 'LS', PartNum = 'P7' WHERE SerialNum = %1").arg(pick(r, kSerials)));
            break;
        case 6:
            app.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE InspectionID = %1").arg(someRow(r)));
            break;
        default:
            app.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE Station = %1 AND Date = %2").arg(pick(r, kStations), pick(r, kDates)));
        }
    }
}

// The trend by day over the whole range: "day units failed" per period.
QStringList trend(const char* facility, const char* station, const QString& model) {
    QList<QVariantMap> periods;
    const Status s = trendByDay(QLatin1String(facility), QLatin1String(station), QDate(2026, 3, 2), QDate(2026, 3, 5),
                                model.isEmpty() ? QStringList() : QStringList{QStringLiteral("Model;%1;true").arg(model)}, &periods);
    QStringList out;
    for (const QVariantMap& p : periods) {
        const qint64 units = p.value(QStringLiteral("Inspected")).toLongLong();
        out << QStringLiteral("%1 %2 %3").arg(p.value(QStringLiteral("Period")).toString()).arg(units)
                   .arg(units - p.value(QStringLiteral("FirstPass")).toLongLong());
    }
    return s ? out : QStringList{s.error()};
}

QStringList kept(const char* facility, const char* station, const QString& model) {
    Database db;
    db.open(Schema::databaseName());
    QList<StationDays::Day> days;
    const Status s = StationDays::lastDays(db, QLatin1String(facility), QLatin1String(station), model, QDate(2026, 3, 5), 10, &days);
    QStringList out;
    for (const StationDays::Day& d : days)
        out << QStringLiteral("%1 %2 %3").arg(d.date.toString(Qt::ISODate)).arg(d.units).arg(d.failed);
    return s ? out : QStringList{s.error()};
}

// Every station of both facilities, every model and model M1, as the trend gives them.
void compareWithTrend() {
    for (const char* facility : kFacilities)
        for (const char* station : kStations)
            for (const QString& model : {QString(), QStringLiteral("M1")}) {
                const QStringList expected = trend(facility, station, model);
                QCOMPARE(kept(facility, station, model), expected);
            }
}

}  // namespace

class TestStationDays : public QObject {
    Q_OBJECT
private slots:
    void keptThroughEveryChange() {
        TestAppFolder app;
        DataGen::Prng r(7);
        mutate(app, r, 60);
        compareWithTrend();
        if (QTest::currentTestFailed())
            return;
        mutate(app, r, 240);
        QVERIFY(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt() > 10);
        compareWithTrend();
        // A day whose units all went keeps no row.
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM StationDay WHERE Units = 0")).toInt(), 0);
    }

    // A database made before the figures gets them from its rows when it is opened.
    void countedFromTheRowsOfAnOlderDatabase() {
        TestAppFolder app;
        DataGen::Prng r(11);
        mutate(app, r, 80);
        if (app.isServer())
            app.exec(QStringLiteral("DROP TABLE stationday; DROP FUNCTION varnex_station_day() CASCADE"));
        else
            app.exec(QStringLiteral("DROP TABLE StationDay; DROP TRIGGER StationDayAdded; DROP TRIGGER StationDayRemoved; "
                                    "DROP TRIGGER StationDayChanged"));
        QVERIFY(Schema::upgradeFile(app.database()));
        compareWithTrend();
        if (QTest::currentTestFailed())
            return;
        mutate(app, r, 40);
        compareWithTrend();
    }
};

QTEST_MAIN(TestStationDays)
#include "tst_stationdays.moc"
