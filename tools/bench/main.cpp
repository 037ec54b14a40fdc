#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include "Bench.h"
#include "datagen/DataGen.h"

namespace Bench {
namespace {
std::vector<Case>& cases() {
    static std::vector<Case> c;
    return c;
}
int g_rows = 1000000;
QString g_folder = QStringLiteral("bench-data");
}  // namespace

void add(Case c) { cases().push_back(std::move(c)); }
int rows() { return g_rows; }
QString folder() { return QDir(g_folder).absolutePath(); }

QString largeDatabase(int n) {
    QDir().mkpath(folder());
    const QString path = folder() + QStringLiteral("/large-%1.mdb").arg(n);
    if (!QFileInfo::exists(path)) {
        std::fprintf(stderr, "making %s ...\n", qPrintable(path));
        const Status s = DataGen::createLarge(path, n);
        if (!s) {
            std::fprintf(stderr, "varnex-bench: %s\n", qPrintable(s.error()));
            std::exit(1);
        }
    }
    return path;
}

}  // namespace Bench

// varnex-bench [--rows N] [--dir FOLDER] [--filter TEXT] [--repeats N]
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QString filter;
    int repeats = 0;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rows"))
            Bench::g_rows = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--dir"))
            Bench::g_folder = args[i + 1];
        else if (args[i] == QLatin1String("--filter"))
            filter = args[i + 1];
        else if (args[i] == QLatin1String("--repeats"))
            repeats = args[i + 1].toInt();
    }
    std::printf("%-48s %12s %12s %12s %10s\n", "case", "median ms", "min ms", "max ms", "ratio");
    QHash<QString, double> medians;
    for (Bench::Case& c : Bench::cases()) {
        if (!filter.isEmpty() && !c.name.contains(filter))
            continue;
        if (c.setup)
            c.setup();
        std::vector<double> times;
        const int n = repeats > 0 ? repeats : c.repeats;
        for (int i = 0; i < n; ++i) {
            QElapsedTimer t;
            t.start();
            c.run();
            times.push_back(t.nsecsElapsed() / 1e6);
        }
        if (c.teardown)
            c.teardown();
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        medians.insert(c.name, median);
        QString ratio;
        if (!c.baseline.isEmpty() && medians.contains(c.baseline) && median > 0)
            ratio = QStringLiteral("%1x").arg(medians.value(c.baseline) / median, 0, 'f', 1);
        std::printf("%-48s %12.3f %12.3f %12.3f %10s\n", qPrintable(c.name), median, times.front(), times.back(),
                    qPrintable(ratio));
        std::fflush(stdout);
    }
    return 0;
}
