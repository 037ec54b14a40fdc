#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace FileSystem {
namespace {

QString describe(const char* what, const QString& path, int err) {
    return QStringLiteral("%1 '%2': %3").arg(QString::fromLatin1(what), QDir::toNativeSeparators(path),
                                             QString::fromLocal8Bit(std::strerror(err)));
}

// Makes a rename durable by syncing the folder that holds it.
void syncFolder(const QString& folder) {
    QFile dir(folder);
    if (dir.open(QIODevice::ReadOnly))
        ::fsync(dir.handle());
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

Status copyFile(const QString& source, const QString& target) {
    QFile in(source);
    if (!QFileInfo(source).isFile())
        return Status::fail(describe("File not found", source, ENOENT));
    if (!in.open(QIODevice::ReadOnly))
        return Status::fail(describe("Cannot read", source, errno ? errno : EACCES));
    const QFileInfo targetInfo(target);
    const QString folder = targetInfo.absolutePath();
    if (!QFileInfo(folder).isDir())
        return Status::fail(describe("Path not found", folder, ENOENT));
    if (targetInfo.isDir())
        return Status::fail(describe("Cannot write", target, EISDIR));

    // A copy onto this target that was cut short (killed at its rename) left
    // its temporary file here; nothing else ever removes it. The name pattern
    // is the one removeUnfinishedCopies() looks for.
    removeUnfinishedCopies(target);
    QTemporaryFile out(folder + QStringLiteral("/.") + targetInfo.fileName() + QStringLiteral(".XXXXXX"));
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
    if (!out.flush() || ::fsync(out.handle()) != 0)
        return Status::fail(describe("Cannot write", target, errno ? errno : EIO));
    out.setPermissions(in.permissions() | QFileDevice::WriteOwner);
    if (std::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
        return Status::fail(describe("Cannot replace", target, errno));
    out.setAutoRemove(false);
    syncFolder(folder);
    return Status::ok();
}

int removeUnfinishedCopies(const QString& target) {
    const QFileInfo info(target);
    const QRegularExpression leftover(QStringLiteral("^\\.%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(info.fileName())));
    int removed = 0;
    const QStringList names = QDir(info.absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        if (leftover.match(name).hasMatch() && ::unlink(QFile::encodeName(info.absolutePath() + QLatin1Char('/') + name).constData()) == 0)
            ++removed;
    return removed;
}

Status replaceFile(const QString& source, const QString& target) {
    if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) != 0)
        return Status::fail(describe("Cannot replace", target, errno));
    syncFolder(QFileInfo(target).absolutePath());
    return Status::ok();
}

}  // namespace FileSystem
