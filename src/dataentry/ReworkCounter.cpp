#include "dataentry/ReworkCounter.h"

#include <algorithm>

#include "database/Schema.h"
#include "database/Sqlite.h"

namespace ReworkCounter {

namespace {
// An empty box is stored as no value, which equals nothing.
QVariant key(const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); }
}  // namespace

QString statement() {
    return QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE ModelNumber = ? AND SerialNum = ? AND Station = ?");
}

Status count(const QString& connectionText, const InspectedUnit& unit, int* result) {
    *result = 0;
    const QString path = Schema::dataSourceOf(connectionText);
    if (path.isEmpty())
        return Status::fail(QStringLiteral("The connection text names no data source."));
    SqliteDb db;
    Status s = db.open(path, SqliteDb::Mode::ReadOnly);
    if (!s)
        return s;
    // The columns keep the binary collation, so "=" compares exactly and the
    // (ModelNumber, SerialNum, Station) index answers the count.
    SqlStatement st(db, statement());
    if (!st.status())
        return st.status();
    st.bind(1, key(unit.modelNumber));
    st.bind(2, key(unit.serialNumber));
    st.bind(3, key(unit.station));
    if (!st.next())
        return st.status().isOk() ? Status::fail(QStringLiteral("The count returned no row.")) : st.status();
    *result = int(std::min<qint64>(st.int64(0), maxCount));
    return Status::ok();
}

}  // namespace ReworkCounter
