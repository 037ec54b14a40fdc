#include "database/Database.h"

#include "database/ServerUri.h"
#include "database/postgres/PgConnection.h"
#include "database/sqlite/SqliteConnection.h"

namespace {
const char* const kClosed = "The database is not open.";
}

Database::~Database() { close(); }

bool Database::isServerName(const QString& name) {
    return name.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

Status Database::open(const QString& name, Mode mode) {
    close();
    m_name = name;
    if (isServerName(name))
        m_engine = std::make_unique<PgConnection>();
    else
        m_engine = std::make_unique<SqliteConnection>();
    const Status s = m_engine->open(name, mode);
    if (!s) {
        m_engine.reset();
        // The engine may quote the name, or the part of a URI it could not read.
        return s.reworded(ServerUri::masked(s.error(), name));
    }
    if (m_background)
        m_engine->setBackgroundReader(true);
    m_engine->setTimeLimit(m_timeLimit);
    return s;
}

void Database::close() {
    if (m_engine)
        m_engine->close();
    m_engine.reset();
}

void Database::setBackgroundReader(bool background) {
    m_background = background;
    if (m_engine)
        m_engine->setBackgroundReader(background);
}

void Database::setTimeLimit(int seconds) {
    m_timeLimit = seconds;
    if (m_engine)
        m_engine->setTimeLimit(seconds);
}

void Database::interrupt() {
    if (m_engine)
        m_engine->interrupt();
}

Status Database::exec(const QString& sql) {
    return m_engine ? m_engine->exec(sql) : Status::fail(QString::fromLatin1(kClosed));
}

QString Database::lastError() const { return m_engine ? m_engine->lastError() : QString::fromLatin1(kClosed); }

void Database::setProgressCheck(std::function<bool()> stop) {
    if (m_engine)
        m_engine->setProgressCheck(std::move(stop));
}

qint64 Database::lastInsertRowId() const { return m_engine ? m_engine->lastInsertRowId() : 0; }
int Database::changes() const { return m_engine ? m_engine->changes() : 0; }

Status Database::beginWrite(const QString& unitKey) {
    return beginWrite(unitKey.isEmpty() ? QStringList() : QStringList{unitKey});
}

Status Database::beginWrite(const QStringList& unitKeys) {
    return m_engine ? m_engine->beginWrite(unitKeys) : Status::fail(QString::fromLatin1(kClosed));
}

Status Database::beginRead() { return m_engine ? m_engine->beginRead() : Status::fail(QString::fromLatin1(kClosed)); }

SqlStatement::SqlStatement(Database& db, const QString& sql) { prepare(db, sql); }
SqlStatement::~SqlStatement() = default;
SqlStatement::SqlStatement(SqlStatement&& o) noexcept = default;
SqlStatement& SqlStatement::operator=(SqlStatement&& o) noexcept = default;

Status SqlStatement::prepare(Database& db, const QString& sql) {
    m_stmt.reset();
    if (!db.engine())
        return m_status = Status::fail(QString::fromLatin1(kClosed));
    Status s;
    m_stmt = db.engine()->prepare(sql, &s);
    if (!s)
        m_stmt.reset();
    return m_status = s;
}

void SqlStatement::bind(int index, const QVariant& value) {
    if (m_stmt)
        m_stmt->bind(index, value);
}

void SqlStatement::bind(const QString& name, const QVariant& value) {
    if (!m_stmt)
        return;
    const int index = m_stmt->parameterIndex(name);
    if (index > 0)
        m_stmt->bind(index, value);
}

void SqlStatement::bindColumnOf(int index, const SqlStatement& from, int column) {
    if (m_stmt && from.m_stmt)
        m_stmt->bindColumnOf(index, *from.m_stmt, column);
}

void SqlStatement::reset() {
    if (m_stmt)
        m_stmt->reset();
    m_status = Status::ok();
}

bool SqlStatement::next() { return m_stmt && m_stmt->next(&m_status); }

Status SqlStatement::run() { return m_stmt ? m_stmt->run() : m_status; }

int SqlStatement::columnCount() const { return m_stmt ? m_stmt->columnCount() : 0; }
QString SqlStatement::columnName(int i) const { return m_stmt ? m_stmt->columnName(i) : QString(); }
QVariant SqlStatement::value(int i) const { return m_stmt ? m_stmt->value(i) : QVariant(); }
qint64 SqlStatement::int64(int i) const { return m_stmt ? m_stmt->int64(i) : 0; }
