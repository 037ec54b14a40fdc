#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include "datagen/DataGen.h"

// makedb --demo FILE | --blank FILE | --large FILE --rows N  [--if-missing]
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    QString kind, path;
    int rows = 1000000;
    bool ifMissing = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if ((a == QLatin1String("--demo") || a == QLatin1String("--blank") || a == QLatin1String("--large")) && i + 1 < args.size()) {
            kind = a.mid(2);
            path = args[++i];
        } else if (a == QLatin1String("--rows") && i + 1 < args.size()) {
            rows = args[++i].toInt();
        } else if (a == QLatin1String("--if-missing")) {
            ifMissing = true;
        } else {
            err << "usage: makedb (--demo FILE | --blank FILE | --large FILE [--rows N]) [--if-missing]\n";
            return 2;
        }
    }
    if (kind.isEmpty()) {
        err << "usage: makedb (--demo FILE | --blank FILE | --large FILE [--rows N]) [--if-missing]\n";
        return 2;
    }
    if (QFileInfo::exists(path)) {
        if (ifMissing)
            return 0;
        err << "makedb: " << path << " exists; it is not overwritten\n";
        return 1;
    }
    Status s = kind == QLatin1String("demo") ? DataGen::createDemo(path)
             : kind == QLatin1String("blank") ? DataGen::createBlank(path)
                                              : DataGen::createLarge(path, rows);
    if (!s) {
        err << "makedb: " << s.error() << "\n";
        return 1;
    }
    return 0;
}
