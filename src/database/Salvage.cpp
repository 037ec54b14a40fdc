#include "database/Salvage.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <limits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "database/Database.h"
#include "database/StationDays.h"
#include "platform/FileSystem.h"

namespace Salvage {
namespace {

QString quoted(const QString& name) { return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"'); }

struct SchemaEntry {
    QString type, name, table, sql;
};

// Where a scan in rowid order can go on after a damaged page: the first rowid
// from which a seek no longer meets the damage. Seeks past a damaged page work
// again, so the edge is found by doubling, then halving, the step.
enum class Probe { Row, End, Damaged };

class Scanner {
public:
    Scanner(Database& db, const QString& table)
        : m_seek(db, QStringLiteral("SELECT rowid FROM %1 NOT INDEXED WHERE rowid >= ? ORDER BY rowid LIMIT 1").arg(quoted(table))) {}

    Probe probe(qint64 from) {
        m_seek.reset();
        m_seek.bind(1, from);
        if (m_seek.next())
            return Probe::Row;
        return m_seek.status() ? Probe::End : Probe::Damaged;
    }

    // The first rowid from which a seek works again (the rows before it,
    // from `bad` on, are lost), or false when no seek after `bad` works.
    bool edgeAfter(qint64 bad, qint64* good) {
        qint64 step = 1;
        Probe p = Probe::Damaged;
        while (step > 0 && bad <= std::numeric_limits<qint64>::max() - step && (p = probe(bad + step)) == Probe::Damaged)
            step *= 2;
        if (p == Probe::Damaged)
            return false;
        *good = bad + step;
        bad += step / 2;
        while (*good - bad > 1) {
            const qint64 mid = bad + (*good - bad) / 2;
            (probe(mid) == Probe::Damaged ? bad : *good) = mid;
        }
        return true;
    }

private:
    SqlStatement m_seek;
};

// The rows the damaged file claims for a table, counted through any of its
// indexes that can still be read; -1 when none can.
qint64 claimedRows(Database& db, const QString& table, const QList<SchemaEntry>& schema) {
    qint64 best = -1;
    for (const SchemaEntry& e : schema) {
        if (e.type != QLatin1String("index") || e.table.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        SqlStatement count(db, QStringLiteral("SELECT count(*) FROM %1 INDEXED BY %2").arg(quoted(table), quoted(e.name)));
        if (count.next() && count.status())
            best = qMax(best, count.int64(0));
    }
    return best;
}

// Copies the readable rows of one table in rowid order; a damaged page is
// stepped over. Returns the rows copied; *damaged tells whether any page was.
Status copyRows(Database& from, Database& to, const QString& table, qint64* copied, bool* damaged) {
    SqlStatement read(from, QStringLiteral("SELECT rowid, * FROM %1 NOT INDEXED WHERE rowid >= ? ORDER BY rowid").arg(quoted(table)));
    if (!read.status())
        return read.status();
    const int columns = read.columnCount() - 1;
    QStringList marks;
    for (int i = 0; i < columns; ++i)
        marks << QStringLiteral("?");
    SqlStatement write(to, QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(quoted(table), marks.join(QLatin1Char(','))));
    if (!write.status())
        return write.status();
    Scanner scanner(from, table);
    constexpr qint64 kLast = std::numeric_limits<qint64>::max();
    qint64 next = std::numeric_limits<qint64>::min();  // the scan goes on from here
    for (;;) {
        read.reset();
        read.bind(1, next);
        while (read.next()) {
            const qint64 rowid = read.int64(0);
            write.reset();
            for (int c = 0; c < columns; ++c)
                write.bindColumnOf(c + 1, read, c + 1);
            const Status s = write.run();
            if (!s)
                return s;
            ++*copied;
            if (rowid == kLast)
                return Status::ok();
            next = rowid + 1;
        }
        if (read.status())
            return Status::ok();
        *damaged = true;
        if (!scanner.edgeAfter(next, &next) || scanner.probe(next) == Probe::End)
            return Status::ok();
    }
}

// The row counts a file keeps in TableRows (when it has them) made those of the rows it holds.
Status recountKeptRows(Database& db) {
    SqlStatement kept(db, QStringLiteral("SELECT TableName FROM TableRows"));
    if (!kept.status())
        return Status::ok();
    QStringList tables;
    while (kept.next())
        tables << kept.value(0).toString();
    for (const QString& table : tables) {
        SqlStatement count(db, QStringLiteral("UPDATE TableRows SET Rows = (SELECT count(*) FROM %1) WHERE TableName = ?").arg(quoted(table)));
        count.bind(1, table);
        if (const Status s = count.run(); !s)
            return s;
    }
    return kept.status();
}

QString describe(const char* what, const QString& path, int err) {
    return QStringLiteral("%1 '%2': %3").arg(QLatin1String(what), QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(err)));
}

}  // namespace

Status rebuild(const QString& path, Outcome* outcome) {
    *outcome = Outcome();
    Database from;
    Status s = from.open(path, Database::Mode::ReadOnly);
    if (!s)
        return s;
    QList<SchemaEntry> schema;
    {
        SqlStatement list(from, QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY rowid"));
        while (list.next())
            schema << SchemaEntry{list.value(0).toString(), list.value(1).toString(), list.value(2).toString(), list.value(3).toString()};
        if (!list.status())
            return Status::fail(QStringLiteral("The list of tables cannot be read: %1").arg(list.status().error()));
    }

    // The new file: beside the damaged one, named like an unfinished copy so
    // that a rebuild cut short is cleared away by the next compaction.
    const QFileInfo info(FileSystem::realFile(path));
    QByteArray name = QFile::encodeName(FileSystem::temporaryPattern(info.filePath()));
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return Status::fail(describe("Cannot write", info.absolutePath(), errno));
    ::close(fd);
    const QString fresh = QFile::decodeName(name);
    struct Cleanup {
        QString path;
        ~Cleanup() {
            if (!path.isEmpty())
                ::unlink(QFile::encodeName(path).constData());
        }
    } cleanup{fresh};

    {
        Database to;
        s = to.open(fresh, Database::Mode::Create);
        if (s)
            s = to.exec(QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN"));
        // Tables first, then their rows, then the indexes built from the rows.
        for (const SchemaEntry& e : schema)
            if (s && e.type == QLatin1String("table") && !e.name.startsWith(QLatin1String("sqlite_")))
                s = to.exec(e.sql);
        for (const SchemaEntry& e : schema) {
            if (!s || e.type != QLatin1String("table") || e.name.startsWith(QLatin1String("sqlite_")))
                continue;
            qint64 copied = 0;
            bool damaged = false;
            s = copyRows(from, to, e.name, &copied, &damaged);
            // A damaged page of the table itself, or rows that an index
            // still counts but the scan could not reach.
            const qint64 claimed = claimedRows(from, e.name, schema);
            if (claimed < 0 ? damaged : claimed > copied)
                outcome->damagedTables << DamagedTable{e.name, copied, claimed < 0 ? -1 : claimed - copied};
        }
        // What the file keeps of its rows is counted from the rows it still holds.
        if (s)
            s = recountKeptRows(to);
        if (s)
            s = StationDays::recount(to);
        // The numbering of AUTOINCREMENT keys goes on where it stood.
        if (s) {
            SqlStatement seq(from, QStringLiteral("SELECT name, seq FROM sqlite_sequence"));
            SqlStatement update(to, QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1"));
            while (seq.isPrepared() && seq.next()) {
                update.reset();
                update.bind(1, seq.value(0));
                update.bind(2, seq.value(1));
                update.run();
            }
        }
        for (const QString type : {QStringLiteral("index"), QStringLiteral("trigger"), QStringLiteral("view")})
            for (const SchemaEntry& e : schema)
                if (s && e.type == type)
                    s = to.exec(e.sql);
        if (s)
            s = to.exec(QStringLiteral("COMMIT"));
        if (s) {
            SqlStatement check(to, QStringLiteral("PRAGMA integrity_check"));
            if (!check.next() || check.value(0).toString() != QLatin1String("ok"))
                s = Status::fail(QStringLiteral("The rebuilt database does not pass its check: %1").arg(check.value(0).toString()));
        }
        if (!s)
            return Status::fail(QStringLiteral("The database could not be rebuilt: %1").arg(s.error()));
    }
    from.close();
    QFile::setPermissions(fresh, QFileInfo(path).permissions());

    // Rows were lost: the damaged file stays beside the new one (a second
    // name for it, so the live name is never missing).
    if (!outcome->damagedTables.isEmpty()) {
        const QString kept = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-damaged-") +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) + QLatin1Char('.') + info.suffix();
        if (::link(QFile::encodeName(info.filePath()).constData(), QFile::encodeName(kept).constData()) != 0 &&
            !QFile::copy(info.filePath(), kept))
            return Status::fail(describe("Cannot keep the damaged file as", kept, errno ? errno : EIO));
        outcome->keptDamagedFile = kept;
    }
    const Status replaced = FileSystem::replaceFile(fresh, info.filePath());
    if (replaced || !QFileInfo::exists(fresh))
        cleanup.path.clear();
    return replaced;
}

}  // namespace Salvage
