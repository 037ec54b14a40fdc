#pragma once
#include <memory>

#include <QWidget>

#include "reports/ReportResult.h"

class QPrinter;
class QPrintPreviewWidget;

// The report as it will print, page by page, in a window of its own (not
// modal), with Print, Export PDF, Export CSV and Close.
class ReportPreview : public QWidget {
    Q_OBJECT
public:
    explicit ReportPreview(const ReportResult& result, QWidget* parent = nullptr);
    ~ReportPreview() override;

    const ReportResult& result() const { return m_result; }
    int pageCount() const;
    Status exportPdf(const QString& path);
    Status exportCsv(const QString& path);

private:
    void printReport();
    void askExport(bool pdf);

    ReportResult m_result;
    std::unique_ptr<QPrinter> m_printer;
    QPrintPreviewWidget* m_view;
};
