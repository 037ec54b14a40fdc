// Report cases: the Pareto of defects and the first pass yields over one month
// of the large database, each beside the database's own command-line tool
// running the same statement with the same values on the same database (its
// time includes starting the process): sqlite3 on the file, psql on a server
// (--server; the statement as the server engine sends it), and the Pareto all
// the way to a PDF file.
#include <cstdio>

#include <QDate>
#include <QProcess>

#include "Bench.h"
#include "ReportFolder.h"
#include "database/Database.h"
#include "database/Schema.h"
#include "database/postgres/PgSql.h"
#include "reports/ReportDefinition.h"
#include "reports/ReportEngine.h"
#include "reports/ReportRenderer.h"
#include "reports/ReportResult.h"

namespace {
struct Setup {
    QString folder;  // report definitions beside a link to the large database
    QString begin, end, facility;
};

// The shipped definitions (the application folder beside the tools folder),
// with the large database linked in as kelid.mdb: the cases only read.
const Setup& setup() {
    static Setup s;
    if (!s.folder.isEmpty())
        return s;
    const QString source = Bench::largeDatabase(Bench::rows());
    s.folder = Bench::reportFolder(QStringLiteral("reports-app"), source, {"pareto_of_defects.rpt", "1st_Pass_Yields.rpt"});
    // The month in the middle of the data, at its busiest facility.
    Database db;
    db.open(source, Database::Mode::ReadOnly);
    SqlStatement mid(db, QStringLiteral("SELECT date(min(Date), '+' || ((julianday(max(Date)) - julianday(min(Date))) / 2) || ' days', 'start of month') FROM InspectionRecord"));
    mid.next();
    const QDate first = QDate::fromString(mid.value(0).toString(), Qt::ISODate);
    SqlStatement fac(db, QStringLiteral("SELECT Facility FROM InspectionRecord GROUP BY Facility ORDER BY count(*) DESC LIMIT 1"));
    fac.next();
    s.begin = first.toString(Qt::ISODate);
    s.end = first.addMonths(1).addDays(-1).toString(Qt::ISODate);
    s.facility = fac.value(0).toString();
    std::fprintf(stderr, "reports: %s to %s, facility %s\n", qPrintable(s.begin), qPrintable(s.end), qPrintable(s.facility));
    return s;
}

QString dateValue(const QString& iso) { return Bench::reportDate(QDate::fromString(iso, Qt::ISODate)); }

QStringList fields(const char* begin, const char* end) {
    const Setup& s = setup();
    return {QLatin1String(begin) + QLatin1Char(';') + dateValue(s.begin) + QStringLiteral(";true"),
            QLatin1String(end) + QLatin1Char(';') + dateValue(s.end) + QStringLiteral(";true"),
            QStringLiteral("Facility;") + s.facility + QStringLiteral(";true")};
}

void runEngine(const char* file, const QStringList& params) {
    ReportResult r;
    const Status st = ReportEngine::produce(setup().folder + QLatin1Char('/') + QLatin1String(file), params, QString(), &r);
    if (!st || r.rowCount == 0) {
        std::fprintf(stderr, "varnex-bench: %s: %s (%d rows)\n", file, qPrintable(st.error()), r.rowCount);
        std::exit(1);
    }
}

// The same statement through the sqlite3 tool, values set as its parameters;
// on a server through psql, prepared as the server engine prepares it and run
// with the same values. file == nullptr: the tool's start-up alone.
void runCli(const char* file) {
    const Setup& s = setup();
    ReportDefinition def;
    if (file)
        ReportDefinition::load(s.folder + QLatin1Char('/') + QLatin1String(file), &def);
    const QHash<QString, QString> values{{QStringLiteral("begin"), s.begin}, {QStringLiteral("end"), s.end},
                                         {QStringLiteral("facility"), s.facility}};
    const bool server = Schema::isServer();
    QString script;
    if (server) {
        if (file) {
            const PgSql::Translated t = PgSql::translate(ReportRunner::finalSql(def, nullptr, false));
            QStringList args;
            for (const QString& p : t.parameters)
                args << QLatin1Char('\'') + QString(values.value(p.mid(1))).replace(QLatin1Char('\''), QLatin1String("''")) +
                            QLatin1Char('\'');
            script = QStringLiteral("PREPARE q AS %1;\nEXECUTE q(%2);\n").arg(t.sql, args.join(QStringLiteral(", ")));
        } else {
            script = QStringLiteral("SELECT 1;\n");
        }
    } else {
        script = QStringLiteral(".parameter init\n");
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            script += QStringLiteral(".parameter set :%1 \"'%2'\"\n").arg(it.key(), it.value());
        script += file ? ReportRunner::finalSql(def, nullptr, false) + QStringLiteral(";\n") : QStringLiteral("SELECT 1;\n");
    }
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    if (server)
        p.start(QStringLiteral("psql"), {Schema::databaseName(), QStringLiteral("-X"), QStringLiteral("-q"),
                                         QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1")});
    else
        p.start(QStringLiteral("sqlite3"), {QStringLiteral("-readonly"), s.folder + QStringLiteral("/kelid.mdb")});
    p.write(script.toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        std::fprintf(stderr, "varnex-bench: %s failed: %s\n", server ? "psql" : "sqlite3", p.readAllStandardError().constData());
        std::exit(1);
    }
}

Bench::Registrar cliStart{Bench::Case{QStringLiteral("reports: sqlite3 / psql tool start-up alone (SELECT 1)"), QString(),
                                      [] { setup(); }, [] { runCli(nullptr); }, {}, 7}};
Bench::Registrar cliPareto{Bench::Case{QStringLiteral("reports: sqlite3 / psql tool, Pareto query, one month"), QString(),
                                       [] { setup(); }, [] { runCli("pareto_of_defects.rpt"); }, {}, 7}};
Bench::Registrar pareto{Bench::Case{QStringLiteral("reports: Pareto of defects, one month"),
                                    QStringLiteral("reports: sqlite3 / psql tool, Pareto query, one month"), [] { setup(); },
                                    [] { runEngine("pareto_of_defects.rpt", fields("BeginDate", "EndDate")); }, {}, 7}};
Bench::Registrar cliYield{Bench::Case{QStringLiteral("reports: sqlite3 / psql tool, first pass query, one month"), QString(),
                                      [] { setup(); }, [] { runCli("1st_Pass_Yields.rpt"); }, {}, 7}};
Bench::Registrar yield{Bench::Case{QStringLiteral("reports: first pass yields, one month"),
                                   QStringLiteral("reports: sqlite3 / psql tool, first pass query, one month"), [] { setup(); },
                                   [] { runEngine("1st_Pass_Yields.rpt", fields("Begin Date", "End_Date")); }, {}, 7}};
Bench::Registrar paretoPdf{Bench::Case{QStringLiteral("reports: Pareto of defects to PDF, one month"), QString(), [] { setup(); },
                                       [] {
                                           ReportResult r;
                                           ReportEngine::produce(setup().folder + QStringLiteral("/pareto_of_defects.rpt"),
                                                                 fields("BeginDate", "EndDate"), QString(), &r);
                                           ReportRenderer::writePdf(r, Bench::folder() + QStringLiteral("/pareto-bench.pdf"));
                                       },
                                       {}, 5}};
}  // namespace
