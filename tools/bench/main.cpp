#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>

#include "Bench.h"
#include "database/DatabaseCopy.h"
#include "database/Schema.h"
#include "database/postgres/PgSchema.h"
#include "datagen/DataGen.h"

namespace Bench {
namespace {
std::vector<Case>& cases() {
    static std::vector<Case> c;
    return c;
}
int g_rows = 1000000;
QString g_folder = QStringLiteral("bench-data");
QStringList g_failures;
QString g_current;
QString g_cluster;
std::vector<double> g_samples;

struct Result {
    QString name, baseline;
    double median = 0, min = 0, max = 0;
    int runs = 0;
};

const char* const kUsage =
    "usage: varnex-bench [--rows N] [--dir FOLDER] [--filter TEXT] [--repeats N] [--list] [--server URI] [--cluster URI]\n"
    "  --rows N       inspection rows of the large database (default 1000000)\n"
    "  --dir FOLDER   where the large databases are made and kept (default ./bench-data)\n"
    "  --filter TEXT  run only the cases whose name contains TEXT (or one of TEXT|TEXT...)\n"
    "  --repeats N    timed runs per case (default: the case's own, usually 7)\n"
    "  --list         list the cases and exit\n"
    "  --server URI   cases that open the program's database open this server database instead\n"
    "                 (fill it first: varnex-server import URI FOLDER/large-N.mdb)\n"
    "  --cluster URI  also run the cases named \"server: ...\" on this PostgreSQL server, beside the\n"
    "                 file's (a throwaway cluster: the large database is copied into it)\n";
}  // namespace

void add(Case c) { cases().push_back(std::move(c)); }
int rows() { return g_rows; }
QString folder() { return QDir(g_folder).absolutePath(); }
QString cluster() { return g_cluster; }
void addSamples(const QList<double>& ms) { g_samples.insert(g_samples.end(), ms.begin(), ms.end()); }

QString serverDatabase(int n) {
    const QString name = QStringLiteral("large_%1").arg(n);
    const QString uri = PgSchema::withDatabase(g_cluster, name);
    Database db;
    Status s = db.open(uri);
    if (s && DatabaseCopy::hasSchema(db, &s))
        return uri;
    const QString file = largeDatabase(n);
    std::fprintf(stderr, "copying %s into database %s on the server ...\n", qPrintable(file), qPrintable(name));
    QElapsedTimer t;
    t.start();
    Database admin;
    s = admin.open(g_cluster);
    if (s && !db.isOpen())
        s = admin.exec(QStringLiteral("CREATE DATABASE %1").arg(name));
    if (s && !db.isOpen())
        s = db.open(uri);
    if (s)
        s = Schema::create(db);
    Database from;
    if (s)
        s = from.open(file, Database::Mode::ReadOnly);
    if (s)
        s = DatabaseCopy::copy(from, db);  // which also gathers the server's statistics
    if (!s) {
        std::fprintf(stderr, "varnex-bench: %s\n", qPrintable(s.error()));
        std::exit(1);
    }
    std::fprintf(stderr, "copied in %.1f s\n", t.nsecsElapsed() / 1e9);
    return uri;
}

void fail(const QString& why) { g_failures << QStringLiteral("%1: %2").arg(g_current, why); }

QString largeDatabase(int n) {
    QDir().mkpath(folder());
    const QString path = folder() + QStringLiteral("/large-%1.mdb").arg(n);
    if (!QFileInfo::exists(path)) {
        std::fprintf(stderr, "making %s ...\n", qPrintable(path));
        QElapsedTimer t;
        t.start();
        const Status s = DataGen::createLarge(path, n);
        if (!s) {
            std::fprintf(stderr, "varnex-bench: %s\n", qPrintable(s.error()));
            std::exit(1);
        }
        std::fprintf(stderr, "made in %.1f s\n", t.nsecsElapsed() / 1e9);
    }
    return path;
}

// Times each case over repeated runs; prints median, fastest and slowest run
// as it goes, and at the end every case's ratio to its baseline, whichever of
// the two was registered first.
static int runAll(const QString& filter, int repeats) {
    std::vector<Result> results;
    QHash<QString, double> medians;
    std::printf("%-60s %5s %11s %11s %11s %8s\n", "case", "runs", "median ms", "min ms", "max ms", "spread");
    for (Case& c : cases()) {
        const QStringList wanted = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
        if (!wanted.isEmpty() && std::none_of(wanted.begin(), wanted.end(), [&](const QString& w) { return c.name.contains(w); }))
            continue;
        if (c.name.startsWith(QLatin1String("server:")) && g_cluster.isEmpty())
            continue;
        g_samples.clear();
        g_current = c.name;
        const int failuresBefore = int(g_failures.size());
        if (c.setup)
            c.setup();
        std::vector<double> times;
        const int n = std::max(1, repeats > 0 ? repeats : c.repeats);
        for (int i = 0; i < n && g_failures.size() == failuresBefore; ++i) {
            QElapsedTimer t;
            t.start();
            c.run();
            times.push_back(t.nsecsElapsed() / 1e6);
            if (c.after)
                c.after();
        }
        if (c.teardown)
            c.teardown();
        if (times.empty() || g_failures.size() != failuresBefore) {
            std::printf("%-60s FAILED: %s\n", qPrintable(c.name), qPrintable(g_failures.value(failuresBefore)));
            std::fflush(stdout);
            continue;
        }
        if (!g_samples.empty())
            times = g_samples;
        std::sort(times.begin(), times.end());
        Result r;
        r.name = c.name;
        r.baseline = c.baseline;
        r.runs = int(times.size());
        r.median = times.size() % 2 ? times[times.size() / 2]
                                    : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
        r.min = times.front();
        r.max = times.back();
        medians.insert(r.name, r.median);
        results.push_back(r);
        const double spread = r.median > 0 ? 100.0 * (r.max - r.min) / r.median : 0;
        std::printf("%-60s %5d %11.3f %11.3f %11.3f %7.0f%%\n", qPrintable(r.name), r.runs, r.median, r.min, r.max,
                    spread);
        if (!g_samples.empty())
            std::printf("%-60s 99th percentile %.3f ms\n", "", times[(times.size() * 99 + 99) / 100 - 1]);
        std::fflush(stdout);
    }

    bool header = false;
    for (const Result& r : results) {
        if (r.baseline.isEmpty())
            continue;
        if (!header) {
            std::printf("\nratios (baseline median / case median: above 1 means the case is faster)\n");
            std::printf("%-60s %-56s %8s\n", "case", "baseline", "ratio");
            header = true;
        }
        const QString ratio = !medians.contains(r.baseline) ? QStringLiteral("not run")
                              : r.median > 0 ? QStringLiteral("%1x").arg(medians.value(r.baseline) / r.median, 0, 'f', 1)
                                             : QStringLiteral("n/a");
        std::printf("%-60s %-56s %8s\n", qPrintable(r.name), qPrintable(r.baseline), qPrintable(ratio));
    }
    // The most memory the process held at any moment of the run.
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\npeak resident memory of the run: %.1f MB\n", usage.ru_maxrss / 1024.0);
    for (const QString& f : g_failures)
        std::fprintf(stderr, "varnex-bench: %s\n", qPrintable(f));
    return g_failures.isEmpty() ? 0 : 1;
}

}  // namespace Bench

