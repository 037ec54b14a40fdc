#include "reports/ReportEngine.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "platform/AppPaths.h"
#include "platform/DateText.h"
#include "platform/MousePointer.h"
#include "reports/ReportDefinition.h"
#include "reports/ReportPreview.h"
#include "reports/ReportRenderer.h"
#include "reports/ReportResult.h"

ReportEngine::ReportEngine(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }
ReportEngine::~ReportEngine() = default;

Status ReportEngine::setReportFileName(const QString& path) {
    // The path is kept even when the file is missing, so a later run reports it too.
    m_reportFile = path;
    const QString native = AppPaths::readable(path);
    if (path.isEmpty() || !QFileInfo(native).isFile())
        return Status::fail(QStringLiteral("Unable to open the report file %1.").arg(path));
    return Status::ok();
}

Status ReportEngine::setParameterField(int index, const QString& text) {
    if (index < 0 || index >= kParameterFields)
        return Status::fail(QStringLiteral("Invalid parameter field index %1.").arg(index));
    m_parameters[index] = text;
    return Status::ok();
}

QString ReportEngine::parameterField(int index) const {
    return index >= 0 && index < kParameterFields ? m_parameters[index] : QString();
}

Status ReportEngine::setSortField(int index, const QString& text) {
    if (index != 0)
        return Status::fail(QStringLiteral("Invalid sort field index %1.").arg(index));
    m_sort = text;
    return Status::ok();
}

QString ReportEngine::sortField(int index) const { return index == 0 ? m_sort : QString(); }

