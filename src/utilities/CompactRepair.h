#pragma once
#include <QString>

#include "database/Maintenance.h"
#include "utilities/StepSequence.h"

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
class CompactRepair : public StepSequence {
public:
    struct Paths {
        QString live;    // application folder + "\kelid.mdb"
        QString target;  // application folder + "\temp\kelid.mdb"
        QString safety;  // application folder + "\temp2\kelid.mdb"
    };
    // The paths under the application folder, resolved now.
    static Paths applicationPaths();

    // What the compaction forms say instead when the program works on a
    // server: the server keeps its own database in order.
    static QString serverNote();

    explicit CompactRepair(Paths paths = applicationPaths());
    const Paths& paths() const { return m_paths; }

    Status repairPhase();   // steps 1 to 3
    Status compactPhase();  // steps 4 to 7
    Status run();           // steps 1 to 7

    // Step 4 reports the pages it has written here.
    Maintenance::Progress progress;

    // When the sequence is worth running on exit. Every exit would find the
    // file as healthy after it as before it when none of these holds:
    struct ExitRule {
        qint64 smallFileBytes = 32 << 20;  // a small file always runs (it takes a moment)
        int freeShare = 8;                 // 1 page in 8 is free
        int growthShare = 8;               // 1 page in 8 was added since the last check
        int writeShare = 8;                // as many writes since the last check as 1 page in 8
        // Before that, damage the quick check at start cannot see (an index that
        // disagrees with its table) is looked for once a week (see CompactForm).
        int fullCheckDays = 7;
    };
    // Says why the sequence runs (empty when it need not), from the live
    // file and the folders; a file that cannot be read runs it (which reports).
    QString exitReason(const ExitRule& rule) const;
    QString exitReason() const { return exitReason(ExitRule()); }

private:
    Status step(int n) override;

    Paths m_paths;
};
