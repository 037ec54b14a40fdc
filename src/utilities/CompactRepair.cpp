#include "utilities/CompactRepair.h"

#include <QFileInfo>

#include "database/Maintenance.h"
#include "platform/AppPaths.h"
#include "platform/FileSystem.h"
#include "utilities/DatabaseGuard.h"

CompactRepair::Paths CompactRepair::applicationPaths() {
    return Paths{AppPaths::join(QStringLiteral("\\kelid.mdb")), AppPaths::join(QStringLiteral("\\temp\\kelid.mdb")),
                 AppPaths::join(QStringLiteral("\\temp2\\kelid.mdb"))};
}

QString CompactRepair::serverNote() {
    return QStringLiteral("The database is on a server, which maintains it itself: there is nothing to compact or repair here.");
}

CompactRepair::CompactRepair(Paths paths) : StepSequence(0), m_paths(std::move(paths)) {}

Status CompactRepair::repairPhase() { return runSteps(1, 3); }
Status CompactRepair::compactPhase() { return runSteps(4, 7); }
Status CompactRepair::run() { return runSteps(1, 7); }

QString CompactRepair::exitReason(const ExitRule& rule) const {
    // Files left by a run that was cut short: it is finished now.
    if (FileSystem::exists(m_paths.target) || FileSystem::exists(m_paths.safety))
        return QStringLiteral("an earlier compaction was not finished");
    if (QFileInfo(m_paths.live).size() < rule.smallFileBytes)
        return QStringLiteral("the file is small");
    Maintenance::FileState state;
    if (!Maintenance::fileState(m_paths.live, &state))
        return QStringLiteral("the file could not be read");
    if (!state.checked)
        return QStringLiteral("the file has not been checked yet");
    if (!state.writtenSinceCheck())
        return QString();
    if (state.freePages * rule.freeShare >= state.pages)
        return QStringLiteral("%1 of %2 pages are free").arg(state.freePages).arg(state.pages);
    if ((state.pages - state.checkedPages) * rule.growthShare >= state.checkedPages)
        return QStringLiteral("%1 pages were added to %2 since the last check").arg(state.pages - state.checkedPages).arg(state.checkedPages);
    // Each write transaction changes a few pages in place.
    const qint64 writes = state.writes - state.checkedWrites;
    if (writes * rule.writeShare >= state.pages)
        return QStringLiteral("%1 writes since the last check").arg(writes);
    return QString();
}

Status CompactRepair::step(int n) {
    switch (n) {
    case 1: {
        // Nothing may hold the file open while it is repaired and replaced.
        Status s = DatabaseGuard::notHeldOpen({m_paths.live, m_paths.target, m_paths.safety});
        if (s)
            s = DatabaseGuard::usableDatabase(m_paths.live);
        if (s)
            s = FileSystem::checkOneName(m_paths.live);
        if (s)
            s = DatabaseGuard::settleJournal(m_paths.live);
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
    {
        Status s = Maintenance::compact(m_paths.live, m_paths.target, progress);
        // The new file records that it was checked and compacted, so that an
        // exit with nothing written since has nothing to do.
        if (s)
            s = Maintenance::markChecked(m_paths.target);
        return s;
    }
    case 5:
        return FileSystem::copyFile(m_paths.target, m_paths.live);
    case 6:
        return FileSystem::deleteFile(m_paths.target);
    case 7:
        return FileSystem::deleteFile(m_paths.safety);
    }
    return Status::fail(QStringLiteral("No such step of the compaction: %1").arg(n));
}
