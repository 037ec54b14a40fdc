#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include "datagen/DataGen.h"

namespace {
const char* const kUsage =
    "usage: makedb (--demo FILE | --blank FILE | --large FILE [--rows N] [--with-trail]) [--if-missing]\n"
    "  --demo FILE    the demo plant: reference tables and about 2,000 inspection rows\n"
    "  --blank FILE   the tables with only the pass codes\n"
    "  --large FILE   the demo plant's tables and N inspection rows (default 1000000)\n"
    "  --with-trail   the audit trail records each inspection row as it is made (else it starts empty)\n"
    "  --if-missing   do nothing when FILE exists (an existing file is never overwritten)\n";
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    QString kind, path;
    qint64 rows = 1000000;
    bool ifMissing = false, trail = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == QLatin1String("--demo") || a == QLatin1String("--blank") || a == QLatin1String("--large")) &&
            i + 1 < args.size() && kind.isEmpty()) {
            kind = a.mid(2);
            path = args[++i];
        } else if (a == QLatin1String("--rows") && i + 1 < args.size()) {
            bool ok = false;
            rows = args[++i].toLongLong(&ok);
            if (!ok || rows < 0) {
                err << "makedb: --rows needs a whole number of 0 or more, not '" << args[i] << "'\n";
                return 2;
            }
        } else if (a == QLatin1String("--with-trail")) {
            trail = true;
        } else if (a == QLatin1String("--if-missing")) {
            ifMissing = true;
        } else {
            err << kUsage;
            return 2;
        }
    }
    if (kind.isEmpty() || path.isEmpty()) {
        err << kUsage;
        return 2;
    }
    if (QFileInfo::exists(path)) {
        if (ifMissing)
            return 0;
        err << "makedb: " << path << " exists; it is not overwritten\n";
        return 1;
    }
    const Status s = kind == QLatin1String("demo")    ? DataGen::createDemo(path)
                     : kind == QLatin1String("blank") ? DataGen::createBlank(path)
                                                      : DataGen::createLarge(path, rows, trail);
    if (!s) {
        err << "makedb: " << s.error() << "\n";
        return 1;
    }
    return 0;
}
