#pragma once
#include <functional>

#include <QString>

#include "platform/Status.h"

// The check of the live database made when the program starts, before any
// form opens: a damaged file is reported and Compact and Repair is offered,
// so that no form writes new rows into it unawares.
namespace StartupCheck {

// Runs work on a worker thread while the user-interface thread keeps handling
// its events (not the user's input), and returns its outcome.
Status inBackground(const std::function<Status()>& work);

// The engine's quick check of the file, run on a worker thread (on a large
// file it takes longer than the user interface may stand still) while the
// user-interface thread keeps handling its events.
Status checkInBackground(const QString& path);

// On a file: checks the live database; on damage says so and, if the user agrees, runs
// Compact and Repair and reports its outcome. A missing file or one that is
// not a database is left to the forms, which report it when they open it.
void run();

// On a server, once the menus are up: a server that cannot be reached opens
// the data entry screen on the station's outbox, which says so; a server
// that turns the station away (a wrong password, no such database) is said
// in its own words. The station's waiting rows are sent from now on.
void reachServer();

// Says what a check found when it is damage, as run() does, and offers Compact
// and Repair (run at once on Yes, with its outcome reported); true when it
// found damage. A No is remembered: the file is known to be damaged.
bool offerRepair(const Status& verdict);

// Whether the live file is due for the engine's full check: it is known to
// be damaged, or its last full check is older than the days given or unknown.
bool fullCheckDue(int days);

}  // namespace StartupCheck
