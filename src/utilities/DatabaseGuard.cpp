#include "utilities/DatabaseGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "database/sqlite/SqliteFileUse.h"

namespace DatabaseGuard {

Status notHeldOpen(const QStringList& paths) {
    const QDir fds(QStringLiteral("/proc/self/fd"));
    if (!fds.exists())
        return Status::ok();
    QStringList wanted;
    for (const QString& p : paths) {
        const QString canonical = QFileInfo(p).canonicalFilePath();
        if (!canonical.isEmpty())
            wanted << canonical;
    }
    if (wanted.isEmpty())
        return Status::ok();
    const QStringList entries = fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& e : entries) {
        const QString target = QFile::symLinkTarget(fds.filePath(e));
        if (wanted.contains(target))
            return Status::fail(QStringLiteral("The database '%1' is open in another window of Varnex. "
                                               "Close that window and try again.")
                                    .arg(QDir::toNativeSeparators(target)));
    }
    return Status::ok();
}

Status isDatabase(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return Status::fail(QStringLiteral("Could not find file '%1'.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::fail(QStringLiteral("Cannot read '%1': %2").arg(path, file.errorString()));
    // The engine takes an empty file for an empty database; here it is the
    // Inspection database that is gone, so it is refused like any other
    // file that is not a database.
    static const QByteArray header("SQLite format 3\0", 16);
    if (file.read(16) != header)
        return Status::fail(QStringLiteral("'%1': file is not a database").arg(path));
    return Status::ok();
}

Status usableDatabase(const QString& path) {
    Status s = isDatabase(path);
    if (!s)
        return s;
    const QFileInfo info(path);
    // The write-protection of the file is honoured even for a user whom the
    // system would let write: the file is replaced by a rename later on.
    const bool protectedFile = !info.permission(QFileDevice::WriteOwner)
        || ::access(QFile::encodeName(path).constData(), W_OK) != 0;
    if (protectedFile)
        return Status::fail(QStringLiteral("Cannot write '%1': %2").arg(path, QString::fromLocal8Bit(std::strerror(EACCES))));
    return Status::ok();
}

Status settleJournal(const QString& path) {
    if (!QFileInfo::exists(path) || SqliteFileUse::settle(path))
        return Status::ok();
    return Status::fail(QStringLiteral("The database '%1' is in use by another program, which still holds its latest rows. "
                                       "Close that program and try again.")
                            .arg(QDir::toNativeSeparators(path)));
}

}  // namespace DatabaseGuard
