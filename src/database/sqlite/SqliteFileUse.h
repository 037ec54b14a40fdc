#pragma once
#include <QString>

// The connections of this program to each SQLite file. A file written by the
// program is in write-ahead-log mode, so that readers and the one writer work
// at once (a long report never makes a write wait). When the last connection
// to a file closes, its log is checkpointed into the file and removed, so that
// the file alone is the whole database at rest; a reader cannot do that
// itself, so it is done here with a connection that may write.
// The write transactions committed meanwhile are added to the file's own
// count (Upkeep.Writes): in log mode the header's change counter does not
// count them.
namespace SqliteFileUse {

// Called before a connection opens the file; returns the key the file is known by.
QString opening(const QString& path);
// Called after it closed, with the write transactions it committed.
void closed(const QString& key, qint64 commits);

// Checkpoints the log of a file no connection of this program holds open, and
// removes it (a log or journal left by a program that was killed is applied or
// rolled back first). False when a log with content is still there afterwards
// (another program holds the file open): a copy of the file alone would then
// lack committed rows.
bool settle(const QString& path);

}  // namespace SqliteFileUse
