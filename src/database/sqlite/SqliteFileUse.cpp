#include "database/sqlite/SqliteFileUse.h"

#include <sqlite3.h>

#include <map>
#include <mutex>

#include <QFile>
#include <QFileInfo>

namespace SqliteFileUse {
namespace {

struct Use {
    int connections = 0;
    qint64 commits = 0;
};

// Held while the last connection settles the file, so that one opening
// meanwhile never finds it half-way.
std::mutex g_mutex;
std::map<QString, Use> g_files;

QString keyOf(const QString& path) {
    const QFileInfo info(path);
    return info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
}

bool execute(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

void addCommits(sqlite3* db, qint64 commits) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "UPDATE Upkeep SET Writes = Writes + ?1 WHERE Id = 1", -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_int64(st, 1, commits);
        sqlite3_step(st);
    }
    sqlite3_finalize(st);  // a file without the count gets it when it is next checked
}

bool logHasContent(const QString& path) { return QFileInfo(path + QStringLiteral("-wal")).size() > 0; }

// With a connection of its own (not the program's busy handling and hooks):
// the last one to close checkpoints the log and removes it with its index.
bool leaveLog(const QString& path, qint64 commits) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
        sqlite3_db_readonly(db, "main") == 0) {
        sqlite3_busy_timeout(db, 2000);
        // Reading applies a log, or rolls back a journal, left by a program that was killed.
        execute(db, "SELECT count(*) FROM sqlite_master");
        if (commits > 0)
            addCommits(db, commits);
        // Another program reading the file is not waited for: it checkpoints when it closes.
        sqlite3_busy_timeout(db, 0);
        execute(db, "PRAGMA wal_checkpoint(TRUNCATE)");
    }
    sqlite3_close_v2(db);
    return !logHasContent(path);
}

}  // namespace

QString opening(const QString& path) {
    const QString key = keyOf(path);
    const std::lock_guard<std::mutex> lock(g_mutex);
    ++g_files[key].connections;
    return key;
}

void closed(const QString& key, qint64 commits) {
    const std::lock_guard<std::mutex> lock(g_mutex);
    const auto it = g_files.find(key);
    if (it == g_files.end())
        return;
    it->second.commits += commits;
    if (--it->second.connections > 0)
        return;
    commits = it->second.commits;
    g_files.erase(it);
    if (QFileInfo(key).isFile())
        leaveLog(key, commits);
}

bool settle(const QString& path) {
    const std::lock_guard<std::mutex> lock(g_mutex);
    if (g_files.count(keyOf(path)))
        return !logHasContent(path);
    return leaveLog(path, 0);
}

}  // namespace SqliteFileUse
