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
    enum class Kind { Sum, Count, Ratio };
    QString column;
    Kind kind = Kind::Sum;
    QString numerator, denominator;  // Ratio: 100 * sum(numerator) / sum(denominator)
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
    bool exportTotals = false;  // CSV carries the group and grand total lines too
    bool recordCount = true;    // the printed report ends with its number of lines ("n record(s)")

    const ReportParameter* parameter(const QString& name) const;
    const ReportSortKey* sortKey(const QString& formulaName) const;
    int columnIndex(const QString& field) const;
};
