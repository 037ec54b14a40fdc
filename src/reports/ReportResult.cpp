#include "reports/ReportResult.h"

#include <cmath>

#include <QDate>
#include <QElapsedTimer>

#include "database/Database.h"
#include "platform/DateText.h"

namespace {
QString quoted(const QString& identifier) {
    return QLatin1Char('"') + QString(identifier).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString number(double v, int decimals) {
    if (decimals == 0 && std::fabs(v - std::round(v)) < 1e-9)
        return QString::number(qint64(std::llround(v)));
    return QString::number(v, 'f', decimals == 0 ? 2 : decimals);
}

// given: the query's own figure for each Given total, by total index (invalid where it gives none).
QVariantList computeTotals(const ReportDefinition& def, const QList<QVariantList>& rows, const QVariantList& given) {
    QVariantList totals;
    for (int c = 0; c < def.columns.size(); ++c)
        totals << QVariant();
    auto sumOf = [&rows](int col) {
        double s = 0;
        for (const QVariantList& r : rows)
            s += r.at(col).toDouble();
        return s;
    };
    for (int i = 0; i < def.totals.size(); ++i) {
        const ReportTotal& t = def.totals.at(i);
        const int col = def.columnIndex(t.column);
        switch (t.kind) {
        case ReportTotal::Kind::Sum: totals[col] = sumOf(col); break;
        case ReportTotal::Kind::Count: totals[col] = double(rows.size()); break;
        case ReportTotal::Kind::Given:
            if (given.value(i).isValid() && !given.value(i).isNull())
                totals[col] = given.value(i).toDouble();
            break;
        case ReportTotal::Kind::Ratio: break;
        }
    }
    // A ratio divides the totals of its two columns (their sums where they have none),
    // so a ratio over figures the query gives is the ratio of those figures.
    auto totalOf = [&](const QString& column) -> QVariant {
        const int col = def.columnIndex(column);
        for (const ReportTotal& t : def.totals)
            if (t.kind != ReportTotal::Kind::Ratio && t.column.compare(column, Qt::CaseInsensitive) == 0)
                return totals.at(col);
        return sumOf(col);
    };
    for (const ReportTotal& t : def.totals) {
        if (t.kind != ReportTotal::Kind::Ratio)
            continue;
        const QVariant num = totalOf(t.numerator), den = totalOf(t.denominator);
        // A ratio over nothing is left empty rather than shown as 0 %.
        if (num.isValid() && den.isValid() && den.toDouble() != 0)
            totals[def.columnIndex(t.column)] = 100.0 * num.toDouble() / den.toDouble();
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
        return d.isValid() ? DateText::shown(d) : v.toString();
    }
    case ReportColumn::Format::Text:
    case ReportColumn::Format::Code: break;
    }
    return v.toString();
}

QString ReportResult::formatTotal(int column, const QVariant& v) const {
    const QString field = definition.columns.at(column).field;
    for (const ReportTotal& t : definition.totals) {
        if (t.kind == ReportTotal::Kind::Count && !t.singular.isEmpty() && t.column.compare(field, Qt::CaseInsensitive) == 0 &&
            v.isValid() && !v.isNull()) {
            const qint64 n = qint64(std::llround(v.toDouble()));
            return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? t.singular : t.plural);
        }
    }
    return format(column, v);
}

namespace {
QString label(const QString& heading, const QVariant& key, const QString& caption) {
    QString value = key.isNull() ? QStringLiteral("(none)") : key.toString();
    if (!caption.isEmpty())
        value += QStringLiteral(" - ") + caption;
    return heading.isEmpty() ? value : heading + QStringLiteral(": ") + value;
}
}  // namespace

QString ReportResult::groupLabel(const ReportGroup& g) const { return label(definition.groupHeading, g.key, g.caption); }

QString ReportResult::subgroupLabel(const ReportSubgroup& s) const {
    return label(definition.subgroupHeading, s.key, s.caption);
}

