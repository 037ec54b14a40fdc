#include "platform/InstanceLock.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include "platform/FileSystem.h"

InstanceLock::InstanceLock() = default;
InstanceLock::~InstanceLock() { release(); }

QString InstanceLock::lockFilePath(const QString& appFolder) {
    return QDir(appFolder).filePath(QStringLiteral("varnex.lck"));
}

namespace {
// Why a start is refused: another process of the program or a tool holds the
// database, from this folder (folder empty) or from another one.
Status heldBy(const QString& program, qint64 pid, const QString& folder, const QString& databaseFile) {
    const bool utility = program.startsWith(QLatin1String("varnex-"));
    const QString busy = QStringLiteral("A database utility (%1, process %2) is working on %3. Try again when it has finished.");
    if (folder.isEmpty())
        return Status::fail(utility ? busy.arg(program).arg(pid).arg(QStringLiteral("the database in this folder"))
                                    : QStringLiteral("Varnex is already running from this folder."));
    const QString where = QStringLiteral("this database (%1) from the folder '%2'")
                              .arg(QDir::toNativeSeparators(FileSystem::realFile(databaseFile)), QDir::toNativeSeparators(folder));
    return Status::fail(utility ? busy.arg(program).arg(pid).arg(where) : QStringLiteral("Varnex is already running on %1.").arg(where));
}
}  // namespace

Status InstanceLock::acquire(const QString& appFolder, const QString& databaseFile) {
    release();
    Status s = acquireFolder(appFolder);
    if (s && !databaseFile.isEmpty())
        s = acquireFile(appFolder, databaseFile);
    if (!s)
        release();
    return s;
}

Status InstanceLock::acquireFolder(const QString& appFolder) {
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
    return heldBy(app, pid, QString(), QString());
}

Status InstanceLock::acquireFile(const QString& appFolder, const QString& databaseFile) {
    if (Status s = FileSystem::checkOneName(databaseFile); !s)
        return s;
    DatabaseFileLock::Holder holder;
    if (m_fileLock.tryLock(databaseFile, appFolder, &holder))
        return Status::ok();
    // A folder that cannot hold a lock of its own (read-only) is known by the file's.
    if (holder.folder.isEmpty())  // it has only just taken it
        return Status::fail(QStringLiteral("Varnex or one of its tools is already working on this database (%1).")
                                .arg(QDir::toNativeSeparators(FileSystem::realFile(databaseFile))));
    const bool here = holder.folder == QFileInfo(appFolder).canonicalFilePath();
    return heldBy(holder.program, holder.pid, here ? QString() : holder.folder, databaseFile);
}

void InstanceLock::release() {
    m_fileLock.release();
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

bool InstanceLock::isHeld() const { return m_lock && m_lock->isLocked(); }
