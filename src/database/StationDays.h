#pragma once
#include <QDate>
#include <QList>
#include <QString>

#include "database/Database.h"

// Each station's days as the run rules read them: per facility, station,
// model and day, the units first inspected that day (a unit is model +
// serial + station, first inspected in its rows with rework number 1) and
// those of them not passing first time (any such row not a pass row). The
// database keeps the figures itself, in triggers on the inspection rows, so a
// check after a Submit reads a few rows however large the table grows,
// whichever station or tool changed the rows. The yield trend by day gives
// the same figures from the rows.
namespace StationDays {

struct Day {
    QDate date;
    qint64 units = 0;
    qint64 failed = 0;
};

// The table and its triggers on a file, filled from the rows already there
// when it is added (once: asked for again it costs a look at the schema).
Status addToFile(Database& db);
// Counts a file's figures from its rows again (a file without them is left so).
Status recount(Database& db);
// The same on a server, as SQL for the schema's own transaction.
QString serverSql();
// Whether a server database has them.
bool onServer(Database& db);

// The station's last `count` days with units up to `day`, oldest first; an
// empty model: every model.
Status lastDays(Database& db, const QString& facility, const QString& station, const QString& model, const QDate& day,
                int count, QList<Day>* days);

}  // namespace StationDays
