#pragma once
#include <functional>
#include <memory>

#include <QString>
#include <QVariant>

#include "platform/Status.h"

struct sqlite3;
struct sqlite3_stmt;

// A thin layer over the SQLite engine: an open database file and its prepared
// statements. Errors come back as the engine's own message.
class SqliteDb {
public:
    enum class Mode { ReadWrite, ReadOnly, Create };
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens a native path. A missing file is an error unless Mode::Create.
    Status open(const QString& path, Mode mode = Mode::ReadWrite);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }
    sqlite3* handle() const { return m_db; }

    // A connection that reads in the background (building a long key list)
    // gives way to every other connection of the program that needs to write:
    // its statement is interrupted, and it starts again afterwards.
    void setBackgroundReader(bool background);
    bool isBackgroundReader() const { return m_background; }

    Status exec(const QString& sql);
    QString lastError() const;
    // While a statement runs, stop() is asked every few thousand steps of the
    // engine; when it answers true the statement ends with an "interrupted" error.
    // An empty function removes the check.
    void setProgressCheck(std::function<bool()> stop);
    qint64 lastInsertRowId() const;
    int changes() const;

private:
    sqlite3* m_db = nullptr;
    QString m_path;
    std::function<bool()> m_stop;
    bool m_background = false;
};

using SqliteDbPtr = std::shared_ptr<SqliteDb>;

// A prepared statement with values bound by position (1-based) or name.
class SqlStatement {
public:
    SqlStatement() = default;
    SqlStatement(SqliteDb& db, const QString& sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;
    SqlStatement(SqlStatement&& o) noexcept;
    SqlStatement& operator=(SqlStatement&& o) noexcept;

    Status prepare(SqliteDb& db, const QString& sql);
    bool isPrepared() const { return m_stmt != nullptr; }
    Status status() const { return m_status; }

    void bind(int index, const QVariant& value);
    void bind(const QString& name, const QVariant& value);
    // Binds the current value of another statement's column, of whatever kind, unchanged.
    void bindColumnOf(int index, const SqlStatement& from, int column);
    void reset();

    // Steps once: true while a row is ready; false at the end or on error (see status()).
    bool next();
    // Runs a statement that returns no rows.
    Status run();

    int columnCount() const;
    QString columnName(int i) const;
    QVariant value(int i) const;
    qint64 int64(int i) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
    sqlite3* m_db = nullptr;
    Status m_status;
};
