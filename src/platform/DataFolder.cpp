#include "platform/DataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "platform/AppPaths.h"

namespace {

// Copies source to target unless target exists: the copy is made under a
// temporary name and renamed without replacing (a second program starting at
// once keeps the first one's file).
Status copyIfMissing(const QString& source, const QString& target) {
    if (QFileInfo::exists(target))
        return Status::ok();
    QTemporaryFile temp(target + QStringLiteral(".XXXXXX"));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return Status::fail(QStringLiteral("Unable to read %1: %2").arg(QDir::toNativeSeparators(source), in.errorString()));
    if (!temp.open() || temp.write(in.readAll()) != in.size() || !temp.flush())
        return Status::fail(QStringLiteral("Unable to write %1: %2").arg(QDir::toNativeSeparators(target), temp.errorString()));
    temp.close();
    if (!QFile::rename(temp.fileName(), target) && !QFileInfo::exists(target))
        return Status::fail(QStringLiteral("Unable to write %1.").arg(QDir::toNativeSeparators(target)));
    return Status::ok();
}

}  // namespace

namespace DataFolder {

QString named(QStringList* args) {
    QString folder;
    for (int i = 1; i < args->size(); ++i) {
        const QString& a = args->at(i);
        if (a == QLatin1String("--folder") && i + 1 < args->size()) {
            folder = args->at(i + 1);
            args->remove(i, 2);
            --i;
        } else if (a.startsWith(QLatin1String("--folder="))) {
            folder = a.mid(9);
            args->removeAt(i--);
        }
    }
    return folder.isEmpty() ? qEnvironmentVariable("VARNEX_FOLDER") : folder;
}

QString userFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/varnex");
}

Status select(const QString& named) {
    const QString shared = AppPaths::sharedFolder();
    QString folder;
    if (!named.isEmpty()) {
        if (!QFileInfo(named).isDir())
            return Status::fail(QStringLiteral("The folder '%1' does not exist. Create it first, or name another one.")
                                    .arg(QDir::toNativeSeparators(named)));
        folder = QFileInfo(named).absoluteFilePath();
    } else if (!shared.isEmpty()) {
        folder = userFolder();
        if (!QDir().mkpath(folder))
            return Status::fail(QStringLiteral("Unable to create the data folder %1.").arg(QDir::toNativeSeparators(folder)));
    } else {
        return Status::ok();
    }
    AppPaths::setFolder(folder);
    return shared.isEmpty() ? Status::ok() : populate(folder, shared);
}

Status populate(const QString& folder, const QString& shared) {
    QDir dir(folder);
    for (const char* sub : {"temp", "temp2", "DemoDb"})
        if (!dir.mkpath(QLatin1String(sub)))
            return Status::fail(QStringLiteral("Unable to create %1.").arg(QDir::toNativeSeparators(dir.filePath(QLatin1String(sub)))));
    Status s = copyIfMissing(shared + QStringLiteral("/DemoDb/kelid1.mdb"), dir.filePath(QStringLiteral("DemoDb/kelid1.mdb")));
    if (s && !dir.exists(QStringLiteral("varnex.conf")))
        s = copyIfMissing(shared + QStringLiteral("/demo/kelid.mdb"), dir.filePath(QStringLiteral("kelid.mdb")));
    return s;
}

}  // namespace DataFolder
