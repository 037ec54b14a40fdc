#include "database/postgres/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <atomic>
#include <mutex>
#include <vector>

#include <QDate>
#include <QHash>
#include <QRegularExpression>

#include "database/postgres/PgSql.h"

namespace {

// Type oids of the built-in types whose values are not text.
enum : Oid { kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700 };

const char* const kNotOpen = "The database is not open.";

void quietNotices(void*, const char*) {}

QString trimmed(const char* text) { return QString::fromUtf8(text ? text : "").trimmed(); }

QVariant toValue(const PGresult* r, int row, int column) {
    if (PQgetisnull(r, row, column))
        return QVariant();
    const char* text = PQgetvalue(r, row, column);
    switch (PQftype(r, column)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid: return QVariant(QByteArray::fromRawData(text, int(qstrlen(text))).toLongLong());
    case kFloat4:
    case kFloat8:
    case kNumeric: return QVariant(QByteArray::fromRawData(text, int(qstrlen(text))).toDouble());
    case kBool: return QVariant(qint64(text[0] == 't' ? 1 : 0));
    default: return QVariant(QString::fromUtf8(text, PQgetlength(r, row, column)));
    }
}

}  // namespace

// The connection's state, shared with its statements so that a statement that
// outlives the connection finds it closed rather than gone.
struct PgSession {
    PGconn* conn = nullptr;
    std::mutex cancelMutex;
    PGcancel* cancel = nullptr;
    bool readOnly = false;
    bool inTransaction = false;
    int generation = 0;  // counts connections; a statement prepared on an older one prepares again
    int nextName = 0;
    // Statements prepared on this connection, by their text: the program
    // prepares the same few statements over and over.
    struct Prepared {
        QByteArray name;
        QStringList columns;
    };
    QHash<QString, Prepared> prepared;
    qint64 lastId = 0;
    int changes = 0;
    QString lastError;
    std::function<bool()> stop;
    // Set from another thread: the running statement ends as interrupted, also
    // when its rows have already arrived.
    std::atomic<bool> interrupted{false};

    ~PgSession() { disconnect(); }

    void disconnect() {
        {
            const std::lock_guard<std::mutex> lock(cancelMutex);
            if (cancel)
                PQfreeCancel(cancel);
            cancel = nullptr;
        }
        if (conn)
            PQfinish(conn);
        conn = nullptr;
        inTransaction = false;
    }

    Status connected() {
        ++generation;
        prepared.clear();
        PQsetNoticeProcessor(conn, quietNotices, nullptr);
        {
            const std::lock_guard<std::mutex> lock(cancelMutex);
            if (cancel)
                PQfreeCancel(cancel);
            cancel = PQgetCancel(conn);
        }
        inTransaction = false;
        if (readOnly)
            return exec(QStringLiteral("SET default_transaction_read_only = on"), nullptr);
        return Status::ok();
    }

    Status connect(const QString& uri) {
        disconnect();
        const QByteArray u = uri.toUtf8();
        // Defaults that the URI may override: a host that does not answer is
        // given up after ten seconds rather than the system's network timeout;
        // no JIT, whose compiling costs a report seconds for a few hundred
        // milliseconds of work.
        const char* keys[] = {"connect_timeout", "options", "dbname", "client_encoding", "fallback_application_name", nullptr};
        const char* values[] = {"10", "-c jit=off", u.constData(), "UTF8", "varnex", nullptr};
        conn = PQconnectdbParams(keys, values, 1);
        if (!conn)
            return Status::fail(QStringLiteral("out of memory"));
        if (PQstatus(conn) != CONNECTION_OK) {
            const QString msg = trimmed(PQerrorMessage(conn));
            disconnect();
            return Status::fail(msg);
        }
        return connected();
    }

    // Before a statement: a connection lost outside a transaction is made
    // again; one lost inside a transaction lost the transaction with it, which
    // the next statement is told (a ROLLBACK has nothing left to do).
    Status ready(bool isRollback) {
        if (!conn)
            return Status::fail(QString::fromLatin1(kNotOpen));
        if (PQstatus(conn) == CONNECTION_OK)
            return Status::ok();
        if (inTransaction) {
            inTransaction = false;
            if (isRollback)
                return Status::ok();
            return Status::fail(QStringLiteral("The connection to the server was lost; the transaction was not committed."));
        }
        PQreset(conn);
        if (PQstatus(conn) != CONNECTION_OK)
            return Status::fail(trimmed(PQerrorMessage(conn)));
        return connected();
    }

