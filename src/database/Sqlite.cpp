#include "database/Sqlite.h"

#include <sqlite3.h>

#include <mutex>
#include <set>

#include <QDate>
#include <QFile>
#include <QFileInfo>

namespace {
std::mutex g_backgroundMutex;
std::set<sqlite3*> g_backgroundReaders;

// Waits up to two seconds for a lock, as a busy timeout would; a connection
// that waits to write first asks the program's background readers to let go.
int waitForLock(void* context, int attempt) {
    const auto* db = static_cast<const SqliteDb*>(context);
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
}  // namespace

SqliteDb::~SqliteDb() { close(); }

void SqliteDb::setBackgroundReader(bool background) {
    const std::lock_guard<std::mutex> lock(g_backgroundMutex);
    m_background = background;
    if (m_db && background)
        g_backgroundReaders.insert(m_db);
    else if (m_db)
        g_backgroundReaders.erase(m_db);
}

Status SqliteDb::open(const QString& path, Mode mode) {
    close();
    m_path = path;
    int flags = SQLITE_OPEN_FULLMUTEX;
    switch (mode) {
    case Mode::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    case Mode::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
    case Mode::Create: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    }
    if (mode != Mode::Create && !QFileInfo(path).isFile())
        return Status::fail(QStringLiteral("Could not find file '%1'.").arg(path));
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        close();
        return Status::fail(msg);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_handler(m_db, &waitForLock, this);
    // Reading the schema tells at once whether this is a database file at all.
    Status s = exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!s) {
        close();
        return s;
    }
    if (mode != Mode::ReadOnly)
        exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
    return Status::ok();
}

void SqliteDb::close() {
    if (m_db) {
        {
            const std::lock_guard<std::mutex> lock(g_backgroundMutex);
            g_backgroundReaders.erase(m_db);
        }
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void SqliteDb::setProgressCheck(std::function<bool()> stop) {
    m_stop = std::move(stop);
    if (!m_db)
        return;
    if (!m_stop) {
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
        return;
    }
    sqlite3_progress_handler(m_db, 20000, [](void* self) { return static_cast<SqliteDb*>(self)->m_stop() ? 1 : 0; }, this);
}

Status SqliteDb::exec(const QString& sql) {
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

QString SqliteDb::lastError() const {
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("The database is not open.");
}

qint64 SqliteDb::lastInsertRowId() const { return m_db ? sqlite3_last_insert_rowid(m_db) : 0; }
int SqliteDb::changes() const { return m_db ? sqlite3_changes(m_db) : 0; }

SqlStatement::SqlStatement(SqliteDb& db, const QString& sql) { prepare(db, sql); }

SqlStatement::~SqlStatement() {
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

SqlStatement::SqlStatement(SqlStatement&& o) noexcept : m_stmt(o.m_stmt), m_db(o.m_db), m_status(o.m_status) {
    o.m_stmt = nullptr;
}

SqlStatement& SqlStatement::operator=(SqlStatement&& o) noexcept {
    if (this != &o) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_stmt = o.m_stmt;
        m_db = o.m_db;
        m_status = o.m_status;
        o.m_stmt = nullptr;
    }
    return *this;
}

Status SqlStatement::prepare(SqliteDb& db, const QString& sql) {
    if (m_stmt)
        sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_db = db.handle();
    if (!m_db)
        return m_status = Status::fail(QStringLiteral("The database is not open."));
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr) != SQLITE_OK) {
        m_status = Status::fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        m_stmt = nullptr;
        return m_status;
    }
    return m_status = Status::ok();
}

void SqlStatement::bind(int index, const QVariant& v) {
    if (!m_stmt)
        return;
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
    case QMetaType::QDate: {
        const QByteArray t = v.toDate().toString(Qt::ISODate).toUtf8();
        sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray t = v.toString().toUtf8();
        sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
    }
    }
}

void SqlStatement::bind(const QString& name, const QVariant& v) {
    if (!m_stmt)
        return;
    const int index = sqlite3_bind_parameter_index(m_stmt, name.toUtf8().constData());
    if (index > 0)
        bind(index, v);
}

void SqlStatement::bindColumnOf(int index, const SqlStatement& from, int column) {
    if (m_stmt && from.m_stmt)
        sqlite3_bind_value(m_stmt, index, sqlite3_column_value(from.m_stmt, column));
}

void SqlStatement::reset() {
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    m_status = Status::ok();
}

bool SqlStatement::next() {
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        m_status = Status::fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    sqlite3_reset(m_stmt);
    return false;
}

Status SqlStatement::run() {
    if (!m_stmt)
        return m_status;
    const int rc = sqlite3_step(m_stmt);
    Status s;
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        s = Status::fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    sqlite3_reset(m_stmt);
    return s;
}

int SqlStatement::columnCount() const { return m_stmt ? sqlite3_column_count(m_stmt) : 0; }

QString SqlStatement::columnName(int i) const {
    return m_stmt ? QString::fromUtf8(sqlite3_column_name(m_stmt, i)) : QString();
}

QVariant SqlStatement::value(int i) const {
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(m_stmt, i));
    case SQLITE_NULL: return QVariant();
    default:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                          sqlite3_column_bytes(m_stmt, i)));
    }
}

qint64 SqlStatement::int64(int i) const { return sqlite3_column_int64(m_stmt, i); }
