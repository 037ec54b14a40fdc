#pragma once
#include <memory>

#include <QString>

#include "platform/DatabaseFileLock.h"
#include "platform/Status.h"

class QLockFile;

// The lock taken by the program and by every tool that copies, compacts or
// replaces the database: while one of them holds it, the others refuse to
// start, so a file is never replaced under another process that writes into
// it. It is the application folder's ("varnex.lck" beside the database) and,
// on a database file, that file's own (DatabaseFileLock), so that folders
// whose kelid.mdb leads by a symbolic link to one file are one database. A
// lock left by a process that died is taken over.
class InstanceLock {
public:
    InstanceLock();
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock of the application folder, and of the database file
    // when one is named (none on a server), at once; or fails with a
    // description naming the process (and its folder) that holds it. A file
    // with more than one name (hard links) is refused: a lock by name cannot
    // cover it. A folder where no lock file can be made (read-only) is not
    // locked and not refused.
    Status acquire(const QString& appFolder, const QString& databaseFile = QString());
    void release();
    bool isHeld() const;

    static QString lockFilePath(const QString& appFolder);

private:
    Status acquireFolder(const QString& appFolder);
    Status acquireFile(const QString& appFolder, const QString& databaseFile);

    std::unique_ptr<QLockFile> m_lock;
    DatabaseFileLock m_fileLock;
};
