#include "database/Maintenance.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include "database/Salvage.h"
#include "database/Schema.h"
#include "database/Database.h"

namespace Maintenance {
namespace {
Status integrity(Database& db, const QString& pragma = QStringLiteral("PRAGMA integrity_check")) {
    SqlStatement check(db, pragma);
    if (!check.status())
        return check.status();
    QStringList problems;
    while (check.next()) {
        const QString line = check.value(0).toString();
        if (line != QLatin1String("ok"))
            problems << line;
    }
    if (!check.status())
        return check.status();
    if (!problems.isEmpty())
        return Status::fail(QStringLiteral("The database is damaged: %1").arg(problems.mid(0, 3).join(QStringLiteral("; "))));
    return Status::ok();
}
}  // namespace

Status quickCheck(const QString& path) {
    Database db;
    Status s = db.open(path, Database::Mode::ReadOnly);
    if (!s)
        return s;  // the engine's own words: not a database, malformed
    return integrity(db, QStringLiteral("PRAGMA quick_check"));
}

Status repair(const QString& path) {
    Database db;
    Status s = db.open(path);
    if (!s)
        return s;
    if (integrity(db))
        return Status::ok();
    // Damaged indexes are rebuilt from the tables in place.
    s = db.exec(QStringLiteral("REINDEX"));
    if (s && integrity(db))
        return Status::ok();
    db.close();
    // REINDEX stops on a damaged index page, and a damaged table page is
    // beyond it: the file is rebuilt from the rows it can still read.
    Salvage::Outcome outcome;
    s = Salvage::rebuild(path, &outcome);
    if (!s)
        return Status::fail(QStringLiteral("The database is damaged and could not be repaired: %1").arg(s.error()));
    if (outcome.damagedTables.isEmpty())
        return Status::ok();
    QStringList losses;
    for (const Salvage::DamagedTable& t : outcome.damagedTables)
        losses << QStringLiteral("%1 of %2 could not be read and are not in the repaired database; its %3 readable row(s) are")
                      .arg(t.rowsLost < 0 ? QStringLiteral("Some rows") : QStringLiteral("%1 row(s)").arg(t.rowsLost), t.name)
                      .arg(t.rowsCopied);
    return Status::fail(QStringLiteral("The database was damaged. %1. The damaged file is kept as '%2'.")
                            .arg(losses.join(QStringLiteral(". ")), QDir::toNativeSeparators(outcome.keptDamagedFile)));
}

Status compact(const QString& source, const QString& target) { return compact(source, target, Progress()); }

namespace {
qint64 pragmaValue(Database& db, const char* pragma, Status* status) {
    SqlStatement st(db, QString::fromLatin1(pragma));
    const qint64 v = st.next() ? st.int64(0) : 0;
    if (!st.status() && status->isOk())
        *status = st.status();
    return v;
}

struct CompactWatch {
    QString target;
    qint64 pageSize = 4096;
    qint64 all = 0;
    const Progress* progress = nullptr;
    QElapsedTimer sinceReport;
};

// Called by the engine every few thousand steps of the compaction: reports
// the pages the target holds so far, a few times a second.
void reportCompaction(CompactWatch* w) {
    if (w->sinceReport.isValid() && w->sinceReport.elapsed() < 100)
        return;
    w->sinceReport.start();
    const qint64 done = qMin(w->all, QFileInfo(w->target).size() / w->pageSize);
    (*w->progress)(done, w->all);
}
}  // namespace

Status compact(const QString& source, const QString& target, const Progress& progress) {
    if (QFileInfo::exists(target))
        return Status::fail(QStringLiteral("File already exists: %1").arg(target));
    if (!QFileInfo(QFileInfo(target).absolutePath()).isDir())
        return Status::fail(QStringLiteral("Path not found: %1").arg(QFileInfo(target).absolutePath()));
    Database db;
    Status s = db.open(source, Database::Mode::ReadOnly);
    if (!s)
        return s;
    SqlStatement vacuum(db, QStringLiteral("VACUUM INTO ?"));
    if (!vacuum.status())
        return vacuum.status();
    vacuum.bind(1, target);
    CompactWatch watch;
    if (progress) {
        s = Status::ok();
        watch.target = target;
        watch.pageSize = qMax<qint64>(512, pragmaValue(db, "PRAGMA page_size", &s));
        watch.all = pragmaValue(db, "PRAGMA page_count", &s) - pragmaValue(db, "PRAGMA freelist_count", &s);
        watch.progress = &progress;
        progress(0, watch.all);
        db.setProgressCheck([&watch] {
            reportCompaction(&watch);
            return false;
        });
    }
    s = vacuum.run();
    db.setProgressCheck({});
    if (s && progress)
        progress(watch.all, watch.all);
    return s;
}

Status fileState(const QString& path, FileState* state) {
    *state = FileState();
    Database db;
    // Read-write: a journal left by an interrupted write is rolled back first.
    Status s = db.open(path);
    if (!s)
        return s;
    state->pages = pragmaValue(db, "PRAGMA page_count", &s);
    state->freePages = pragmaValue(db, "PRAGMA freelist_count", &s);
    // A file checked before the writes were counted has no such columns: it counts as never checked.
    SqlStatement mark(db, QStringLiteral("SELECT CheckedChange, CheckedPages, Writes, CheckedOn FROM Upkeep WHERE Id = 1"));
    if (mark.status() && mark.next()) {
        state->checked = true;
        state->checkedWrites = mark.int64(0);
        state->checkedPages = mark.int64(1);
        state->writes = mark.int64(2);
        state->fullCheck = QDateTime::fromString(mark.value(3).toString(), Qt::ISODate);
        mark.next();
    }
    return s;
}

Status markChecked(const QString& path) {
    Database db;
    Status s = db.open(path);
    if (!s)
        return s;
    s = db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (s)
        s = Schema::addUpkeep(db);
    // This transaction is one more write, counted when the file is closed:
    // the mark is that number, so a file nobody wrote to afterwards carries its own mark.
    SqlStatement mark(db, QStringLiteral("INSERT OR REPLACE INTO Upkeep (Id, CheckedChange, CheckedPages, Writes, CheckedOn) "
                                         "SELECT 1, w + 1, (SELECT page_count FROM pragma_page_count()), w, ? "
                                         "FROM (SELECT coalesce((SELECT Writes FROM Upkeep WHERE Id = 1), 0) AS w)"));
    if (s)
        s = mark.status();
    if (s) {
        mark.bind(1, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
        s = mark.run();
    }
    if (s)
        return db.exec(QStringLiteral("COMMIT"));
    db.exec(QStringLiteral("ROLLBACK"));
    return s;
}

Status fullCheck(const QString& path) {
    Database db;
    Status s = db.open(path, Database::Mode::ReadOnly);
    if (s)
        s = integrity(db);
    db.close();
    if (!s)
        return s;
    // The time is kept by a file already checked once (one without the record runs the whole sequence on exit).
    if (!db.open(path))
        return Status::ok();
    SqlStatement mark(db, QStringLiteral("UPDATE Upkeep SET CheckedOn = ? WHERE Id = 1"));
    mark.bind(1, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    mark.run();
    return Status::ok();
}

QString rowSummary(const QString& path) {
    Database db;
    if (!db.open(path, Database::Mode::ReadOnly))
        return QString();
    QStringList tables;
    SqlStatement names(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                                         "AND name NOT IN ('TableRows', 'Upkeep') ORDER BY name"));
    while (names.next())
        tables << names.value(0).toString();
    QStringList parts;
    for (const QString& t : tables) {
        SqlStatement count(db, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(t));
        parts << t + QLatin1Char('=') + (count.next() ? count.value(0).toString() : QStringLiteral("?"));
    }
    return parts.join(QLatin1Char(';'));
}

}  // namespace Maintenance
