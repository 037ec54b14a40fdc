#pragma once
#include "database/AuditTrail.h"
#include "database/DbEngine.h"

struct sqlite3;

// The embedded engine: a SQLite database file.
class SqliteConnection : public DbConnection {
public:
    ~SqliteConnection() override;
    Status open(const QString& path, Mode mode) override;
    void close() override;
    bool isOpen() const override { return m_db != nullptr; }
    bool isServer() const override { return false; }
    Status exec(const QString& sql) override;
    QString lastError() const override;
    std::unique_ptr<DbStatement> prepare(const QString& sql, Status* status) override;
    qint64 lastInsertRowId() const override;
    int changes() const override;
    // One writer at a time for the whole file, so the unit keys need nothing more.
    Status beginWrite(const QStringList& unitKeys) override;
    Status beginRead() override;
    void setProgressCheck(std::function<bool()> stop) override;
    void setBackgroundReader(bool background) override;
    void interrupt() override;

    bool isBackgroundReader() const { return m_background; }
    // Adds to this connection the trigger that names this program, its user
    // and station in each new entry of the audit trail and seals it with its
    // hash (see AuditTrail); nothing when the file has no trail (or one of the first form).
    Status sealTrail();
    const AuditTrail::Who& who() const { return m_who; }

private:
    Status openHandle(const QByteArray& name, int flags);

    sqlite3* m_db = nullptr;
    QString m_fileKey;     // as SqliteFileUse knows the file
    qint64 m_commits = 0;  // write transactions committed
    std::function<bool()> m_stop;
    bool m_background = false;
    AuditTrail::Who m_who;
    bool m_sealing = false;  // the seal's temporary trigger is no write of the file
};
