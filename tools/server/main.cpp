#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include "database/Database.h"
#include "database/DatabaseCopy.h"
#include "database/Schema.h"
#include "database/ServerUri.h"
#include "platform/CommandLine.h"
#include "datagen/DataGen.h"
#include "utilities/DatabaseGuard.h"

// Sets up a plant's server database and moves rows between it and a desktop
// database file:
//   varnex-server init URI         the tables, with the pass codes
//   varnex-server import URI FILE  a desktop database into an empty server database
//   varnex-server export URI FILE  a server database into a new desktop database file
// Each prints the rows per table it wrote; on failure it prints the engine's
// message and exits 1. A URI with a password is refused (ps shows it to every
// user), and no message shows a password.
namespace {

const char* const kUsage =
    "usage: varnex-server init URI | import URI FILE | export URI FILE\n"
    "  URI   postgresql://USER@HOST:PORT/DBNAME (the password from ~/.pgpass or PGPASSWORD)\n"
    "  init    creates the tables with the pass codes in an empty database\n"
    "  import  copies a desktop database (kelid.mdb) into an empty server database\n"
    "  export  writes the server's rows into a new desktop database file\n";

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

}  // namespace

int main(int argc, char* argv[]) {
    if (CommandLine::answered(argc, argv, "varnex-server", kUsage))
        return 0;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream out(stdout), err(stderr);
    const QString command = args.value(0);
    const bool known = (command == QLatin1String("init") && args.size() == 2) ||
                       ((command == QLatin1String("import") || command == QLatin1String("export")) && args.size() == 3);
    if (!known) {
        err << kUsage;
        return 2;
    }
    DatabaseCopy::Counts counts;
    Status s = ServerUri::checkCommandLine(args[1]);
    if (s)
        s = command == QLatin1String("init")     ? init(args[1], &counts)
            : command == QLatin1String("import") ? import(args[1], args[2], &counts)
                                                 : exportTo(args[1], args[2], &counts);
    if (!s) {
        err << "varnex-server: " << ServerUri::masked(s.error().trimmed(), args[1]) << "\n";
        return 1;
    }
    out << DatabaseCopy::describe(counts);
    return 0;
}
