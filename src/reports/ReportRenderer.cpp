#include "reports/ReportRenderer.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include "reports/ReportChartPainter.h"

namespace {
const char* const kHeader = "KEL Manufacturing Software";
const qreal kHeaderHeight = 64;
const qreal kFooterHeight = 28;
const QSize kChartSize(660, 300);

QString cell(const QString& text, bool right, const QString& extra = QString()) {
    return QStringLiteral("<td%1%2>%3</td>")
        .arg(right ? QStringLiteral(" align=\"right\"") : QString(), extra,
             text.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br>")));
}

bool rightAligned(const ReportColumn& c) { return c.format == ReportColumn::Format::Number || c.format == ReportColumn::Format::Percent; }
// Codes, dates and figures stay on one line; descriptions and notes wrap.
QString nowrap(const ReportColumn& c) {
    return c.format == ReportColumn::Format::Text ? QString() : QStringLiteral(" style=\"white-space:nowrap\"");
}

QString totalsRow(const ReportResult& r, const QVariantList& totals, const QString& label, const QString& style) {
    QString row = QStringLiteral("<tr style=\"%1\">").arg(style);
    for (int c = 0; c < r.definition.columns.size(); ++c) {
        const QVariant v = totals.value(c);
        if (c == 0 && !v.isValid())
            row += QStringLiteral("<td style=\"white-space:nowrap\"><b>%1</b></td>").arg(label.toHtmlEscaped());
        else
            row += QStringLiteral("<td align=\"%1\"><b>%2</b></td>")
                       .arg(rightAligned(r.definition.columns.at(c)) ? QStringLiteral("right") : QStringLiteral("left"),
                            r.format(c, v).toHtmlEscaped());
    }
    return row + QStringLiteral("</tr>\n");
}

bool hasTotals(const ReportResult& r) { return !r.definition.totals.isEmpty(); }

// A text cell that a spreadsheet would take for a formula is kept as text.
QString csvField(QString s, bool guard) {
    if (guard && !s.isEmpty() && QStringLiteral("=+-@\t\r").contains(s.at(0)))
        s.prepend(QLatin1Char('\''));
    if (s.contains(QLatin1Char(',')) || s.contains(QLatin1Char('"')) || s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r')))
        s = QLatin1Char('"') + s.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    return s;
}
}  // namespace

namespace ReportRenderer {

QString html(const ReportResult& r) {
    const ReportDefinition& d = r.definition;
    const int ncols = d.columns.size();
    int totalWidth = 0;
    for (const ReportColumn& c : d.columns)
        totalWidth += c.width;
    QString h = QStringLiteral("<html><body>\n");
    if (!r.criteria.isEmpty())
        h += QStringLiteral("<p>%1</p><p></p>\n").arg(r.criteria.join(QStringLiteral("&nbsp;&nbsp;&nbsp;")));
    if (ReportChartPainter::hasChart(r))
        h += QStringLiteral("<p align=\"center\"><img src=\"chart://report\" width=\"%1\" height=\"%2\"></p>\n")
                 .arg(kChartSize.width()).arg(kChartSize.height());
    h += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\" style=\"border-collapse:collapse\">\n<thead><tr style=\"background-color:#d9d9d9\">");
    for (const ReportColumn& c : d.columns)
        h += QStringLiteral("<th width=\"%1%\" align=\"%2\" style=\"white-space:nowrap\">%3</th>")
                 .arg(100 * c.width / qMax(1, totalWidth))
                 .arg(rightAligned(c) ? QStringLiteral("right") : QStringLiteral("left"), c.heading.toHtmlEscaped());
    h += QStringLiteral("</tr></thead>\n");
    if (r.rowCount == 0)
        h += QStringLiteral("<tr><td colspan=\"%1\"><i>No records match the criteria.</i></td></tr>\n").arg(ncols);
    const bool grouped = !d.group.isEmpty();
    for (const ReportGroup& g : r.groups) {
        if (grouped)
            h += QStringLiteral("<tr style=\"background-color:#eef2f8\"><td colspan=\"%1\"><b>%2</b></td></tr>\n")
                     .arg(ncols).arg(r.groupLabel(g).toHtmlEscaped());
        for (const QVariantList& row : g.rows) {
            h += QStringLiteral("<tr>");
            for (int c = 0; c < ncols; ++c)
                h += cell(r.format(c, row.at(c)), rightAligned(d.columns.at(c)), nowrap(d.columns.at(c)));
            h += QStringLiteral("</tr>\n");
        }
        if (grouped && hasTotals(r))
            h += totalsRow(r, g.totals, QStringLiteral("Total"), QStringLiteral("border-top:1px solid #808080"));
    }
    if (hasTotals(r) && r.rowCount > 0)
        h += totalsRow(r, r.totals, QStringLiteral("Grand total"), QStringLiteral("background-color:#d9d9d9"));
    h += QStringLiteral("</table>\n");
    h += QStringLiteral("<p><small>%1 record(s)</small></p>\n</body></html>\n").arg(r.rowCount);
    return h;
}

std::unique_ptr<QTextDocument> document(const ReportResult& r, qreal width) {
    auto doc = std::make_unique<QTextDocument>();
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    doc->setDefaultFont(font);
    doc->setDocumentMargin(0);
    if (ReportChartPainter::hasChart(r))
        doc->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("chart://report")),
                         ReportChartPainter::render(r, kChartSize));
    doc->setHtml(html(r));
    doc->setTextWidth(width);
    return doc;
}

