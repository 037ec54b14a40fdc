#include "database/postgres/PgConnection.h"

#include "database/AuditTrail.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QThread>

#include "database/postgres/PgRoles.h"
#include "database/postgres/PgSql.h"

namespace {

// Type oids of the built-in types whose values are not text.
enum : Oid { kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701, kNumeric = 1700 };

const char* const kNotOpen = "The database is not open.";

// How long past its time limit a statement's answer is awaited before it is
// cancelled from here (the server's own limit normally ends it first).
constexpr qint64 kGraceMs = 2000;
// How long a statement waits before the windows are kept painted meanwhile:
// a quick one never lets other work run in the middle of it.
constexpr qint64 kQuickMs = 100;

void quietNotices(void*, const char*) {}

// Statements of any connection awaiting their answer.
std::atomic<int> g_waiting{0};

// The connection defaults that a URI may override: a host that does not
// answer is given up after ten seconds rather than the system's network
// timeout; no JIT, whose compiling costs a report seconds for a few hundred
// milliseconds of work.
const char* const kKeys[] = {"connect_timeout", "options", "dbname", "client_encoding", "fallback_application_name", nullptr};

// Whether a failed connection found no server to talk to (refused, no
// answer, starting or shutting down), rather than one that turned it away (a
// wrong password, a missing database): asked of the server once more.
bool noServer(const QByteArray& uri) {
    const char* values[] = {"3", "-c jit=off", uri.constData(), "UTF8", "varnex", nullptr};
    const PGPing ping = PQpingParams(kKeys, values, 1);
    return ping == PQPING_NO_RESPONSE || ping == PQPING_REJECT;
}

// A statement's failure that says the server went away under it.
bool lostServer(const PGresult* r) {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return state && (qstrncmp(state, "08", 2) == 0 || qstrcmp(state, "57P01") == 0 || qstrcmp(state, "57P02") == 0 ||
                     qstrcmp(state, "57P03") == 0);
}

// Whether the calling thread is the one that runs the windows.
bool onWindowThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

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
    case kBytea: return QVariant(QByteArray::fromHex(QByteArray(text).mid(2)));
    default: return QVariant(QString::fromUtf8(text, PQgetlength(r, row, column)));
    }
}

}  // namespace

