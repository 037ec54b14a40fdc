#include "platform/InstanceLock.h"

#include <QDir>
#include <QLockFile>

InstanceLock::InstanceLock() = default;
InstanceLock::~InstanceLock() { release(); }

QString InstanceLock::lockFilePath(const QString& appFolder) {
    return QDir(appFolder).filePath(QStringLiteral("varnex.lck"));
}

Status InstanceLock::acquire(const QString& appFolder) {
    release();
    auto lock = std::make_unique<QLockFile>(lockFilePath(appFolder));
    // Never stale by age: a compaction may take long. A lock whose process is
    // gone is taken over all the same.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return Status::ok();
    }
    if (lock->error() != QLockFile::LockFailedError)
        return Status::ok();
    qint64 pid = 0;
    QString host, app;
    // A process killed between making the lock file and writing its name in
    // it left an empty file that would lock the folder for ever. The file is
    // removed only when no living process holds the system lock on it.
    if (!lock->getLockInfo(&pid, &host, &app) && lock->removeStaleLockFile() && lock->tryLock(0)) {
        m_lock = std::move(lock);
        return Status::ok();
    }
    if (app.startsWith(QLatin1String("varnex-")))
        return Status::fail(QStringLiteral("A database utility (%1, process %2) is working on the database in this folder. "
                                           "Try again when it has finished.").arg(app).arg(pid));
    return Status::fail(QStringLiteral("Varnex is already running from this folder."));
}

void InstanceLock::release() {
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

bool InstanceLock::isHeld() const { return m_lock && m_lock->isLocked(); }
