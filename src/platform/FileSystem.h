#pragma once
#include <QString>

#include "platform/Status.h"

// File operations of the utilities. Each returns the error's description.
namespace FileSystem {

bool exists(const QString& path);
Status deleteFile(const QString& path);

// Copies source onto target, overwriting it. The copy is written to a
// temporary file in the target's folder, flushed to disk and renamed over the
// target, so a failure part-way leaves the former target as it was. Temporary
// files of earlier copies onto the same target that were cut short are removed.
Status copyFile(const QString& source, const QString& target);

// Deletes the temporary files that copies onto target left in its folder
// when they were cut short (the process killed part-way); returns how many.
int removeUnfinishedCopies(const QString& target);

// Renames source over target in one step (both in one folder).
Status replaceFile(const QString& source, const QString& target);

}  // namespace FileSystem
