#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/Status.h"

// A report definition file (.rpt): a small readable text of "key = value"
// lines and one query block. The query names its values as :parameters; the
// definition declares which parameter fields the report takes, how its result
// columns are shown, grouped and totalled, which columns the caller may sort
// by, and an optional chart. Everything here comes from the file, never from
// the person running the report.
struct ReportParameter {
    enum class Type { Text, Date, Period };  // Period: day, week or month
    QString name;  // as the caller names it ("Begin Date")
    Type type = Type::Text;
    QString bind;  // the query's parameter without the colon ("begin")
    bool optional = false;  // a field not given binds an empty text (the query reads it as "any")
};

struct ReportColumn {
    enum class Format { Text, Code, Number, Percent, Date };  // Code: text kept on one line
    QString field;    // result column of the query
    QString heading;  // printed heading
    Format format = Format::Text;
    int width = 10;   // relative width in the printed table
};

struct ReportTotal {
    // Given: the query itself gives the figure, in a field of its own that holds
    // the same value on every row of a group (groupField) or of the whole result
    // (grandField); for figures that do not add up from the lines, such as units
    // counted once over several stations. Either field may be empty: no figure there.
    enum class Kind { Sum, Count, Ratio, Given };
    QString column;
    Kind kind = Kind::Sum;
    QString numerator, denominator;  // Ratio: 100 * total(numerator) / total(denominator)
    QString groupField, grandField;  // Given
    QString singular, plural;        // Count: the noun printed after the number ("15 defect codes")
};

struct ReportSortKey {
    QString formulaName;  // "defects.defectcode", as a sort field names it
    QString column;       // result column it orders
};

struct ReportChart {
    enum class Kind { None, Pareto, GroupBars, PChart };
    Kind kind = Kind::None;
    QString label;  // Pareto: the column that names each bar; PChart: the period of each point
    QString value;  // Pareto: the counted column; GroupBars: the total shown per group; PChart: the share p
    QString title;
    // PChart: the columns of the centre line and of each point's lower and upper control limit.
    QString centre, lower, upper;
    // Pareto: a second bar beside each code's (the average before), and its legend.
    QString compare, compareLabel;
};

class ReportDefinition {
public:
    static Status load(const QString& path, ReportDefinition* out);
    static Status parse(const QString& text, const QString& folder, ReportDefinition* out);

    QString title;
    QString databasePath;  // resolved against the folder of the definition
    QString sourcePath;    // the definition file itself (empty when parsed from text)
    // Runs on the file and on the server alike: every result column named `expr AS Name` in the spelling the
    // definition uses (the server keeps an alias's case only), lower-case names inside WITH parts, no bare
    // columns beside GROUP BY, CASE WHEN ... THEN 1 ELSE 0 END rather than arithmetic on comparisons,
    // IS [NOT] DISTINCT FROM rather than IS, nullif() around a divisor that can be 0, and SQLite's date()
    // and strftime() only in the forms the server defines (database/postgres/PgFunctions).
    QString query;
    QStringList order;  // default order: result columns, each optionally followed by DESC
    QString group;      // result column that groups the rows, or empty
    QString groupHeading;
    QString groupCaption;  // result column whose value follows the group's in its heading (a name for a code)
    QStringList groupOrder;  // columns that order the groups before the group column (a group's total, largest first)
    // A second level within each group (a code within an operator); empty when the report has one level.
    QString subgroup;
    QString subgroupHeading;
    QString subgroupCaption;
    bool subgroupTotals = true;  // a totals line closes each subgroup
    QStringList subgroupOrder;  // columns that order the subgroups within a group before the subgroup column
    QList<ReportParameter> parameters;
    QList<ReportColumn> columns;
    QList<ReportTotal> totals;
    QList<ReportSortKey> sortKeys;
    ReportChart chart;
    QString subtitle;        // a line under the title that says what the report counts
    QString scope;           // a criterion that is no parameter ("All facilities"), printed after them
    enum class Orientation { Portrait, Landscape };
    Orientation orientation = Orientation::Portrait;
    bool exportTotals = true;  // CSV carries the group and grand total lines too
    // The printed report ends with its number of lines, "n record(s)", or with
    // the nouns given ("9 escapes"); none where its lines are no records.
    bool recordCount = true;
    QString recordSingular, recordPlural;
    QString recordLine(int count) const;

    // The parameter of that name, matched without regard to case, blanks and underscores.
    const ReportParameter* parameter(const QString& name) const;
    // "Begin Date, End_Date, Facility": the names as the definition gives them.
    QString parameterNames() const;
    const ReportSortKey* sortKey(const QString& formulaName) const;
    int columnIndex(const QString& field) const;
};