// The off-screen platform warns about every window it cannot size; that is
// not news for a benchmark.
static QtMessageHandler g_standardMessages = nullptr;
static void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("propagateSizeHints")))
        return;
    if (g_standardMessages)
        g_standardMessages(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

int main(int argc, char* argv[]) {
    g_standardMessages = qInstallMessageHandler(quietMessages);
    // The forms need a display; without one, draw off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--station"))
        return Bench::stationMain(app.arguments().mid(2));
    QString filter;
    int repeats = 0;
    bool list = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (a == QLatin1String("--list")) {
            list = true;
        } else if (a == QLatin1String("--rows") && hasValue) {
            Bench::g_rows = args[++i].toInt(&ok);
            ok = ok && Bench::g_rows >= 0;
        } else if (a == QLatin1String("--dir") && hasValue) {
            Bench::g_folder = args[++i];
        } else if (a == QLatin1String("--server") && hasValue) {
            Schema::setServerOverride(args[++i]);
        } else if (a == QLatin1String("--cluster") && hasValue) {
            Bench::g_cluster = args[++i];
        } else if (a == QLatin1String("--filter") && hasValue) {
            filter = args[++i];
        } else if (a == QLatin1String("--repeats") && hasValue) {
            repeats = args[++i].toInt(&ok);
            ok = ok && repeats > 0;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fputs(Bench::kUsage, stderr);
            return 2;
        }
    }
    if (list) {
        for (const Bench::Case& c : Bench::cases())
            std::printf("%s%s\n", qPrintable(c.name),
                        c.baseline.isEmpty() ? "" : qPrintable(QStringLiteral("  (baseline: %1)").arg(c.baseline)));
        return 0;
    }
    return Bench::runAll(filter, repeats);
}
