#include "database/postgres/PgRoles.h"

#include <QRegularExpression>

#include "database/postgres/PgConnection.h"

namespace PgRoles {

namespace {

const char* const kGroups[] = {"varnex_station", "varnex_engineer", "varnex_admin"};
const char* const kWords[] = {"station", "engineer", "admin"};

const char* const kWrite = "SELECT, INSERT, UPDATE, DELETE";

// The grants: each table, and what the station and engineer roles may do
// with it. varnex_admin owns every table. The row counter and the trail are
// written by triggers that run as their owner, so no role writes them itself.
const struct {
    const char* table;
    const char* station;
    const char* engineer;
} kGrants[] = {
    {"inspectionrecord", kWrite, kWrite},
    {"defects", "SELECT", kWrite},
    {"parts", "SELECT", kWrite},
    {"model", "SELECT", kWrite},
    {"location", "SELECT", kWrite},
    {"station", "SELECT", kWrite},
    {"employees", "SELECT", kWrite},
    {"tablerows", "SELECT", "SELECT"},
    {"stationday", "SELECT", "SELECT"},
    {"upkeep", "SELECT", "SELECT"},
    {"audittrail", "SELECT", "SELECT"},
    {"auditwho", "SELECT", "SELECT"},
    {"audittables", "SELECT", "SELECT"},
    {"auditentries", "SELECT", "SELECT"},
    {"alarm", "SELECT, INSERT, UPDATE", kWrite},
    {"controllimit", "SELECT", "SELECT, INSERT"},
    {"sentrow", "SELECT, INSERT", "SELECT, INSERT"},
};

// The trigger functions that write for the login: they run as their owner.
const char* const kDefiners[] = {"varnex_rows_added()", "varnex_rows_removed()", "varnex_audit()"};

// The words a refusal names a table by, and whose login may change it.
const struct {
    const char* table;
    const char* words;
    const char* whoMay;
} kTableWords[] = {
    {"inspectionrecord", "Inspection", "a station's or a quality engineer's login may"},
    {"defects", "Defect", "a quality engineer's login may"},
    {"parts", "Part", "a quality engineer's login may"},
    {"model", "Model", "a quality engineer's login may"},
    {"location", "Location", "a quality engineer's login may"},
    {"station", "Station", "a quality engineer's login may"},
    {"employees", "Employee", "a quality engineer's login may"},
};

PgConnection* serverOf(Database& db) { return dynamic_cast<PgConnection*>(db.engine()); }

// The roles, made when missing. Two processes may make the same role at the
// same moment (every database of the cluster shares them): the one that
// comes second finds it made.
QString rolesSql() {
    QStringList names;
    for (const char* g : kGroups)
        names << QStringLiteral("'%1'").arg(QLatin1String(g));
    return QStringLiteral(R"SQL(
DO $$
DECLARE
  r text;
BEGIN
  FOREACH r IN ARRAY ARRAY[%1] LOOP
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = r) THEN
      BEGIN
        EXECUTE format('CREATE ROLE %I NOLOGIN', r);
      EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL;
      END;
    END IF;
  END LOOP;
  -- The login that sets the database up owns it through varnex_admin.
  IF NOT pg_has_role(current_user, 'varnex_admin', 'MEMBER') THEN
    BEGIN
      EXECUTE format('GRANT varnex_admin TO %I', current_user);
    EXCEPTION WHEN unique_violation THEN NULL;
    END;
  END IF;
  IF NOT has_schema_privilege('varnex_admin', current_schema(), 'CREATE') THEN
    EXECUTE format('GRANT USAGE, CREATE ON SCHEMA %I TO varnex_admin', current_schema());
  END IF;
END $$;
)SQL")
        .arg(names.join(QStringLiteral(", ")));
}

// Ownership and grants of this database's objects (a table an older server
// lacks is passed over).
QString grantsSql() {
    QString sql = QStringLiteral(R"SQL(
DO $$
DECLARE
  o regclass;
  f regprocedure;
BEGIN
  FOR f IN SELECT p.oid FROM pg_proc p WHERE p.pronamespace = current_schema()::regnamespace
                                         AND p.proowner <> 'varnex_admin'::regrole LOOP
    EXECUTE format('ALTER FUNCTION %s OWNER TO varnex_admin', f);
  END LOOP;
)SQL");
    for (const auto& g : kGrants)
        sql += QStringLiteral(
                   "  o := to_regclass('%1');\n"
                   "  IF o IS NOT NULL THEN\n"
                   "    EXECUTE format('ALTER TABLE %s OWNER TO varnex_admin', o);\n"
                   "    EXECUTE format('REVOKE ALL ON %s FROM PUBLIC, varnex_station, varnex_engineer', o);\n"
                   "    EXECUTE format('GRANT %2 ON %s TO varnex_station', o);\n"
                   "    EXECUTE format('GRANT %3 ON %s TO varnex_engineer', o);\n"
                   "  END IF;\n")
                   .arg(QLatin1String(g.table), QLatin1String(g.station), QLatin1String(g.engineer));
    // The key counters are read by a backup or an export; inserts take keys without a grant.
    sql += QStringLiteral(R"SQL(
  FOR o IN SELECT c.oid FROM pg_class c WHERE c.relnamespace = current_schema()::regnamespace AND c.relkind = 'S' LOOP
    EXECUTE format('GRANT SELECT ON SEQUENCE %s TO varnex_station, varnex_engineer', o);
  END LOOP;
)SQL");
    for (const char* f : kDefiners)
        sql += QStringLiteral("  IF to_regprocedure('%1') IS NOT NULL THEN\n"
                              "    EXECUTE format('ALTER FUNCTION %1 SECURITY DEFINER SET search_path = %I, pg_temp', current_schema());\n"
                              "  END IF;\n")
                   .arg(QLatin1String(f));
    return sql + QStringLiteral("END $$;\n");
}

}  // namespace

