#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileSystem {
namespace {

QString describe(const char* what, const QString& path, int err) {
    return QStringLiteral("%1 '%2': %3").arg(QString::fromLatin1(what), QDir::toNativeSeparators(path),
                                             QString::fromLocal8Bit(std::strerror(err)));
}

SyncCall g_sync = nullptr;

// Opens path (a file, or a folder with O_DIRECTORY) and flushes it to disk.
// fsync applies to the file, not to the descriptor, so a fresh one will do.
Status sync(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return Status::fail(describe("Cannot sync", path, errno));
    const int result = (g_sync ? g_sync : ::fsync)(fd);
    const int err = errno;
    ::close(fd);
    // A file system that cannot sync a folder (EINVAL) has nothing to make durable there.
    if (result != 0 && !(flags & O_DIRECTORY && err == EINVAL))
        return Status::fail(describe("Cannot sync", path, err));
    return Status::ok();
}

}  // namespace

bool exists(const QString& path) { return QFileInfo(path).isFile(); }

Status deleteFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Status::fail(describe("File not found", path, ENOENT));
    if (::unlink(QFile::encodeName(path).constData()) != 0)
        return Status::fail(describe("Cannot delete", path, errno));
    return Status::ok();
}

QString realFile(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    return info.isSymLink() ? info.symLinkTarget() : path;
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

Status checkOneName(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || st.st_nlink <= 1)
        return Status::ok();
    return Status::fail(QStringLiteral("The database file '%1' has %2 names on this disk (hard links). Compacting or "
                                       "exchanging the database replaces the file by a new one, and the other names would "
                                       "keep the former file: two databases, each without the rows written into the other. "
                                       "Keep one name (delete the other links; a symbolic link may lead to the file instead).")
                            .arg(QDir::toNativeSeparators(realFile(path)))
                            .arg(qulonglong(st.st_nlink)));
}

QString temporaryPattern(const QString& target) {
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX");
}

Status copyFile(const QString& source, const QString& target) {
    QFile in(source);
    if (!QFileInfo(source).isFile())
        return Status::fail(describe("File not found", source, ENOENT));
    if (!in.open(QIODevice::ReadOnly))
        return Status::fail(describe("Cannot read", source, errno ? errno : EACCES));
    const QString real = realFile(target);
    const QFileInfo targetInfo(real);
    const QString folder = targetInfo.absolutePath();
    if (!QFileInfo(folder).isDir())
        return Status::fail(describe("Path not found", folder, ENOENT));
    if (targetInfo.isDir())
        return Status::fail(describe("Cannot write", target, EISDIR));

    // A copy onto this target that was cut short (killed at its rename) left
    // its temporary file here; nothing else ever removes it. The name pattern
    // is the one removeUnfinishedCopies() looks for.
    removeUnfinishedCopies(real);
    QTemporaryFile out(temporaryPattern(real));
    if (!out.open())
        return Status::fail(describe("Cannot write", folder, errno ? errno : EACCES));
    QByteArray buffer;
    for (;;) {
        buffer = in.read(1 << 20);
        if (buffer.isEmpty())
            break;
        if (out.write(buffer) != buffer.size())
            return Status::fail(describe("Cannot write", target, errno ? errno : ENOSPC));
    }
    if (in.error() != QFileDevice::NoError)
        return Status::fail(QStringLiteral("Cannot read '%1': %2").arg(QDir::toNativeSeparators(source), in.errorString()));
    if (!out.flush())
        return Status::fail(describe("Cannot write", target, errno ? errno : EIO));
    out.setPermissions(in.permissions() | QFileDevice::WriteOwner);
    const Status replaced = replaceFile(out.fileName(), real);
    if (replaced || !QFileInfo::exists(out.fileName()))
        out.setAutoRemove(false);
    return replaced;
}

int removeUnfinishedCopies(const QString& target) {
    const QFileInfo info(realFile(target));
    const QRegularExpression leftover(QStringLiteral("^\\.%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(info.fileName())));
    int removed = 0;
    const QStringList names = QDir(info.absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        if (leftover.match(name).hasMatch() && ::unlink(QFile::encodeName(info.absolutePath() + QLatin1Char('/') + name).constData()) == 0)
            ++removed;
    return removed;
}

Status replaceFile(const QString& source, const QString& target) {
    if (const Status s = sync(source, 0); !s)
        return s;
    const QString real = realFile(target);
    if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(real).constData()) != 0)
        return Status::fail(describe("Cannot replace", real, errno));
    return sync(QFileInfo(real).absolutePath(), O_DIRECTORY);
}

void setSyncCall(SyncCall call) { g_sync = call; }

}  // namespace FileSystem
