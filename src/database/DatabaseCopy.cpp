#include "database/DatabaseCopy.h"

#include <limits>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "database/AuditTrail.h"
#include "database/Schema.h"
#include "platform/FileSystem.h"

namespace DatabaseCopy {
namespace {

// A table as it is copied: the key it is read along, its columns, and the
// pass code a new database holds in it (the code column and value).
struct Table {
    const char* name;
    const char* key;  // InspectionID and EmployeeID are copied; the code tables' rowid is not
    std::vector<const char*> columns;
    const char* passColumn = nullptr;
    QString passCode;
    bool addedLater = false;  // a database made before it has none to bring
};

const std::vector<Table>& tableList() {
    static const std::vector<Table> list = {
        {"defects", "rowid", {"defectcode", "defectdescription"}, "defectcode", Schema::passDefect()},
        {"Parts", "rowid", {"partnum", "partdescription"}, "partnum", Schema::passPart()},
        {"Model", "rowid", {"ModelNumber", "ModelDescription"}},
        {"location", "rowid", {"locationcode", "location description"}, "locationcode", Schema::passLocation()},
        {"Station", "rowid", {"StationID", "Station Description"}},
        {"Employees", "EmployeeID", {"EmployeeID", "EmployeeNum", "FirstName", "LastName"}},
        {"InspectionRecord", "InspectionID",
         {"InspectionID", "Facility", "ModelNumber", "SerialNum", "InspectorNum", "Date", "Station", "PartNum",
          "DefectCode", "LocationCode", "InspNum", "IDate", "OperatorNum", "ODate", "ReworkNum", "Notes"}},
        {"AuditTrail", "EntryID",
         {"EntryID", "At", "WhoID", "TableCode", "KeyID", "KeyCode", "Action", "Changes", "Hash"}},
        {"AuditWho", "WhoID", {"WhoID", "Login", "Station", "Program"}},
        {"ControlLimit", "LimitID",
         {"LimitID", "Facility", "Station", "ModelNumber", "BaselineBegin", "BaselineEnd", "PBar", "Days", "Units", "Rule1",
          "Rule2", "Rule3", "Rule4", "Rule4Count", "Rule4Units", "SetBy", "SetAt"}, nullptr, QString(), true},
        {"Alarm", "AlarmID",
         {"AlarmID", "Facility", "Station", "ModelNumber", "Rule", "PeriodDate", "Message", "RaisedAt", "AckBy", "AckAt",
          "Cause", "Action", "Observed", "Threshold", "LimitID"}, nullptr, QString(), true},
    };
    return list;
}

// Rows read and written per statement: a server answers each statement over
// the network, so one statement carries many rows.
constexpr int kBatch = 250;

QString column(const char* name) {
    const QString n = QString::fromLatin1(name);
    return n.contains(QLatin1Char(' ')) ? QLatin1Char('[') + n + QLatin1Char(']') : n;
}

QString insertSql(const Table& t, int rows) {
    QStringList names;
    for (const char* c : t.columns)
        names << column(c);
    const QString one = QLatin1Char('(') + QStringList(int(t.columns.size()), QStringLiteral("?")).join(QStringLiteral(", ")) +
                        QLatin1Char(')');
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(QString::fromLatin1(t.name), names.join(QStringLiteral(", ")),
             QStringList(rows, one).join(QStringLiteral(", ")));
}

// Writes buffered rows with one statement per batch.
class BatchWriter {
public:
    BatchWriter(Database& db, const Table& t) : m_db(db), m_table(t) {}

    Status add(const SqlStatement& read) {
        for (int i = 0; i < int(m_table.columns.size()); ++i)
            m_values << read.value(i + 1);
        return ++m_rows == kBatch ? flush() : Status::ok();
    }

