#pragma once
#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>

#include <QPointer>
#include <QWidget>

#include "platform/Status.h"

#include "reports/ReportResult.h"

class ReportPreview;

// The report control placed on every form that prints. The form hands it a
// report definition file, parameter or sort values and a run request; the
// engine reads the database by itself (read only) and shows the report.
// Every operation returns its error; callers show their own message.
class ReportEngine : public QObject {
    Q_OBJECT
public:
    enum class Output { Preview, Pdf, Csv, Xlsx };

    explicit ReportEngine(const QString& name, QObject* parent = nullptr);
    ~ReportEngine() override;

    // The full path of the .rpt file, as the form builds it (backslashes allowed).
    Status setReportFileName(const QString& path);
    QString reportFileName() const { return m_reportFile; }
    // index 0 to kParameterFields - 1; "Name;value;true". The criteria forms use
    // the first four; the analysis forms, with their optional model and station, more.
    static constexpr int kParameterFields = 8;
    Status setParameterField(int index, const QString& text);
    QString parameterField(int index) const;
    // index 0; "+{table.field}" or "-{table.field}"
    Status setSortField(int index, const QString& text);
    QString sortField(int index) const;
    // Runs the report from the settings made so far (1 = run to the output).
    Status action(int value = 1);
    // Frees what the engine holds; the settings are cleared.
    void release();

    // Where action() sends the report: a preview window (the default), or a file.
    void setOutput(Output output, const QString& file = QString());
    Output output() const { return m_output; }
    // Every run request, in order, with its settings, for checks: "file|p0|p1|p2|p3|sort",
    // followed by "|p4|...|p7" when any of those is set.
    QStringList runLog() const { return m_runLog; }
    // The preview window of the last run, while it is open.
    ReportPreview* preview() const;
    // Rows in the last report produced, -1 before any.
    int lastRowCount() const { return m_lastRowCount; }

signals:
    // A run produced its report (before it goes to its output).
    void produced(const ReportResult& result);

public:
    // A run is stopped after this many seconds (0: never), and says so.
    void setTimeLimit(int seconds) { m_timeLimit = seconds; }
    int timeLimit() const { return m_timeLimit; }
    // Whether the last run failed because the user cancelled it (nothing to report then).
    bool lastRunCancelled() const { return m_cancelled; }
    // Whether the last run failed because it reached the time limit.
    bool lastRunTimedOut() const { return m_timedOut; }

    // Produces a report without a control: definition file, "Name;value;true"
    // parameter fields, a sort field ("" for none), into result.
    static Status produce(const QString& reportFile, const QStringList& parameterFields, const QString& sortField,
                          ReportResult* result, const struct ReportRunControl* control = nullptr);
    // Parses "Date (2003, 12, 01)"; an invalid date when the text is not one.
    static QDate parseDateValue(const QString& text);
    // The value of a date parameter field: "Date (2003, 12, 01)".
    static QString dateValue(const QDate& d);

private:
    QString m_reportFile;
    QString m_parameters[kParameterFields];
    QString m_sort;
    Output m_output = Output::Preview;
    QString m_outputFile;
    QStringList m_runLog;
    QPointer<QWidget> m_preview;
    int m_lastRowCount = -1;
    int m_timeLimit = 300;
    bool m_cancelled = false;
    bool m_timedOut = false;
    bool m_running = false;
};
