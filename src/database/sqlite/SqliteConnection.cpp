#include "database/sqlite/SqliteConnection.h"

#include "database/AuditTrail.h"
#include "database/sqlite/SqliteFileUse.h"

#include <sqlite3.h>

#include <mutex>
#include <unistd.h>
#include <set>
#include <tuple>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {
std::mutex g_backgroundMutex;
std::set<sqlite3*> g_backgroundReaders;

// Waits up to two seconds for a lock, as a busy timeout would; a connection
// that waits to write first asks the program's background readers to let go.
int waitForLock(void* context, int attempt) {
    const auto* db = static_cast<const SqliteConnection*>(context);
    if (attempt == 0 && !db->isBackgroundReader()) {
        const std::lock_guard<std::mutex> lock(g_backgroundMutex);
        for (sqlite3* reader : g_backgroundReaders)
            sqlite3_interrupt(reader);
    }
    if (attempt >= 400)
        return 0;
    sqlite3_sleep(5);
    return 1;
}

// A reader that may not write a file in log mode, or its folder, cannot keep
// the log index beside it as usual: in a read-only folder it cannot make one,
// and beside a read-only file it would leave one that a writer could not use
// once the file is made writable again. With no log beside the file nothing
// is writing it, and it is read as it stands.
bool readAsItStands(const QString& path) {
    QFile file(path);
    if (QFileInfo::exists(path + QStringLiteral("-wal")) || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(20);
    const bool logMode = header.size() == 20 && header.at(18) == 2;
    return logMode && (::access(QFile::encodeName(path).constData(), W_OK) != 0 ||
                       ::access(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), W_OK) != 0);
}

QVariant valueOf(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return QVariant();
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_value_int64(v)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v)));
    default:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v)));
    }
}

void resultText(sqlite3_context* context, const QString& text) {
    const QByteArray t = text.toUtf8();
    sqlite3_result_text(context, t.constData(), int(t.size()), SQLITE_TRANSIENT);
}

// varnex_who(0 | 1 | 2): this program's login, station and program name.
void whoFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    const AuditTrail::Who& w = static_cast<const SqliteConnection*>(sqlite3_user_data(context))->who();
    switch (sqlite3_value_int(argv[0])) {
    case 0: resultText(context, w.login); break;
    case 1: resultText(context, w.station); break;
    default: resultText(context, w.program);
    }
}

// varnex_audit_hash(link before, the entry's nine fields): see AuditTrail::entryHash.
void hashFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    QVariantList fields;
    for (int i = 1; i < argc; ++i)
        fields << valueOf(argv[i]);
    const QByteArray hash = AuditTrail::entryHash(valueOf(argv[0]), fields);
    sqlite3_result_blob(context, hash.constData(), int(hash.size()), SQLITE_TRANSIENT);
}

// The trail's functions of the reports, as the server has them too:
// audit_time(ms), audit_ms(day) and audit_changes(changes) (see AuditTrail).
void timeFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    resultText(context, AuditTrail::timeText(sqlite3_value_int64(argv[0])));
}

void msFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    const qint64 ms = AuditTrail::dayStart(valueOf(argv[0]).toString());
    if (ms == AuditTrail::kNoDay)
        return sqlite3_result_null(context);
    sqlite3_result_int64(context, ms);
}

void changesFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    resultText(context, AuditTrail::changesText(valueOf(argv[0]).toString()));
}

// Written by the connection, not the file: the sqlite3 tool has neither this
// trigger nor its functions, so its entries stay as the file's triggers wrote
// them, made outside Varnex and without a hash. The entry before is found by
// its key, never by reading the trail.
const char* const kSeal = R"SQL(
CREATE TEMP TRIGGER IF NOT EXISTS VarnexAuditSeal AFTER INSERT ON main.AuditTrail BEGIN
  INSERT OR IGNORE INTO AuditWho (Login, Station, Program) VALUES (varnex_who(0), varnex_who(1), varnex_who(2));
  UPDATE AuditTrail SET
    WhoID = (SELECT WhoID FROM AuditWho WHERE Login = varnex_who(0) AND Station = varnex_who(1) AND Program = varnex_who(2)),
    Hash = varnex_audit_hash(
      (SELECT coalesce(p.Hash, varnex_audit_hash(NULL, %1))
         FROM AuditTrail p LEFT JOIN AuditWho w ON w.WhoID = p.WhoID
         WHERE p.EntryID < NEW.EntryID ORDER BY p.EntryID DESC LIMIT 1),
      NEW.EntryID, NEW.At, varnex_who(0), varnex_who(1), varnex_who(2), NEW.TableCode, coalesce(NEW.KeyID, NEW.KeyCode),
      NEW.Action, NEW.Changes)
  WHERE EntryID = NEW.EntryID;