    // Waits for the server's answer, asking the progress check meanwhile; the
    // last result, or null with the connection's error.
    PGresult* wait() {
        bool cancelled = false;
        while (PQisBusy(conn)) {
            if (!cancelled && (interrupted || (stop && stop()))) {
                cancelled = true;
                const std::lock_guard<std::mutex> lock(cancelMutex);
                char err[256];
                if (cancel)
                    PQcancel(cancel, err, sizeof err);
            }
            pollfd p{PQsocket(conn), POLLIN, 0};
            poll(&p, 1, 50);
            if (!PQconsumeInput(conn))
                break;
        }
        PGresult* last = nullptr;
        while (PGresult* r = PQgetResult(conn)) {
            // The first failure is the one to report; a multi-statement exec stops there.
            if (last && PQresultStatus(last) == PGRES_FATAL_ERROR) {
                PQclear(r);
                continue;
            }
            if (last)
                PQclear(last);
            last = r;
        }
        if (PQtransactionStatus(conn) != PQTRANS_UNKNOWN)
            inTransaction = PQtransactionStatus(conn) != PQTRANS_IDLE;
        return last;
    }

    // The result of a statement, or its failure worded as the SQLite engine words it.
    Status check(PGresult* r, const PgSql::Translated* t, const std::vector<QByteArray>* params) {
        if (!r) {
            lastError = trimmed(PQerrorMessage(conn));
            return Status::fail(lastError);
        }
        const ExecStatusType st = PQresultStatus(r);
        if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK || st == PGRES_EMPTY_QUERY) {
            changes = QByteArray(PQcmdTuples(r)).toInt();
            if (t && t->returnsKey && PQntuples(r) > 0)
                lastId = QByteArray(PQgetvalue(r, PQntuples(r) - 1, 0)).toLongLong();
            return Status::ok();
        }
        lastError = refusal(r, t, params);
        return Status::fail(lastError);
    }

    static QString refusal(const PGresult* r, const PgSql::Translated* t, const std::vector<QByteArray>* params) {
        const QByteArray state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
        const QString table = PgSql::schemaName(trimmed(PQresultErrorField(r, PG_DIAG_TABLE_NAME)));
        const QString message = trimmed(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY));
        if (state == "23505") {
            // DETAIL: Key (modelnumber)=(HX-800) already exists.
            static const QRegularExpression key(QStringLiteral("^Key \\((.*)\\)=\\("));
            const auto m = key.match(trimmed(PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL)));
            if (m.hasMatch()) {
                QStringList fields;
                for (QString f : m.captured(1).split(QStringLiteral(", "))) {
                    if (f.startsWith(QLatin1Char('"')) && f.endsWith(QLatin1Char('"')))
                        f = f.mid(1, f.size() - 2);
                    fields << table + QLatin1Char('.') + PgSql::schemaName(f, table);
                }
                return QStringLiteral("UNIQUE constraint failed: ") + fields.join(QStringLiteral(", "));
            }
        } else if (state == "23502") {
            return QStringLiteral("NOT NULL constraint failed: %1.%2")
                .arg(table, PgSql::schemaName(trimmed(PQresultErrorField(r, PG_DIAG_COLUMN_NAME)), table));
        } else if (state == "23514") {
            return QStringLiteral("CHECK constraint failed: ") + trimmed(PQresultErrorField(r, PG_DIAG_CONSTRAINT_NAME));
        } else if (state == "57014") {
            return QStringLiteral("interrupted");
        } else if (state == "42703" || state == "42P01") {
            // The file engine's words for a name it does not know.
            static const QRegularExpression name(QStringLiteral("^(?:column|relation) \"(.+)\" does not exist$"));
            if (const auto m = name.match(message); m.hasMatch())
                return (state == "42703" ? QStringLiteral("no such column: ") : QStringLiteral("no such table: ")) + m.captured(1);
        } else if ((state == "22P02" || state == "22003") && t) {
            // invalid input syntax for type integer: "abc" - the field the value was meant for.
            static const QRegularExpression input(QStringLiteral("for type (\\w[\\w ]*): \"(.*)\"$"));
            const auto m = input.match(message);
            if (m.hasMatch()) {
                const QString type = m.captured(1);
                const QString kind = type.contains(QLatin1String("int")) ? QStringLiteral("INTEGER") : QStringLiteral("REAL");
                for (auto it = t->parameterFields.begin(); params && it != t->parameterFields.end(); ++it) {
                    const int i = it.key() - 1;
                    if (i < int(params->size()) && QString::fromUtf8((*params)[size_t(i)]) == m.captured(2))
                        return QStringLiteral("cannot store TEXT value in %1 column %2.%3").arg(kind, t->table, it.value());
                }
                if (t->literalFields.contains(m.captured(2)))
                    return QStringLiteral("cannot store TEXT value in %1 column %2.%3")
                        .arg(kind, t->table, t->literalFields.value(m.captured(2)));
            }
        }
        return message.isEmpty() ? trimmed(PQresultErrorMessage(r)) : message;
    }

    Status exec(const QString& sql, const PgSql::Translated* t) {
        const PgSql::Translated translated = t ? *t : PgSql::translate(sql);
        const bool rollback = translated.sql.trimmed().compare(QLatin1String("ROLLBACK"), Qt::CaseInsensitive) == 0;
        const bool commit = translated.sql.trimmed().compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0 ||
                            translated.sql.trimmed().compare(QLatin1String("END"), Qt::CaseInsensitive) == 0;
        Status s = ready(rollback);
        if (!s || !conn || (rollback && PQstatus(conn) != CONNECTION_OK))
            return rollback && s ? Status::ok() : s;
        if (!PQsendQuery(conn, translated.sql.toUtf8().constData()))
            return Status::fail(lastError = trimmed(PQerrorMessage(conn)));
        PGresult* r = wait();
        s = check(r, &translated, nullptr);
        // A transaction in which a statement failed ends in a rollback, which
        // the server reports as a successful COMMIT.
        if (s && commit && r && qstrcmp(PQcmdStatus(r), "ROLLBACK") == 0)
            s = Status::fail(lastError = QStringLiteral("The transaction was rolled back: a statement in it failed."));
        PQclear(r);
        return s;
    }
};

