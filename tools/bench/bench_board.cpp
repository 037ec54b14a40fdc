// The line board on the large database: one refresh (as the board does it on
// each change: open, read the tiles), and how soon a watcher and its board see
// the Submits of 8 stations at once: for every Submit, the time from its end
// at the station until a refresh begun after it has read the board (the
// samples; the share within 2 s is printed).
#include <algorithm>
#include <cstdio>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include "Bench.h"
#include "database/Database.h"
#include "database/Schema.h"
#include "monitor/ChangeWatcher.h"
#include "monitor/LineBoardData.h"
#include "platform/AppPaths.h"
#include "platform/FileSystem.h"

namespace {

QString g_database;
LineBoardData::History g_history;  // as the board keeps it between its readings
QString g_facility;
QDate g_day;

// The last day of the database and its busiest facility: the board's today.
void findDay(const QString& database) {
    g_database = database;
    // As the program finds it at start: a file made before the alarms gets their table.
    if (!Database::isServerName(database))
        Schema::upgradeFile(database);
    Database db;
    if (!db.open(database, Database::Mode::ReadOnly))
        return Bench::fail(db.lastError());
    SqlStatement last(db, QStringLiteral("SELECT max(Date) FROM InspectionRecord"));
    g_day = last.next() ? QDate::fromString(last.value(0).toString(), Qt::ISODate) : QDate();
    SqlStatement busiest(db, QStringLiteral("SELECT Facility, count(*) AS n FROM InspectionRecord WHERE Date = ? "
                                            "GROUP BY Facility ORDER BY n DESC LIMIT 1"));
    busiest.bind(1, g_day.toString(Qt::ISODate));
    g_facility = busiest.next() ? busiest.value(0).toString() : QString();
    std::fprintf(stderr, "board: facility %s on %s\n", qPrintable(g_facility), qPrintable(g_day.toString(Qt::ISODate)));
}

// As the board reads: the file opened anew each time, a server's connection kept.
void refresh() {
    static Database server;
    Database file;
    const bool onServer = Database::isServerName(g_database);
    Database& db = onServer ? server : file;
    QList<StationTile> tiles;
    Status s;
    if (!db.isOpen() || db.path() != g_database)
        s = db.open(g_database, Database::Mode::ReadOnly);
    if (s)
        s = LineBoardData::read(db, g_facility, g_day, &tiles, &g_history);
    if (!s || tiles.isEmpty())
        Bench::fail(s ? QStringLiteral("no tiles") : s.error());
}

// A copy of the large file for the stations to write into.
QString copyForStations() {
    const QString folder = Bench::folder() + QStringLiteral("/board-app");
    QDir().mkpath(folder);
    const QString file = folder + QStringLiteral("/kelid.mdb");
    QFile::remove(file);
    const Status s = FileSystem::copyFile(Bench::largeDatabase(Bench::rows()), file);
    if (!s)
        Bench::fail(s.error());
    return file;
}

void watchStations(const QString& database) {
    if (Database::isServerName(database)) {
        Schema::setServerOverride(database);
    } else {
        Schema::setServerOverride(QString());
        AppPaths::setFolder(QFileInfo(database).absolutePath());
    }
    // The stations' rows: facility A, 4 March 2026 (see StationRun).
    g_database = database;
    g_facility = QStringLiteral("A");
    g_day = QDate(2026, 3, 4);
    // When each refresh began, and when it had read the board.
    QList<qint64> began, ended;
    QObject context;
    QObject::connect(&ChangeWatcher::instance(), &ChangeWatcher::changed, &context, [&] {
        began << QDateTime::currentMSecsSinceEpoch();
        refresh();
        ended << QDateTime::currentMSecsSinceEpoch();
    });
    const QList<QByteArray> lines = Bench::runStationProcesses(database, 8, 200);
    // The last Submits' refreshes.
    const qint64 until = QDateTime::currentMSecsSinceEpoch() + 3000;
    while (QDateTime::currentMSecsSinceEpoch() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QList<double> latency;
    int within = 0;
    for (const QByteArray& line : lines) {
        if (!line.startsWith("at "))
            continue;
        const qint64 at = line.mid(3).toLongLong();
        // The first refresh begun after the Submit ended reads its row; the
        // Submit is seen when that refresh has ended.
        const auto it = std::lower_bound(began.begin(), began.end(), at);
        const double ms = it == began.end() ? 1e9 : double(ended[int(it - began.begin())] - at);
        latency << ms;
        within += ms <= 2000.0;
    }
    std::printf("  seen within 2 s: %d of %lld Submits (%.2f %%); %lld refreshes\n", within,
                static_cast<long long>(latency.size()), latency.isEmpty() ? 0.0 : 100.0 * within / latency.size(),
                static_cast<long long>(began.size()));
    Bench::addSamples(latency);
}

Bench::Registrar fileRefresh{Bench::Case{QStringLiteral("board: refresh, the last day's busiest facility"), QString(),
                                         [] { findDay(Bench::largeDatabase(Bench::rows())); }, &refresh, {}, 15}};
Bench::Registrar fileFirst{Bench::Case{QStringLiteral("board: first reading of the day (its 29 days before too)"),
                                       QString(), [] { findDay(Bench::largeDatabase(Bench::rows())); },
                                       [] {
                                           g_history.clear();
                                           refresh();
                                       },
                                       {}, 7}};
Bench::Registrar serverRefresh{Bench::Case{QStringLiteral("server: board: refresh, the last day's busiest facility"),
                                           QString(), [] { findDay(Bench::serverDatabase(Bench::rows())); }, &refresh,
                                           {}, 15}};
Bench::Registrar fileWatch{Bench::Case{QStringLiteral("board: sees 8 stations' Submits, file"), QString(), {},
                                       [] { watchStations(copyForStations()); }, {}, 1}};
Bench::Registrar serverWatch{Bench::Case{QStringLiteral("server: board: sees 8 stations' Submits"), QString(), {},
                                         [] { watchStations(Bench::serverDatabase(Bench::rows())); }, {}, 1}};

}  // namespace
