// Submit Record at stations working at once, on the large database as a file
// and on the server: 1 and 8 processes (varnex-bench --station), each typing
// rows into the data entry screen and submitting them over units shared by
// every station. Every Submit's time counts, from the click until the screen
// is ready for the next row: median and 99th percentile over all stations.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "Bench.h"
#include "database/Database.h"
#include "database/Schema.h"
#include "datagen/StationRun.h"
#include "platform/AppPaths.h"
#include "platform/FileSystem.h"
#include "shell/FormCatalog.h"

namespace {

const int kRowsPerStation = 200;

// A copy of the large file for the file cases (they write).
QString g_file;
void copyFile() {
    const QString folder = Bench::folder() + QStringLiteral("/submit-app");
    QDir().mkpath(folder);
    g_file = folder + QStringLiteral("/kelid.mdb");
    QFile::remove(g_file);
    const Status s = FileSystem::copyFile(Bench::largeDatabase(Bench::rows()), g_file);
    if (!s)
        Bench::fail(s.error());
}

void runStations(const QString& database, int stations) {
    QList<double> ms;
    for (const QByteArray& line : Bench::runStationProcesses(database, stations, kRowsPerStation))
        if (line.startsWith("ms "))
            ms << line.mid(3).toDouble();
    if (ms.size() != stations * kRowsPerStation)
        Bench::fail(QStringLiteral("%1 of %2 rows submitted").arg(ms.size()).arg(stations * kRowsPerStation));
    Bench::addSamples(ms);
}

QString first(Database& db, const char* sql, int offset = 0) {
    SqlStatement st(db, QString::fromLatin1(sql));
    st.bind(1, offset);
    return st.next() ? st.value(0).toString() : QString();
}

Bench::Registrar fileOne{Bench::Case{QStringLiteral("submit: 1 station, file"), QString(), &copyFile,
                                     [] { runStations(g_file, 1); }, {}, 1}};
Bench::Registrar fileEight{Bench::Case{QStringLiteral("submit: 8 stations at once, file"), QString(), &copyFile,
                                       [] { runStations(g_file, 8); }, {}, 1}};
Bench::Registrar serverOne{Bench::Case{QStringLiteral("server: submit: 1 station"), QString(), {},
                                       [] { runStations(Bench::serverDatabase(Bench::rows()), 1); }, {}, 1}};
Bench::Registrar serverEight{Bench::Case{QStringLiteral("server: submit: 8 stations at once"), QString(), {},
                                         [] { runStations(Bench::serverDatabase(Bench::rows()), 8); }, {}, 1}};

}  // namespace

namespace Bench {

QList<QByteArray> runStationProcesses(const QString& database, int stations, int rowsEach) {
    std::vector<std::unique_ptr<QProcess>> procs;
    for (int i = 0; i < stations; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--station"), database, QString::number(i + 1), QString::number(rowsEach)});
        procs.push_back(std::move(p));
    }
    // Every station opens its screen first; then all start at once.
    for (auto& p : procs) {
        while (!p->canReadLine() && p->waitForReadyRead(60000)) {
        }
        if (p->readLine().trimmed() != "ready")
            fail(QStringLiteral("a station did not start"));
    }
    for (auto& p : procs) {
        p->write("go\n");
        p->waitForBytesWritten(10000);
    }
    // This process's own events go on meanwhile (a watcher in it).
    QElapsedTimer waited;
    waited.start();
    QList<QByteArray> lines;
    for (auto& p : procs) {
        while (p->state() != QProcess::NotRunning && waited.elapsed() < 600000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            p->waitForFinished(5);
        }
        if (p->state() != QProcess::NotRunning || p->exitCode() != 0)
            fail(QStringLiteral("a station failed: %1").arg(QString::fromLocal8Bit(p->readAllStandardOutput().right(300))));
        lines += p->readAllStandardOutput().split('\n');
    }
    return lines;
}

int stationMain(const QStringList& args) {
    if (args.size() != 3)
        return 2;
    const QString database = args[0];
    QTemporaryDir folder;
    if (Database::isServerName(database)) {
        Schema::setServerOverride(database);
        AppPaths::setFolder(folder.path());
    } else {
        AppPaths::setFolder(QFileInfo(database).absolutePath());
    }
    registerDataEntryForms();
    // Codes the reference tables hold, so that Submit asks nothing but its question.
    StationRun::Plan plan;
    {
        Database db;
        if (!db.open(Schema::databaseName(), Database::Mode::ReadOnly)) {
            std::printf("error: %s\n", qPrintable(db.lastError()));
            return 1;
        }
        plan.model = first(db, "SELECT ModelNumber FROM Model ORDER BY ModelNumber LIMIT 1 OFFSET ?");
        plan.stations = {first(db, "SELECT StationID FROM Station ORDER BY StationID LIMIT 1 OFFSET ?"),
                         first(db, "SELECT StationID FROM Station ORDER BY StationID LIMIT 1 OFFSET ?", 1)};
        plan.inspector = first(db, "SELECT EmployeeNum FROM Employees ORDER BY EmployeeNum LIMIT 1 OFFSET ?");
        plan.part = first(db, "SELECT partnum FROM Parts ORDER BY partnum LIMIT 1 OFFSET ?", 1);
        plan.defect = first(db, "SELECT defectcode FROM defects ORDER BY defectcode LIMIT 1 OFFSET ?", 1);
        plan.location = first(db, "SELECT locationcode FROM location ORDER BY locationcode LIMIT 1 OFFSET ?", 1);
    }
    plan.seed = args[1].toULongLong();
    plan.rows = args[2].toInt();
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    const StationRun::Result r = StationRun::run(plan);
    for (double ms : r.millis)
        std::printf("ms %.3f\n", ms);
    for (qint64 at : r.storedAt)
        std::printf("at %lld\n", static_cast<long long>(at));
    for (const QString& e : r.errors)
        std::printf("error: %s\n", qPrintable(e));
    return r.errors.isEmpty() ? 0 : 1;
}

}  // namespace Bench