namespace {

class PgStatement : public DbStatement {
public:
    PgStatement(std::shared_ptr<PgSession> session, PgSql::Translated t)
        : m_session(std::move(session)), m_t(std::move(t)) {
        m_params.resize(size_t(m_t.parameters.size()));
        m_null.assign(m_params.size(), true);
    }
    ~PgStatement() override { clear(); }

    // Prepares the statement on the server and learns its columns, once per
    // connection and text.
    Status prepare() {
        Status s = m_session->ready(false);
        if (!s)
            return s;
        const auto known = m_session->prepared.constFind(m_t.sql);
        if (known != m_session->prepared.constEnd()) {
            m_name = known->name;
            m_columns = known->columns;
            m_generation = m_session->generation;
            return s;
        }
        if (m_session->prepared.size() >= 500) {
            // Statements with values written into them pile up: start again
            // (statements still open prepare theirs again when they next run).
            PQclear(PQexec(m_session->conn, "DEALLOCATE ALL"));
            m_session->prepared.clear();
            ++m_session->generation;
        }
        m_name = "vx" + QByteArray::number(++m_session->nextName);
        PGresult* r = PQprepare(m_session->conn, m_name.constData(), m_t.sql.toUtf8().constData(),
                                int(m_params.size()), nullptr);
        s = m_session->check(r, &m_t, nullptr);
        PQclear(r);
        if (!s)
            return s;
        r = PQdescribePrepared(m_session->conn, m_name.constData());
        s = m_session->check(r, &m_t, nullptr);
        if (s) {
            m_columns.clear();
            for (int i = 0; i < PQnfields(r); ++i) {
                m_columns << PgSql::schemaName(QString::fromUtf8(PQfname(r, i)), m_t.table);
            }
            m_generation = m_session->generation;
            m_session->prepared.insert(m_t.sql, {m_name, m_columns});
        }
        PQclear(r);
        return s;
    }

    void bind(int index, const QVariant& v) override {
        if (index < 1 || index > int(m_params.size()))
            return;
        const size_t i = size_t(index - 1);
        m_null[i] = !v.isValid() || v.isNull();
        if (m_null[i])
            m_params[i].clear();
        else if (v.typeId() == QMetaType::Double)
            m_params[i] = QByteArray::number(v.toDouble(), 'g', 17);
        else if (v.typeId() == QMetaType::Bool)
            m_params[i] = v.toBool() ? "1" : "0";
        else if (v.typeId() == QMetaType::QDate)
            m_params[i] = v.toDate().toString(Qt::ISODate).toUtf8();
        else
            m_params[i] = v.toString().toUtf8();
    }

    int parameterIndex(const QString& name) const override {
        const int i = int(m_t.parameters.indexOf(name));
        return i < 0 ? 0 : i + 1;
    }

    void reset() override {
        clear();
        for (size_t i = 0; i < m_params.size(); ++i) {
            m_params[i].clear();
            m_null[i] = true;
        }
    }

