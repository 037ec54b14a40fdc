#pragma once
// What the utility tests compare about a database file before and after an
// operation: its exact bytes, its rows per table and its integrity.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include "database/Maintenance.h"
#include "database/Sqlite.h"

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
    SqliteDb db;
    if (!db.open(path, SqliteDb::Mode::ReadOnly))
        return false;
    SqlStatement st(db, QStringLiteral("PRAGMA integrity_check"));
    return st.next() && st.value(0).toString() == QLatin1String("ok") && !st.next();
}

// The entries of a folder, hidden ones included (a leftover temporary file
// of an interrupted copy would show here).
inline QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

}  // namespace FileFacts
