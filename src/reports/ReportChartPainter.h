#pragma once
#include <QImage>

#include "reports/ReportResult.h"

// Draws the chart a report definition asks for: a Pareto chart (bars of the
// counts, largest first, with the cumulative percentage line) or a bar chart
// of a percentage per group (first pass yield by model).
namespace ReportChartPainter {
bool hasChart(const ReportResult& r);
// The chart at size (in layout pixels), drawn scale times finer for print.
QImage render(const ReportResult& r, const QSize& size, qreal scale = 3.0);
}  // namespace ReportChartPainter
