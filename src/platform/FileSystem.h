#pragma once
#include <QString>

#include "platform/Status.h"

// File operations of the utilities. Each returns the error's description.
namespace FileSystem {

bool exists(const QString& path);
Status deleteFile(const QString& path);

// The file a path names with every symbolic link followed (also a link to a
// file not made yet); the path itself when no link leads anywhere. A file is
// replaced there, so a link stays a link and leads to the new file.
QString realFile(const QString& path);

// Whether two paths name one file, whatever links lead there.
bool sameFile(const QString& a, const QString& b);

// Fails with the reason when the database file has more than one name on
// the disk (hard links): a file replaced under one of its names leaves the
// others on the former file.
Status checkOneName(const QString& path);

// The name pattern (for mkstemp, QTemporaryFile) of a temporary file that
// will replace target: hidden, beside it, the one removeUnfinishedCopies()
// looks for. Target is a real file (no link).
QString temporaryPattern(const QString& target);

// Copies source onto target, overwriting it (the file a link names, not the
// link). The copy is written to a temporary file in the target's folder, flushed to disk and renamed over the
// target, so a failure part-way leaves the former target as it was. Temporary
// files of earlier copies onto the same target that were cut short are removed.
Status copyFile(const QString& source, const QString& target);

// Deletes the temporary files that copies onto target left in its folder
// when they were cut short (the process killed part-way); returns how many.
int removeUnfinishedCopies(const QString& target);

// Renames source over target in one step (both in one folder; a link is
// followed to the file it names, see realFile), durably:
// source's contents reach the disk before the rename and the folder's entry
// after it, so after a power loss the target is the former file or the whole
// new one. Every file that replaces another goes through here.
Status replaceFile(const QString& source, const QString& target);

// The call that flushes an open file or folder to disk (::fsync by default).
// Tests put their own in to see what is synced and when, or to make it fail;
// nullptr restores ::fsync.
using SyncCall = int (*)(int fd);
void setSyncCall(SyncCall call);

}  // namespace FileSystem
