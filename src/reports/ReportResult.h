#pragma once
#include <functional>

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QVariant>

#include "reports/ReportDefinition.h"

// The rows of one run of a report, grouped and totalled as its definition
// says, ready for the preview, the printer, PDF and CSV.
// A run of consecutive rows of one group that share the subgroup column's value.
struct ReportSubgroup {
    QVariant key;
    QString caption;
    int first = 0;  // index of its first row in the group's rows
    int count = 0;
    QVariantList totals;  // one per column, like the group's
};

struct ReportGroup {
    QVariant key;                // the group column's value (null when not grouped)
    QString caption;             // the name shown after the key in the heading, or empty
    QList<QVariantList> rows;    // one value per definition column
    QVariantList totals;         // one per column; invalid where nothing is totalled
    QList<ReportSubgroup> subgroups;  // empty unless the definition has a subgroup
};

struct ReportResult {
    ReportDefinition definition;
    QStringList criteria;        // "Begin Date: 12/01/2003", in parameter order
    QList<ReportGroup> groups;
    QVariantList totals;         // grand totals, one per column
    int rowCount = 0;
    QDateTime printedAt;

    QString format(int column, const QVariant& value) const;
    // A total line's cell: a count that names what it counts reads "15 defect codes".
    QString formatTotal(int column, const QVariant& value) const;
    QString groupLabel(const ReportGroup& g) const;
    QString subgroupLabel(const ReportSubgroup& s) const;
};

// How long a run may take, and who is told of its progress. The run asks
// progress() a few times a second (time so far, rows read so far); an answer
// of false stops it as cancelled. After timeLimitSeconds (0: none) it stops.
struct ReportRunControl {
    int timeLimitSeconds = 300;
    std::function<bool(qint64 elapsedMs, int rows)> progress;
    // Set by the run: why it stopped early.
    enum class Stop { None, TimeLimit, Cancelled };
    mutable Stop stopped = Stop::None;
};

namespace ReportRunner {
// Runs the definition's query on its database, opened read only, with the
// given values bound by name (without the colon), ordered by the group (after
// its group order columns), the subgroup likewise, then by the sort column (when given) or the definition's own order.
Status run(const ReportDefinition& def, const QHash<QString, QVariant>& values, const ReportSortKey* sort,
           bool descending, ReportResult* out, const ReportRunControl* control = nullptr);
// The SQL that run() executes; for the benchmarks and checks.
QString finalSql(const ReportDefinition& def, const ReportSortKey* sort, bool descending);
}  // namespace ReportRunner
