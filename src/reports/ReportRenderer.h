#pragma once
#include <QString>

#include "platform/Status.h"
#include "reports/ReportResult.h"

class QPagedPaintDevice;

// Lays a report result out as printed pages: a page header with the title,
// the criteria and the chart on the first page, the table with its column
// headings repeated on every page, group headings and totals, and "Page n of
// m" below. Rows are placed one after another, so the time grows with the
// number of rows and no more. Also writes the report as PDF, CSV or a spreadsheet (the CSV
// carries the totals lines when the definition exports them; UTF-8 with a
// byte-order mark, ISO dates, numbers with a dot).
namespace ReportRenderer {
// This computer's paper (Paper::size), the definition's orientation, 15 mm margins: as the preview, the printer and PDF lay it out.
void setUpPage(const ReportDefinition& d, QPagedPaintDevice* device);
// Paints every page on a device that has begun no painter yet (QPrinter, QPdfWriter).
Status paint(const ReportResult& r, QPagedPaintDevice* device);
// The number of pages the report takes on a device.
int pageCount(const ReportResult& r, QPagedPaintDevice* device);
// The writers refuse a path that checkOutputPath() refuses; they write a
// temporary file and rename it over the path, so a failure (a full disk)
// leaves no half-written file and is reported.
Status writePdf(const ReportResult& r, const QString& path);
QString csv(const ReportResult& r);
Status writeCsv(const ReportResult& r, const QString& path);
// A spreadsheet (.xlsx): the headings, dates as date cells, numbers as numbers, the totals lines.
Status writeXlsx(const ReportResult& r, const QString& path);
// Fails when path names the database the report reads, any SQLite database
// or journal, or a report definition: a report written there would destroy it.
Status checkOutputPath(const ReportResult& r, const QString& path);
Status checkOutputPath(const QString& path, const QString& databasePath, const QString& definitionPath);
}  // namespace ReportRenderer
