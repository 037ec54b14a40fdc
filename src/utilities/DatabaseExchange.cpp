#include "utilities/DatabaseExchange.h"

#include "database/Schema.h"
#include "platform/AppPaths.h"
#include "platform/FileSystem.h"
#include "utilities/DatabaseGuard.h"

DatabaseExchange::Paths DatabaseExchange::applicationPaths() {
    return Paths{AppPaths::join(QStringLiteral("\\kelid.mdb")), AppPaths::join(QStringLiteral("\\DemoDb\\kelid1.mdb")),
                 AppPaths::join(QStringLiteral("\\Temp2\\kelid1.mdb"))};
}

QString DatabaseExchange::serverRefusal() {
    return QStringLiteral("Varnex works on the server database %1, not on a database file: the demo and blank "
                          "databases this exchanges are files in the program's folder, and a server database is never "
                          "erased from here. A new server database is created on the server and set up with "
                          "varnex-server init.")
        .arg(Schema::describe());
}

// Steps 1 and 2 (the question) belong to the menu: 2 is done before the first copy.
DatabaseExchange::DatabaseExchange(Paths paths) : StepSequence(2), m_paths(std::move(paths)) {}

Status DatabaseExchange::run() {
    if (Schema::isServer())
        return Status::fail(serverRefusal());
    // The live database is overwritten in step 4: nothing may hold it open.
    Status s = DatabaseGuard::notHeldOpen({m_paths.live, m_paths.stored, m_paths.exchange});
    // Both files are copied, and replaced by a rename.
    if (s)
        s = FileSystem::checkOneName(m_paths.live);
    if (s)
        s = FileSystem::checkOneName(m_paths.stored);
    if (s)
        s = DatabaseGuard::settleJournal(m_paths.live);
    if (s)
        s = DatabaseGuard::settleJournal(m_paths.stored);
    if (!s)
        return s;
    return runSteps(3, 6);
}

Status DatabaseExchange::step(int n) {
    switch (n) {
    case 3:
        return FileSystem::copyFile(m_paths.live, m_paths.exchange);
    case 4:
        return FileSystem::copyFile(m_paths.stored, m_paths.live);
    case 5:
        return FileSystem::copyFile(m_paths.exchange, m_paths.stored);
    case 6:
        return FileSystem::deleteFile(m_paths.exchange);
    }
    return Status::fail(QStringLiteral("No such step of the exchange: %1").arg(n));
}
