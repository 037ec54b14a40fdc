#pragma once
#include <functional>

#include <QString>

#include "platform/Status.h"

// The new-database operation: the live database and the stored one in DemoDb
// change places through the exchange copy in temp2.
//   3 copy the live database to the exchange copy
//   4 copy the stored database onto the live database
//   5 copy the exchange copy onto the stored database
//   6 delete the exchange copy
// A failing step stops the exchange; every copy writes a temporary file beside
// its target and renames it over, so each file is always whole: the files are
// as the last completed step left them.
class DatabaseExchange {
public:
    struct Paths {
        QString live;      // "\kelid.mdb"
        QString stored;    // "\DemoDb\kelid1.mdb"
        QString exchange;  // "\Temp2\kelid1.mdb" (the same file as "\temp2\kelid1.mdb")
    };
    static Paths applicationPaths();

    explicit DatabaseExchange(Paths paths = applicationPaths());
    const Paths& paths() const { return m_paths; }

    Status run();

    // The last step that completed (2 before the first copy).
    int completedSteps() const { return m_done; }
    std::function<void(int)> afterStep;

private:
    Status step(int n);

    Paths m_paths;
    int m_done = 2;
};
