#include "utilities/DatabaseBackup.h"

#include <QDir>

#include "database/DatabaseCopy.h"
#include "database/Maintenance.h"
#include "database/Schema.h"
#include "platform/AppPaths.h"
#include "platform/DatabaseFileLock.h"
#include "platform/FileSystem.h"
#include "utilities/DatabaseGuard.h"

namespace DatabaseBackup {

QString destinationFor(const QString& typedFolder) {
    return AppPaths::native(typedFolder + QStringLiteral("\\kelid.mdb"));
}

Status run(const QString& typedFolder) {
    if (Schema::isServer())
        return runServer(Schema::databaseName(), destinationFor(typedFolder));
    return run(AppPaths::join(QStringLiteral("\\kelid.mdb")), destinationFor(typedFolder));
}

Status runServer(const QString& uri, const QString& destination) {
    Database server;
    const Status s = server.open(uri, Database::Mode::ReadOnly);
    return s ? DatabaseCopy::toFile(server, destination, true) : s;
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
    return FileSystem::copyFile(live, destination);
}

}  // namespace DatabaseBackup
