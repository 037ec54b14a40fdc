#pragma once
#include <memory>

#include "database/DbEngine.h"

struct PgSession;

// The server engine: a PostgreSQL database named by a libpq connection URI.
// Statements are translated by PgSql and prepared on the server; parameters go
// as text of no declared type, so the server infers each from where it stands.
class PgConnection : public DbConnection {
public:
    PgConnection();
    ~PgConnection() override;
    Status open(const QString& uri, Mode mode) override;
    void close() override;
    bool isOpen() const override;
    bool isServer() const override { return true; }
    Status exec(const QString& sql) override;
    QString lastError() const override;
    std::unique_ptr<DbStatement> prepare(const QString& sql, Status* status) override;
    qint64 lastInsertRowId() const override;
    int changes() const override;
    // BEGIN, then a lock on each unit's key held to the end of the transaction.
    Status beginWrite(const QStringList& unitKeys) override;
    Status beginRead() override;
    // Asked while the server works; a true answer cancels the statement.
    void setProgressCheck(std::function<bool()> stop) override;
    // Readers never hold writers back on the server.
    void setBackgroundReader(bool) override {}
    // The server's statement_timeout, set before the next statement outside a transaction.
    void setTimeLimit(int seconds) override;
    void interrupt() override;

    // Whether a statement of any server connection is awaiting its answer
    // (on the windows' thread, the windows are painted meanwhile).
    static bool anyWaiting();

    // Runs the server's own SQL as it is, untranslated (the server schema).
    Status execNative(const QString& sql);
    // The same with $1, $2 ... bound to the values as text; *rows receives
    // the rows as text (NULL as an empty string).
    Status queryNative(const QString& sql, const QStringList& values, QList<QStringList>* rows);
    // A password as the server stores it (hashed here: the clear text never
    // reaches the server or its logs).
    QString encryptedPassword(const QString& password, const QString& login);
    // The login's refusal to change a table ("Your login ... may not ..."),
    // empty when it may; what the login may change is asked once per connection.
    QString changeRefusal(const QString& table);

    // For a connection that LISTENs: its socket (-1 when closed), to wait on,
    // and what the server sent, read without waiting: the number of
    // notifications that arrived, or -1 when the connection is lost.
    int socket() const;
    int takeNotifications();

private:
    std::shared_ptr<PgSession> m_session;
};
