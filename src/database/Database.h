#pragma once
#include <functional>
#include <memory>

#include <QString>
#include <QVariant>

#include "database/DbEngine.h"
#include "platform/Status.h"

// A connection to the program's database: a SQLite file named by its path, or
// a PostgreSQL server named by a connection URI ("postgresql://..."). Errors
// come back as the engine's own message, with any password hidden.
class Database {
public:
    using Mode = DbConnection::Mode;
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Whether a database name is a server's connection URI rather than a file path.
    static bool isServerName(const QString& name);

    // Opens a file path or a server URI. A missing file is an error unless Mode::Create.
    Status open(const QString& name, Mode mode = Mode::ReadWrite);
    void close();
    bool isOpen() const { return m_engine && m_engine->isOpen(); }
    bool isServer() const { return m_engine && m_engine->isServer(); }
    // The name it was opened with: the file path, or the server URI.
    QString path() const { return m_name; }

    // A connection that reads in the background (building a long key list)
    // gives way to every other connection of the program that needs to write:
    // its statement is interrupted, and it starts again afterwards.
    void setBackgroundReader(bool background);
    void interrupt();
    // On a server, the longest a statement may run, in seconds (0: no limit);
    // kept across a reopen. A statement past it fails with a message naming the
    // limit; meanwhile the windows go on painting (see DbConnection::setTimeLimit).
    void setTimeLimit(int seconds);

    Status exec(const QString& sql);
    QString lastError() const;
    // While a statement runs, stop() is asked every few thousand steps of the
    // engine; when it answers true the statement ends with an "interrupted" error.
    // An empty function removes the check.
    void setProgressCheck(std::function<bool()> stop);
    qint64 lastInsertRowId() const;
    int changes() const;

    // Starts a write transaction. Rows of one unit (model + serial + station)
    // written under the same unit key are written one transaction at a time.
    Status beginWrite(const QString& unitKey = QString());
    // The same for rows of several units at once (a row moved from one unit to another).
    Status beginWrite(const QStringList& unitKeys);
    // Starts a transaction that reads one state of the data and writes nothing.
    Status beginRead();

    DbConnection* engine() const { return m_engine.get(); }

private:
    std::unique_ptr<DbConnection> m_engine;
    QString m_name;
    bool m_background = false;
    int m_timeLimit = 0;
};

using DatabasePtr = std::shared_ptr<Database>;

// A prepared statement with values bound by position (1-based) or name.
class SqlStatement {
public:
    SqlStatement() = default;
    SqlStatement(Database& db, const QString& sql);
    ~SqlStatement();
    SqlStatement(SqlStatement&& o) noexcept;
    SqlStatement& operator=(SqlStatement&& o) noexcept;

    Status prepare(Database& db, const QString& sql);
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
    std::unique_ptr<DbStatement> m_stmt;
    Status m_status;
};