QDate ReportEngine::parseDateValue(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*Date\\s*\\(\\s*(\\d{4})\\s*,\\s*(\\d{1,2})\\s*,\\s*(\\d{1,2})\\s*\\)\\s*$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(text);
    if (!m.hasMatch())
        return QDate();
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

QString ReportEngine::dateValue(const QDate& d) {
    return QStringLiteral("Date (%1, %2, %3)").arg(d.year()).arg(d.month(), 2, 10, QLatin1Char('0')).arg(d.day(), 2, 10, QLatin1Char('0'));
}

namespace {
// A refused value is quoted in the error by its start only: a pasted
// megabyte would make the message unreadable.
QString clipped(const QString& value) {
    constexpr int kShown = 80;
    return value.size() <= kShown ? value : value.left(kShown) + QChar(0x2026);
}
}  // namespace

Status ReportEngine::produce(const QString& reportFile, const QStringList& parameterFields, const QString& sortField,
                             ReportResult* result, const ReportRunControl* control) {
    if (reportFile.isEmpty())
        return Status::fail(QStringLiteral("No report file has been set."));
    ReportDefinition def;
    Status s = ReportDefinition::load(AppPaths::readable(reportFile), &def);
    if (!s)
        return s;

    // Parameter fields: "Name;value;true". The value is what lies between the
    // first and the last semicolon, so it may itself hold one.
    QHash<QString, QVariant> values;
    QHash<QString, QString> shown;
    for (const QString& field : parameterFields) {
        if (field.isEmpty())
            continue;
        const int first = field.indexOf(QLatin1Char(';'));
        const int last = field.lastIndexOf(QLatin1Char(';'));
        const QString flag = field.mid(last + 1).trimmed();
        if (first < 0 || last == first || (flag.compare(QLatin1String("true"), Qt::CaseInsensitive) != 0 &&
                                           flag.compare(QLatin1String("false"), Qt::CaseInsensitive) != 0))
            return Status::fail(QStringLiteral("Invalid parameter field: %1").arg(clipped(field)));
        const QString name = field.left(first);
        const QString value = field.mid(first + 1, last - first - 1);
        const ReportParameter* p = def.parameter(name);
        if (!p)
            return Status::fail(QStringLiteral("The report %1 has no parameter named '%2'; its parameters are %3.")
                                    .arg(def.title, clipped(name), def.parameterNames()));
        if (p->type == ReportParameter::Type::Date) {
            const QDate d = parseDateValue(value);
            if (!d.isValid())
                return Status::fail(QStringLiteral("The value '%1' of the parameter '%2' is not a valid date.").arg(clipped(value), name));
            values.insert(p->bind, d.toString(Qt::ISODate));
            shown.insert(p->name, DateText::shown(d));
        } else if (p->type == ReportParameter::Type::Period) {
            const QString period = value.trimmed().toLower();
            if (period != QLatin1String("day") && period != QLatin1String("week") && period != QLatin1String("month"))
                return Status::fail(QStringLiteral("The value '%1' of the parameter '%2' must be Day, Week or Month.").arg(value, name));
            values.insert(p->bind, period);
            shown.insert(p->name, period.left(1).toUpper() + period.mid(1));
        } else {
            values.insert(p->bind, value);
            shown.insert(p->name, value);
        }
    }
    QStringList criteria;
    for (const ReportParameter& p : def.parameters) {
        // An optional field left out, or given empty, means "any" and is not printed.
        if (p.optional && values.value(p.bind).toString().isEmpty()) {
            values.insert(p.bind, QString(QLatin1String("")));
            continue;
        }
        if (!values.contains(p.bind))
            return Status::fail(QStringLiteral("The report %1 needs a value for the parameter '%2'.").arg(def.title, p.name));
        // "End_Date" and "BeginDate" are printed as "End Date" and "Begin Date".
        static const QRegularExpression camel(QStringLiteral("([a-z])([A-Z])"));
        const QString label = QString(p.name).replace(QLatin1Char('_'), QLatin1Char(' ')).replace(camel, QStringLiteral("\\1 \\2"));
        criteria << label + QStringLiteral(": ") + shown.value(p.name);
    }

    if (!def.scope.isEmpty())
        criteria << def.scope;

    // Sort field: "+{table.field}" or "-{table.field}", one of the definition's sort keys.
    const ReportSortKey* key = nullptr;
    bool descending = false;
    if (!sortField.isEmpty()) {
        static const QRegularExpression re(QStringLiteral("^\\s*([+-])\\s*\\{([^{}]+)\\}\\s*$"));
        const auto m = re.match(sortField);
        if (m.hasMatch())
            key = def.sortKey(m.captured(2).trimmed());
        if (!key)
            return Status::fail(QStringLiteral("The report %1 cannot be sorted by %2.").arg(def.title, clipped(sortField)));
        descending = m.captured(1) == QLatin1String("-");
        const int col = def.columnIndex(key->column);
        criteria << QStringLiteral("Sorted by: ") + (col >= 0 ? def.columns.at(col).heading : key->column) +
                        (descending ? QStringLiteral(", descending") : QStringLiteral(", ascending"));
    }
    s = ReportRunner::run(def, values, key, descending, result, control);
    result->criteria = criteria;
    return s;
}

Status ReportEngine::action(int value) {
    QStringList log{m_reportFile, m_parameters[0], m_parameters[1], m_parameters[2], m_parameters[3], m_sort};
    QStringList fields;
    for (int i = 0; i < kParameterFields; ++i)
        fields << m_parameters[i];
    if (!fields.mid(4).join(QString()).isEmpty())
        log << fields.mid(4);
    m_runLog << log.join(QLatin1Char('|'));
    if (value != 1)
        return Status::fail(QStringLiteral("Invalid action value %1.").arg(value));
    if (m_running)
        return Status::fail(QStringLiteral("A report is already being prepared."));
    m_cancelled = m_timedOut = false;
    ReportResult result;
    ReportRunControl control;
    control.timeLimitSeconds = m_timeLimit;
    // A report for the screen opens its preview at once, with a progress line
    // and a Cancel button, and shows the pages when they are ready.
    QPointer<ReportPreview> preview;
    if (m_output == Output::Preview) {
        preview = new ReportPreview;
        m_preview = preview;
        control.progress = [preview](qint64 ms, int rows) {
            if (!preview)
                return false;
            preview->showProgress(ms, rows);
            return !preview->cancelRequested();
        };
    }
    // The pointer is busy while the report is prepared and then as the caller had it.
    const MousePointer::Shape pointer = MousePointer::current();
    m_running = true;
    MousePointer::hourglass();
    Status s = produce(m_reportFile, fields, m_sort, &result, &control);
    MousePointer::set(pointer);
    m_running = false;
    m_cancelled = control.stopped == ReportRunControl::Stop::Cancelled;
    m_timedOut = control.stopped == ReportRunControl::Stop::TimeLimit;
    if (!s) {
        if (preview)
            preview->abandon();
        return s;
    }
    m_lastRowCount = result.rowCount;
    emit produced(result);
    switch (m_output) {
    case Output::Pdf: return ReportRenderer::writePdf(result, m_outputFile);
    case Output::Csv: return ReportRenderer::writeCsv(result, m_outputFile);
    case Output::Xlsx: return ReportRenderer::writeXlsx(result, m_outputFile);
    case Output::Preview: break;
    }
    // Each run opens a preview of its own; earlier ones stay until closed.
    if (!preview)
        return Status::fail(QStringLiteral("The report %1 was cancelled.").arg(result.definition.title));
    preview->setResult(result);
    preview->show();
    preview->raise();
    preview->activateWindow();
    return Status::ok();
}

ReportPreview* ReportEngine::preview() const { return qobject_cast<ReportPreview*>(m_preview.data()); }

void ReportEngine::release() {
    for (QString& p : m_parameters)
        p.clear();
    m_sort.clear();
}

void ReportEngine::setOutput(Output output, const QString& file) {
    m_output = output;
    m_outputFile = file;
}
