#pragma once
#include "platform/Form.h"

class MaskedDateBox;
class QLabel;
class QPushButton;
class ReportEngine;
class TextBox;

// One member of the report criteria family: which report it runs and how.
struct ReportCriteriaMember {
    const char* form;
    const char* title;
    const char* control;     // the report control's name
    const char* reportFile;  // in the application folder
    const char* fields[4];   // parameter names with their ";", nullptr where unused
    int helpContext;
    bool hasFacility;
    bool hasOperator;
    bool showsHourglass;
};

// The report criteria forms: a date range (most also a facility, one an
// operator's last name) handed to the report engine as parameter fields of
// the member's report file. One class for all seven, driven by members().
class ReportCriteriaForm : public Form {
    Q_OBJECT
public:
    static const QList<ReportCriteriaMember>& members();
    static const ReportCriteriaMember* member(const QString& form);

    explicit ReportCriteriaForm(const ReportCriteriaMember& m);
    ReportEngine* engine() const { return m_engine; }

    void onLoad() override;
    void onUnload() override;

    // cmdOK
    void runReport();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Enter runs the report (on Exit it leaves); Escape leaves.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void prepareDateBox(MaskedDateBox* box);
    // The box's date, or null after saying why it is none (the box then has the focus).
    QDate checkedDate(MaskedDateBox* box, const QString& what);
    void failRun();

    const ReportCriteriaMember& m_member;
    ReportEngine* m_engine;
    MaskedDateBox* m_begin;
    MaskedDateBox* m_end;
    TextBox* m_facility = nullptr;
    TextBox* m_lastName = nullptr;
    QPushButton* m_ok;
    QPushButton* m_exit;
};
