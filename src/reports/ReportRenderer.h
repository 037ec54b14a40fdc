#pragma once
#include <memory>

#include <QString>

#include "platform/Status.h"
#include "reports/ReportResult.h"

class QPagedPaintDevice;
class QTextDocument;

// Lays a report result out as printed pages (a page header with the report's
// title and criteria, the table with its group headings and totals, the
// chart, and "Page n of m" below), and writes it as PDF or CSV.
namespace ReportRenderer {
QString html(const ReportResult& r);
// The document for a text width in layout pixels (96 per inch), chart included.
std::unique_ptr<QTextDocument> document(const ReportResult& r, qreal width);
// Paints every page on a device that has begun no painter yet (QPrinter, QPdfWriter).
Status paint(const ReportResult& r, QPagedPaintDevice* device);
Status writePdf(const ReportResult& r, const QString& path);
QString csv(const ReportResult& r);
Status writeCsv(const ReportResult& r, const QString& path);
}  // namespace ReportRenderer
