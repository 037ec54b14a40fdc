#pragma once
#include <QString>

#include "platform/Status.h"

// Copies the live database into a folder the user names, as "kelid.mdb".
// The copy goes to a temporary file in that folder and is renamed over an
// earlier backup, so a failure never leaves a half-written backup behind.
namespace DatabaseBackup {

// The typed folder, taken unchanged, + "\kelid.mdb", made native.
QString destinationFor(const QString& typedFolder);

Status run(const QString& typedFolder);
Status run(const QString& live, const QString& destination);

}  // namespace DatabaseBackup