    Status flush() {
        if (m_rows == 0)
            return Status::ok();
        SqlStatement partial;
        SqlStatement* st = &m_full;
        if (m_rows != kBatch) {
            partial.prepare(m_db, insertSql(m_table, m_rows));
            st = &partial;
        } else if (!m_full.isPrepared()) {
            m_full.prepare(m_db, insertSql(m_table, kBatch));
        }
        if (!st->status())
            return st->status();
        st->reset();
        for (int i = 0; i < m_values.size(); ++i)
            st->bind(i + 1, m_values[i]);
        m_values.clear();
        m_rows = 0;
        return st->run();
    }

private:
    Database& m_db;
    const Table& m_table;
    SqlStatement m_full;
    QVariantList m_values;
    int m_rows = 0;
};

// The last key a table's counter handed out (0 when none), so that keys of
// deleted rows are not handed out again by the copy.
qint64 keyCounter(Database& db, const Table& t, Status* status) {
    SqlStatement st;
    if (db.isServer()) {
        SqlStatement name(db, QStringLiteral("SELECT pg_get_serial_sequence(?, ?)"));
        name.bind(1, QString::fromLatin1(t.name));
        name.bind(2, QString::fromLatin1(t.key).toLower());
        const QString sequence = name.next() ? name.value(0).toString() : QString();
        if (!name.status()) {
            *status = name.status();
            return 0;
        }
        st.prepare(db, QStringLiteral("SELECT pg_sequence_last_value(?)"));
        st.bind(1, sequence);
    } else {
        st.prepare(db, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?"));
        st.bind(1, QString::fromLatin1(t.name));
    }
    const qint64 n = st.next() ? st.value(0).toLongLong() : 0;
    if (!st.status())
        *status = st.status();
    return n;
}

Status setKeyCounter(Database& db, const Table& t, qint64 last) {
    if (last <= 0)
        return Status::ok();
    if (db.isServer()) {
        SqlStatement st(db, QStringLiteral("SELECT setval(pg_get_serial_sequence(?, ?), ?)"));
        st.bind(1, QString::fromLatin1(t.name));
        st.bind(2, QString::fromLatin1(t.key).toLower());
        st.bind(3, last);
        return st.run();
    }
    SqlStatement update(db, QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = ?"));
    update.bind(1, last);
    update.bind(2, QString::fromLatin1(t.name));
    Status s = update.run();
    if (s && db.changes() == 0) {
        SqlStatement insert(db, QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"));
        insert.bind(1, QString::fromLatin1(t.name));
        insert.bind(2, last);
        s = insert.run();
    }
    return s;
}

Status copyTable(Database& from, Database& to, const Table& t, qint64* rows) {
    QStringList names;
    for (const char* c : t.columns)
        names << column(c);
    const QString key = QString::fromLatin1(t.key);
    // Along the key in batches: the source is never read whole into memory,
    // and the code tables' rows arrive in the order they were added.
    SqlStatement read(from, QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 > ? ORDER BY %1 LIMIT %4")
                                .arg(key, names.join(QStringLiteral(", ")), QString::fromLatin1(t.name))
                                .arg(kBatch));
    if (!read.status())
        return read.status();
    BatchWriter writer(to, t);
    qint64 last = std::numeric_limits<qint64>::min();
    for (;;) {
        read.reset();
        read.bind(1, last);
        int n = 0;
        while (read.next()) {
            last = read.int64(0);
            ++n;
            if (const Status s = writer.add(read); !s)
                return s;
        }
        if (!read.status())
            return read.status();
        *rows += n;
        if (n < kBatch)
            break;
    }
    if (const Status s = writer.flush(); !s)
        return s;
    if (key == QLatin1String("rowid"))
        return Status::ok();
    Status s;
    const qint64 counter = keyCounter(from, t, &s);
    if (!s)
        return s;
    return setKeyCounter(to, t, std::max(counter, *rows ? last : 0));
}

bool isTrail(const Table& t) { return qstrcmp(t.name, "AuditTrail") == 0 || qstrcmp(t.name, "AuditWho") == 0; }

Status copyAll(Database& from, Database& to, Counts* counts) {
    if (Status s = checkEmpty(to); !s)
        return s;
    // The copy brings the source's rows with the source's trail: the target
    // records none of it, and the entries of its own pass codes give way
    // with them.
    if (Status s = AuditTrail::suspend(to); !s)
        return s;
    // The pass codes of a new database give way to the source's own rows.
    for (const Table& t : tableList())
        if (t.passColumn || isTrail(t))
            if (Status s = to.exec(QStringLiteral("DELETE FROM %1").arg(QString::fromLatin1(t.name))); !s)
                return s;
    for (const Table& t : tableList()) {
        qint64 rows = 0;
        // A file made before the trail has none to bring.
        Status s;
        if (((isTrail(t) && !from.isServer()) || t.addedLater) && !Schema::hasTable(from, QString::fromLatin1(t.name), &s) && s)
            continue;
        if (s)
            s = copyTable(from, to, t, &rows);
        if (!s)
            return s;
        // Who made the entries is part of the trail, not a table of its own to the user.
        if (counts && qstrcmp(t.name, "AuditWho") != 0)
            counts->push_back({QString::fromLatin1(t.name), rows});
    }
    return AuditTrail::resume(to);
}

}  // namespace

const QStringList& tables() {
    static const QStringList names = [] {
        QStringList n;
        for (const Table& t : tableList())
            n << QString::fromLatin1(t.name);
        return n;
    }();
    return names;
}

bool hasSchema(Database& db, Status* status) { return Schema::hasTable(db, QStringLiteral("InspectionRecord"), status); }

Status checkEmpty(Database& db) {
    for (const Table& t : tableList()) {
        if (isTrail(t))
            continue;  // it records the pass codes' own arrival
        SqlStatement st(db, t.passColumn ? QStringLiteral("SELECT 1 FROM %1 WHERE %2 <> ? LIMIT 1")
                                               .arg(QString::fromLatin1(t.name), QString::fromLatin1(t.passColumn))
                                         : QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(QString::fromLatin1(t.name)));
        if (t.passColumn)
            st.bind(1, t.passCode);
        const bool holds = st.next();
        if (!st.status())
            return st.status();
        if (holds) {
            st.next();
            return Status::fail(QStringLiteral("The database is not empty: %1 holds rows. Rows are copied only into an "
                                               "empty database; nothing was copied.")
                                    .arg(QString::fromLatin1(t.name)));
        }
    }
    return Status::ok();
}

Status copy(Database& from, Database& to, Counts* counts) {
    Counts copied;
    Status s = from.beginRead();
    if (!s)
        return s;
    s = to.beginWrite();
    if (!s) {
        from.exec(QStringLiteral("ROLLBACK"));
        return s;
    }
    s = copyAll(from, to, &copied);
    if (s)
        s = to.exec(QStringLiteral("COMMIT"));
    if (!s)
        to.exec(QStringLiteral("ROLLBACK"));
    from.exec(QStringLiteral("ROLLBACK"));
    // A server plans its queries from statistics that a bulk copy leaves empty
    // until its own maintenance comes round: gather them now, so the first
    // stations do not read a million rows to show forty. They only make plans
    // faster, so a failure here stops nothing.
    if (s && to.isServer())
        to.exec(QStringLiteral("ANALYZE"));
    if (s && counts)
        *counts = copied;
    return s;
}

Status toFile(Database& from, const QString& path, bool replace, Counts* counts) {
    const QFileInfo target(FileSystem::realFile(path));
    if (!replace && target.exists())
        return Status::fail(QStringLiteral("File already exists: %1").arg(QDir::toNativeSeparators(path)));
    if (!QFileInfo(target.absolutePath()).isDir())
        return Status::fail(QStringLiteral("Path not found '%1'").arg(QDir::toNativeSeparators(target.absolutePath())));
    if (target.isDir())
        return Status::fail(QStringLiteral("Cannot write '%1': Is a directory").arg(QDir::toNativeSeparators(path)));
    // The unfinished file of a run that was cut short has the name pattern
    // of an unfinished copy, and goes the same way.
    FileSystem::removeUnfinishedCopies(path);
    QTemporaryFile partial(FileSystem::temporaryPattern(target.filePath()));
    if (!partial.open())
        return Status::fail(QStringLiteral("Cannot write '%1': %2").arg(QDir::toNativeSeparators(target.absolutePath()),
                                                                       partial.errorString()));
    partial.close();
    partial.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                           QFileDevice::ReadOther);
    Status s;
    {
        Database db;
        s = db.open(partial.fileName(), Database::Mode::Create);
        // The file is thrown away unless it is completed, and made durable
        // before it is renamed into place: it needs no journal of its own.
        if (s)
            s = db.exec(QStringLiteral("PRAGMA journal_mode=OFF"));
        if (s)
            s = db.exec(QStringLiteral("PRAGMA synchronous=OFF"));
        if (s)
            s = Schema::create(db);
        if (s)
            s = copy(from, db, counts);
    }
    if (!s)
        return s;
    if (!replace && target.exists())
        return Status::fail(QStringLiteral("File already exists: %1").arg(QDir::toNativeSeparators(path)));
    s = FileSystem::replaceFile(partial.fileName(), path);
    if (s)
        partial.setAutoRemove(false);
    return s;
}

QString describe(const Counts& counts) {
    QString text;
    for (const TableRows& c : counts)
        text += QStringLiteral("%1 %2\n").arg(c.table, -16).arg(c.rows);
    return text;
}

}  // namespace DatabaseCopy
