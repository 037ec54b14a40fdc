#include "reports/ReportDefinition.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "database/Schema.h"
#include "platform/AppPaths.h"

namespace {
QStringList fields(const QString& value) {
    QStringList parts = value.split(QLatin1Char('|'));
    for (QString& p : parts)
        p = p.trimmed();
    return parts;
}

QString field(const QStringList& parts, int i) { return i < parts.size() ? parts.at(i) : QString(); }

bool isIdentifier(const QString& s) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_ ]*$"));
    return re.match(s).hasMatch() && !s.endsWith(QLatin1Char(' '));
}

// "column [DESC|ASC], ..." into items of a column name optionally followed by its direction.
bool parseOrder(const QString& value, QStringList* out) {
    for (const QString& item : value.split(QLatin1Char(','))) {
        QString col = item.trimmed();
        QString dir;
        if (col.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive) || col.endsWith(QLatin1String(" ASC"), Qt::CaseInsensitive)) {
            dir = col.section(QLatin1Char(' '), -1).toUpper();
            col = col.section(QLatin1Char(' '), 0, -2).trimmed();
        }
        if (!isIdentifier(col))
            return false;
        *out << (dir.isEmpty() ? col : col + QLatin1Char(' ') + dir);
    }
    return true;
}
}  // namespace

Status ReportDefinition::load(const QString& path, ReportDefinition* out) {
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly | QIODevice::Text))
        return Status::fail(QStringLiteral("Unable to open the report file %1.").arg(QDir::toNativeSeparators(path)));
    // An installed definition names the database of the application folder:
    // nothing is ever written beside it.
    QString folder = QFileInfo(path).absolutePath();
    if (!AppPaths::sharedFolder().isEmpty() && QDir(folder) == QDir(AppPaths::sharedFolder()))
        folder = AppPaths::folder();
    const Status s = parse(QString::fromUtf8(f.readAll()), folder, out);
    out->sourcePath = path;
    return s;
}