END;
)SQL";

class SqliteStatement : public DbStatement {
public:
    SqliteStatement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    void bind(int index, const QVariant& v) override {
        if (!v.isValid() || v.isNull()) {
            sqlite3_bind_null(m_stmt, index);
            return;
        }
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            sqlite3_bind_int64(m_stmt, index, v.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(m_stmt, index, v.toDouble());
            break;
        case QMetaType::QDate:
            bindText(index, v.toDate().toString(Qt::ISODate));
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            sqlite3_bind_blob(m_stmt, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            bindText(index, v.toString());
        }
    }

    int parameterIndex(const QString& name) const override {
        return sqlite3_bind_parameter_index(m_stmt, name.toUtf8().constData());
    }

    void bindColumnOf(int index, const DbStatement& from, int column) override {
        // Both statements are of this engine: the value goes over with its own kind.
        const auto& other = static_cast<const SqliteStatement&>(from);
        sqlite3_bind_value(m_stmt, index, sqlite3_column_value(other.m_stmt, column));
    }

    void reset() override {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }

    bool next(Status* status) override {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            *status = Status::fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_reset(m_stmt);
        return false;
    }

    Status run() override {
        const int rc = sqlite3_step(m_stmt);
        Status s;
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            s = Status::fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_reset(m_stmt);
        return s;
    }

    int columnCount() const override { return sqlite3_column_count(m_stmt); }
    QString columnName(int i) const override { return QString::fromUtf8(sqlite3_column_name(m_stmt, i)); }

    QVariant value(int i) const override {
        switch (sqlite3_column_type(m_stmt, i)) {
        case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(m_stmt, i)));
        case SQLITE_FLOAT: return QVariant(sqlite3_column_double(m_stmt, i));
        case SQLITE_NULL: return QVariant();
        case SQLITE_BLOB:
            return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, i)), sqlite3_column_bytes(m_stmt, i)));
        default:
            return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                              sqlite3_column_bytes(m_stmt, i)));
        }
    }

    qint64 int64(int i) const override { return sqlite3_column_int64(m_stmt, i); }

private:
    void bindText(int index, const QString& text) {
        const QByteArray t = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }

    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
};
}  // namespace

SqliteConnection::~SqliteConnection() { close(); }

void SqliteConnection::setBackgroundReader(bool background) {
    const std::lock_guard<std::mutex> lock(g_backgroundMutex);
    m_background = background;
    if (m_db && background)
        g_backgroundReaders.insert(m_db);
    else if (m_db)
        g_backgroundReaders.erase(m_db);
}

void SqliteConnection::interrupt() {
    if (m_db)
        sqlite3_interrupt(m_db);
}

Status SqliteConnection::open(const QString& path, Mode mode) {
    close();
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case Mode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    case Mode::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
    case Mode::Create: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    }
    if (mode != Mode::Create && !QFileInfo(path).isFile())
        return Status::fail(QStringLiteral("Could not find file '%1'.").arg(path));
    m_fileKey = SqliteFileUse::opening(path);
    const Status s = mode == Mode::ReadOnly && readAsItStands(path)
        ? openHandle("file:" + QUrl::toPercentEncoding(path, "/") + "?immutable=1", flags | SQLITE_OPEN_URI)
        : openHandle(QFile::encodeName(path), flags);
    if (!s) {
        close();
        return s;
    }
    // Readers and the writer work at once; the mode stays with the file (a
    // file switched now commits that, which is no write of the program's).
    if (mode == Mode::ReadWrite)
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    m_commits = 0;
    if (mode != Mode::ReadOnly) {
        if (const Status sealed = sealTrail(); !sealed) {
            close();
            return sealed;
        }
    }
    return Status::ok();
}

