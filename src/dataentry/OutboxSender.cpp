#include "dataentry/OutboxSender.h"

#include <algorithm>

#include <QDir>
#include <QElapsedTimer>

#include "database/Refusal.h"
#include "database/Schema.h"
#include "database/postgres/PgConnection.h"
#include "database/postgres/PgSchema.h"
#include "monitor/AlarmCheck.h"
#include "platform/AppPaths.h"

namespace {
// A statement of the sending waits no longer than a Submit's.
constexpr int kTimeLimit = 10;

// A row kept while the server was away is checked once it is stored, as if
// submitted then: its alarm is raised for the day it was typed for. A check
// that fails leaves the stored row as it is, and says so on the console.
void checkRules(Database& db, const Outbox::Row& row) {
    auto field = [&](const char* name) { return row.fields.value(QLatin1String(name)).toString(); };
    const Status s = AlarmCheck::afterSubmit(db, {field("Facility"), field("Station"), field("ModelNumber"),
                                                  field("DefectCode"), QDate::fromString(field("Date"), Qt::ISODate)});
    if (!s)
        qWarning("varnex: the alarm rules could not be checked: %s", qPrintable(s.error()));
}
}  // namespace

OutboxSender::OutboxSender(const QString& outboxPath, const QString& server) : m_outbox(outboxPath), m_server(server) {
    m_timer.setInterval(kRetryMs);
    QObject::connect(&m_timer, &QTimer::timeout, this, &OutboxSender::tick);
    m_db.setTimeLimit(kTimeLimit);
    told();
}

OutboxSender::~OutboxSender() = default;

OutboxSender& OutboxSender::station() {
    static std::unique_ptr<OutboxSender> current;
    const QString path = QDir(AppPaths::folder()).filePath(Outbox::fileName());
    const QString server = Schema::isServer() ? Schema::databaseName() : QString();
    if (!current || current->m_outbox.path() != path || current->m_server != server)
        current = std::make_unique<OutboxSender>(path, server);
    return *current;
}

int OutboxSender::waiting() { return m_outbox.count(); }

QString OutboxSender::waitingWords(int count) {
    return QStringLiteral("%1 %2 waiting").arg(count).arg(count == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
}

void OutboxSender::told() {
    const int n = waiting();
    // Retried while rows wait that the server has not refused.
    QList<Outbox::Row> sendable;
    m_outbox.rows(&sendable, false);
    if (sendable.isEmpty())
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start();
    if (n != m_lastCount) {
        m_lastCount = n;
        emit waitingChanged(n);
    }
}

void OutboxSender::setAway(bool away) {
    if (away == m_away)
        return;
    m_away = away;
    emit reachabilityChanged(away);
}

Status OutboxSender::keep(const QVariantMap& fields, int provisional, QString* uid) {
    const Status s = m_outbox.add(fields, provisional, uid);
    told();
    return s;
}

int OutboxSender::provisionalNumber(const InspectedUnit& unit) {
    return std::min(m_seen.value(ReworkCounter::lockKey(unit)) + m_outbox.countOf(unit) + 1, ReworkCounter::maxCount);
}

void OutboxSender::sawStored(const InspectedUnit& unit, int number) { m_seen.insert(ReworkCounter::lockKey(unit), number); }

Status OutboxSender::openServer() {
    if (m_server.isEmpty())
        return Status::fail(QStringLiteral("This station works on a database file."));
    if (m_db.isOpen())
        return Status::ok();
    Status s = m_db.open(m_server);
    // A database made before stations kept rows gains the table of rows sent.
    if (s)
        s = PgSchema::addSentRows(m_db);
    if (!s)
        m_db.close();
    return s;
}

void OutboxSender::tick() {
    // Never in the middle of another statement's wait (a Submit holding a
    // unit's lock may be waiting beneath this call): next time.
    if (m_busy || PgConnection::anyWaiting())
        return;
    sendNow(200);
}

Status OutboxSender::sendNow(int budgetMs) {
    if (m_busy)
        return Status::ok();
    m_busy = true;
    QElapsedTimer clock;
    clock.start();
    QList<Outbox::Row> rows;
    Status s = m_outbox.rows(&rows, false);
    bool more = false;
    for (const Outbox::Row& row : rows) {
        if (budgetMs >= 0 && clock.elapsed() >= budgetMs) {
            more = true;
            break;
        }
        s = send(row);
        if (!s && s.isUnreachable())
            break;
        s = Status::ok();  // a refusal stays with its row
    }
    m_busy = false;
    told();
    if (more)
        QTimer::singleShot(0, this, &OutboxSender::tick);
    return s;
}

Status OutboxSender::sendRow(const QString& uid) {
    QList<Outbox::Row> rows;
    Status s = m_outbox.rows(&rows);
    for (const Outbox::Row& row : rows)
        if (row.uid == uid && s)
            s = send(row);
    told();
    return s;
}

Status OutboxSender::send(const Outbox::Row& row) {
    Status s = openServer();
    const InspectedUnit unit = row.unit();
    if (s)
        s = m_db.beginWrite(ReworkCounter::lockKey(unit));
    if (!s) {
        if (s.isUnreachable()) {
            m_db.close();
            setAway(true);
        }
        return s;
    }
    bool stored = false;
    SqlStatement seen(m_db, QStringLiteral("SELECT InspectionID FROM SentRow WHERE RowUid = ?"));
    seen.bind(1, row.uid);
    if (seen.next())
        stored = true;  // committed before: the outbox had not let go of it
    else
        s = seen.status();
    int number = 0;
    if (s && !stored) {
        QStringList names, marks;
        for (const QString& f : Outbox::fields()) {
            names << f;
            marks << QStringLiteral("?");
        }
        SqlStatement insert(m_db, QStringLiteral("INSERT INTO InspectionRecord (%1) VALUES (%2)")
                                      .arg(names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        for (int i = 0; i < names.size(); ++i)
            insert.bind(i + 1, row.fields.value(names[i]));
        s = insert.status() ? insert.run() : insert.status();
        const qint64 id = m_db.lastInsertRowId();
        // Numbered here, among the unit's rows as the server holds them now.
        if (s)
            s = ReworkCounter::count(m_db, unit, id, &number);
        if (s)
            s = ReworkCounter::store(m_db, id, number);
        if (s) {
            SqlStatement record(m_db, QStringLiteral("INSERT INTO SentRow (RowUid, InspectionID) VALUES (?, ?) RETURNING RowUid"));
            record.bind(1, row.uid);
            record.bind(2, id);
            s = record.status() ? record.run() : record.status();
        }
    }
    if (s && onStep)
        onStep("committing");
    if (s)
        s = m_db.exec(stored ? QStringLiteral("ROLLBACK") : QStringLiteral("COMMIT"));
    else
        m_db.exec(QStringLiteral("ROLLBACK"));
    if (!s) {
        if (s.isUnreachable()) {
            m_db.close();
            setAway(true);
            return s;
        }
        setAway(false);
        const QString reason = Refusal::describe(s.error(), [&](const QString& field) {
            for (auto it = row.fields.begin(); it != row.fields.end(); ++it)
                if (it.key().compare(field, Qt::CaseInsensitive) == 0)
                    return it.value();
            return QVariant();
        });
        m_outbox.refuse(row.uid, reason);
        return Status::fail(reason);
    }
    setAway(false);
    if (onStep)
        onStep("committed");
    if (!stored) {
        m_sent.insert(row.uid, number);
        sawStored(unit, number);
        checkRules(m_db, row);
    }
    return m_outbox.remove(row.uid);
}
