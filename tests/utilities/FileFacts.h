#pragma once
// What the utility tests compare about a database file: its exact bytes, its rows per table, its integrity.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include "database/Maintenance.h"
#include "database/Database.h"

namespace FileFacts {

// A digest of the file's bytes; empty when there is no file.
inline QByteArray digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

inline QString rows(const QString& path) { return Maintenance::rowSummary(path); }

inline bool intact(const QString& path) {
    Database db;
    if (!db.open(path, Database::Mode::ReadOnly))
        return false;
    SqlStatement st(db, QStringLiteral("PRAGMA integrity_check"));
    return st.next() && st.value(0).toString() == QLatin1String("ok") && !st.next();
}

// The files in a folder, hidden ones (a cut copy's leftovers) included.
inline QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// Damages a database file the way a failing disk does. IndexPage: every byte
// of the first page of the index InspectionUnit is overwritten; TableLeaf: of
// the middle leaf page of InspectionRecord (*rows tells how many rows it held);
// Truncated: the file loses its second half; Emptied: all of it.
enum class Damage { IndexPage, TableLeaf, Truncated, Emptied };

inline bool damage(const QString& path, Damage kind, int* rows = nullptr) {
    QFile f(path);
    if (kind == Damage::Truncated || kind == Damage::Emptied)
        return f.resize(kind == Damage::Emptied ? 0 : f.size() / 2);
    qint64 page = 0, pageSize = 0;
    {
        Database db;
        if (!db.open(path, Database::Mode::ReadOnly))
            return false;
        SqlStatement root(db, kind == Damage::TableLeaf
            ? QStringLiteral("SELECT pageno, pgsize, ncell FROM dbstat WHERE name = ?1 AND pagetype = 'leaf' ORDER BY pageno "
                             "LIMIT 1 OFFSET (SELECT count(*) / 2 FROM dbstat WHERE name = ?1 AND pagetype = 'leaf')")
            : QStringLiteral("SELECT rootpage, (SELECT page_size FROM pragma_page_size), 0 FROM sqlite_master WHERE name = ?"));
        root.bind(1, kind == Damage::IndexPage ? QStringLiteral("InspectionUnit") : QStringLiteral("InspectionRecord"));
        if (!root.next())
            return false;
        page = root.int64(0);
        pageSize = root.int64(1);
        if (rows)
            *rows = int(root.int64(2));
    }
    if (page < 2 || !f.open(QIODevice::ReadWrite) || !f.seek((page - 1) * pageSize))
        return false;
    return f.write(QByteArray(int(pageSize), char(0xEE))) == pageSize;
}

// Leaves the file as a writer killed right after committing `sql` leaves it:
// the rows in the log beside the file, not yet in the file itself.
inline bool killedAfter(const QString& path, const QString& sql) {
    const QString saved = path + QStringLiteral(".killed");
    {
        Database writer;
        if (!writer.open(path) || !writer.exec(sql) || !QFile::copy(path, saved) ||
            !QFile::copy(path + QStringLiteral("-wal"), saved + QStringLiteral("-wal")))
            return false;
    }
    return QFile::remove(path) && QFile::rename(saved, path) && QFile::rename(saved + QStringLiteral("-wal"), path + QStringLiteral("-wal"));
}

// Changes one byte of a value where the table keeps it, and only there: its
// indexes disagree with the table, which the quick check does not look at.
inline bool alterStoredValue(const QString& path, const QString& table, const QByteArray& value) {
    qint64 pageSize = 0;
    QList<qint64> pages;
    {
        Database db;
        if (!db.open(path, Database::Mode::ReadOnly))
            return false;
        SqlStatement st(db, QStringLiteral("SELECT pageno, (SELECT page_size FROM pragma_page_size) FROM dbstat WHERE name = ?"));
        st.bind(1, table);
        while (st.next()) {
            pages << st.int64(0);
            pageSize = st.int64(1);
        }
    }
    QFile f(path);
    if (pageSize == 0 || !f.open(QIODevice::ReadWrite))
        return false;
    const QByteArray bytes = f.readAll();
    for (qint64 at = bytes.indexOf(value); at >= 0; at = bytes.indexOf(value, at + 1))
        if (pages.contains(at / pageSize + 1))
            return f.seek(at) && f.write(QByteArray(1, char(value.at(0) ^ 1))) == 1;
    return false;
}

}  // namespace FileFacts