Status ReportDefinition::parse(const QString& text, const QString& folder, ReportDefinition* out) {
    *out = ReportDefinition();
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool inQuery = false;
    int lineNo = 0;
    auto bad = [&](const QString& why) {
        return Status::fail(QStringLiteral("Report definition error at line %1: %2").arg(lineNo).arg(why));
    };
    for (QString line : lines) {
        ++lineNo;
        line.remove(QLatin1Char('\r'));
        if (inQuery) {
            if (line.trimmed() == QLatin1String("end"))
                inQuery = false;
            else
                out->query += line + QLatin1Char('\n');
            continue;
        }
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char('#')))
            continue;
        if (t == QLatin1String("query:")) {
            inQuery = true;
            continue;
        }
        const int eq = t.indexOf(QLatin1Char('='));
        if (eq < 0)
            return bad(QStringLiteral("expected key = value"));
        const QString key = t.left(eq).trimmed().toLower();
        const QString value = t.mid(eq + 1).trimmed();
        const QStringList parts = fields(value);
        if (key == QLatin1String("title")) {
            out->title = value;
        } else if (key == QLatin1String("database")) {
            // Relative to the definition's own folder, like the program's paths;
            // the live database is the one the program works on, file or server.
            out->databasePath = value.compare(Schema::databaseFileName(), Qt::CaseInsensitive) == 0 && Schema::isServer()
                                    ? Schema::databaseName()
                                    : AppPaths::native(folder + QLatin1Char('/') + value);
        } else if (key == QLatin1String("parameter")) {
            ReportParameter p;
            p.name = field(parts, 0);
            const QString type = field(parts, 1).toLower();
            if (type == QLatin1String("date"))
                p.type = ReportParameter::Type::Date;
            else if (type == QLatin1String("period"))
                p.type = ReportParameter::Type::Period;
            else if (type != QLatin1String("text"))
                return bad(QStringLiteral("parameter type must be text, date or period"));
            p.bind = field(parts, 2);
            const QString need = field(parts, 3).toLower();
            p.optional = need == QLatin1String("optional");
            static const QRegularExpression bindName(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
            if (p.name.isEmpty() || !bindName.match(p.bind).hasMatch() || (!need.isEmpty() && !p.optional))
                return bad(QStringLiteral("parameter = name | type | query parameter [| optional]"));
            out->parameters << p;
        } else if (key == QLatin1String("column")) {
            ReportColumn c;
            c.field = field(parts, 0);
            c.heading = field(parts, 1);
            const QString format = field(parts, 2).toLower();
            if (format == QLatin1String("number"))
                c.format = ReportColumn::Format::Number;
            else if (format == QLatin1String("percent"))
                c.format = ReportColumn::Format::Percent;
            else if (format == QLatin1String("code"))
                c.format = ReportColumn::Format::Code;
            else if (format == QLatin1String("date"))
                c.format = ReportColumn::Format::Date;
            else if (!format.isEmpty() && format != QLatin1String("text"))
                return bad(QStringLiteral("column format must be text, code, number, percent or date"));
            c.width = qMax(1, field(parts, 3).toInt());
            if (!isIdentifier(c.field))
                return bad(QStringLiteral("column = field | heading | format | width"));
            out->columns << c;
        } else if (key == QLatin1String("group")) {
            out->group = field(parts, 0);
            out->groupHeading = field(parts, 1);
            out->groupCaption = field(parts, 2);
            if (!isIdentifier(out->group) || (!out->groupCaption.isEmpty() && !isIdentifier(out->groupCaption)))
                return bad(QStringLiteral("group = field | heading [| caption field]"));
        } else if (key == QLatin1String("subgroup")) {
            out->subgroup = field(parts, 0);
            out->subgroupHeading = field(parts, 1);
            out->subgroupCaption = field(parts, 2);
            if (!isIdentifier(out->subgroup) || (!out->subgroupCaption.isEmpty() && !isIdentifier(out->subgroupCaption)))
                return bad(QStringLiteral("subgroup = field | heading [| caption field]"));
        } else if (key == QLatin1String("order")) {
            if (!parseOrder(value, &out->order))
                return bad(QStringLiteral("order = column [DESC], ..."));
        } else if (key == QLatin1String("group order")) {
            if (!parseOrder(value, &out->groupOrder))
                return bad(QStringLiteral("group order = column [DESC], ..."));
        } else if (key == QLatin1String("subgroup order")) {
            if (!parseOrder(value, &out->subgroupOrder))
                return bad(QStringLiteral("subgroup order = column [DESC], ..."));
        } else if (key == QLatin1String("total")) {
            ReportTotal tot;
            tot.column = field(parts, 0);
            const QString kind = field(parts, 1).toLower();
            if (kind == QLatin1String("count")) {
                tot.kind = ReportTotal::Kind::Count;
                tot.singular = field(parts, 2);
                tot.plural = field(parts, 3).isEmpty() ? tot.singular : field(parts, 3);
            } else if (kind == QLatin1String("given")) {
                tot.kind = ReportTotal::Kind::Given;
                tot.groupField = field(parts, 2);
                tot.grandField = field(parts, 3);
                if ((!tot.groupField.isEmpty() && !isIdentifier(tot.groupField)) ||
                    (!tot.grandField.isEmpty() && !isIdentifier(tot.grandField)) || (tot.groupField + tot.grandField).isEmpty())
                    return bad(QStringLiteral("total = column | given | group field | grand field"));
            } else if (kind == QLatin1String("ratio")) {
                tot.kind = ReportTotal::Kind::Ratio;
                tot.numerator = field(parts, 2);
                tot.denominator = field(parts, 3);
            } else if (kind != QLatin1String("sum")) {
                return bad(QStringLiteral("total kind must be sum, count or ratio"));
            }
            out->totals << tot;
        } else if (key == QLatin1String("sort")) {
            ReportSortKey k{field(parts, 0), field(parts, 1)};
            if (k.formulaName.isEmpty() || !isIdentifier(k.column))
                return bad(QStringLiteral("sort = table.field | column"));
            out->sortKeys << k;
        } else if (key == QLatin1String("chart")) {
            const QString kind = field(parts, 0).toLower();
            if (kind == QLatin1String("pareto"))
                out->chart.kind = ReportChart::Kind::Pareto;
            else if (kind == QLatin1String("groupbars"))
                out->chart.kind = ReportChart::Kind::GroupBars;
            else if (kind == QLatin1String("pchart"))
                out->chart.kind = ReportChart::Kind::PChart;
            else
                return bad(QStringLiteral("chart kind must be pareto, groupbars or pchart"));
            out->chart.label = field(parts, 1);
            out->chart.value = field(parts, 2);
            out->chart.title = field(parts, 3);
        } else if (key == QLatin1String("chart limits")) {
            out->chart.centre = field(parts, 0);
            out->chart.lower = field(parts, 1);
            out->chart.upper = field(parts, 2);
        } else if (key == QLatin1String("chart compare")) {
            out->chart.compare = field(parts, 0);
            out->chart.compareLabel = field(parts, 1);
        } else if (key == QLatin1String("export totals")) {
            const QString v = value.toLower();
            if (v != QLatin1String("yes") && v != QLatin1String("no"))
                return bad(QStringLiteral("export totals must be yes or no"));
            out->exportTotals = v == QLatin1String("yes");
        } else if (key == QLatin1String("subtitle")) {
            out->subtitle = value;
        } else if (key == QLatin1String("scope")) {
            out->scope = value;
        } else if (key == QLatin1String("page")) {
            const QString v = value.toLower();
            if (v != QLatin1String("portrait") && v != QLatin1String("landscape"))
                return bad(QStringLiteral("page must be portrait or landscape"));
            out->orientation = v == QLatin1String("landscape") ? Orientation::Landscape : Orientation::Portrait;
        } else if (key == QLatin1String("subgroup totals")) {
            const QString v = value.toLower();
            if (v != QLatin1String("yes") && v != QLatin1String("no"))
                return bad(QStringLiteral("subgroup totals must be yes or no"));
            out->subgroupTotals = v == QLatin1String("yes");
        } else if (key == QLatin1String("record count")) {
            // yes, no, or the nouns of what a line is: "escape | escapes".
            const QString v = value.toLower();
            if (parts.size() == 2 && !parts.at(0).isEmpty() && !parts.at(1).isEmpty()) {
                out->recordCount = true;
                out->recordSingular = parts.at(0);
                out->recordPlural = parts.at(1);
            } else if (v == QLatin1String("yes") || v == QLatin1String("no")) {
                out->recordCount = v == QLatin1String("yes");
            } else {
                return bad(QStringLiteral("record count must be yes, no or singular | plural"));
            }
        } else {
            return bad(QStringLiteral("unknown key '%1'").arg(key));
        }
    }
    lineNo = lines.size();
    if (inQuery)
        return bad(QStringLiteral("the query has no end line"));
    if (out->query.trimmed().isEmpty())
        return bad(QStringLiteral("the definition has no query"));
    if (out->columns.isEmpty())
        return bad(QStringLiteral("the definition has no columns"));
    if (out->databasePath.isEmpty())
        return bad(QStringLiteral("the definition names no database"));
    // Every :name of the query must be a declared parameter, so nothing is left unbound.
    static const QRegularExpression param(QStringLiteral("[:@$]([A-Za-z_][A-Za-z0-9_]*)"));
    for (auto it = param.globalMatch(out->query); it.hasNext();) {
        const QString name = it.next().captured(1);
        bool declared = false;
        for (const ReportParameter& p : out->parameters)
            declared = declared || p.bind == name;
        if (!declared)
            return bad(QStringLiteral("the query uses the undeclared parameter :%1").arg(name));
    }
    if (!out->subgroup.isEmpty() && out->group.isEmpty())
        return bad(QStringLiteral("a subgroup needs a group"));
    if ((!out->groupOrder.isEmpty() && out->group.isEmpty()) || (!out->subgroupOrder.isEmpty() && out->subgroup.isEmpty()))
        return bad(QStringLiteral("a group order needs its group"));
    for (const ReportTotal& tot : out->totals) {
        if (out->columnIndex(tot.column) < 0)
            return bad(QStringLiteral("total of an unknown column %1").arg(tot.column));
        if (tot.kind == ReportTotal::Kind::Ratio && (out->columnIndex(tot.numerator) < 0 || out->columnIndex(tot.denominator) < 0))
            return bad(QStringLiteral("ratio total of unknown columns"));
    }
    if (out->chart.kind == ReportChart::Kind::Pareto && (out->columnIndex(out->chart.label) < 0 || out->columnIndex(out->chart.value) < 0))
        return bad(QStringLiteral("chart of unknown columns"));
    if (!out->chart.compare.isEmpty() && (out->chart.kind != ReportChart::Kind::Pareto || out->columnIndex(out->chart.compare) < 0))
        return bad(QStringLiteral("a compared column needs a Pareto chart and a column of the report"));
    if (out->chart.kind == ReportChart::Kind::PChart &&
        (out->columnIndex(out->chart.label) < 0 || out->columnIndex(out->chart.value) < 0 || out->columnIndex(out->chart.centre) < 0 ||
         out->columnIndex(out->chart.lower) < 0 || out->columnIndex(out->chart.upper) < 0))
        return bad(QStringLiteral("a p-chart needs its period, share and limit columns (chart limits = centre | lower | upper)"));
    if (out->chart.kind == ReportChart::Kind::GroupBars && (out->group.isEmpty() || out->columnIndex(out->chart.value) < 0))
        return bad(QStringLiteral("group chart needs a group and a totalled column"));
    return Status::ok();
}

QString ReportDefinition::recordLine(int count) const {
    if (recordSingular.isEmpty())
        return QStringLiteral("%1 record(s)").arg(count);
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? recordSingular : recordPlural);
}

namespace {
// "Begin Date", "BeginDate" and "begin_date" are one name.
QString plainName(QString name) {
    name.remove(QLatin1Char('_'));
    name.remove(QLatin1Char(' '));
    return name.toLower();
}
}  // namespace

const ReportParameter* ReportDefinition::parameter(const QString& name) const {
    for (const ReportParameter& p : parameters)
        if (plainName(p.name) == plainName(name))
            return &p;
    return nullptr;
}

QString ReportDefinition::parameterNames() const {
    QStringList names;
    for (const ReportParameter& p : parameters)
        names << p.name;
    return names.join(QStringLiteral(", "));
}

const ReportSortKey* ReportDefinition::sortKey(const QString& formulaName) const {
    for (const ReportSortKey& k : sortKeys)
        if (k.formulaName.compare(formulaName, Qt::CaseInsensitive) == 0)
            return &k;
    return nullptr;
}

int ReportDefinition::columnIndex(const QString& name) const {
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).field.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
