#pragma once
#include <QString>

// The lock of one database file, whatever path leads to it: a file beside the
// file itself (links followed), named after it ("kelid.mdb.lck"), locked by
// the system while its holder lives and recording that holder's process,
// program and application folder. Two application folders whose kelid.mdb is
// a symbolic link to one file take the same lock. A lock of a process that
// died is free again; the holder removes the file when it lets go.
class DatabaseFileLock {
public:
    struct Holder {
        qint64 pid = 0;
        QString program;
        QString folder;  // the application folder, canonical; empty when not yet written
    };

    DatabaseFileLock() = default;
    ~DatabaseFileLock();
    DatabaseFileLock(const DatabaseFileLock&) = delete;
    DatabaseFileLock& operator=(const DatabaseFileLock&) = delete;

    // Takes the lock of the file databaseFile leads to for appFolder; false,
    // with *holder filled in, while another process holds it. Where no lock
    // file can be made (a read-only folder) nothing is locked, and nothing
    // can be replaced there either: true.
    bool tryLock(const QString& databaseFile, const QString& appFolder, Holder* holder);
    void release();

    // The lock file of the file a path leads to.
    static QString lockFilePath(const QString& databaseFile);

private:
    int m_fd = -1;
    QString m_path;
};
