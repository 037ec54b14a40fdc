#include "database/Maintenance.h"

#include <QFileInfo>

#include "database/Sqlite.h"

namespace Maintenance {
namespace {
Status integrity(SqliteDb& db, const QString& pragma = QStringLiteral("PRAGMA integrity_check")) {
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
    SqliteDb db;
    Status s = db.open(path, SqliteDb::Mode::ReadOnly);
    if (!s)
        return s;  // the engine's own words: not a database, malformed
    return integrity(db, QStringLiteral("PRAGMA quick_check"));
}

Status repair(const QString& path) {
    SqliteDb db;
    Status s = db.open(path);
    if (!s)
        return s;
    if (integrity(db))
        return Status::ok();
    // Damaged indexes are rebuilt from the tables; damaged tables cannot be.
    s = db.exec(QStringLiteral("REINDEX"));
    if (!s)
        return Status::fail(QStringLiteral("The database is damaged and could not be repaired: %1").arg(s.error()));
    s = integrity(db);
    if (!s)
        return Status::fail(QStringLiteral("The database could not be repaired. %1").arg(s.error()));
    return Status::ok();
}

Status compact(const QString& source, const QString& target) {
    if (QFileInfo::exists(target))
        return Status::fail(QStringLiteral("File already exists: %1").arg(target));
    if (!QFileInfo(QFileInfo(target).absolutePath()).isDir())
        return Status::fail(QStringLiteral("Path not found: %1").arg(QFileInfo(target).absolutePath()));
    SqliteDb db;
    Status s = db.open(source, SqliteDb::Mode::ReadOnly);
    if (!s)
        return s;
    SqlStatement vacuum(db, QStringLiteral("VACUUM INTO ?"));
    if (!vacuum.status())
        return vacuum.status();
    vacuum.bind(1, target);
    return vacuum.run();
}

QString rowSummary(const QString& path) {
    SqliteDb db;
    if (!db.open(path, SqliteDb::Mode::ReadOnly))
        return QString();
    QStringList tables;
    SqlStatement names(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name"));
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
