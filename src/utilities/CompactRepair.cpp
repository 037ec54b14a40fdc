#include "utilities/CompactRepair.h"

#include "database/Maintenance.h"
#include "platform/AppPaths.h"
#include "platform/FileSystem.h"
#include "utilities/DatabaseGuard.h"

CompactRepair::Paths CompactRepair::applicationPaths() {
    return Paths{AppPaths::join(QStringLiteral("\\kelid.mdb")), AppPaths::join(QStringLiteral("\\temp\\kelid.mdb")),
                 AppPaths::join(QStringLiteral("\\temp2\\kelid.mdb"))};
}

CompactRepair::CompactRepair(Paths paths) : StepSequence(0), m_paths(std::move(paths)) {}

Status CompactRepair::repairPhase() { return runSteps(1, 3); }
Status CompactRepair::compactPhase() { return runSteps(4, 7); }
Status CompactRepair::run() { return runSteps(1, 7); }

Status CompactRepair::step(int n) {
    switch (n) {
    case 1: {
        // Nothing may hold the file open while it is repaired and replaced.
        Status s = DatabaseGuard::notHeldOpen({m_paths.live, m_paths.target, m_paths.safety});
        if (s)
            s = DatabaseGuard::usableDatabase(m_paths.live);
        if (s)
            s = Maintenance::repair(m_paths.live);
        return s;
    }
    case 2:
        // Copies cut short by an earlier run left temporary files behind.
        FileSystem::removeUnfinishedCopies(m_paths.live);
        FileSystem::removeUnfinishedCopies(m_paths.safety);
        return FileSystem::exists(m_paths.target) ? FileSystem::deleteFile(m_paths.target) : Status::ok();
    case 3:
        return FileSystem::copyFile(m_paths.live, m_paths.safety);
    case 4:
        return Maintenance::compact(m_paths.live, m_paths.target);
    case 5:
        return FileSystem::copyFile(m_paths.target, m_paths.live);
    case 6:
        return FileSystem::deleteFile(m_paths.target);
    case 7:
        return FileSystem::deleteFile(m_paths.safety);
    }
    return Status::fail(QStringLiteral("No such step of the compaction: %1").arg(n));
}
