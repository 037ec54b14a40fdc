#include "platform/ConfigFile.h"

#include <QFile>

#include "platform/AppPaths.h"

namespace ConfigFile {

namespace {
QString key(QString name) {
    name = name.toLower();
    name.replace(QLatin1Char('_'), QLatin1Char(' '));
    return name.simplified();
}
}  // namespace

QString path() { return AppPaths::join(QStringLiteral("\\varnex.conf")); }

QString value(const QString& name) {
    QFile f(path());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    const QString wanted = key(name);
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && key(line.left(eq)) == wanted)
            return line.mid(eq + 1).trimmed();
    }
    return QString();
}

QString plantName(const QString& builtIn) {
    const QString plant = value(QStringLiteral("plant"));
    return plant.isEmpty() ? builtIn : plant;
}

}  // namespace ConfigFile
