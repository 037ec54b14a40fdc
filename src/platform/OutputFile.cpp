#include "platform/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"

OutputFile::OutputFile(const QString& path) : m_path(path) {}

OutputFile::~OutputFile() {
    if (m_file)
        m_file->close();
    if (!m_tempPath.isEmpty())
        ::unlink(QFile::encodeName(m_tempPath).constData());
}

Status OutputFile::failure(int err) const {
    return Status::fail(QStringLiteral("Cannot write '%1': %2")
                            .arg(QDir::toNativeSeparators(m_path), QString::fromLocal8Bit(std::strerror(err ? err : EIO))));
}

Status OutputFile::open() {
    // The file a link names is replaced, not the link.
    m_path = FileSystem::realFile(m_path);
    const QFileInfo info(m_path);
    if (info.isDir())
        return failure(EISDIR);
    if (info.exists() && ::access(QFile::encodeName(m_path).constData(), W_OK) != 0)
        return failure(EACCES);
    m_file = std::make_unique<QFile>();
    m_direct = info.exists() && !info.isFile();
    if (m_direct) {
        m_file->setFileName(m_path);
        if (!m_file->open(QIODevice::WriteOnly))
            return failure(errno);
        return Status::ok();
    }
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir())
        return Status::fail(QStringLiteral("Path not found '%1': %2")
                                .arg(QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(ENOENT))));
    FileSystem::removeUnfinishedCopies(m_path);
    QByteArray name = QFile::encodeName(FileSystem::temporaryPattern(m_path));
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return failure(errno);
    m_tempPath = QFile::decodeName(name);
    if (!m_file->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return failure(EIO);
    }
    return Status::ok();
}

QIODevice* OutputFile::device() const { return m_file.get(); }

Status OutputFile::write(const QByteArray& bytes) {
    if (!m_file || !m_file->isOpen())
        return failure(EBADF);
    if (m_file->write(bytes) != bytes.size())
        return failure(errno);
    return Status::ok();
}

Status OutputFile::commit() {
    if (!m_file || !m_file->isOpen())
        return failure(EBADF);
    // A write that failed earlier (a full disk) is remembered by the file,
    // also when the writer (QPdfWriter) did not look at its result.
    errno = 0;
    if (m_file->error() != QFileDevice::NoError || !m_file->flush())
        return failure(errno ? errno : ENOSPC);
    m_file->close();
    if (m_file->error() != QFileDevice::NoError)
        return failure(errno);
    if (m_direct)
        return Status::ok();
    // The file keeps the permissions a new file would get (mkstemp makes it private).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(m_tempPath).constData(), 0666 & ~mask);
    const Status replaced = FileSystem::replaceFile(m_tempPath, m_path);
    if (replaced || !QFileInfo::exists(m_tempPath))
        m_tempPath.clear();
    return replaced;
}
