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

// The log beside the file holds its latest committed rows, and a journal
// left by an interrupted write the data that brings the file back to its last
// committed state. A plain file copy would leave either behind (and a log left
// beside a file replaced by another would be applied to the new one), so the
// log is checkpointed into the file and removed, and a journal rolled back,
// before the file is copied or replaced. Fails when another program keeps
// rows in the log.
Status settleJournal(const QString& path);

}  // namespace DatabaseGuard
