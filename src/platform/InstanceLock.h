#pragma once
#include <memory>

#include <QString>

#include "platform/Status.h"

class QLockFile;

// The one lock per application folder ("varnex.lck" beside the database)
// taken by the program and by every tool that copies, compacts or replaces
// the database: while one of them holds it, the others refuse to start, so
// a file is never replaced under another process that writes into it. A lock
// left by a process that died is taken over.
class InstanceLock {
public:
    InstanceLock();
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock of the application folder at once or fails with a
    // description naming the process that holds it. A folder where no lock
    // file can be made (read-only) is not locked and not refused.
    Status acquire(const QString& appFolder);
    void release();
    bool isHeld() const;

    static QString lockFilePath(const QString& appFolder);

private:
    std::unique_ptr<QLockFile> m_lock;
};
