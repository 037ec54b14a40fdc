#include "reports/ReportRenderer.h"

#include <cmath>

#include <QDate>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "platform/ConfigFile.h"
#include "platform/DateText.h"
#include "platform/OutputFile.h"
#include "platform/Paper.h"

#include "reports/ReportChartPainter.h"
#include "reports/SpreadsheetFile.h"

namespace {
const qreal kHeaderHeight = 64;
const qreal kFooterHeight = 28;
const qreal kPad = 4;
const QSize kChartSize(660, 300);

bool rightAligned(const ReportColumn& c) { return c.format == ReportColumn::Format::Number || c.format == ReportColumn::Format::Percent; }

// A text cell that a spreadsheet would take for a formula is kept as text.
QString csvField(QString s, bool guard) {
    if (guard && !s.isEmpty() && QStringLiteral("=+-@\t\r").contains(s.at(0)))
        s.prepend(QLatin1Char('\''));
    if (s.contains(QLatin1Char(',')) || s.contains(QLatin1Char('"')) || s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r')))
        s = QLatin1Char('"') + s.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    return s;
}

QFont font(int pixels, bool bold = false, bool italic = false) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

// One horizontal strip of the table.
struct Band {
    enum class Kind { Detail, Group, Subgroup, Subtotal, Total, Grand, Empty };
    Kind kind;
    QStringList cells;  // Detail, Subtotal, Total, Grand: one per column; Group, Subgroup, Empty: one text
};

// Places the report on pages; draws them when it has a painter. Units are
// layout pixels (96 per inch) on a page of the given size.
class Pager {
public:
    Pager(const ReportResult& r, QSizeF page, QPainter* painter)
        : m_r(r), m_page(page), m_p(painter), m_body(font(11)), m_bold(font(11, true)), m_fm(m_body), m_fmBold(m_bold) {
        m_bands = bands();
        columnWidths();
    }

    int run(int pageTotal) {
        m_pageTotal = pageTotal;
        m_pageNo = 1;
        startPage();
        firstPageTop();
        heading();
        for (int i = 0; i < m_bands.size(); ++i)
            place(m_bands.at(i), trailerHeight(i + 1));
        if (m_r.definition.recordCount) {
            qreal h = m_fm.height();
            room(h);
            text(QRectF(0, m_y + 4, m_page.width(), h), font(9), Qt::AlignLeft, m_r.definition.recordLine(m_r.rowCount));
        }
        finishPage();
        return m_pageNo;
    }

private:
    // Codes, dates and figures get the width of their longest value; the
    // columns that wrap share the rest by their relative widths. Headings take
    // their whole width where that fits, else they break between words. When
    // even that does not fit, every column gets its relative share.
    void columnWidths() {
        if (!layColumns(false))
            layColumns(true);
    }

    bool layColumns(bool headingsByWord) {
        m_x.clear();
        m_w.clear();
        const QList<ReportColumn>& cols = m_r.definition.columns;
        QList<qreal> need;
        for (const ReportColumn& c : cols) {
            qreal w = 0;
            for (const QString& word : headingsByWord ? c.heading.split(QLatin1Char(' ')) : QStringList{c.heading})
                w = qMax(w, m_fmBold.horizontalAdvance(word));
            need << w + 2 * kPad + 1;
        }
        for (const Band& b : m_bands) {
            if (b.kind == Band::Kind::Group || b.kind == Band::Kind::Subgroup || b.kind == Band::Kind::Empty)
                continue;
            const QFontMetricsF& fm = b.kind == Band::Kind::Detail ? m_fm : m_fmBold;
            for (int c = 0; c < b.cells.size(); ++c)
                if (cols.at(c).format != ReportColumn::Format::Text || b.kind != Band::Kind::Detail)
                    need[c] = qMax(need[c], fm.horizontalAdvance(b.cells.at(c)) + 2 * kPad + 1);
        }
        qreal fixed = 0;
        int wrapWeight = 0, allWeight = 0;
        for (int c = 0; c < cols.size(); ++c) {
            allWeight += cols.at(c).width;
            if (cols.at(c).format == ReportColumn::Format::Text)
                wrapWeight += cols.at(c).width;
            else
                fixed += need.at(c);
        }
        const qreal spare = m_page.width() - fixed;
        bool fits = spare >= 0;
        QList<qreal> widths;
        for (int c = 0; c < cols.size() && fits; ++c) {
            if (cols.at(c).format != ReportColumn::Format::Text) {
                widths << need.at(c);
            } else {
                widths << spare * cols.at(c).width / qMax(1, wrapWeight);
                fits = widths.last() >= qMin(need.at(c), qreal(80));
            }
        }
        if (fits && wrapWeight == 0 && !widths.isEmpty()) {
            // Nothing wraps: spread the spare width over the columns by weight.
            for (int c = 0; c < widths.size(); ++c)
                widths[c] += spare * cols.at(c).width / qMax(1, allWeight);
        }
        if (!fits) {
            if (!headingsByWord)
                return false;
            widths.clear();
            for (const ReportColumn& c : cols)
                widths << m_page.width() * c.width / qMax(1, allWeight);
        }
        qreal x = 0;
        for (qreal w : widths) {
            m_x << x;
            m_w << w;
            x += w;
        }
        m_wrapHeadings = headingsByWord;
        return true;
    }

    QList<Band> bands() const {
        const ReportDefinition& d = m_r.definition;
        QList<Band> out;
        auto cells = [&](const QVariantList& values) {
            QStringList c;
            for (int i = 0; i < d.columns.size(); ++i)
                c << m_r.format(i, values.value(i));
            return c;
        };
        auto totals = [&](const QVariantList& values, const QString& label) {
            QStringList c;
            for (int i = 0; i < d.columns.size(); ++i)
                c << m_r.formatTotal(i, values.value(i));
            if (!c.isEmpty() && !values.value(0).isValid())
                c[0] = label;
            return c;
        };
        if (m_r.rowCount == 0)
            out << Band{Band::Kind::Empty, {QStringLiteral("No records match the criteria.")}};
        const bool grouped = !d.group.isEmpty();
        for (const ReportGroup& g : m_r.groups) {
            if (grouped)
                out << Band{Band::Kind::Group, {m_r.groupLabel(g)}};
            if (g.subgroups.isEmpty()) {
                for (const QVariantList& row : g.rows)
                    out << Band{Band::Kind::Detail, cells(row)};
            }
            for (const ReportSubgroup& sg : g.subgroups) {
                out << Band{Band::Kind::Subgroup, {m_r.subgroupLabel(sg)}};
                for (int i = sg.first; i < sg.first + sg.count; ++i)
                    out << Band{Band::Kind::Detail, cells(g.rows.at(i))};
                if (!d.totals.isEmpty() && d.subgroupTotals)
                    out << Band{Band::Kind::Subtotal, totals(sg.totals, QStringLiteral("Total"))};
            }
            if (grouped && !d.totals.isEmpty())
                out << Band{Band::Kind::Total, totals(g.totals, QStringLiteral("Total"))};
        }
        if (!d.totals.isEmpty() && m_r.rowCount > 0)
            out << Band{Band::Kind::Grand, totals(m_r.totals, QStringLiteral("Grand total"))};
        return out;
    }

    // The height of the total lines that follow band i; in a two-level report a
    // detail row keeps them on its page, so a total is not printed apart from
    // the rows it adds up. (One-level reports keep their established layout.)
    qreal trailerHeight(int i) const {
        qreal h = 0;
        if (m_r.definition.subgroup.isEmpty())
            return h;
        for (; i < m_bands.size(); ++i) {
            const Band& b = m_bands.at(i);
            if (b.kind != Band::Kind::Subtotal && b.kind != Band::Kind::Total)
                break;
            h += rowHeight(b.cells, m_fmBold) + 4;
        }
        return h;
    }

    int flags(int col) const {
        const ReportColumn& c = m_r.definition.columns.at(col);
        const int align = rightAligned(c) ? Qt::AlignRight : Qt::AlignLeft;
        return align | Qt::AlignTop | (c.format == ReportColumn::Format::Text ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine));
    }

    // Codes, dates and figures stay on one line (cut short if they must);
    // descriptions and notes wrap.
    QString fit(int col, const QString& s, const QFontMetricsF& fm) const {
        if (m_r.definition.columns.at(col).format == ReportColumn::Format::Text)
            return s;
        return fm.elidedText(QString(s).replace(QLatin1Char('\n'), QLatin1Char(' ')), Qt::ElideRight, m_w.at(col) - 2 * kPad);
    }

    qreal rowHeight(const QStringList& cells, const QFontMetricsF& fm) const {
        qreal h = fm.height();
        for (int c = 0; c < cells.size(); ++c)
            h = qMax(h, fm.boundingRect(QRectF(0, 0, m_w.at(c) - 2 * kPad, 1e6), flags(c), fit(c, cells.at(c), fm)).height());
        return h + 2 * kPad;
    }

    void text(const QRectF& r, const QFont& f, int fl, const QString& s) {
        if (!m_p)
            return;
        m_p->setFont(f);
        m_p->drawText(r, fl, s);
    }

    void fill(const QRectF& r, const QColor& c) {
        if (m_p)
            m_p->fillRect(r, c);
    }

    void line(qreal y, const QColor& c, qreal width) {
        if (m_p) {
            m_p->setPen(QPen(c, width));
            m_p->drawLine(QPointF(0, y), QPointF(m_page.width(), y));
            m_p->setPen(Qt::black);
        }
    }

    void drawCells(const QStringList& cells, const QFont& f, const QFontMetricsF& fm, qreal h) {
        for (int c = 0; c < cells.size(); ++c)
            text(QRectF(m_x.at(c) + kPad, m_y + kPad, m_w.at(c) - 2 * kPad, h - 2 * kPad), f, flags(c), fit(c, cells.at(c), fm));
    }

    void startPage() {
        m_y = kHeaderHeight;
        if (!m_p)
            return;
        const qreal w = m_page.width();
        m_p->setPen(Qt::black);
        text(QRectF(0, 0, w, 14), font(9), Qt::AlignLeft, ConfigFile::plantName(QStringLiteral("KEL Manufacturing Software")));
        text(QRectF(0, 0, w, 14), font(9), Qt::AlignRight, QStringLiteral("Printed ") + DateText::shown(m_r.printedAt.date()) +
                                                                     m_r.printedAt.toString(QStringLiteral(" hh:mm")));
        text(QRectF(0, 16, w, 24), font(16, true), Qt::AlignHCenter, m_r.definition.title);
        line(kHeaderHeight - 12, Qt::black, 1.2);
    }

    void finishPage() {
        if (!m_p)
            return;
        const qreal w = m_page.width(), h = m_page.height();
        line(h - kFooterHeight + 6, Qt::black, 0.6);
        text(QRectF(0, h - kFooterHeight + 10, w, 14), font(9), Qt::AlignLeft, QStringLiteral("Varnex"));
        text(QRectF(0, h - kFooterHeight + 10, w, 14), font(9), Qt::AlignHCenter,
             QStringLiteral("Page %1 of %2").arg(m_pageNo).arg(qMax(m_pageTotal, m_pageNo)));
    }

    void newPage() {
        finishPage();
        if (m_p && !m_device()->newPage())
            m_failed = true;
        ++m_pageNo;
        startPage();
    }

    QPagedPaintDevice* m_device() const { return static_cast<QPagedPaintDevice*>(m_p->device()); }

    // Starts a new page (with the column headings) when h does not fit.
    void room(qreal h, bool headings = false) {
        if (m_y + h <= m_page.height() - kFooterHeight)
            return;
        newPage();
        if (headings) {
            heading();
            if (!m_group.isEmpty())
                groupHeading(m_group + QStringLiteral(" (continued)"));
            if (!m_subgroup.isEmpty())
                subgroupHeading(m_subgroup + QStringLiteral(" (continued)"));
        }
    }

    void groupHeading(const QString& label) {
        const qreal h = m_fmBold.height() + 2 * kPad;
        fill(QRectF(0, m_y, m_page.width(), h), QColor(238, 242, 248));
        text(QRectF(kPad, m_y + kPad, m_page.width() - 2 * kPad, h), m_bold, Qt::AlignLeft | Qt::TextSingleLine, label);
        m_y += h;
    }

    // The second level sits indented under its group, in a lighter shade.
    void subgroupHeading(const QString& label) {
        const qreal h = m_fmBold.height() + 2 * kPad, indent = 16;
        fill(QRectF(indent, m_y, m_page.width() - indent, h), QColor(247, 248, 251));
        text(QRectF(indent + kPad, m_y + kPad, m_page.width() - indent - 2 * kPad, h), m_bold, Qt::AlignLeft | Qt::TextSingleLine, label);
        m_y += h;
    }

    void firstPageTop() {
        if (!m_r.definition.subtitle.isEmpty()) {
            const QString& t = m_r.definition.subtitle;
            const qreal h = m_fm.boundingRect(QRectF(0, 0, m_page.width(), 1e6), Qt::TextWordWrap | Qt::AlignHCenter, t).height();
            text(QRectF(0, m_y - 8, m_page.width(), h), font(11, false, true), Qt::AlignHCenter | Qt::TextWordWrap, t);
            m_y += h + 6;
        }
        if (!m_r.criteria.isEmpty()) {
            const QString c = m_r.criteria.join(QStringLiteral("     "));
            const qreal h = m_fm.boundingRect(QRectF(0, 0, m_page.width(), 1e6), Qt::TextWordWrap, c).height();
            text(QRectF(0, m_y, m_page.width(), h), m_body, Qt::AlignLeft | Qt::TextWordWrap, c);
            m_y += h + 10;
        }
        if (ReportChartPainter::hasChart(m_r)) {
            const QSizeF size = QSizeF(kChartSize).scaled(QSizeF(m_page.width(), kChartSize.height()), Qt::KeepAspectRatio);
            room(size.height());
            if (m_p)
                m_p->drawImage(QRectF((m_page.width() - size.width()) / 2, m_y, size.width(), size.height()),
                               ReportChartPainter::render(m_r, kChartSize));
            m_y += size.height() + 14;
        }
    }

    void heading() {
        QStringList cells;
        for (const ReportColumn& c : m_r.definition.columns)
            cells << c.heading;
        if (!m_wrapHeadings) {
            const qreal h = rowHeight(cells, m_fmBold);
            room(h);
            fill(QRectF(0, m_y, m_page.width(), h), QColor(217, 217, 217));
            drawCells(cells, m_bold, m_fmBold, h);
            m_y += h;
            return;
        }
        // Headings that do not fit on one line break between words, never inside one.
        auto headingFlags = [this](int c) { return (flags(c) & ~int(Qt::TextSingleLine)) | Qt::TextWordWrap; };
        qreal h = m_fmBold.height();
        for (int c = 0; c < cells.size(); ++c)
            h = qMax(h, m_fmBold.boundingRect(QRectF(0, 0, m_w.at(c) - 2 * kPad, 1e6), headingFlags(c), cells.at(c)).height());
        h += 2 * kPad;
        room(h);
        fill(QRectF(0, m_y, m_page.width(), h), QColor(217, 217, 217));
        for (int c = 0; c < cells.size(); ++c)
            text(QRectF(m_x.at(c) + kPad, m_y + kPad, m_w.at(c) - 2 * kPad, h - 2 * kPad), m_bold, headingFlags(c), cells.at(c));
        m_y += h;
    }

    void place(const Band& b, qreal trailer) {
        switch (b.kind) {
        case Band::Kind::Group: {
            // A group heading is not left alone at the foot of a page.
            m_group.clear();
            m_subgroup.clear();
            room(2 * (m_fm.height() + 2 * kPad), true);
            m_group = b.cells.first();
            groupHeading(m_group);
            break;
        }
        case Band::Kind::Subgroup: {
            m_subgroup.clear();
            room(2 * (m_fm.height() + 2 * kPad), true);
            m_subgroup = b.cells.first();
            subgroupHeading(m_subgroup);
            break;
        }
        case Band::Kind::Empty: {
            const qreal h = m_fm.height() + 2 * kPad;
            room(h, true);
            text(QRectF(kPad, m_y + kPad, m_page.width(), h), font(11, false, true), Qt::AlignLeft, b.cells.first());
            m_y += h;
            break;
        }
        case Band::Kind::Detail: {
            const qreal h = rowHeight(b.cells, m_fm);
            room(h + trailer, true);
            drawCells(b.cells, m_body, m_fm, h);
            m_y += h;
            break;
        }
        case Band::Kind::Subtotal:
        case Band::Kind::Total:
        case Band::Kind::Grand: {
            if (b.kind != Band::Kind::Subtotal)
                m_subgroup.clear();
            if (b.kind == Band::Kind::Grand)
                m_group.clear();
            const qreal h = rowHeight(b.cells, m_fmBold);
            room(h, true);
            if (b.kind == Band::Kind::Grand)
                fill(QRectF(0, m_y, m_page.width(), h), QColor(217, 217, 217));
            else
                line(m_y, QColor(128, 128, 128), b.kind == Band::Kind::Subtotal ? 0.4 : 0.8);
            drawCells(b.cells, m_bold, m_fmBold, h);
            m_y += h + (b.kind == Band::Kind::Grand ? 0 : 4);
            if (b.kind == Band::Kind::Subtotal)
                m_subgroup.clear();
            break;
        }
        }
    }

    const ReportResult& m_r;
    QSizeF m_page;
    QPainter* m_p;
    QFont m_body, m_bold;
    QFontMetricsF m_fm, m_fmBold;
    QList<Band> m_bands;
    QList<qreal> m_x, m_w;
    bool m_wrapHeadings = false;  // the headings did not fit on one line
    QString m_group;  // the group whose rows are being placed
    QString m_subgroup;  // and the subgroup within it
    qreal m_y = 0;
    int m_pageNo = 1;
    int m_pageTotal = 0;

public:
    bool m_failed = false;
};

QSizeF pageSize(QPagedPaintDevice* device) {
    const qreal scale = device->logicalDpiX() / 96.0;
    return QSizeF(device->width() / scale, device->height() / scale);
}
}  // namespace