Status paint(const ReportResult& r, QPagedPaintDevice* device) {
    QPainter p;
    if (!p.begin(device))
        return Status::fail(QStringLiteral("Unable to start printing the report."));
    // Layout units are 96 per inch; the device may be finer.
    const qreal scale = device->logicalDpiX() / 96.0;
    const qreal width = device->width() / scale;
    const qreal height = device->height() / scale;
    const qreal bodyHeight = height - kHeaderHeight - kFooterHeight;
    auto doc = document(r, width);
    doc->setPageSize(QSizeF(width, bodyHeight));
    const int pages = qMax(1, doc->pageCount());
    QFont small(QStringLiteral("Sans Serif"));
    small.setPixelSize(9);
    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(16);
    title.setBold(true);
    p.scale(scale, scale);
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !device->newPage())
            return Status::fail(QStringLiteral("Unable to start a new page of the report."));
        p.setPen(Qt::black);
        p.setFont(small);
        p.drawText(QRectF(0, 0, width, 14), Qt::AlignLeft, QString::fromLatin1(kHeader));
        p.drawText(QRectF(0, 0, width, 14), Qt::AlignRight,
                   QStringLiteral("Printed ") + r.printedAt.toString(QStringLiteral("MM/dd/yyyy hh:mm")));
        p.setFont(title);
        p.drawText(QRectF(0, 16, width, 24), Qt::AlignHCenter, r.definition.title);
        p.setPen(QPen(Qt::black, 1.2));
        p.drawLine(QPointF(0, kHeaderHeight - 12), QPointF(width, kHeaderHeight - 12));
        p.save();
        p.translate(0, kHeaderHeight - page * bodyHeight);
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.clip = QRectF(0, page * bodyHeight, width, bodyHeight);
        p.setClipRect(ctx.clip);
        doc->documentLayout()->draw(&p, ctx);
        p.restore();
        p.setPen(QPen(Qt::black, 0.6));
        p.drawLine(QPointF(0, height - kFooterHeight + 6), QPointF(width, height - kFooterHeight + 6));
        p.setFont(small);
        p.drawText(QRectF(0, height - kFooterHeight + 10, width, 14), Qt::AlignLeft, QStringLiteral("Varnex"));
        p.drawText(QRectF(0, height - kFooterHeight + 10, width, 14), Qt::AlignHCenter,
                   QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages));
    }
    p.end();
    return Status::ok();
}

Status writePdf(const ReportResult& r, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::fail(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setTitle(r.definition.title);
        writer.setCreator(QStringLiteral("Varnex"));
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(300);
        const Status s = paint(r, &writer);
        if (!s) {
            file.cancelWriting();
            return s;
        }
    }
    if (!file.commit())
        return Status::fail(file.errorString());
    return Status::ok();
}

QString csv(const ReportResult& r) {
    const ReportDefinition& d = r.definition;
    const bool grouped = !d.group.isEmpty();
    QStringList header;
    if (grouped)
        header << csvField(d.groupHeading.isEmpty() ? d.group : d.groupHeading, false);
    for (const ReportColumn& c : d.columns)
        header << csvField(c.heading, false);
    QString out = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const ReportGroup& g : r.groups) {
        for (const QVariantList& row : g.rows) {
            QStringList fields;
            if (grouped)
                fields << csvField(g.key.toString(), true);
            for (int c = 0; c < d.columns.size(); ++c) {
                const ReportColumn& col = d.columns.at(c);
                // Numbers go out plain (no % sign) so a spreadsheet reads them as numbers.
                const QVariant v = row.at(c);
                QString text;
                if (col.format == ReportColumn::Format::Percent && v.isValid() && !v.isNull())
                    text = QString::number(v.toDouble(), 'f', 1);
                else
                    text = r.format(c, v);
                fields << csvField(text, col.format == ReportColumn::Format::Text || col.format == ReportColumn::Format::Code);
            }
            out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
        }
    }
    return out;
}

Status writeCsv(const ReportResult& r, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::fail(file.errorString());
    file.write(csv(r).toUtf8());
    if (!file.commit())
        return Status::fail(file.errorString());
    return Status::ok();
}

}  // namespace ReportRenderer
