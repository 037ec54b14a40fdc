// varnex-report: runs a report definition straight to PDF, CSV or a spreadsheet
// (.xlsx), without the user interface.
//
//   varnex-report REPORT.rpt [--param "Name;value;true"]... [--sort "+{table.field}"]
//                 [--timeout SECONDS] [--server URI] (--pdf FILE | --csv FILE | --xlsx FILE)
//
// Parameter names are matched without regard to case, blanks and underscores
// ("BeginDate", "Begin Date" and "begin_date" are one name).
//
// The report reads the database in use: the server given by --server URI (a
// libpq connection URI) for this run, else the server line of varnex.conf, else
// the kelid.mdb its definition names.
//
// A run that takes longer than SECONDS (300 by default, 0 for no limit) is
// stopped with a message and a non-zero exit.
//
// A report named without a folder that is not in the current folder is taken
// from the application folder, else from the installed program's shared
// folder. "--folder DIR" (or VARNEX_FOLDER) names the application folder, as
// for varnex.
//
// Example: varnex-report pareto_of_defects.rpt --param "BeginDate;Date (2003, 12, 01);true"
//          --param "EndDate;Date (2003, 12, 31);true" --param "Facility;A;true" --pdf pareto.pdf
#include <cstdio>

#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include "database/Database.h"
#include "database/Schema.h"
#include "database/ServerUri.h"
#include "platform/AppPaths.h"
#include "platform/CommandLine.h"
#include "platform/DataFolder.h"
#include "reports/ReportEngine.h"
#include "reports/ReportRenderer.h"
#include "reports/ReportResult.h"

namespace {
#define VARNEX_REPORT_USAGE \
    "usage: varnex-report REPORT.rpt [--param \"Name;value;true\"]... [--sort \"+{table.field}\"]\n" \
    "                     [--timeout SECONDS] [--server URI] [--folder DIR] (--pdf FILE | --csv FILE | --xlsx FILE)\n"
const char* const kUsage = VARNEX_REPORT_USAGE;
const char* const kHelp = VARNEX_REPORT_USAGE
    "Runs a report definition without the user interface, to PDF, CSV or a spreadsheet.\n"
    "  REPORT.rpt     a report definition; a bare name not in the current folder is looked up in\n"
    "                 the application folder, then among the installed ones\n"
    "  --param P      a parameter as \"Name;value;true\"; dates as \"Date (2026, 01, 31)\"\n"
    "  --sort S       the sort field, \"+{table.field}\" or \"-{table.field}\"\n"
    "  --timeout S    stop the run after S seconds (300 by default, 0 for none)\n"
    "  --server URI   read a plant server: postgresql://USER@HOST:PORT/DBNAME\n"
    "  --folder DIR   the application folder (also VARNEX_FOLDER); installed, ~/.local/share/varnex\n"
    "  --pdf FILE     write the report as PDF\n"
    "  --csv FILE     write its rows as CSV\n"
    "  --xlsx FILE    write its rows as an .xlsx spreadsheet\n"
    "  --version, --help\n";

int refuse(const Status& s) {
    std::fprintf(stderr, "varnex-report: %s\n", qPrintable(s.error()));
    return 1;
}
int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}
}  // namespace

int main(int argc, char* argv[]) {
    if (CommandLine::answered(argc, argv, "varnex-report", kHelp))
        return 0;
    // PDF needs fonts but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments();
    if (const Status folder = DataFolder::select(DataFolder::named(&args)); !folder)
        return refuse(folder);
    QString report, sort, pdf, csv, xlsx;
    QStringList params;
    ReportRunControl control;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--param") && hasValue)
            params << args.at(++i);
        else if (a == QLatin1String("--sort") && hasValue)
            sort = args.at(++i);
        else if (a == QLatin1String("--pdf") && hasValue)
            pdf = args.at(++i);
        else if (a == QLatin1String("--csv") && hasValue)
            csv = args.at(++i);
        else if (a == QLatin1String("--xlsx") && hasValue)
            xlsx = args.at(++i);
        else if (a == QLatin1String("--server") && hasValue) {
            const QString server = args.at(++i);
            if (const Status typed = ServerUri::checkCommandLine(server); !typed)
                return refuse(typed);
            if (!Database::isServerName(server))
                return usage();
            Schema::setServerOverride(server);
        }
        else if (a == QLatin1String("--timeout") && hasValue) {
            bool ok = false;
            control.timeLimitSeconds = args.at(++i).toInt(&ok);
            if (!ok || control.timeLimitSeconds < 0)
                return usage();
        }
        else if (!a.startsWith(QLatin1String("--")) && report.isEmpty())
            report = a;
        else
            return usage();
    }
    const QString out = pdf + csv + xlsx;
    if (report.isEmpty() || int(!pdf.isEmpty()) + int(!csv.isEmpty()) + int(!xlsx.isEmpty()) != 1 ||
        params.size() > ReportEngine::kParameterFields)
        return usage();
    if (!QFileInfo::exists(report) && QFileInfo(report).fileName() == report)
        report = AppPaths::readable(AppPaths::folder() + QLatin1Char('/') + report);
    QString warning;
    if (const Status conf = Schema::checkConfigFile(&warning); !conf)
        return refuse(conf);
    if (!warning.isEmpty())
        std::fprintf(stderr, "varnex-report: %s\n", qPrintable(warning));
    ReportResult result;
    Status s = ReportEngine::produce(report, params, sort, &result, &control);
    if (s)
        s = !pdf.isEmpty() ? ReportRenderer::writePdf(result, pdf)
            : !csv.isEmpty() ? ReportRenderer::writeCsv(result, csv)
                             : ReportRenderer::writeXlsx(result, xlsx);
    if (!s)
        return refuse(s);
    std::printf("%s: %d record(s) written to %s\n", qPrintable(result.definition.title), result.rowCount,
                qPrintable(out));
    return 0;
}
