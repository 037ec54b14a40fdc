#pragma once
#include <QList>
#include <QStringList>
#include <QVariant>

#include "platform/Status.h"
#include "reports/ReportResult.h"

// A grid's rows as a report, so they print, preview and export exactly as the
// reports do: one column per heading, each laid out by the type of its values
// (dates, numbers, text), the rows in the order given, no groups and no totals.
namespace GridReport {
ReportResult make(const QString& title, const QStringList& headings, const QList<QVariantList>& rows);
// Opens the report preview (Print, Export PDF, Export CSV) on the rows.
void preview(const QString& title, const QStringList& headings, const QList<QVariantList>& rows);
// Writes the rows to a file, in the form its name asks for: .xlsx a spreadsheet,
// anything else the reports' CSV.
Status exportRows(const QString& title, const QStringList& headings, const QList<QVariantList>& rows, const QString& path);
}  // namespace GridReport
