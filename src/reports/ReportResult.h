#pragma once
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QVariant>

#include "reports/ReportDefinition.h"

// The rows of one run of a report, grouped and totalled as its definition
// says, ready for the preview, the printer, PDF and CSV.
struct ReportGroup {
    QVariant key;                // the group column's value (null when not grouped)
    QString caption;             // the name shown after the key in the heading, or empty
    QList<QVariantList> rows;    // one value per definition column
    QVariantList totals;         // one per column; invalid where nothing is totalled
};

struct ReportResult {
    ReportDefinition definition;
    QStringList criteria;        // "Begin Date: 12/01/2003", in parameter order
    QList<ReportGroup> groups;
    QVariantList totals;         // grand totals, one per column
    int rowCount = 0;
    QDateTime printedAt;

    QString format(int column, const QVariant& value) const;
    QString groupLabel(const ReportGroup& g) const;
};

namespace ReportRunner {
// Runs the definition's query on its database, opened read only, with the
// given values bound by name (without the colon), ordered by the group, then
// by the sort column (when given) or the definition's own order.
Status run(const ReportDefinition& def, const QHash<QString, QVariant>& values, const ReportSortKey* sort,
           bool descending, ReportResult* out);
// The SQL that run() executes; for the benchmarks and checks.
QString finalSql(const ReportDefinition& def, const ReportSortKey* sort, bool descending);
}  // namespace ReportRunner