namespace ReportRenderer {

void setUpPage(const ReportDefinition& d, QPagedPaintDevice* device) {
    device->setPageSize(Paper::size());
    device->setPageOrientation(d.orientation == ReportDefinition::Orientation::Landscape ? QPageLayout::Landscape
                                                                                          : QPageLayout::Portrait);
    device->setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
}

int pageCount(const ReportResult& r, QPagedPaintDevice* device) {
    Pager pager(r, pageSize(device), nullptr);
    return pager.run(0);
}

Status paint(const ReportResult& r, QPagedPaintDevice* device) {
    const int pages = pageCount(r, device);
    QPainter p;
    if (!p.begin(device))
        return Status::fail(QStringLiteral("Unable to start printing the report."));
    // Layout units are 96 per inch; the device may be finer.
    const qreal scale = device->logicalDpiX() / 96.0;
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    Pager pager(r, pageSize(device), &p);
    pager.run(pages);
    p.end();
    if (pager.m_failed)
        return Status::fail(QStringLiteral("Unable to start a new page of the report."));
    return Status::ok();
}

Status writePdf(const ReportResult& r, const QString& path) {
    Status s = checkOutputPath(r, path);
    if (!s)
        return s;
    OutputFile file(path);
    s = file.open();
    if (!s)
        return s;
    {
        QPdfWriter writer(file.device());
        writer.setTitle(r.definition.title);
        writer.setCreator(QStringLiteral("Varnex"));
        setUpPage(r.definition, &writer);
        writer.setResolution(300);
        s = paint(r, &writer);
        if (!s)
            return s;
    }
    return file.commit();
}

}  // namespace ReportRenderer

