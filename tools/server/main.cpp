#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include "database/Database.h"
#include "database/DatabaseCopy.h"
#include "database/Schema.h"
#include "database/ServerUri.h"
#include "database/postgres/PgRoles.h"
#include "database/postgres/PgSchema.h"
#include "platform/CommandLine.h"
#include "datagen/DataGen.h"
#include "utilities/DatabaseGuard.h"

// Sets up a plant's server database, its logins, and moves rows between it
// and a desktop database file:
//   varnex-server init URI                 the tables with the pass codes, the roles and grants
//   varnex-server import URI FILE          a desktop database into an empty server database
//   varnex-server export URI FILE          a server database into a new desktop database file
//   varnex-server grant URI ROLE LOGIN     a login made when missing and put in one role
//   varnex-server logins URI               the logins of the three roles
// Each prints what it did; on failure it prints the engine's message and
// exits 1. A URI with a password is refused (ps shows it to every user), and
// no message shows a password; a new login's password is typed at a prompt.
namespace {

const char* const kUsage =
    "usage: varnex-server init URI | import URI FILE | export URI FILE | grant URI station|engineer|admin LOGIN | logins URI\n"
    "  URI     postgresql://USER@HOST:PORT/DBNAME (the password from ~/.pgpass or PGPASSWORD)\n"
    "  init    creates the tables with the pass codes in an empty database, the roles varnex_station,\n"
    "          varnex_engineer and varnex_admin, and their grants; on a database set up by an earlier\n"
    "          version it adds what that lacks (the audit trail, the grants) and keeps every row\n"
    "  import  copies a desktop database (kelid.mdb) into an empty server database\n"
    "  export  writes the server's rows into a new desktop database file\n"
    "  grant   makes LOGIN when it is missing (its password typed twice at a prompt, or without a\n"
    "          terminal from PGPASSWORD) and puts it in the role, out of the other two:\n"
    "          station   reads everything, enters and corrects inspection rows\n"
    "          engineer  as station, and changes the six reference tables\n"
    "          admin     owns the tables and the audit trail: init, import, export\n"
    "          (grant itself needs a login that may make logins)\n"
    "  logins  lists the logins of the three roles\n";

Status openServer(Database& db, const QString& uri) {
    if (!Database::isServerName(uri))
        return Status::fail(QStringLiteral("'%1' is not a server; name one as postgresql://USER@HOST:PORT/DBNAME").arg(uri));
    return db.open(uri, Database::Mode::ReadWrite);
}

// The server's tables, made when missing; those of an earlier version brought up to date.
Status ensureSchema(Database& server) {
    Status s;
    if (!DatabaseCopy::hasSchema(server, &s))
        return s ? Schema::create(server) : s;
    return Schema::upgrade(server);
}

// The rows per table of a database set up already.
Status countRows(Database& db, DatabaseCopy::Counts* counts) {
    for (const QString& table : DatabaseCopy::tables()) {
        SqlStatement st(db, QStringLiteral("SELECT count(*) FROM %1").arg(table));
        if (!st.next())
            return st.status();
        counts->push_back({table, st.int64(0)});
        st.next();
    }
    return Status::ok();
}

Status import(const QString& uri, const QString& file, DatabaseCopy::Counts* counts) {
    Status s = DatabaseGuard::isDatabase(file);
    Database source, server;
    if (s)
        s = source.open(file, Database::Mode::ReadOnly);
    if (s)
        s = openServer(server, uri);
    if (s)
        s = ensureSchema(server);
    return s ? DatabaseCopy::copy(source, server, counts) : s;
}

// The pass codes as a new desktop database holds them, imported (a database
// that holds rows of its own is refused by the copy).
Status init(const QString& uri, DatabaseCopy::Counts* counts) {
    {
        // Set up by an earlier version: brought up to this one, rows kept.
        Database server;
        Status s = openServer(server, uri);
        const bool made = s && DatabaseCopy::hasSchema(server, &s);
        if (s && made)
            s = PgSchema::upgrade(server);
        if (!s || made)
            return s ? countRows(server, counts) : s;
    }
    QTemporaryDir dir;
    const QString blank = dir.filePath(Schema::databaseFileName());
    const Status s = DataGen::createBlank(blank);
    return s ? import(uri, blank, counts) : s;
}

Status exportTo(const QString& uri, const QString& file, DatabaseCopy::Counts* counts) {
    Database server;
    Status s = openServer(server, uri);
    return s ? DatabaseCopy::toFile(server, file, false, counts) : s;
}

// A new login's password: typed twice without echo on a terminal, else PGPASSWORD.
Status newPassword(const QString& login, QString* password) {
    if (!::isatty(STDIN_FILENO)) {
        *password = qEnvironmentVariable("PGPASSWORD");
        return password->isEmpty() ? Status::fail(QStringLiteral("No password for the new login %1: type it at a terminal, "
                                                                 "or set PGPASSWORD.").arg(login))
                                   : Status::ok();
    }
    termios saved{};
    ::tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    QTextStream in(stdin), err(stderr);
    QString again;
    err << "Password for the new login " << login << ": " << Qt::flush;
    *password = in.readLine();
    err << "\nAgain: " << Qt::flush;
    again = in.readLine();
    err << "\n" << Qt::flush;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    if (password->isEmpty())
        return Status::fail(QStringLiteral("The password is empty; nothing was changed."));
    return *password == again ? Status::ok() : Status::fail(QStringLiteral("The two passwords differ; nothing was changed."));
}

Status grant(const QString& uri, const QString& roleWord, const QString& login, QString* said) {
    PgRoles::Role role;
    if (!PgRoles::roleOf(roleWord, &role))
        return Status::fail(QStringLiteral("'%1' is not a role: name station, engineer or admin.").arg(roleWord));
    if (login.isEmpty() || login.startsWith(QLatin1String("pg_"), Qt::CaseInsensitive) ||
        login.startsWith(QLatin1String("varnex_"), Qt::CaseInsensitive))
        return Status::fail(QStringLiteral("'%1' cannot be a login's name.").arg(login));
    Database server;
    Status s = openServer(server, uri);
    bool exists = false, canLogin = false;
    if (s)
        s = PgRoles::findLogin(server, login, &exists, &canLogin);
    QString password;
    if (s && !exists)
        s = newPassword(login, &password);
    if (s)
        s = PgRoles::grant(server, role, login, password);
    if (s)
        *said = QStringLiteral("%1 login %2 is in %3\n").arg(exists ? QStringLiteral("The") : QStringLiteral("New"), login,
                                                            PgRoles::groupName(role));
    return s;
}

Status logins(const QString& uri, QString* said) {
    Database server;
    Status s = openServer(server, uri);
    QStringList lines;
    if (s)
        s = PgRoles::logins(server, &lines);
    for (const QString& line : lines)
        *said += line + QLatin1Char('\n');
    return s;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (CommandLine::answered(argc, argv, "varnex-server", kUsage))
        return 0;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream out(stdout), err(stderr);
    const QString command = args.value(0);
    const qsizetype n = args.size();
    const bool known = ((command == QLatin1String("init") || command == QLatin1String("logins")) && n == 2) ||
                       ((command == QLatin1String("import") || command == QLatin1String("export")) && n == 3) ||
                       (command == QLatin1String("grant") && n == 4);
    if (!known) {
        err << kUsage;
        return 2;
    }
    DatabaseCopy::Counts counts;
    QString said;
    Status s = ServerUri::checkCommandLine(args[1]);
    if (s)
        s = command == QLatin1String("init")     ? init(args[1], &counts)
            : command == QLatin1String("import") ? import(args[1], args[2], &counts)
            : command == QLatin1String("export") ? exportTo(args[1], args[2], &counts)
            : command == QLatin1String("grant")  ? grant(args[1], args[2], args[3], &said)
                                                 : logins(args[1], &said);
    if (!s) {
        err << "varnex-server: " << ServerUri::masked(s.error().trimmed(), args[1]) << "\n";
        return 1;
    }
    out << said << DatabaseCopy::describe(counts);
    return 0;
}
