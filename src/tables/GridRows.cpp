#include "tables/GridRows.h"

#include <QDate>

#include "database/RecordSet.h"

namespace GridRows {

Status read(RecordSet* rs, const QStringList& dateFields, QList<QVariantList>* rows) {
    rows->clear();
    if (!rs || !rs->isOpen())
        return Status::fail(QStringLiteral("The table is not open."));
    // A large order is still being read in the background: every row is needed.
    if (const Status s = rs->waitUntilComplete(); !s)
        return s;
    const QStringList fields = rs->fieldNames();
    QList<bool> isDate;
    for (const QString& f : fields)
        isDate << dateFields.contains(f, Qt::CaseInsensitive);
    rows->reserve(rs->recordCount());
    for (int r = 0; r < rs->recordCount(); ++r) {
        QVariantList row;
        row.reserve(fields.size());
        for (int c = 0; c < fields.size(); ++c) {
            const QVariant v = rs->valueAt(r, c);
            const QDate d = isDate[c] && !v.isNull() ? QDate::fromString(v.toString(), Qt::ISODate) : QDate();
            row << (d.isValid() ? QVariant(d) : v);
        }
        rows->append(row);
    }
    return Status::ok();
}

}  // namespace GridRows
