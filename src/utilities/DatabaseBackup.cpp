#include "utilities/DatabaseBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include "database/DatabaseCopy.h"
#include "database/Maintenance.h"
#include "database/Schema.h"
#include "platform/AppPaths.h"
#include "platform/DatabaseFileLock.h"
#include "platform/FileSystem.h"
#include "utilities/DatabaseGuard.h"

namespace {

// Where the application folder remembers its last backup.
QString recordFile() { return AppPaths::join(QStringLiteral("\\backup.ini")); }

// Keeps the backup about to be replaced under the name of its time. It is
// copied, not moved: until the new copy is renamed over it, kelid.mdb stays
// the whole earlier backup.
Status keepReplaced(const QString& destination) {
    const QFileInfo info(destination);
    if (!info.isFile())
        return Status::ok();
    return FileSystem::copyFile(destination, info.absolutePath() + QLatin1Char('/') +
                                                 DatabaseBackup::historyName(info.lastModified()));
}

void pruneHistory(const QString& destination) {
    const QString folder = QFileInfo(destination).absolutePath();
    const QStringList kept = DatabaseBackup::history(folder);
    for (int i = 0; i < kept.size() - DatabaseBackup::kHistoryKept; ++i)
        QFile::remove(folder + QLatin1Char('/') + kept.at(i));
}

}  // namespace

namespace DatabaseBackup {

QString historyName(const QDateTime& written) {
    return QStringLiteral("kelid-%1.mdb").arg(written.toString(QStringLiteral("yyyy-MM-dd-HHmm")));
}

QStringList history(const QString& folder) {
    static const QRegularExpression name(QStringLiteral("^kelid-\\d{4}-\\d{2}-\\d{2}-\\d{4}\\.mdb$"));
    QStringList kept = QDir(folder).entryList(QDir::Files, QDir::Name).filter(name);
    kept.sort();
    return kept;
}

Last last() {
    QSettings record(recordFile(), QSettings::IniFormat);
    return Last{QDateTime::fromString(record.value(QStringLiteral("when")).toString(), Qt::ISODate),
                record.value(QStringLiteral("folder")).toString()};
}

QString destinationFor(const QString& typedFolder) {
    return AppPaths::native(typedFolder + QStringLiteral("\\kelid.mdb"));
}

Status run(const QString& typedFolder) {
    const Status s = Schema::isServer() ? runServer(Schema::databaseName(), destinationFor(typedFolder))
                                        : run(AppPaths::join(QStringLiteral("\\kelid.mdb")), destinationFor(typedFolder));
    if (s) {
        QSettings record(recordFile(), QSettings::IniFormat);
        record.setValue(QStringLiteral("when"), QDateTime::currentDateTime().toString(Qt::ISODate));
        record.setValue(QStringLiteral("folder"), typedFolder);
    }
    return s;
}

Status runServer(const QString& uri, const QString& destination) {
    Database server;
    Status s = server.open(uri, Database::Mode::ReadOnly);
    if (s)
        s = keepReplaced(destination);
    if (s)
        s = DatabaseCopy::toFile(server, destination, true);
    if (s)
        pruneHistory(destination);
    return s;
}

Status run(const QString& live, const QString& destination) {
    // The folder typed may lead back to the database's own (through "..", a
    // link): the copy would replace the database by itself and be no backup.
    if (FileSystem::sameFile(live, destination))
        return Status::fail(QStringLiteral("'%1' is the database itself: a backup must go into another folder. Create a new "
                                           "folder to back up into and try again.")
                                .arg(QDir::toNativeSeparators(destination)));
    // A kelid.mdb in the backup folder may be a link to another station's
    // live database: the backup would replace that station's rows.
    DatabaseFileLock probe;
    DatabaseFileLock::Holder holder;
    if (!probe.tryLock(destination, QString(), &holder))
        return Status::fail(QStringLiteral("'%1' leads to the database Varnex works on from the folder '%2': a backup "
                                           "must not replace it. Choose another folder to back up into.")
                                .arg(QDir::toNativeSeparators(destination), QDir::toNativeSeparators(holder.folder)));
    probe.release();
    // A file being written by an open connection would be copied half-way.
    Status s = DatabaseGuard::notHeldOpen({live});
    // An earlier backup may be the only good copy left: a live file that is
    // not a database never replaces it.
    if (s)
        s = DatabaseGuard::isDatabase(live);
    if (s)
        s = DatabaseGuard::settleJournal(live);
    // The copy replaces an earlier backup by a rename: a log left beside that
    // one would be applied to the new one.
    if (s)
        s = DatabaseGuard::settleJournal(destination);
    if (!s)
        return s;
    // Nor does a damaged one: the header alone says nothing of the pages.
    s = Maintenance::quickCheck(live);
    if (!s)
        return Status::fail(QStringLiteral("%1\n\nThe backup was not made; an earlier backup in that folder was kept. "
                                           "Mend the database with Compact and Repair (Utility Menu), then back it up again.")
                                .arg(s.error()));
    s = keepReplaced(destination);
    if (s)
        s = FileSystem::copyFile(live, destination);
    if (s)
        pruneHistory(destination);
    return s;
}

}  // namespace DatabaseBackup
