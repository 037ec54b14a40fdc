#pragma once
#include <limits>

#include <QString>
#include <QStringList>
#include <QVariant>

#include "database/Database.h"

// The audit trail: every insert, update and delete of an inspection row or of
// a reference-table row is written to the table AuditTrail by the database's
// own triggers, in the transaction of the change, whatever program made it.
//
// On the file the triggers write each entry as made outside Varnex; every
// connection the program opens adds a trigger of its own (a temporary one,
// living with the connection) that fills in who made it and seals the entry:
// its hash is SHA-256 over the link of the entry before and its own content.
// The link of a sealed entry is its hash; that of an entry without one (made
// outside Varnex, or brought from a server, which keeps its trail by its
// grants) is the hash of its content alone.
//
// Anyone who can copy the file can also recompute the chain, so its seal
// tells accidental damage and casual edits, not a determined forger: its
// length only sets the odds that such a change goes unseen (one in 2^64 with
// eight bytes), and a longer one would take more room than the row it records.
namespace AuditTrail {

// What an entry records, as its Action holds it.
enum class Action { Insert = 1, Update = 2, Delete = 3 };
constexpr int kHashBytes = 8;

// What a connection of this program records: the computer's user, the station
// ("station = NAME" in varnex.conf, else the host name) and the program;
// read as each connection opens.
struct Who {
    QString login;
    QString station;
    QString program;
};
Who who();

// The program written by the file's triggers when no Varnex connection fills it in.
QString outsideProgram();  // "outside Varnex"

// The tables whose changes are recorded, with the field that keys their rows.
struct Audited {
    const char* table;
    const char* key;
    QStringList fields;
};
const std::vector<Audited>& audited();
// A table's code in the trail (its place in audited(), from 1); 0 for another table.
int tableCode(const QString& table);

// The trail's table and triggers in a file (no harm when they exist).
// A trail of the first form (the time and the hash as text, who and the table
// by name in every entry) is rewritten in the present one: see AuditTrailUpgrade.cpp.
Status addToFile(Database& db);
Status upgradeFirstForm(Database& db);
// The file's trail tables and view (with the table codes' names), without triggers.
QString fileTablesSql(bool withNames);
// The trail's table and its triggers on the server, with its grants (in create()).
QString serverSql();

// A copy of whole tables into a database (its own trail included) is no
// change of their rows: the triggers are taken off the target for the copy,
// within its transaction, and put back after it.
Status suspend(Database& db);
Status resume(Database& db);

// The hash of an entry: the first kHashBytes of SHA-256 over the link before
// it (null for none) and the entry's fields, each length-prefixed so no two
// entries read alike.
QByteArray entryHash(const QVariant& previousLink, const QVariantList& fields);
// The nine fields an entry's hash covers, read from AuditTrail as ALIAS joined
// with AuditWho as w: its key, time, who (login, station, program), table
// code, the row's key, action and changes.
QString entrySql(const QString& alias);

// The trail read by a person, as the functions audit_time, audit_ms and
// audit_changes give it to the reports on both engines: an entry's time as
// "YYYY-MM-DD HH:MM:SS.mmm" (UTC); the first millisecond of an ISO day (UTC;
// kNoDay for no day); and the changes as "field: old → new; ..." (a deleted
// row's "field: old"), by field name.
QString timeText(qint64 ms);
constexpr qint64 kNoDay = std::numeric_limits<qint64>::min();
qint64 dayStart(const QString& isoDay);
QString changesText(const QString& changes);

// The chain checked from the first entry to the last.
struct Verdict {
    qint64 entries = 0;
    qint64 sealed = 0;
    qint64 unsealed = 0;       // made outside Varnex or brought from a server
    qint64 firstUnsealed = 0;  // its EntryID
    qint64 firstBroken = 0;    // 0: the chain is whole
    QString problem;           // what is wrong at firstBroken
    QString summary() const;   // one paragraph for the user
};
Status verify(Database& db, Verdict* verdict);
// Opens the file read-only and verifies it; a file made before the trail has none to check.
Status verifyFile(const QString& path, Verdict* verdict);

}  // namespace AuditTrail