namespace ReportRunner {

QString finalSql(const ReportDefinition& def, const ReportSortKey* sort, bool descending) {
    // Empty values come first going up and last going down, on the server as in the file.
    auto key = [](const QString& column, bool desc) {
        return quoted(column) + (desc ? QStringLiteral(" DESC NULLS LAST") : QStringLiteral(" NULLS FIRST"));
    };
    QStringList order;
    auto add = [&order, &key](const QStringList& items) {
        for (const QString& item : items) {
            const bool desc = item.endsWith(QLatin1String(" DESC"));
            const bool asc = item.endsWith(QLatin1String(" ASC"));
            order << key(desc || asc ? item.section(QLatin1Char(' '), 0, -2) : item, desc);
        }
    };
    // Group order columns must hold one value per group, so the group's rows stay together.
    if (!def.group.isEmpty()) {
        add(def.groupOrder);
        order << key(def.group, false);
    }
    if (!def.subgroup.isEmpty()) {
        add(def.subgroupOrder);
        order << key(def.subgroup, false);
    }
    if (sort)
        order << key(sort->column, descending);
    else
        add(def.order);
    // A subquery needs a name on the server.
    QString sql = QStringLiteral("SELECT report.* FROM (\n") + def.query + QStringLiteral(") AS report");
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    return sql;
}

Status run(const ReportDefinition& def, const QHash<QString, QVariant>& values, const ReportSortKey* sort,
           bool descending, ReportResult* out, const ReportRunControl* control) {
    out->definition = def;
    out->groups.clear();
    out->rowCount = 0;
    out->printedAt = QDateTime::currentDateTime();
    Database db;
    Status s = db.open(def.databasePath, Database::Mode::ReadOnly);
    // On a server the report's time limit is also the server's for its statements.
    if (s && control)
        db.setTimeLimit(control->timeLimitSeconds);
    // One state of the data for the whole report, and nothing written (on a server a
    // query could otherwise change rows); the transaction ends with the connection.
    if (s)
        s = db.beginRead();
    if (!s)
        return s;
    // The time limit and the progress are checked while the engine works and
    // between rows, so neither a long query nor a long result holds the caller.
    QElapsedTimer clock;
    clock.start();
    qint64 lastProgress = 0;
    int rowsRead = 0;
    ReportRunControl::Stop stop = ReportRunControl::Stop::None;
    auto mustStop = [&]() {
        if (!control || stop != ReportRunControl::Stop::None)
            return stop != ReportRunControl::Stop::None;
        const qint64 ms = clock.elapsed();
        if (control->timeLimitSeconds > 0 && ms >= qint64(control->timeLimitSeconds) * 1000)
            stop = ReportRunControl::Stop::TimeLimit;
        else if (control->progress && ms - lastProgress >= 100) {
            lastProgress = ms;
            if (!control->progress(ms, rowsRead))
                stop = ReportRunControl::Stop::Cancelled;
        }
        return stop != ReportRunControl::Stop::None;
    };
    auto stopped = [&]() {
        control->stopped = stop;
        if (stop == ReportRunControl::Stop::TimeLimit)
            return Status::fail(QStringLiteral("The report %1 reached its time limit of %2 s and was stopped.")
                                    .arg(def.title).arg(control->timeLimitSeconds));
        return Status::fail(QStringLiteral("The report %1 was cancelled.").arg(def.title));
    };
    if (control) {
        control->stopped = ReportRunControl::Stop::None;
        db.setProgressCheck(mustStop);
    }
    SqlStatement st;
    s = st.prepare(db, finalSql(def, sort, descending));
    // A statement cut short by the limit or a Cancel says why the report stopped.
    if (!s)
        return mustStop() ? stopped() : s;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        st.bind(QLatin1Char(':') + it.key(), it.value());
    // Map the definition's columns to the result's, by name.
    QList<int> map;
    int groupCol = -1, captionCol = -1, subCol = -1, subCaptionCol = -1;
    for (int i = 0; i < st.columnCount(); ++i) {
        const QString name = st.columnName(i);
        auto is = [&name](const QString& column) { return !column.isEmpty() && name.compare(column, Qt::CaseInsensitive) == 0; };
        if (is(def.group))
            groupCol = i;
        if (is(def.groupCaption))
            captionCol = i;
        if (is(def.subgroup))
            subCol = i;
        if (is(def.subgroupCaption))
            subCaptionCol = i;
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
    // The fields of the figures the query gives, by total index.
    QList<int> groupGiven, grandGiven;
    for (const ReportTotal& t : def.totals) {
        int g = -1, a = -1;
        for (int i = 0; i < st.columnCount(); ++i) {
            if (!t.groupField.isEmpty() && st.columnName(i).compare(t.groupField, Qt::CaseInsensitive) == 0)
                g = i;
            if (!t.grandField.isEmpty() && st.columnName(i).compare(t.grandField, Qt::CaseInsensitive) == 0)
                a = i;
        }
        if ((!t.groupField.isEmpty() && g < 0) || (!t.grandField.isEmpty() && a < 0))
            return Status::fail(QStringLiteral("The report total field %1 is not in the query result.")
                                    .arg(g < 0 && !t.groupField.isEmpty() ? t.groupField : t.grandField));
        groupGiven << g;
        grandGiven << a;
    }
    auto givenFrom = [&st](const QList<int>& fields) {
        QVariantList v;
        for (int i : fields)
            v << (i >= 0 ? st.value(i) : QVariant());
        return v;
    };
    QList<QVariantList> groupValues;  // per group, read from its first row
    QVariantList grandValues;
    if (!def.group.isEmpty() && groupCol < 0)
        return Status::fail(QStringLiteral("The report group %1 is not in the query result.").arg(def.group));
    if (!def.groupCaption.isEmpty() && captionCol < 0)
        return Status::fail(QStringLiteral("The report group caption %1 is not in the query result.").arg(def.groupCaption));
    if (!def.subgroup.isEmpty() && subCol < 0)
        return Status::fail(QStringLiteral("The report subgroup %1 is not in the query result.").arg(def.subgroup));
    if (!def.subgroupCaption.isEmpty() && subCaptionCol < 0)
        return Status::fail(QStringLiteral("The report subgroup caption %1 is not in the query result.").arg(def.subgroupCaption));
    auto differ = [](const QVariant& a, const QVariant& b) { return a != b || a.isNull() != b.isNull(); };
    QList<QVariantList> all;
    while (st.next()) {
        ++rowsRead;
        if (mustStop())
            return stopped();
        QVariantList row;
        for (int i : map)
            row << st.value(i);
        const QVariant key = groupCol >= 0 ? st.value(groupCol) : QVariant();
        if (out->groups.isEmpty() || differ(out->groups.last().key, key)) {
            out->groups.append(ReportGroup{key, captionCol >= 0 ? st.value(captionCol).toString() : QString(), {}, {}, {}});
            groupValues << givenFrom(groupGiven);
        }
        if (all.isEmpty())
            grandValues = givenFrom(grandGiven);
        ReportGroup& g = out->groups.last();
        if (subCol >= 0) {
            const QVariant subKey = st.value(subCol);
            if (g.subgroups.isEmpty() || differ(g.subgroups.last().key, subKey))
                g.subgroups.append(ReportSubgroup{subKey, subCaptionCol >= 0 ? st.value(subCaptionCol).toString() : QString(),
                                                  int(g.rows.size()), 0, {}});
            ++g.subgroups.last().count;
        }
        g.rows << row;
        all << row;
    }
    if (mustStop())
        return stopped();
    if (!st.status())
        return st.status();
    for (int i = 0; i < out->groups.size(); ++i) {
        ReportGroup& g = out->groups[i];
        g.totals = computeTotals(def, g.rows, groupValues.at(i));
        for (ReportSubgroup& sg : g.subgroups)
            sg.totals = computeTotals(def, g.rows.mid(sg.first, sg.count), {});
    }
    out->totals = computeTotals(def, all, grandValues);
    out->rowCount = all.size();
    return Status::ok();
}

}  // namespace ReportRunner
