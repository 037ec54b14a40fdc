#pragma once
#include <QString>

#include "utilities/StepSequence.h"

// The new-database operation: the live database and the stored one in DemoDb
// change places through the exchange copy in temp2.
//   3 copy the live database to the exchange copy
//   4 copy the stored database onto the live database
//   5 copy the exchange copy onto the stored database
//   6 delete the exchange copy
// A failing step stops the exchange; every copy writes a temporary file beside
// its target and renames it over, so each file is always whole: the files are
// as the last completed step left them.
class DatabaseExchange : public StepSequence {
public:
    struct Paths {
        QString live;      // "\kelid.mdb"
        QString stored;    // "\DemoDb\kelid1.mdb"
        QString exchange;  // "\Temp2\kelid1.mdb" (the same file as "\temp2\kelid1.mdb")
    };
    static Paths applicationPaths();
    // Why the exchange is refused while the program works on a server.
    static QString serverRefusal();

    explicit DatabaseExchange(Paths paths = applicationPaths());
    const Paths& paths() const { return m_paths; }

    Status run();

private:
    Status step(int n) override;

    Paths m_paths;
};