namespace {
// The column headings of an export: the group's and subgroup's, then the report's.
QStringList exportHeadings(const ReportDefinition& d) {
    QStringList headings;
    if (!d.group.isEmpty())
        headings << (d.groupHeading.isEmpty() ? d.group : d.groupHeading);
    if (!d.group.isEmpty() && !d.subgroup.isEmpty())
        headings << (d.subgroupHeading.isEmpty() ? d.subgroup : d.subgroupHeading);
    for (const ReportColumn& c : d.columns)
        headings << c.heading;
    return headings;
}

// Every line an export carries, in order: its group's and subgroup's values
// (when the report has them), its cells, and for a totals line its label.
template <class Line>
void forEachExportLine(const ReportResult& r, Line line) {
    const ReportDefinition& d = r.definition;
    const bool grouped = !d.group.isEmpty();
    const bool totals = d.exportTotals && !d.totals.isEmpty() && r.rowCount > 0;
    for (const ReportGroup& g : r.groups) {
        if (g.subgroups.isEmpty()) {
            for (const QVariantList& row : g.rows)
                line(g.key.toString(), QString(), row, QString());
        }
        for (const ReportSubgroup& sg : g.subgroups) {
            for (int i = sg.first; i < sg.first + sg.count; ++i)
                line(g.key.toString(), sg.key.toString(), g.rows.at(i), QString());
            if (totals && d.subgroupTotals)
                line(g.key.toString(), sg.key.toString(), sg.totals, QStringLiteral("Total"));
        }
        if (totals && grouped)
            line(g.key.toString(), QString(), g.totals, QStringLiteral("Total"));
    }
    if (totals)
        line(QString(), QString(), r.totals, QStringLiteral("Grand total"));
}
}  // namespace

