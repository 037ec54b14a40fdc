#include <QCoreApplication>
#include <QTextStream>

#include "database/AuditTrail.h"
#include "database/Schema.h"
#include "datagen/DataGen.h"
#include "platform/AppPaths.h"
#include "platform/CommandLine.h"
#include "platform/InstanceLock.h"
#include "utilities/CompactRepair.h"
#include "utilities/DatabaseBackup.h"
#include "utilities/DatabaseExchange.h"

// Runs one database utility with the program's own code, outside the program.
namespace {
#define VARNEX_UTILITY_USAGE \
    "usage: varnex-utility compact APPFOLDER | exchange APPFOLDER | backup APPFOLDER FOLDER | verify APPFOLDER | large FILE ROWS\n"
const char* const kUsage = VARNEX_UTILITY_USAGE;
const char* const kHelp = VARNEX_UTILITY_USAGE
    "Runs one database utility on the application folder APPFOLDER (installed: ~/.local/share/varnex),\n"
    "under the same lock as varnex: it refuses while varnex runs from that folder.\n"
    "  compact   repairs and compacts the database (Compact and Repair)\n"
    "  exchange  exchanges the database for the stored blank one (Erase Demo - Create New Database)\n"
    "  backup    copies the database into FOLDER as kelid.mdb, keeping the backup it replaces as\n"
    "            kelid-YYYY-MM-DD-HHMM.mdb (the ten newest)\n"
    "  verify    checks the audit trail's chain; exit 1 at the first broken entry\n"
    "  large     writes a generated database of ROWS inspection rows to FILE (for tests)\n"
    "  --version, --help\n";
}  // namespace

int main(int argc, char* argv[]) {
    if (CommandLine::answered(argc, argv, "varnex-utility", kHelp))
        return 0;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    const QString command = args.value(0);
    const bool known = (command == QLatin1String("compact") && args.size() == 2)
        || (command == QLatin1String("exchange") && args.size() == 2)
        || (command == QLatin1String("backup") && args.size() == 3)
        || (command == QLatin1String("verify") && args.size() == 2)
        || (command == QLatin1String("large") && args.size() == 3);
    if (!known) {
        err << kUsage;
        return 2;
    }
    Status s;
    if (command == QLatin1String("large")) {
        s = DataGen::createLarge(args[1], args[2].toInt());
    } else if (command == QLatin1String("verify")) {
        // Reads only: it runs beside the program.
        AppPaths::setFolder(args[1]);
        AuditTrail::Verdict verdict;
        if (Schema::isServer())
            s = Status::fail(QStringLiteral("The server's trail is kept by its grants: only its owner may change it."));
        else
            s = AuditTrail::verifyFile(Schema::livePath(), &verdict);
        if (s)
            QTextStream(stdout) << verdict.summary() << "\n";
        if (s && verdict.firstBroken > 0)
            return 1;
    } else {
        AppPaths::setFolder(args[1]);
        // The program and the other tools take the same lock: a file replaced
        // while Varnex writes into it would lose the rows written meanwhile.
        InstanceLock lock;
        s = lock.acquire(AppPaths::folder(), Schema::databaseFile());
        if (!s) {
            err << "varnex-utility: " << s.error() << " Nothing was changed.\n";
            return 1;
        }
        if (command == QLatin1String("compact") && Schema::isServer())
            QTextStream(stdout) << CompactRepair::serverNote() << "\n";
        else if (command == QLatin1String("compact"))
            s = CompactRepair().run();
        else if (command == QLatin1String("exchange"))
            s = DatabaseExchange().run();
        else
            s = DatabaseBackup::run(args[2]);
    }
    if (!s) {
        err << "varnex-utility: " << s.error() << "\n";
        return 1;
    }
    return 0;
}
