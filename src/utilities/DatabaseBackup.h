#pragma once
#include <QString>

#include "platform/Status.h"

// Copies the live database into a folder the user names, as "kelid.mdb".
// The copy goes to a temporary file in that folder and is renamed over an
// earlier backup, so a failure never leaves a half-written backup behind.
namespace DatabaseBackup {

// The typed folder, taken unchanged, + "\kelid.mdb", made native.
QString destinationFor(const QString& typedFolder);

// The database in use into the typed folder: a copy of the live file, or a
// snapshot of the server's tables. A destination that is the live file
// itself, by whatever path, is refused.
Status run(const QString& typedFolder);
Status run(const QString& live, const QString& destination);
// One state of the server's tables (read in one transaction while stations
// go on writing) as a desktop database file at destination, which the
// program opens as it is.
Status runServer(const QString& uri, const QString& destination);

}  // namespace DatabaseBackup
