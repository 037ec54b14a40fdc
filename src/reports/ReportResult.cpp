#include "reports/ReportResult.h"

#include <cmath>

#include <QDate>

#include "database/Sqlite.h"

namespace {
QString quoted(const QString& identifier) {
    return QLatin1Char('"') + QString(identifier).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString number(double v, int decimals) {
    if (decimals == 0 && std::fabs(v - std::round(v)) < 1e-9)
        return QString::number(qint64(std::llround(v)));
    return QString::number(v, 'f', decimals == 0 ? 2 : decimals);
}

QVariantList computeTotals(const ReportDefinition& def, const QList<QVariantList>& rows) {
    QVariantList totals;
    for (int c = 0; c < def.columns.size(); ++c)
        totals << QVariant();
    auto sumOf = [&rows](int col) {
        double s = 0;
        for (const QVariantList& r : rows)
            s += r.at(col).toDouble();
        return s;
    };
    for (const ReportTotal& t : def.totals) {
        const int col = def.columnIndex(t.column);
        switch (t.kind) {
        case ReportTotal::Kind::Sum: totals[col] = sumOf(col); break;
        case ReportTotal::Kind::Count: totals[col] = double(rows.size()); break;
        case ReportTotal::Kind::Ratio: {
            const double den = sumOf(def.columnIndex(t.denominator));
            // A ratio over nothing is left empty rather than shown as 0 %.
            if (den != 0)
                totals[col] = 100.0 * sumOf(def.columnIndex(t.numerator)) / den;
            break;
        }
        }
    }
    return totals;
}
}  // namespace

QString ReportResult::format(int column, const QVariant& v) const {
    if (!v.isValid() || v.isNull())
        return QString();
    const ReportColumn& c = definition.columns.at(column);
    switch (c.format) {
    case ReportColumn::Format::Number: return number(v.toDouble(), 0);
    case ReportColumn::Format::Percent: return QString::number(v.toDouble(), 'f', 1) + QLatin1Char('%');
    case ReportColumn::Format::Date: {
        const QDate d = QDate::fromString(v.toString(), Qt::ISODate);
        return d.isValid() ? d.toString(QStringLiteral("MM/dd/yyyy")) : v.toString();
    }
    case ReportColumn::Format::Text:
    case ReportColumn::Format::Code: break;
    }
    return v.toString();
}

QString ReportResult::groupLabel(const ReportGroup& g) const {
    QString value = g.key.isNull() ? QStringLiteral("(none)") : g.key.toString();
    if (!g.caption.isEmpty())
        value += QStringLiteral(" - ") + g.caption;
    return definition.groupHeading.isEmpty() ? value : definition.groupHeading + QStringLiteral(": ") + value;
}

namespace ReportRunner {

QString finalSql(const ReportDefinition& def, const ReportSortKey* sort, bool descending) {
    QStringList order;
    if (!def.group.isEmpty())
        order << quoted(def.group);
    if (sort) {
        order << quoted(sort->column) + (descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    } else {
        for (const QString& item : def.order) {
            const bool desc = item.endsWith(QLatin1String(" DESC"));
            const bool asc = item.endsWith(QLatin1String(" ASC"));
            const QString col = desc || asc ? item.section(QLatin1Char(' '), 0, -2) : item;
            order << quoted(col) + (desc ? QStringLiteral(" DESC") : QString());
        }
    }
    QString sql = QStringLiteral("SELECT * FROM (\n") + def.query + QStringLiteral(")");
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    return sql;
}

Status run(const ReportDefinition& def, const QHash<QString, QVariant>& values, const ReportSortKey* sort,
           bool descending, ReportResult* out) {
    out->definition = def;
    out->groups.clear();
    out->rowCount = 0;
    out->printedAt = QDateTime::currentDateTime();
    SqliteDb db;
    Status s = db.open(def.databasePath, SqliteDb::Mode::ReadOnly);
    if (!s)
        return s;
    SqlStatement st;
    s = st.prepare(db, finalSql(def, sort, descending));
    if (!s)
        return s;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        st.bind(QLatin1Char(':') + it.key(), it.value());
    // Map the definition's columns to the result's, by name.
    QList<int> map;
    int groupCol = -1, captionCol = -1;
    for (int i = 0; i < st.columnCount(); ++i) {
        if (st.columnName(i).compare(def.group, Qt::CaseInsensitive) == 0)
            groupCol = i;
        if (!def.groupCaption.isEmpty() && st.columnName(i).compare(def.groupCaption, Qt::CaseInsensitive) == 0)
            captionCol = i;
    }
    for (const ReportColumn& c : def.columns) {
        int found = -1;
        for (int i = 0; i < st.columnCount() && found < 0; ++i)
            if (st.columnName(i).compare(c.field, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            return Status::fail(QStringLiteral("The report column %1 is not in the query result.").arg(c.field));
        map << found;
    }
    if (!def.group.isEmpty() && groupCol < 0)
        return Status::fail(QStringLiteral("The report group %1 is not in the query result.").arg(def.group));
    if (!def.groupCaption.isEmpty() && captionCol < 0)
        return Status::fail(QStringLiteral("The report group caption %1 is not in the query result.").arg(def.groupCaption));
    QList<QVariantList> all;
    while (st.next()) {
        QVariantList row;
        for (int i : map)
            row << st.value(i);
        const QVariant key = groupCol >= 0 ? st.value(groupCol) : QVariant();
        if (out->groups.isEmpty() || out->groups.last().key != key || out->groups.last().key.isNull() != key.isNull())
            out->groups.append(ReportGroup{key, captionCol >= 0 ? st.value(captionCol).toString() : QString(), {}, {}});
        out->groups.last().rows << row;
        all << row;
    }
    if (!st.status())
        return st.status();
    for (ReportGroup& g : out->groups)
        g.totals = computeTotals(def, g.rows);
    out->totals = computeTotals(def, all);
    out->rowCount = all.size();
    return Status::ok();
}

}  // namespace ReportRunner
