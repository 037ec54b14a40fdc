#pragma once
#include <QString>

class QGridLayout;
class QPushButton;
class QVBoxLayout;
class QWidget;
class ReportEngine;

// The frame the report criteria forms share: the program's header and the form's
// title above a grid of captioned boxes, OK and Exit centred below. Boxes are added
// row by row and tab in that order, then on to OK and Exit.
class CriteriaFrame {
public:
    CriteriaFrame(QWidget* form, const QString& title);
    void addRow(const QString& labelName, const QString& caption, QWidget* box);
    // Adds OK (cmdOK) and Exit (cmdExit) and lays the form out; call once, after the last row.
    void finish();

    QPushButton* ok() const { return m_ok; }
    QPushButton* exit() const { return m_exit; }
    QVBoxLayout* layout() const { return m_layout; }

    // Points the engine at its report file in the application folder; a file that cannot
    // be opened is reported now, the form opens anyway.
    static void openReportFile(ReportEngine* engine, const char* reportFile);

private:
    QWidget* m_form;
    QWidget* m_header;
    QWidget* m_title;
    QGridLayout* m_grid;
    int m_rows = 0;
    QWidget* m_last = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_exit = nullptr;
    QVBoxLayout* m_layout = nullptr;
};
