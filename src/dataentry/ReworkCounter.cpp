#include "dataentry/ReworkCounter.h"

#include <algorithm>

#include <QList>

#include "database/Database.h"

namespace ReworkCounter {

namespace {
// An empty box is stored as no value, which equals nothing.
QVariant key(const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); }
}  // namespace

QString statement() {
    return QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE ModelNumber = ? AND SerialNum = ? AND Station = ? "
                          "AND InspectionID <= ?");
}

Status count(Database& db, const InspectedUnit& unit, qint64 inspectionId, int* result) {
    *result = 0;
    // The columns keep the binary collation, so "=" compares exactly and the
    // (ModelNumber, SerialNum, Station) index, which ends in the row's key,
    // answers the count.
    SqlStatement st(db, statement());
    if (!st.status())
        return st.status();
    st.bind(1, key(unit.modelNumber));
    st.bind(2, key(unit.serialNumber));
    st.bind(3, key(unit.station));
    st.bind(4, inspectionId);
    if (!st.next())
        return st.status().isOk() ? Status::fail(QStringLiteral("The count returned no row.")) : st.status();
    *result = int(std::min<qint64>(st.int64(0), maxCount));
    return Status::ok();
}

QString lockKey(const InspectedUnit& unit) {
    return unit.modelNumber + QChar(0x1f) + unit.serialNumber + QChar(0x1f) + unit.station;
}

Status store(Database& db, qint64 inspectionId, int number) {
    SqlStatement st(db, QStringLiteral("UPDATE InspectionRecord SET ReworkNum = ? WHERE InspectionID = ?"));
    if (!st.status())
        return st.status();
    st.bind(1, number);
    st.bind(2, inspectionId);
    return st.run();
}

Status renumber(Database& db, const InspectedUnit& unit) {
    if (unit.modelNumber.isEmpty() || unit.serialNumber.isEmpty() || unit.station.isEmpty())
        return Status::ok();
    // A unit has a handful of rows: read them in order on the unit's index and
    // write the numbers that are wrong.
    SqlStatement rows(db, QStringLiteral("SELECT InspectionID, ReworkNum FROM InspectionRecord WHERE ModelNumber = ? AND "
                                         "SerialNum = ? AND Station = ? ORDER BY InspectionID"));
    if (!rows.status())
        return rows.status();
    rows.bind(1, unit.modelNumber);
    rows.bind(2, unit.serialNumber);
    rows.bind(3, unit.station);
    QList<qint64> wrong;
    QList<int> numbers;
    int n = 0;
    while (rows.next()) {
        n = std::min(n + 1, maxCount);
        const QVariant stored = rows.value(1);
        if (stored.isNull() || stored.toLongLong() != n) {
            wrong << rows.int64(0);
            numbers << n;
        }
    }
    if (!rows.status())
        return rows.status();
    for (int i = 0; i < wrong.size(); ++i)
        if (const Status s = store(db, wrong[i], numbers[i]); !s)
            return s;
    return Status::ok();
}

QStringList lockKeys(const InspectedUnit& left, const InspectedUnit& joined) {
    QStringList keys{lockKey(left)};
    if (joined != left)
        keys << lockKey(joined);
    return keys;
}

}  // namespace ReworkCounter