// The connection's state, shared with its statements so that a statement that
// outlives the connection finds it closed rather than gone.
struct PgSession : std::enable_shared_from_this<PgSession> {
    PGconn* conn = nullptr;
    std::mutex cancelMutex;
    PGcancel* cancel = nullptr;
    bool readOnly = false;
    QByteArray uri;
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
    // The server's session user, and the tables it may not change (asked
    // once per connection, when first wanted: rightsGeneration).
    QString login;
    QStringList unchangeable;
    int rightsGeneration = -1;
    // The statement time limit wanted, and the one in force on the server
    // (-1: the server's own, untouched).
    int timeLimit = 0;
    int appliedLimit = -1;
    // A statement is awaiting its answer: the windows are kept painted
    // meanwhile, and nothing else may use the connection until it has it.
    bool waiting = false;
    // The last wait was cut short because the answer did not come in time.
    bool overdue = false;
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
        appliedLimit = -1;
        // Who the audit trail names beside the server's session user.
        {
            const AuditTrail::Who who = AuditTrail::who();
            const QByteArray station = who.station.toUtf8(), program = who.program.toUtf8();
            const char* values[] = {station.constData(), program.constData()};
            PGresult* r = PQexecParams(conn, "SELECT set_config('varnex.station', $1, false), set_config('varnex.program', $2, false), "
                                             "session_user", 2, nullptr, values, nullptr, nullptr, 0);
            const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK;
            const QString error = ok ? QString() : trimmed(PQresultErrorMessage(r));
            if (ok)
                login = QString::fromUtf8(PQgetvalue(r, 0, 2));
            PQclear(r);
            if (!ok)
                return Status::fail(error);
        }
        if (readOnly)
            return exec(QStringLiteral("SET default_transaction_read_only = on"), nullptr);
        return Status::ok();
    }

    Status connect(const QString& uri) {
        disconnect();
        this->uri = uri.toUtf8();
        const char* values[] = {"10", "-c jit=off", this->uri.constData(), "UTF8", "varnex", nullptr};
        conn = PQconnectdbParams(kKeys, values, 1);
        if (!conn)
            return Status::fail(QStringLiteral("out of memory"));
        if (PQstatus(conn) != CONNECTION_OK) {
            const QString msg = trimmed(PQerrorMessage(conn));
            disconnect();
            return connectFailure(msg);
        }
        return connected();
    }

    Status connectFailure(const QString& msg) const {
        return noServer(uri) ? Status::unreachable(msg) : Status::fail(msg);
    }

    // Before a statement: a connection lost outside a transaction is made
    // again; one lost inside a transaction lost the transaction with it, which
    // the next statement is told (a ROLLBACK has nothing left to do).
    Status ready(bool isRollback) {
        if (!conn)
            return Status::fail(QString::fromLatin1(kNotOpen));
        if (waiting)
            return Status::fail(lastError = QStringLiteral("The server is still answering the previous request."));
        if (PQstatus(conn) == CONNECTION_OK)
            return applyTimeLimit();
        if (inTransaction) {
            inTransaction = false;
            if (isRollback)
                return Status::ok();
            return Status::unreachable(QStringLiteral("The connection to the server was lost; the transaction was not committed."));
        }
        PQreset(conn);
        if (PQstatus(conn) != CONNECTION_OK)
            return connectFailure(trimmed(PQerrorMessage(conn)));
        const Status s = connected();
        return s ? applyTimeLimit() : s;
    }

    // The time limit is the server's statement_timeout, set between
    // transactions (a SET inside one would be undone by its rollback).
    Status applyTimeLimit() {
        if (inTransaction || appliedLimit == timeLimit || (appliedLimit < 0 && timeLimit == 0))
            return Status::ok();
        const QByteArray ms = QByteArray::number(qint64(timeLimit) * 1000);
        const char* values[] = {ms.constData()};
        PGresult* r = answer(PQsendQueryParams(conn, "SELECT set_config('statement_timeout', $1, false)", 1, nullptr,
                                               values, nullptr, nullptr, 0));
        const Status s = check(r, nullptr, nullptr);
        PQclear(r);
        if (s)
            appliedLimit = timeLimit;
        return s;
    }

    // Runs a statement (which begins with ready()); one that fails because the
    // connection broke under it, with no transaction open, runs once more on a
    // new connection. Inside a transaction the failure stands: the
    // transaction went with the connection.
    Status once(const std::function<Status()>& statement) {
        const bool inOne = inTransaction;
        const Status s = statement();
        if (s || inOne || !conn || PQstatus(conn) != CONNECTION_BAD)
            return s;
        return statement();
    }

    // The answer to a request just sent (sent: what the PQsend... call
    // returned); null with the connection's error when it could not be sent.
    PGresult* answer(int sent) { return sent ? wait() : nullptr; }

    void cancelRunning() {
        const std::lock_guard<std::mutex> lock(cancelMutex);
        char err[256];
        if (cancel)
            PQcancel(cancel, err, sizeof err);
    }

    // Waits for the server's answer, asking the progress check meanwhile; the
    // last result, or null with the connection's error.
    // On the windows' thread a statement with a time limit that takes a while
    // keeps them painted and their timers running; the user's input waits for
    // the answer, so no button starts another statement or closes a form in
    // the middle of this one. (Without a limit nothing else runs meanwhile: a
    // connection's owner may not expect its own events in the middle of it.)
    PGresult* wait() {
        const auto keep = shared_from_this();  // a window's handler may close the connection meanwhile
        const bool windows = timeLimit > 0 && onWindowThread();
        const qint64 deadline = timeLimit > 0 ? timeLimit * 1000LL + kGraceMs : -1;
        QElapsedTimer clock;
        clock.start();
        bool cancelled = false;
        overdue = false;
        waiting = true;
        ++g_waiting;
        while (conn && PQisBusy(conn)) {
            const bool late = deadline >= 0 && clock.elapsed() >= deadline;
            if (!cancelled && (interrupted || late || (stop && stop()))) {
                cancelled = true;
                overdue = late;
                cancelRunning();
            }
            pollfd p{PQsocket(conn), POLLIN, 0};
            poll(&p, 1, windows ? 20 : 50);
            if (!PQconsumeInput(conn))
                break;
            if (windows && clock.elapsed() >= kQuickMs)
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        waiting = false;
        --g_waiting;
        if (!conn)
            return nullptr;
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
            lastError = conn ? trimmed(PQerrorMessage(conn)) : QString::fromLatin1(kNotOpen);
            return conn && PQstatus(conn) == CONNECTION_BAD ? Status::unreachable(lastError) : Status::fail(lastError);
        }
        const ExecStatusType st = PQresultStatus(r);
        if (st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK || st == PGRES_EMPTY_QUERY) {
            changes = QByteArray(PQcmdTuples(r)).toInt();
            if (t && t->returnsKey && PQntuples(r) > 0)
                lastId = QByteArray(PQgetvalue(r, PQntuples(r) - 1, 0)).toLongLong();
            return Status::ok();
        }
        // Ended by the limit set on the server, or cancelled from here past the one wanted: the message names it.
        const int limit = overdue ? timeLimit : appliedLimit;
        const bool timedOut = limit > 0 && qstrcmp(PQresultErrorField(r, PG_DIAG_SQLSTATE), "57014") == 0 &&
                              (overdue || trimmed(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY)).contains(QLatin1String("statement timeout")));
        lastError = timedOut ? QStringLiteral("The server did not answer within %1 s; nothing was stored.").arg(limit)
                             : refusal(r, t, params);
        if (lostServer(r) || (conn && PQstatus(conn) == CONNECTION_BAD))
            return Status::unreachable(lastError);
        return Status::fail(lastError);
    }

    QString refusal(const PGresult* r, const PgSql::Translated* t, const std::vector<QByteArray>* params) const {
        const QByteArray state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
        const QString table = PgSql::schemaName(trimmed(PQresultErrorField(r, PG_DIAG_TABLE_NAME)));
        const QString message = trimmed(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY));
        if (state == "42501") {
            // Not the login's to do: said as what it may not, and whose login may.
            const bool reading = t && t->sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive);
            return PgRoles::refusal(login, message, reading);
        }
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
        return once([&] { return execOnce(translated); });
    }

    Status execOnce(const PgSql::Translated& translated) {
        const bool rollback = translated.sql.trimmed().compare(QLatin1String("ROLLBACK"), Qt::CaseInsensitive) == 0;
        const bool commit = translated.sql.trimmed().compare(QLatin1String("COMMIT"), Qt::CaseInsensitive) == 0 ||
                            translated.sql.trimmed().compare(QLatin1String("END"), Qt::CaseInsensitive) == 0;
        Status s = ready(rollback);
        if (!s || !conn || (rollback && PQstatus(conn) != CONNECTION_OK))
            return rollback && s ? Status::ok() : s;
        PGresult* r = answer(PQsendQuery(conn, translated.sql.toUtf8().constData()));
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
        return m_session->once([this] { return prepareOnce(); });
    }

    Status prepareOnce() {
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
            PQclear(m_session->answer(PQsendQuery(m_session->conn, "DEALLOCATE ALL")));
            m_session->prepared.clear();
            ++m_session->generation;
        }
        m_name = "vx" + QByteArray::number(++m_session->nextName);
        PGresult* r = m_session->answer(PQsendPrepare(m_session->conn, m_name.constData(), m_t.sql.toUtf8().constData(),
                                                      int(m_params.size()), nullptr));
        s = m_session->check(r, &m_t, nullptr);
        PQclear(r);
        if (!s)
            return s;
        r = m_session->answer(PQsendDescribePrepared(m_session->conn, m_name.constData()));
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
        else if (v.typeId() == QMetaType::QByteArray)
            m_params[i] = "\\x" + v.toByteArray().toHex();
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
        return m_session->once([this] { return executeOnce(); });
    }

    Status executeOnce() {
        Status s = m_session->ready(false);
        if (!s)
            return s;
        if (m_generation != m_session->generation && !(s = prepare()))
            return s;
        std::vector<const char*> values(m_params.size());
        for (size_t i = 0; i < m_params.size(); ++i)
            values[i] = m_null[i] ? nullptr : m_params[i].constData();
        PGresult* r = m_session->answer(PQsendQueryPrepared(m_session->conn, m_name.constData(), int(values.size()),
                                                            values.data(), nullptr, nullptr, 0));
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

Status PgConnection::queryNative(const QString& sql, const QStringList& values, QList<QStringList>* rows) {
    PgSession& session = *m_session;
    return session.once([&] {
        rows->clear();
        Status s = session.ready(false);
        if (!s)
            return s;
        std::vector<QByteArray> texts;
        for (const QString& v : values)
            texts.push_back(v.toUtf8());
        std::vector<const char*> pointers;
        for (const QByteArray& t : texts)
            pointers.push_back(t.constData());
        PgSql::Translated native;
        native.sql = sql;
        PGresult* r = session.answer(PQsendQueryParams(session.conn, sql.toUtf8().constData(), int(pointers.size()), nullptr,
                                                       pointers.data(), nullptr, nullptr, 0));
        s = session.check(r, &native, nullptr);
        for (int row = 0; s && row < PQntuples(r); ++row) {
            QStringList line;
            for (int c = 0; c < PQnfields(r); ++c)
                line << QString::fromUtf8(PQgetvalue(r, row, c));
            *rows << line;
        }
        PQclear(r);
        return s;
    });
}

QString PgConnection::encryptedPassword(const QString& password, const QString& login) {
    if (!m_session->conn)
        return QString();
    char* hashed = PQencryptPasswordConn(m_session->conn, password.toUtf8().constData(), login.toUtf8().constData(), nullptr);
    const QString text = QString::fromUtf8(hashed ? hashed : "");
    PQfreemem(hashed);
    return text;
}

QString PgConnection::changeRefusal(const QString& table) {
    PgSession& session = *m_session;
    if (session.rightsGeneration != session.generation) {
        QList<QStringList> rows;
        const Status s = queryNative(QStringLiteral("SELECT c.relname FROM pg_class c WHERE c.relkind = 'r' "
                                                    "AND c.relnamespace = current_schema()::regnamespace AND NOT ("
                                                    "has_table_privilege(c.oid, 'INSERT') AND has_table_privilege(c.oid, 'UPDATE') "
                                                    "AND has_table_privilege(c.oid, 'DELETE'))"),
                                     {}, &rows);
        // Unanswered, the forms stay writable and the server refuses what is not the login's.
        if (!s)
            return QString();
        session.unchangeable.clear();
        for (const QStringList& r : rows)
            session.unchangeable << r.value(0);
        session.rightsGeneration = session.generation;
    }
    return session.unchangeable.contains(table.toLower()) ? PgRoles::changeRefusal(session.login, table) : QString();
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

Status PgConnection::beginWrite(const QStringList& unitKeys) {
    Status s = exec(QStringLiteral("BEGIN"));
    if (!s || unitKeys.isEmpty())
        return s;
    // Every writer takes its keys in the same (sorted) order, so two writers
    // that each need two units never wait for each other in a circle.
    QStringList keys = unitKeys;
    keys.sort();
    keys.removeDuplicates();
    Status p;
    auto lock = prepare(QStringLiteral("SELECT pg_advisory_xact_lock(hashtextextended(CAST(? AS TEXT), 0))"), &p);
    for (const QString& key : keys) {
        if (!p)
            break;
        lock->bind(1, key);
        p = lock->run();
        lock->reset();
    }
    if (!p)
        exec(QStringLiteral("ROLLBACK"));
    return p;
}

Status PgConnection::beginRead() {
    return exec(QStringLiteral("BEGIN TRANSACTION ISOLATION LEVEL REPEATABLE READ READ ONLY"));
}

void PgConnection::setProgressCheck(std::function<bool()> stop) { m_session->stop = std::move(stop); }

bool PgConnection::anyWaiting() { return g_waiting > 0; }

void PgConnection::setTimeLimit(int seconds) { m_session->timeLimit = std::max(seconds, 0); }

int PgConnection::socket() const { return m_session->conn ? PQsocket(m_session->conn) : -1; }

int PgConnection::takeNotifications() {
    PGconn* conn = m_session->conn;
    if (conn && m_session->waiting)
        return 0;  // the statement under way reads the socket
    if (!conn || !PQconsumeInput(conn) || PQstatus(conn) != CONNECTION_OK)
        return -1;
    int n = 0;
    while (PGnotify* notify = PQnotifies(conn)) {
        PQfreemem(notify);
        ++n;
    }
    return n;
}

void PgConnection::interrupt() {
    m_session->interrupted = true;
    m_session->cancelRunning();
}
