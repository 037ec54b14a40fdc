#include "reports/GridReport.h"

#include <QDate>

#include "reports/ReportPreview.h"
#include "reports/ReportRenderer.h"

namespace GridReport {
namespace {

// A column's layout from the first value it holds.
ReportColumn::Format formatOf(const QList<QVariantList>& rows, int column) {
    for (const QVariantList& row : rows) {
        const QVariant v = row.value(column);
        if (v.isNull() || !v.isValid())
            continue;
        switch (v.typeId()) {
        case QMetaType::QDate: return ReportColumn::Format::Date;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Double: return ReportColumn::Format::Number;
        default: return ReportColumn::Format::Code;
        }
    }
    return ReportColumn::Format::Code;
}

}  // namespace

ReportResult make(const QString& title, const QStringList& headings, const QList<QVariantList>& rows) {
    ReportResult r;
    r.definition.title = title;
    r.definition.orientation = headings.size() > 8 ? ReportDefinition::Orientation::Landscape
                                                   : ReportDefinition::Orientation::Portrait;
    r.definition.exportTotals = false;
    for (int c = 0; c < headings.size(); ++c) {
        ReportColumn col;
        col.field = headings.at(c);
        col.heading = headings.at(c);
        col.format = formatOf(rows, c);
        // Notes and descriptions take the room a long text needs, and wrap.
        if (col.format == ReportColumn::Format::Code &&
            (col.field.contains(QLatin1String("description"), Qt::CaseInsensitive) || col.field == QLatin1String("Notes"))) {
            col.format = ReportColumn::Format::Text;
            col.width = 24;
        }
        r.definition.columns << col;
    }
    ReportGroup all;
    all.rows = rows;
    r.groups << all;
    r.rowCount = int(rows.size());
    r.printedAt = QDateTime::currentDateTime();
    return r;
}

void preview(const QString& title, const QStringList& headings, const QList<QVariantList>& rows) {
    auto* window = new ReportPreview(make(title, headings, rows));
    window->show();
    window->raise();
    window->activateWindow();
}

Status exportRows(const QString& title, const QStringList& headings, const QList<QVariantList>& rows, const QString& path) {
    const ReportResult result = make(title, headings, rows);
    return path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive) ? ReportRenderer::writeXlsx(result, path)
                                                                      : ReportRenderer::writeCsv(result, path);
}

}  // namespace GridReport
