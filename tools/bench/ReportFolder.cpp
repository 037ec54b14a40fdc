#include "ReportFolder.h"

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>

#include "Bench.h"
#include "reports/ReportEngine.h"

namespace Bench {

QString reportFolder(const QString& name, const QString& database, std::initializer_list<const char*> files) {
    const QString folder = Bench::folder() + QLatin1Char('/') + name;
    QDir().mkpath(folder);
    QFile::remove(folder + QStringLiteral("/kelid.mdb"));
    QFile::link(database, folder + QStringLiteral("/kelid.mdb"));
    const QString app = QCoreApplication::applicationDirPath() + QStringLiteral("/../app/");
    for (const char* f : files) {
        QFile::remove(folder + QLatin1Char('/') + QLatin1String(f));
        if (!QFile::copy(app + QLatin1String(f), folder + QLatin1Char('/') + QLatin1String(f))) {
            std::fprintf(stderr, "varnex-bench: %s not found in %s\n", f, qPrintable(app));
            std::exit(1);
        }
    }
    return folder;
}

QString reportDate(const QDate& d) { return ReportEngine::dateValue(d); }

}  // namespace Bench
