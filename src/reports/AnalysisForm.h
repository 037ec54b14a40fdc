#pragma once
#include <QList>

#include "platform/Form.h"
#include "platform/Status.h"

class QComboBox;
class QLabel;
class QPushButton;
class ReportEngine;
struct ReportResult;

// One box of an analysis form and the parameter field it fills.
struct AnalysisField {
    enum class Kind { Date, Text, Period, Choice };
    Kind kind;
    const char* box;        // objectName of the box
    const char* label;      // objectName of its caption
    const char* caption;    // with its access key
    const char* parameter;  // "Name;" as the report file names it
    const char* initial;    // design-time text, or nullptr
    bool required;          // an empty box is refused with "Enter <caption>"
    const char* choices = nullptr;  // Choice: its items, "First|Second"
};

// One member of the analysis family: which report it runs from which boxes.
struct AnalysisMember {
    const char* form;
    const char* title;
    const char* control;     // the report control's name
    const char* reportFile;  // in the application folder
    int helpContext;
    QList<AnalysisField> fields;
    // After a run the form offers the report's periods (column "Period", with "P" and
    // "Signal"); the one picked opens this form for that period, or nullptr.
    const char* follow = nullptr;
    // Asked before the report runs, with its parameter fields: a refusal is shown and nothing runs.
    Status (*check)(const QStringList& fields) = nullptr;
};

// The analysis forms of the Analysis menu (yield trend with control limits,
// unit history, what changed): boxes for the criteria, OK runs the member's
// report in the preview, Exit leaves. Enter runs, Escape leaves. One class for
// the three, driven by members().
class AnalysisForm : public Form {
    Q_OBJECT
public:
    static const QList<AnalysisMember>& members();
    static const AnalysisMember* member(const QString& form);
    // Opens frmUnitHistory for one unit and runs it (Ctrl+H in the inspection browser).
    static void openUnitHistory(const QString& serial, const QString& model);

    explicit AnalysisForm(const AnalysisMember& m);
    ReportEngine* engine() const { return m_engine; }
    QWidget* box(const QString& name) const;
    void setBoxText(const QString& name, const QString& text);

    void onLoad() override;
    void onUnload() override;
    // cmdOK: false when the report did not run (a message was shown).
    bool runReport();
    // cmdWhatChanged: opens the follow-up form on the period picked in cboPoint and runs it.
    void followPoint();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString boxText(int i) const;
    void offerPoints(const ReportResult& result);

    const AnalysisMember& m_member;
    ReportEngine* m_engine;
    QList<QWidget*> m_boxes;  // one per field
    QPushButton* m_ok;
    QPushButton* m_exit;
    QComboBox* m_points = nullptr;
    QPushButton* m_follow = nullptr;
};
