#include "platform/DatabaseFileLock.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"

DatabaseFileLock::~DatabaseFileLock() { release(); }

QString DatabaseFileLock::lockFilePath(const QString& databaseFile) {
    return FileSystem::realFile(databaseFile) + QStringLiteral(".lck");
}

namespace {
DatabaseFileLock::Holder readHolder(int fd) {
    QByteArray text(4096, '\0');
    const ssize_t n = ::pread(fd, text.data(), size_t(text.size()), 0);
    const QStringList lines = QString::fromUtf8(text.left(n > 0 ? int(n) : 0)).split(QLatin1Char('\n'));
    return DatabaseFileLock::Holder{lines.value(0).toLongLong(), lines.value(1), lines.value(2)};
}

bool sameInode(int fd, const QString& path) {
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::stat(QFile::encodeName(path).constData(), &named) == 0
        && open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}
}  // namespace

bool DatabaseFileLock::tryLock(const QString& databaseFile, const QString& appFolder, Holder* holder) {
    release();
    const QString path = lockFilePath(databaseFile);
    const QByteArray name = QFile::encodeName(path);
    // A holder removes the file as it lets go: a lock taken on a file that
    // is no longer the one named so is taken again on the one that is.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        // A lock file made by another user can still be locked, not written.
        if (fd < 0)
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return true;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            *holder = readHolder(fd);
            ::close(fd);
            return !held;  // a file system without locks locks nothing
        }
        if (!sameInode(fd, path)) {
            ::close(fd);
            continue;
        }
        QString folder = QFileInfo(appFolder).canonicalFilePath();
        if (folder.isEmpty())
            folder = QFileInfo(appFolder).absoluteFilePath();
        const QByteArray text = QStringLiteral("%1\n%2\n%3\n")
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(QCoreApplication::applicationName(), folder)
                                    .toUtf8();
        // Locked all the same when this cannot be written: a refused process then names no holder.
        const bool recorded = ::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.constData(), size_t(text.size()), 0) == text.size();
        Q_UNUSED(recorded);
        m_fd = fd;
        m_path = path;
        return true;
    }
    *holder = Holder();
    return false;
}

void DatabaseFileLock::release() {
    if (m_fd < 0)
        return;
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}
