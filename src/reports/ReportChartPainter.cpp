#include "reports/ReportChartPainter.h"

#include <algorithm>
#include <cmath>

#include <QDate>
#include <QPainter>
#include <QPainterPath>

#include "platform/DateText.h"

namespace {
struct Bar {
    QString label;
    double value = 0;
    double compare = 0;  // the bar drawn beside it, when the chart compares
};

// A round axis maximum and step for values up to max.
void niceAxis(double max, double* top, double* step) {
    if (max <= 0)
        max = 1;
    const double raw = max / 5;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double n = raw / mag;
    *step = (n <= 1 ? 1 : n <= 2 ? 2 : n <= 5 ? 5 : 10) * mag;
    if (*step < 1)
        *step = 1;  // counts are whole numbers
    *top = std::ceil(max / *step) * *step;
}

const QColor kBar(52, 101, 164);
const QColor kLine(204, 0, 0);
const QColor kGrid(210, 210, 210);

QList<Bar> paretoBars(const ReportResult& r) {
    const ReportDefinition& d = r.definition;
    const int labelCol = d.columnIndex(d.chart.label), valueCol = d.columnIndex(d.chart.value);
    const int compareCol = d.columnIndex(d.chart.compare);
    QList<Bar> bars;
    for (const ReportGroup& g : r.groups)
        for (const QVariantList& row : g.rows)
            bars << Bar{row.at(labelCol).toString(), row.at(valueCol).toDouble(), compareCol >= 0 ? row.at(compareCol).toDouble() : 0};
    std::stable_sort(bars.begin(), bars.end(), [](const Bar& a, const Bar& b) { return a.value > b.value; });
    // Beyond a dozen and a half the bars are folded into one "Other" bar.
    const int keep = 18;
    if (bars.size() > keep + 1) {
        Bar other{QStringLiteral("Other"), 0};
        for (int i = keep; i < bars.size(); ++i) {
            other.value += bars.at(i).value;
            other.compare += bars.at(i).compare;
        }
        bars = bars.mid(0, keep);
        bars << other;
    }
    return bars;
}

QList<Bar> groupBars(const ReportResult& r) {
    const int col = r.definition.columnIndex(r.definition.chart.value);
    QList<Bar> bars;
    for (const ReportGroup& g : r.groups)
        bars << Bar{g.key.toString(), g.totals.value(col).toDouble()};
    return bars;
}

void drawFrame(QPainter& p, const QRectF& plot, double top, double step, bool percentAxis, const QFont& small) {
    p.setFont(small);
    for (double v = 0; v <= top + 1e-9; v += step) {
        const double y = plot.bottom() - plot.height() * v / top;
        p.setPen(QPen(kGrid, 0.8));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(Qt::black);
        const QString text = percentAxis ? QString::number(v, 'f', 0) + QLatin1Char('%') : QString::number(v, 'f', 0);
        p.drawText(QRectF(plot.left() - 48, y - 8, 42, 16), Qt::AlignRight | Qt::AlignVCenter, text);
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
}

void drawBars(QPainter& p, const QRectF& plot, const QList<Bar>& bars, double top, bool percentLabels, const QFont& small,
              QList<QPointF>* centres) {
    const double slot = plot.width() / bars.size();
    const double width = slot * 0.62;
    p.setFont(small);
    for (int i = 0; i < bars.size(); ++i) {
        const double h = plot.height() * bars.at(i).value / top;
        const QRectF bar(plot.left() + slot * i + (slot - width) / 2, plot.bottom() - h, width, h);
        p.fillRect(bar, kBar);
        p.setPen(Qt::black);
        const QString value = percentLabels ? QString::number(bars.at(i).value, 'f', 1) + QLatin1Char('%')
                                            : QString::number(bars.at(i).value, 'f', 0);
        p.drawText(QRectF(bar.left() - 20, bar.top() - 16, bar.width() + 40, 14), Qt::AlignHCenter | Qt::AlignBottom, value);
        const QRectF labelRect(plot.left() + slot * i, plot.bottom() + 3, slot, 30);
        p.drawText(labelRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   p.fontMetrics().elidedText(bars.at(i).label, Qt::ElideRight, int(slot * 2)));
        if (centres)
            *centres << QPointF(bar.center().x(), bar.top());
    }
}
const QColor kOutside(204, 0, 0);

struct ChartPoint {
    QString label;
    double p = 0, centre = 0, lower = 0, upper = 0;
    bool outside() const { return p > upper + 1e-9 || p < lower - 1e-9; }
};

QList<ChartPoint> chartPoints(const ReportResult& r) {
    const ReportChart& c = r.definition.chart;
    const ReportDefinition& d = r.definition;
    const int label = d.columnIndex(c.label), value = d.columnIndex(c.value), centre = d.columnIndex(c.centre),
              lower = d.columnIndex(c.lower), upper = d.columnIndex(c.upper);
    QList<ChartPoint> points;
    for (const ReportGroup& g : r.groups)
        for (const QVariantList& row : g.rows) {
            const QDate day = QDate::fromString(row.at(label).toString(), Qt::ISODate);
            points << ChartPoint{day.isValid() ? DateText::shownWithoutYear(day) : row.at(label).toString(),
                                 row.at(value).toDouble(), row.at(centre).toDouble(), row.at(lower).toDouble(),
                                 row.at(upper).toDouble()};
        }
    return points;
}

// The p-chart: each period's share as a point on a line, its own control
// limits as a step drawn across its slot, the centre line dashed across the
// whole range; a point outside its limits is drawn larger in red.
void drawPChart(QPainter& p, const QRectF& plot, const QList<ChartPoint>& points, const QSize& size, const QFont& small) {
    double max = 0;
    for (const ChartPoint& pt : points)
        max = qMax(max, qMax(pt.p, pt.upper));
    double top, step;
    niceAxis(qMin(100.0, max * 1.05), &top, &step);
    drawFrame(p, plot, top, step, true, small);
    auto y = [&](double v) { return plot.bottom() - plot.height() * qBound(0.0, v, top) / top; };
    const double slot = plot.width() / points.size();
    QPainterPath upper, lower, line;
    for (int i = 0; i < points.size(); ++i) {
        const ChartPoint& pt = points.at(i);
        const double left = plot.left() + slot * i, right = left + slot;
        i == 0 ? upper.moveTo(left, y(pt.upper)) : upper.lineTo(left, y(pt.upper));
        upper.lineTo(right, y(pt.upper));
        i == 0 ? lower.moveTo(left, y(pt.lower)) : lower.lineTo(left, y(pt.lower));
        lower.lineTo(right, y(pt.lower));
        const QPointF c(left + slot / 2, y(pt.p));
        i == 0 ? line.moveTo(c) : line.lineTo(c);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 120, 120), 1.1));
    p.drawPath(upper);
    p.drawPath(lower);
    const double centre = points.first().centre;
    p.setPen(QPen(QColor(0, 128, 0), 1.3, Qt::DashLine));
    p.drawLine(QPointF(plot.left(), y(centre)), QPointF(plot.right(), y(centre)));
    p.setPen(QPen(kBar, 1.3));
    p.drawPath(line);
    for (int i = 0; i < points.size(); ++i) {
        const ChartPoint& pt = points.at(i);
        const QPointF c(plot.left() + slot * (i + 0.5), y(pt.p));
        const bool out = pt.outside();
        p.setPen(QPen(out ? kOutside : kBar, 1));
        p.setBrush(out ? kOutside : kBar);
        p.drawEllipse(c, out ? 4.0 : 2.4, out ? 4.0 : 2.4);
    }
    // Period labels: as many as fit, evenly spread.
    p.setFont(small);
    p.setPen(Qt::black);
    const int every = qMax(1, int(std::ceil(points.size() * 44.0 / plot.width())));
    for (int i = 0; i < points.size(); i += every)
        p.drawText(QRectF(plot.left() + slot * (i + 0.5) - 30, plot.bottom() + 3, 60, 14), Qt::AlignHCenter | Qt::AlignTop,
                   points.at(i).label);
    // Legend.
    const qreal ly = 24;
    qreal x = plot.left();
    auto legend = [&](const QPen& pen, bool dot, const QString& text) {
        p.setPen(pen);
        if (dot) {
            p.setBrush(pen.color());
            p.drawEllipse(QPointF(x + 8, ly + 6), 3.5, 3.5);
        } else {
            p.drawLine(QPointF(x, ly + 6), QPointF(x + 16, ly + 6));
        }
        p.setPen(Qt::black);
        const QString t = text;
        p.drawText(QRectF(x + 20, ly, 200, 14), Qt::AlignLeft | Qt::AlignVCenter, t);
        x += 26 + p.fontMetrics().horizontalAdvance(t) + 14;
    };
    legend(QPen(kBar, 1.3), false, QStringLiteral("p (not passed first time)"));
    legend(QPen(QColor(0, 128, 0), 1.3, Qt::DashLine), false, QStringLiteral("p-bar %1%").arg(centre, 0, 'f', 1));
    legend(QPen(QColor(120, 120, 120), 1.1), false, QStringLiteral("3-sigma limits"));
    if (std::any_of(points.cbegin(), points.cend(), [](const ChartPoint& pt) { return pt.outside(); }))
        legend(QPen(kOutside, 1), true, QStringLiteral("outside its limits"));
    Q_UNUSED(size);
}

}  // namespace