bool roleOf(const QString& word, Role* role) {
    for (int i = 0; i < 3; ++i)
        if (word == QLatin1String(kWords[i])) {
            *role = Role(i);
            return true;
        }
    return false;
}

QString groupName(Role role) { return QString::fromLatin1(kGroups[int(role)]); }

Status apply(Database& db) {
    PgConnection* pg = serverOf(db);
    if (!pg)
        return Status::fail(QStringLiteral("The database is not a server."));
    Status s = pg->execNative(rolesSql());
    return s ? pg->execNative(grantsSql()) : s;
}

Status findLogin(Database& db, const QString& login, bool* exists, bool* canLogin) {
    PgConnection* pg = serverOf(db);
    if (!pg)
        return Status::fail(QStringLiteral("The database is not a server."));
    QList<QStringList> rows;
    const Status s = pg->queryNative(QStringLiteral("SELECT rolcanlogin::text FROM pg_roles WHERE rolname = $1"), {login}, &rows);
    *exists = !rows.isEmpty();
    *canLogin = *exists && rows.first().value(0) == QLatin1String("true");
    return s;
}

Status grant(Database& db, Role role, const QString& login, const QString& password) {
    PgConnection* pg = serverOf(db);
    if (!pg)
        return Status::fail(QStringLiteral("The database is not a server."));
    bool exists = false, canLogin = false;
    Status s = findLogin(db, login, &exists, &canLogin);
    if (s && exists && !canLogin)
        s = Status::fail(QStringLiteral("%1 is a role without a login; name a login.").arg(login));
    if (!s)
        return s;
    // Each statement is written by the server, which quotes the name.
    QStringList statements;
    auto write = [&](const QString& form, const QStringList& values) {
        QList<QStringList> rows;
        const Status w = pg->queryNative(QStringLiteral("SELECT format(%1)").arg(form), values, &rows);
        if (w)
            statements << rows.value(0).value(0);
        return w;
    };
    if (!exists)
        s = write(QStringLiteral("'CREATE ROLE %I LOGIN PASSWORD %L', $1::text, $2::text"),
                  {login, pg->encryptedPassword(password, login)});
    for (int i = 0; s && i < 3; ++i)
        s = write(QString::fromLatin1(i == int(role) ? "'GRANT %I TO %I', $1::text, $2::text" : "'REVOKE %I FROM %I', $1::text, $2::text"),
                  {QString::fromLatin1(kGroups[i]), login});
    if (s)
        s = pg->execNative(QStringLiteral("BEGIN"));
    for (const QString& st : statements)
        if (s)
            s = pg->execNative(st);
    if (s)
        return pg->execNative(QStringLiteral("COMMIT"));
    pg->execNative(QStringLiteral("ROLLBACK"));
    return s;
}

Status logins(Database& db, QStringList* lines) {
    PgConnection* pg = serverOf(db);
    if (!pg)
        return Status::fail(QStringLiteral("The database is not a server."));
    QList<QStringList> rows;
    const Status s = pg->queryNative(QStringLiteral("SELECT m.rolname, substr(g.rolname, 8) FROM pg_auth_members a "
                                                    "JOIN pg_roles g ON g.oid = a.roleid JOIN pg_roles m ON m.oid = a.member "
                                                    "WHERE g.rolname IN ('varnex_station', 'varnex_engineer', 'varnex_admin') "
                                                    "ORDER BY 1, 2"),
                                     {}, &rows);
    for (const QStringList& r : rows)
        *lines << r.value(0).leftJustified(20) + QLatin1Char(' ') + r.value(1);
    return s;
}

QString changeRefusal(const QString& login, const QString& table) {
    const QString t = table.toLower();
    if (t == QLatin1String("audittrail"))
        return QStringLiteral("Your login %1 may not change the audit trail; only the database's owner may.").arg(login);
    for (const auto& w : kTableWords)
        if (t == QLatin1String(w.table))
            return QStringLiteral("Your login %1 may not change the %2 table; %3.").arg(login, QLatin1String(w.words), QLatin1String(w.whoMay));
    return QStringLiteral("Your login %1 may not change the database's tables or logins; only the database's owner may "
                          "(an admin login).")
        .arg(login);
}

QString changeRefusal(Database& db, const QString& table) {
    PgConnection* pg = serverOf(db);
    return pg ? pg->changeRefusal(table) : QString();
}

QString refusal(const QString& login, const QString& serverText, bool reading) {
    static const QRegularExpression denied(QStringLiteral("^permission denied for (?:table|relation) (\\S+)$"));
    const auto m = denied.match(serverText);
    if (m.hasMatch() && reading) {
        for (const auto& w : kTableWords)
            if (m.captured(1) == QLatin1String(w.table))
                return QStringLiteral("Your login %1 may not read the %2 table; a station's or a quality engineer's login may.")
                    .arg(login, QLatin1String(w.words));
        return QStringLiteral("Your login %1 may not read the database; a station's or a quality engineer's login may.").arg(login);
    }
    return changeRefusal(login, m.hasMatch() ? m.captured(1) : QString());
}

}  // namespace PgRoles
