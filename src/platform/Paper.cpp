#include "platform/Paper.h"

#include <QLocale>

#include "platform/ConfigFile.h"

namespace Paper {

QPageSize size() {
    const QString configured = ConfigFile::value(QStringLiteral("paper")).toLower();
    if (configured == QLatin1String("a4"))
        return QPageSize(QPageSize::A4);
    if (configured == QLatin1String("letter"))
        return QPageSize(QPageSize::Letter);
    const QLocale::Territory t = QLocale().territory();
    return QPageSize(t == QLocale::UnitedStates || t == QLocale::Canada ? QPageSize::Letter : QPageSize::A4);
}

}  // namespace Paper
