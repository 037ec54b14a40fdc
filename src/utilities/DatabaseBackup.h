#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

#include "platform/Status.h"

// Copies the live database into a folder the user names, as "kelid.mdb".
// The copy goes to a temporary file in that folder and is renamed over an
// earlier backup, so a failure never leaves a half-written backup behind.
// The backup it replaces is kept beside it as kelid-YYYY-MM-DD-HHMM.mdb (the
// time that backup was written), the kHistoryKept newest of them.
namespace DatabaseBackup {

constexpr int kHistoryKept = 10;

// The name a replaced backup written at `written` is kept under.
QString historyName(const QDateTime& written);
// The kept copies in a backup folder, oldest first.
QStringList history(const QString& folder);

// The last backup made from the application folder (by the form or by
// varnex-utility): when, and the folder as typed; a null time when none.
struct Last {
    QDateTime when;
    QString folder;
};
Last last();

// The typed folder, taken unchanged, + "\kelid.mdb", made native.
QString destinationFor(const QString& typedFolder);

// The database in use into the typed folder: a copy of the live file, or a
// snapshot of the server's tables, then recorded as the last backup. A
// destination that is the live file itself, by whatever path, is refused.
Status run(const QString& typedFolder);
Status run(const QString& live, const QString& destination);
// One state of the server's tables (read in one transaction while stations
// go on writing) as a desktop database file at destination, which the
// program opens as it is.
Status runServer(const QString& uri, const QString& destination);

}  // namespace DatabaseBackup
