#pragma once
#include <functional>

#include <QString>

#include "platform/Status.h"

// The repair-and-compact sequence run on demand (frmRepair) and on every exit
// (frmCompact):
//   1 repair the live database in place
//   2 delete a compaction target (and unfinished copies) left from an earlier run
//   3 copy the live database to the safety copy
//   4 compact the live database into the compaction target
//   5 copy the compaction target onto the live database
//   6 delete the compaction target
//   7 delete the safety copy
// A failing step stops the sequence and leaves the files as it found them;
// the copies write a temporary file beside their target and rename it over,
// so the live database is always either the old file or the compacted one.
class CompactRepair {
public:
    struct Paths {
        QString live;    // application folder + "\kelid.mdb"
        QString target;  // application folder + "\temp\kelid.mdb"
        QString safety;  // application folder + "\temp2\kelid.mdb"
    };
    // The paths under the application folder, resolved now.
    static Paths applicationPaths();

    explicit CompactRepair(Paths paths = applicationPaths());
    const Paths& paths() const { return m_paths; }

    Status repairPhase();   // steps 1 to 3
    Status compactPhase();  // steps 4 to 7
    Status run();           // steps 1 to 7

    // The last step that completed (0 before step 1).
    int completedSteps() const { return m_done; }
    // Called after each completed step with its number.
    std::function<void(int)> afterStep;

private:
    Status step(int n);
    Status runSteps(int first, int last);

    Paths m_paths;
    int m_done = 0;
};