    bool next(Status* status) override {
        if (m_result && m_session->interrupted.exchange(false)) {
            clear();
            *status = Status::fail(m_session->lastError = QStringLiteral("interrupted"));
            return false;
        }
        if (!m_result) {
            const Status s = execute();
            if (!s) {
                *status = s;
                return false;
            }
        }
        if (++m_row < PQntuples(m_result))
            return true;
        clear();
        return false;
    }

    Status run() override {
        const Status s = execute();
        clear();
        return s;
    }

    int columnCount() const override { return int(m_columns.size()); }
    QString columnName(int i) const override { return m_columns.value(i); }

    QVariant value(int i) const override {
        if (!m_result || m_row < 0 || m_row >= PQntuples(m_result) || i < 0 || i >= PQnfields(m_result))
            return QVariant();
        return toValue(m_result, m_row, i);
    }

    qint64 int64(int i) const override { return value(i).toLongLong(); }

private:
    void clear() {
        if (m_result)
            PQclear(m_result);
        m_result = nullptr;
        m_row = -1;
    }

    Status execute() {
        clear();
        m_session->interrupted = false;
        Status s = m_session->ready(false);
        if (!s)
            return s;
        if (m_generation != m_session->generation && !(s = prepare()))
            return s;
        std::vector<const char*> values(m_params.size());
        for (size_t i = 0; i < m_params.size(); ++i)
            values[i] = m_null[i] ? nullptr : m_params[i].constData();
        if (!PQsendQueryPrepared(m_session->conn, m_name.constData(), int(values.size()), values.data(), nullptr,
                                 nullptr, 0))
            return Status::fail(m_session->lastError = trimmed(PQerrorMessage(m_session->conn)));
        PGresult* r = m_session->wait();
        s = m_session->check(r, &m_t, &m_params);
        if (!s) {
            PQclear(r);
            return s;
        }
        m_result = r;
        return s;
    }

    std::shared_ptr<PgSession> m_session;
    PgSql::Translated m_t;
    QByteArray m_name;
    int m_generation = -1;
    QStringList m_columns;
    std::vector<QByteArray> m_params;
    std::vector<bool> m_null;
    PGresult* m_result = nullptr;
    int m_row = -1;
};

}  // namespace

PgConnection::PgConnection() : m_session(std::make_shared<PgSession>()) {}
PgConnection::~PgConnection() { close(); }

Status PgConnection::open(const QString& uri, Mode mode) {
    m_session->readOnly = mode == Mode::ReadOnly;
    return m_session->connect(uri);
}

void PgConnection::close() { m_session->disconnect(); }
bool PgConnection::isOpen() const { return m_session->conn != nullptr; }

Status PgConnection::exec(const QString& sql) { return m_session->exec(sql, nullptr); }

Status PgConnection::execNative(const QString& sql) {
    PgSql::Translated native;
    native.sql = sql;
    return m_session->exec(sql, &native);
}

QString PgConnection::lastError() const {
    if (!m_session->conn)
        return QString::fromLatin1(kNotOpen);
    return m_session->lastError;
}

std::unique_ptr<DbStatement> PgConnection::prepare(const QString& sql, Status* status) {
    auto st = std::make_unique<PgStatement>(m_session, PgSql::translate(sql));
    *status = st->prepare();
    if (!*status)
        return nullptr;
    return st;
}

qint64 PgConnection::lastInsertRowId() const { return m_session->lastId; }
int PgConnection::changes() const { return m_session->changes; }

Status PgConnection::beginWrite(const QString& unitKey) {
    Status s = exec(QStringLiteral("BEGIN"));
    if (!s || unitKey.isEmpty())
        return s;
    Status p;
    auto lock = prepare(QStringLiteral("SELECT pg_advisory_xact_lock(hashtextextended(CAST(? AS TEXT), 0))"), &p);
    if (p) {
        lock->bind(1, unitKey);
        p = lock->run();
    }
    if (!p)
        exec(QStringLiteral("ROLLBACK"));
    return p;
}

Status PgConnection::beginRead() {
    return exec(QStringLiteral("BEGIN TRANSACTION ISOLATION LEVEL REPEATABLE READ READ ONLY"));
}

void PgConnection::setProgressCheck(std::function<bool()> stop) { m_session->stop = std::move(stop); }

void PgConnection::interrupt() {
    m_session->interrupted = true;
    const std::lock_guard<std::mutex> lock(m_session->cancelMutex);
    char err[256];
    if (m_session->cancel)
        PQcancel(m_session->cancel, err, sizeof err);
}
