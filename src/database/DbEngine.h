#pragma once
#include <functional>
#include <memory>

#include <QString>
#include <QStringList>
#include <QVariant>

#include "platform/Status.h"

// What an engine gives the database layer: a connection and its prepared
// statements. The SQLite engine (database/sqlite) and the PostgreSQL engine
// (database/postgres) implement it; nothing above Database and SqlStatement
// sees which one is in use.
class DbStatement {
public:
    virtual ~DbStatement() = default;
    virtual void bind(int index, const QVariant& value) = 0;
    // The 1-based position of a named parameter (":name"), 0 when the statement has none of that name.
    virtual int parameterIndex(const QString& name) const = 0;
    // Binds another statement's current column unchanged; engines that keep
    // their own kinds of value override it.
    virtual void bindColumnOf(int index, const DbStatement& from, int column) { bind(index, from.value(column)); }
    virtual void reset() = 0;
    // True while a row is ready; false at the end, or on error with *status set.
    virtual bool next(Status* status) = 0;
    virtual Status run() = 0;
    virtual int columnCount() const = 0;
    virtual QString columnName(int i) const = 0;
    virtual QVariant value(int i) const = 0;
    virtual qint64 int64(int i) const = 0;
};

class DbConnection {
public:
    enum class Mode { ReadWrite, ReadOnly, Create };
    virtual ~DbConnection() = default;
    virtual Status open(const QString& name, Mode mode) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool isServer() const = 0;
    virtual Status exec(const QString& sql) = 0;
    virtual QString lastError() const = 0;
    virtual std::unique_ptr<DbStatement> prepare(const QString& sql, Status* status) = 0;
    virtual qint64 lastInsertRowId() const = 0;
    virtual int changes() const = 0;
    // A write transaction; unit keys serialise writers of those units where
    // the engine lets several writers work at once.
    virtual Status beginWrite(const QStringList& unitKeys) = 0;
    // A read transaction that sees one state of the data and writes nothing.
    virtual Status beginRead() = 0;
    virtual void setProgressCheck(std::function<bool()> stop) = 0;
    virtual void setBackgroundReader(bool background) = 0;
    // The longest a statement may run, in seconds (0: no limit), where the
    // engine enforces one itself; a statement past it fails and says so. A
    // statement with a limit waits for the server without holding up the
    // windows' painting and timers.
    virtual void setTimeLimit(int /*seconds*/) {}
    // Cuts the running statement short, from any thread.
    virtual void interrupt() = 0;
};
