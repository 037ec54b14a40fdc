#include "reports/ReportEngine.h"

// Placeholder implementation until the report engine lands: it records the
// settings and refuses to run.
ReportEngine::ReportEngine(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }
ReportEngine::~ReportEngine() = default;

Status ReportEngine::setReportFileName(const QString& path) {
    m_reportFile = path;
    return Status::ok();
}

Status ReportEngine::setParameterField(int index, const QString& text) {
    if (index < 0 || index > 3)
        return Status::fail(QStringLiteral("Invalid parameter field index %1.").arg(index));
    m_parameters[index] = text;
    return Status::ok();
}

QString ReportEngine::parameterField(int index) const { return index >= 0 && index < 4 ? m_parameters[index] : QString(); }

Status ReportEngine::setSortField(int index, const QString& text) {
    if (index != 0)
        return Status::fail(QStringLiteral("Invalid sort field index %1.").arg(index));
    m_sort = text;
    return Status::ok();
}

QString ReportEngine::sortField(int index) const { return index == 0 ? m_sort : QString(); }

Status ReportEngine::action(int) {
    m_runLog << QStringList{m_reportFile, m_parameters[0], m_parameters[1], m_parameters[2], m_parameters[3], m_sort}.join(QLatin1Char('|'));
    return Status::fail(QStringLiteral("The report engine is not available."));
}

void ReportEngine::release() {
    for (QString& p : m_parameters)
        p.clear();
    m_sort.clear();
}

void ReportEngine::setOutput(Output output, const QString& file) {
    m_output = output;
    m_outputFile = file;
}
