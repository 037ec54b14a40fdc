#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {
QString& folderOverride() {
    static QString f;
    return f;
}
QString& sharedOverride() {
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

QString sharedFolder() {
    if (!sharedOverride().isEmpty())
        return sharedOverride();
    // Where the binary lives says how it was laid out: /usr/bin/varnex beside
    // /usr/share/varnex (or any other prefix). A build's app/ folder has no
    // share/ beside it, so a program run from its build folder is unchanged.
    const QString shared = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/varnex"));
    return QFileInfo::exists(shared + QStringLiteral("/demo/kelid.mdb")) ? shared : QString();
}

void setSharedFolder(const QString& f) { sharedOverride() = f.isEmpty() ? QString() : QDir::cleanPath(f); }

QString readable(const QString& path) {
    const QString p = native(path);
    const QString shared = sharedFolder();
    if (shared.isEmpty() || QFileInfo::exists(p))
        return p;
    const QString relative = QDir(folder()).relativeFilePath(QDir::fromNativeSeparators(p));
    if (relative.startsWith(QLatin1String("..")) || QDir::isAbsolutePath(relative))
        return p;
    const QString inShared = native(shared + QLatin1Char('/') + relative);
    return QFileInfo::exists(inShared) ? inShared : p;
}

QString documentsFile(const QString& fileName) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return folder + QLatin1Char('/') + fileName;
}

}  // namespace AppPaths
