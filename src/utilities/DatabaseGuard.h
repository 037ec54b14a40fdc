#pragma once
#include <QStringList>

#include "platform/Status.h"

// Checks made before a utility copies, replaces or compacts a database file.
namespace DatabaseGuard {

// Fails when this process still has one of the files open (a form that has
// not released its connection): replacing a file under an open connection
// would lose its writes or hand it a file it does not know.
Status notHeldOpen(const QStringList& paths);

// Fails unless the file exists and is an SQLite database (an empty file is
// not). The description is the one the user sees.
Status isDatabase(const QString& path);

// isDatabase, and the file is not write-protected.
Status usableDatabase(const QString& path);

// A journal left beside the file by an interrupted write holds the data
// needed to bring the file back to its last committed state. A plain file
// copy would leave it behind, so the file is opened once (which rolls the
// journal back) before it is copied.
Status settleJournal(const QString& path);

}  // namespace DatabaseGuard
