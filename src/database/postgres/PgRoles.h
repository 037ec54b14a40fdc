#pragma once
#include <QStringList>

#include "database/Database.h"

// Who may do what on a plant's server. Three group roles, shared by every
// database of the server cluster; each login is put in one of them:
//   varnex_station   reads everything, writes inspection rows (the trail records each change)
//   varnex_engineer  the station's rights and the six reference tables
//   varnex_admin     owns the tables, their functions and the audit trail:
//                    init, import, export
// What each role may do in a database is granted there, from one table.
namespace PgRoles {

enum class Role { Station, Engineer, Admin };
// "station", "engineer", "admin"; false for another word.
bool roleOf(const QString& word, Role* role);
QString groupName(Role role);  // "varnex_station", ...

// Makes the three roles when missing (another process making one at the same
// moment is no failure), gives this database's tables, sequences and
// functions to varnex_admin, and grants the station and engineer roles what
// the grants table says, every earlier grant of theirs revoked first. Runs in
// the caller's transaction; no harm when run again.
Status apply(Database& db);

// Whether a login (any role of the cluster) exists; *canLogin tells whether it may log in.
Status findLogin(Database& db, const QString& login, bool* exists, bool* canLogin);

// Makes the login when it is missing, with the password given (sent to the
// server encrypted), and puts it in the role and out of the other two, in one
// transaction. The name is quoted by the server as an identifier.
Status grant(Database& db, Role role, const QString& login, const QString& password);

// "LOGIN  ROLE" lines: every member of the three roles, by name.
Status logins(Database& db, QStringList* lines);

// The sentence for a statement the server refused for want of a right:
// what the login may not do, and whose login may.
// serverText: the server's message ("permission denied for table defects").
QString refusal(const QString& login, const QString& serverText, bool reading);
// The same for a table the login may read but not change (the forms' line).
QString changeRefusal(const QString& login, const QString& table);
// Why the login of a connection may not change a table, in one sentence;
// empty when it may (a file's user always may). Asked once per connection.
QString changeRefusal(Database& db, const QString& table);

}  // namespace PgRoles