namespace ReportChartPainter {

bool hasChart(const ReportResult& r) { return r.definition.chart.kind != ReportChart::Kind::None && r.rowCount > 0; }

QImage render(const ReportResult& r, const QSize& size, qreal scale) {
    QImage image(QSize(qRound(size.width() * scale), qRound(size.height() * scale)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    if (!hasChart(r))
        return image;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    QFont titleFont(QStringLiteral("Sans Serif"));
    titleFont.setPixelSize(14);
    titleFont.setBold(true);
    QFont small(QStringLiteral("Sans Serif"));
    small.setPixelSize(10);
    p.setFont(titleFont);
    p.drawText(QRectF(0, 4, size.width(), 20), Qt::AlignHCenter, r.definition.chart.title);
    const QRectF plot(58, 40, size.width() - 58 - 58, size.height() - 40 - 44);

    if (r.definition.chart.kind == ReportChart::Kind::PChart) {
        drawPChart(p, plot, chartPoints(r), size, small);
    } else if (r.definition.chart.kind == ReportChart::Kind::Pareto) {
        const QList<Bar> bars = paretoBars(r);
        const bool compares = !r.definition.chart.compare.isEmpty();
        double total = 0, max = 0;
        for (const Bar& b : bars) {
            total += b.value;
            max = qMax(max, qMax(b.value, compares ? b.compare : 0.0));
        }
        double top, step;
        niceAxis(max, &top, &step);
        drawFrame(p, plot, top, step, false, small);
        QList<QPointF> centres;
        if (compares) {
            // Each code's pair shares its slot: its own bar on the left, the compared one in grey on the right.
            const double slot = plot.width() / bars.size();
            for (int i = 0; i < bars.size(); ++i) {
                const double h = plot.height() * bars.at(i).compare / top;
                p.fillRect(QRectF(plot.left() + slot * i + slot * 0.52, plot.bottom() - h, slot * 0.36, h), QColor(170, 170, 170));
            }
            p.setFont(small);
            p.fillRect(QRectF(size.width() / 2.0 - 90, 26, 10, 8), QColor(170, 170, 170));
            p.setPen(Qt::black);
            p.drawText(QRectF(size.width() / 2.0 - 76, 22, 260, 14), Qt::AlignLeft, r.definition.chart.compareLabel);
            for (int i = 0; i < bars.size(); ++i) {
                const double h = plot.height() * bars.at(i).value / top;
                const QRectF bar(plot.left() + slot * i + slot * 0.12, plot.bottom() - h, slot * 0.36, h);
                p.fillRect(bar, kBar);
                p.drawText(QRectF(bar.left() - 20, bar.top() - 16, bar.width() + 40, 14), Qt::AlignHCenter | Qt::AlignBottom,
                           QString::number(bars.at(i).value, 'f', 0));
                p.drawText(QRectF(plot.left() + slot * i, plot.bottom() + 3, slot, 30), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                           p.fontMetrics().elidedText(bars.at(i).label, Qt::ElideRight, int(slot * 2)));
                centres << QPointF(bar.center().x(), bar.top());
            }
        } else {
            drawBars(p, plot, bars, top, false, small, &centres);
        }
        // Cumulative percentage on the right-hand axis.
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(plot.topRight(), plot.bottomRight());
        for (int pct = 0; pct <= 100; pct += 20) {
            const double y = plot.bottom() - plot.height() * pct / 100.0;
            p.drawText(QRectF(plot.right() + 6, y - 8, 44, 16), Qt::AlignLeft | Qt::AlignVCenter, QString::number(pct) + QLatin1Char('%'));
        }
        QPainterPath line;
        double running = 0;
        QList<QPointF> points;
        for (int i = 0; i < bars.size(); ++i) {
            running += bars.at(i).value;
            const QPointF pt(centres.at(i).x(), plot.bottom() - plot.height() * (total > 0 ? running / total : 0));
            points << pt;
            i == 0 ? line.moveTo(pt) : line.lineTo(pt);
        }
        p.setPen(QPen(kLine, 1.6));
        p.drawPath(line);
        p.setBrush(kLine);
        for (const QPointF& pt : points)
            p.drawEllipse(pt, 2.6, 2.6);
        p.setFont(small);
        p.setPen(Qt::black);
        p.drawText(QRectF(0, 22, 120, 14), Qt::AlignLeft, QStringLiteral("Defects"));
        p.drawText(QRectF(size.width() - 120, 22, 120, 14), Qt::AlignRight, QStringLiteral("Cumulative %"));
    } else {
        const QList<Bar> bars = groupBars(r);
        drawFrame(p, plot, 100, 20, true, small);
        drawBars(p, plot, bars, 100, true, small, nullptr);
        const int col = r.definition.columnIndex(r.definition.chart.value);
        const QVariant overall = r.totals.value(col);
        if (overall.isValid()) {
            const double y = plot.bottom() - plot.height() * overall.toDouble() / 100.0;
            p.setPen(QPen(kLine, 1.4, Qt::DashLine));
            p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            p.setFont(small);
            p.setPen(kLine);
            p.drawText(QRectF(size.width() - 200, 22, 200, 14), Qt::AlignRight,
                       QStringLiteral("- - Overall %1%").arg(overall.toDouble(), 0, 'f', 1));
        }
    }
    return image;
}

}  // namespace ReportChartPainter
