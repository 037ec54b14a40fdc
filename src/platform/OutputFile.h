#pragma once
#include <memory>

#include <QString>

#include "platform/Status.h"

class QFile;
class QIODevice;

// A file written whole or not at all. The bytes go to a temporary file beside
// the target (named like the copies of FileSystem::copyFile, so a run cut
// short leaves nothing that the next one does not remove), and commit()
// checks every write, flushes, syncs and renames it over the target. A target
// that is not a regular file (a device such as /dev/full, a pipe) cannot be
// replaced and is written directly, with every write and the close checked.
// Without commit() the target is left as it was.
class OutputFile {
public:
    explicit OutputFile(const QString& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    Status open();
    // Valid after a successful open().
    QIODevice* device() const;
    Status write(const QByteArray& bytes);
    Status commit();

private:
    Status failure(int err) const;

    QString m_path;
    QString m_tempPath;
    std::unique_ptr<QFile> m_file;
    bool m_direct = false;
};