Status SqliteConnection::openHandle(const QByteArray& name, int flags) {
    if (sqlite3_open_v2(name.constData(), &m_db, flags, nullptr) != SQLITE_OK)
        return Status::fail(m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory"));
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_handler(m_db, &waitForLock, this);
    m_who = AuditTrail::who();
    sqlite3_create_function_v2(m_db, "varnex_who", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, this, whoFunction, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "varnex_audit_hash", 10, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, hashFunction,
                               nullptr, nullptr, nullptr);
    for (const auto& [name, args, fn] : {std::tuple{"audit_time", 1, &timeFunction}, std::tuple{"audit_ms", 1, &msFunction},
                                         std::tuple{"audit_changes", 1, &changesFunction}})
        sqlite3_create_function_v2(m_db, name, args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fn, nullptr, nullptr,
                                   nullptr);
    sqlite3_commit_hook(
        m_db,
        [](void* self) {
            auto* c = static_cast<SqliteConnection*>(self);
            c->m_commits += c->m_sealing ? 0 : 1;
            return 0;
        },
        this);
    // Reading the schema tells at once whether this is a database file at all.
    return exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
}

Status SqliteConnection::sealTrail() {
    sqlite3_stmt* stmt = nullptr;
    // A trail of the first form keeps its own triggers until the program rewrites it (Schema::upgrade).
    if (sqlite3_prepare_v2(m_db, "SELECT 1 FROM pragma_table_info('AuditTrail') WHERE name = 'WhoID'", -1, &stmt,
                           nullptr) != SQLITE_OK)
        return Status::fail(lastError());
    const bool hasTrail = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    if (!hasTrail)
        return Status::ok();
    m_sealing = true;
    const Status s = exec(QString::fromUtf8(kSeal).arg(AuditTrail::entrySql(QStringLiteral("p"))));
    m_sealing = false;
    return s;
}

void SqliteConnection::close() {
    if (m_db) {
        {
            const std::lock_guard<std::mutex> lock(g_backgroundMutex);
            g_backgroundReaders.erase(m_db);
        }
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    if (!m_fileKey.isEmpty()) {
        SqliteFileUse::closed(m_fileKey, m_commits);
        m_fileKey.clear();
        m_commits = 0;
    }
}

void SqliteConnection::setProgressCheck(std::function<bool()> stop) {
    m_stop = std::move(stop);
    if (!m_db)
        return;
    if (!m_stop) {
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
        return;
    }
    sqlite3_progress_handler(
        m_db, 20000, [](void* self) { return static_cast<SqliteConnection*>(self)->m_stop() ? 1 : 0; }, this);
}

Status SqliteConnection::exec(const QString& sql) {
    if (!m_db)
        return Status::fail(QStringLiteral("The database is not open."));
    char* err = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : lastError();
        sqlite3_free(err);
        return Status::fail(msg);
    }
    return Status::ok();
}

QString SqliteConnection::lastError() const {
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("The database is not open.");
}

std::unique_ptr<DbStatement> SqliteConnection::prepare(const QString& sql, Status* status) {
    if (!m_db) {
        *status = Status::fail(QStringLiteral("The database is not open."));
        return nullptr;
    }
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, nullptr) != SQLITE_OK) {
        *status = Status::fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_finalize(stmt);
        return nullptr;
    }
    *status = Status::ok();
    return std::make_unique<SqliteStatement>(m_db, stmt);
}

qint64 SqliteConnection::lastInsertRowId() const { return m_db ? sqlite3_last_insert_rowid(m_db) : 0; }
int SqliteConnection::changes() const { return m_db ? sqlite3_changes(m_db) : 0; }

Status SqliteConnection::beginWrite(const QStringList&) { return exec(QStringLiteral("BEGIN IMMEDIATE")); }
Status SqliteConnection::beginRead() { return exec(QStringLiteral("BEGIN")); }
