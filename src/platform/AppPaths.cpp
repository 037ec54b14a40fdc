#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
QString& folderOverride() {
    static QString f;
    return f;
}

// Finds an entry of dir whose name equals name without regard to case.
QString matchIgnoringCase(const QString& dir, const QString& name) {
    const QStringList entries = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return e;
    return name;
}
}  // namespace

namespace AppPaths {

QString folder() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setFolder(const QString& f) { folderOverride() = QDir::cleanPath(f); }

QString join(const QString& backslashPath) { return native(folder() + backslashPath); }

QString native(const QString& path) {
    QString p = path;
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    if (drive.match(p).hasMatch())
        p = folder() + QLatin1Char('/') + p.mid(3);
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QFileInfo::exists(p))
        return QDir::toNativeSeparators(p);
    // Resolve component by component, matching missing ones without regard to case.
    const bool absolute = p.startsWith(QLatin1Char('/'));
    const QStringList parts = p.split(QLatin1Char('/'));
    QString built = absolute ? QStringLiteral("/") : QString();
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        QString component = part;
        const QString candidate = built + part;
        if (!QFileInfo::exists(candidate) && part != QLatin1String(".") && part != QLatin1String(".."))
            component = matchIgnoringCase(built.isEmpty() ? QStringLiteral(".") : built, part);
        built += component + QLatin1Char('/');
    }
    if (built.size() > 1 && !p.endsWith(QLatin1Char('/')))
        built.chop(1);
    return QDir::toNativeSeparators(built);
}

}  // namespace AppPaths