namespace ReportRenderer {

QString csv(const ReportResult& r) {
    const ReportDefinition& d = r.definition;
    const bool grouped = !d.group.isEmpty();
    const bool subgrouped = grouped && !d.subgroup.isEmpty();
    QStringList header;
    for (const QString& h : exportHeadings(d))
        header << csvField(h, false);
    QString out = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    // One line: the group's value, then the cells; a totals line names itself
    // in the first column when that column has no total of its own.
    forEachExportLine(r, [&](const QString& groupValue, const QString& subgroupValue, const QVariantList& values, const QString& label) {
        QStringList fields;
        if (grouped)
            fields << csvField(groupValue, true);
        if (subgrouped)
            fields << csvField(subgroupValue, true);
        for (int c = 0; c < d.columns.size(); ++c) {
            const ReportColumn& col = d.columns.at(c);
            // Numbers go out plain (no % sign, a dot for the decimals) and dates
            // as ISO 8601, so that a spreadsheet anywhere reads them as they are.
            const QVariant v = values.value(c);
            QString text;
            if (c == 0 && !label.isEmpty() && !v.isValid())
                text = label;
            else if (col.format == ReportColumn::Format::Percent && v.isValid() && !v.isNull())
                text = QString::number(v.toDouble(), 'f', 1);
            else if (col.format == ReportColumn::Format::Date && QDate::fromString(v.toString(), Qt::ISODate).isValid())
                text = v.toString();
            else
                text = label.isEmpty() ? r.format(c, v) : r.formatTotal(c, v);
            fields << csvField(text, col.format == ReportColumn::Format::Text || col.format == ReportColumn::Format::Code);
        }
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    });
    return out;
}

Status writeXlsx(const ReportResult& r, const QString& path) {
    Status s = checkOutputPath(r, path);
    if (!s)
        return s;
    const ReportDefinition& d = r.definition;
    const bool grouped = !d.group.isEmpty();
    const bool subgrouped = grouped && !d.subgroup.isEmpty();
    SpreadsheetFile sheet(d.title, exportHeadings(d));
    // The cells as what they are: dates, numbers (a share as printed, to one
    // decimal), and text as the report shows it.
    forEachExportLine(r, [&](const QString& groupValue, const QString& subgroupValue, const QVariantList& values, const QString& label) {
        QVariantList cells;
        if (grouped)
            cells << groupValue;
        if (subgrouped)
            cells << subgroupValue;
        for (int c = 0; c < d.columns.size(); ++c) {
            const QVariant v = values.value(c);
            const ReportColumn::Format format = d.columns.at(c).format;
            if (c == 0 && !label.isEmpty() && !v.isValid())
                cells << label;
            else if (!v.isValid() || v.isNull())
                cells << QVariant();
            else if (format == ReportColumn::Format::Date && QDate::fromString(v.toString(), Qt::ISODate).isValid())
                cells << QDate::fromString(v.toString(), Qt::ISODate);
            else if (format == ReportColumn::Format::Number)
                cells << v.toDouble();
            else if (format == ReportColumn::Format::Percent)
                cells << std::round(v.toDouble() * 10) / 10;
            else
                cells << r.format(c, v);
        }
        if (label.isEmpty())
            sheet.addRow(cells);
        else
            sheet.addTotal(cells);
    });
    return sheet.write(path, d.databasePath);
}

Status writeCsv(const ReportResult& r, const QString& path) {
    Status s = checkOutputPath(r, path);
    if (!s)
        return s;
    OutputFile file(path);
    s = file.open();
    if (s)
        s = file.write(QByteArray("\xEF\xBB\xBF") + csv(r).toUtf8());  // UTF-8, marked so for spreadsheets
    if (s)
        s = file.commit();
    return s;
}

namespace {
// Device and inode: the same file under any name (links, "temp/../").
bool sameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    return !a.isEmpty() && !b.isEmpty() && ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QByteArray head(const QString& path, int bytes) {
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(bytes);
}
}  // namespace

Status checkOutputPath(const ReportResult& r, const QString& path) {
    return checkOutputPath(path, r.definition.databasePath, r.definition.sourcePath);
}

Status checkOutputPath(const QString& path, const QString& databasePath, const QString& definitionPath) {
    const QString shown = QDir::toNativeSeparators(path);
    auto refuse = [&](const QString& why) {
        return Status::fail(QStringLiteral("The report was not written to '%1': %2").arg(shown, why));
    };
    if (sameFile(path, databasePath))
        return refuse(QStringLiteral("it is the database the report reads."));
    if (sameFile(path, definitionPath) || path.endsWith(QLatin1String(".rpt"), Qt::CaseInsensitive))
        return refuse(QStringLiteral("it is a report definition."));
    const QByteArray start = head(path, 16);
    if (start == QByteArray("SQLite format 3\0", 16))
        return refuse(QStringLiteral("it is a database file."));
    if (start.startsWith(QByteArray::fromHex("d9d505f920a163d7")))
        return refuse(QStringLiteral("it is the journal of a database."));
    return Status::ok();
}

}  // namespace ReportRenderer
