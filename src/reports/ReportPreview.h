#pragma once
#include <memory>

#include <QElapsedTimer>
#include <QWidget>

#include "reports/ReportResult.h"

class QLabel;
class QPrinter;
class QPrintPreviewWidget;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The report as it will print, page by page, in a window of its own (not
// modal), with Print, Export PDF, Export CSV and Close. While the report is
// still being prepared the window shows a progress line with a Cancel button
// instead of the pages, and keeps the other windows from starting another run.
class ReportPreview : public QWidget {
    Q_OBJECT
public:
    // A preview waiting for its report.
    ReportPreview();
    explicit ReportPreview(const ReportResult& result, QWidget* parent = nullptr);
    ~ReportPreview() override;

    const ReportResult& result() const { return m_result; }
    bool isPreparing() const { return m_preparing; }
    // Progress of the run: the time so far and the rows read; lets the user act.
    void showProgress(qint64 elapsedMs, int rows);
    bool cancelRequested() const { return m_cancel; }
    // The run ended without a report: the window goes.
    void abandon();
    // The report is ready: the pages replace the progress line.
    void setResult(const ReportResult& result);

    int pageCount() const;
    Status exportPdf(const QString& path);
    Status exportCsv(const QString& path);
    // Where the Save dialog of an export starts: the report's title in the
    // user's documents folder.
    QString suggestedExportPath(const QString& suffix) const;
    Status exportXlsx(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void printReport();
    enum class Export { Pdf, Csv, Xlsx };
    void askExport(Export format);

    ReportResult m_result;
    std::unique_ptr<QPrinter> m_printer;
    QPrintPreviewWidget* m_view = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_progress = nullptr;
    QLabel* m_progressText = nullptr;
    QList<QPushButton*> m_pageButtons;
    QElapsedTimer m_shown;
    bool m_preparing = false;
    bool m_cancel = false;
};
