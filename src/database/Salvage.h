#pragma once
#include <QString>
#include <QList>

#include "platform/Status.h"

// Rebuilds a damaged database file from the rows it can still read, when
// rebuilding its indexes in place is not enough (REINDEX itself stops on a
// damaged index page). The schema and every readable row go into a new file
// beside it; its indexes are built afresh from the rows; the new file is
// checked and renamed over the damaged one in one step. When rows could not be
// read, the damaged file is kept beside the new one under another name; the
// row counts the file keeps (TableRows) are those of the rows it now holds.
namespace Salvage {

// A table whose scan met a damaged page.
struct DamagedTable {
    QString name;
    qint64 rowsCopied = 0;
    // Rows the file says it holds (counted through an index that can still be
    // read) that could not be read; -1 when no index could count them.
    qint64 rowsLost = 0;
};

struct Outcome {
    QList<DamagedTable> damagedTables;
    QString keptDamagedFile;  // where the damaged file was kept, or empty
};

// The file must not be open elsewhere. Fails, leaving the file as it was,
// when not even its schema can be read or the new file cannot be written.
Status rebuild(const QString& path, Outcome* outcome);

}  // namespace Salvage
