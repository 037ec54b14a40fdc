#include "reports/DataCollectionSheet.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "platform/ConfigFile.h"
#include "platform/Paper.h"

namespace {
struct Column {
    const char* heading;
    qreal writeMm;  // room to write the value by hand; Notes (0) takes what is left
};

// The fields in the order the data entry screen takes them.
const Column kColumns[] = {
    {"Model Number", 20}, {"Serial Number", 26}, {"Pass (\u2713)", 10},      {"Part No.", 12},
    {"Defect Code", 12},  {"Location Code", 14}, {"Prev. Inspector No.", 15}, {"Prev. Insp. Date", 20},
    {"Operator No.", 15}, {"Operator Date", 20}, {"Notes", 0},               {"Entered (\u2713)", 13},
};

// Sizes in layout units (points), as the painter is scaled to them.
QFont font(int points, bool bold = false) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(points);
    f.setBold(bold);
    return f;
}

// Millimetres to layout units of the painter (points: 72 per inch).
qreal mm(qreal v) { return v * 72.0 / 25.4; }
}  // namespace

namespace DataCollectionSheet {

QString plantName() { return ConfigFile::plantName(QStringLiteral("KEL Manufacturing")); }

void setUpPage(QPagedPaintDevice* device) {
    device->setPageSize(Paper::size());
    device->setPageOrientation(QPageLayout::Landscape);
    device->setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
}

Status paint(QPagedPaintDevice* device) {
    QPainter p;
    if (!p.begin(device))
        return Status::fail(QStringLiteral("Unable to start printing the data collection sheet."));
    // Work in points, whatever the device's resolution.
    const qreal scale = device->logicalDpiX() / 72.0;
    p.scale(scale, scale);
    const qreal width = device->width() / scale, height = device->height() / scale;
    p.setPen(QPen(Qt::black, 0.8));

    // Heading: the plant, the sheet's name, and the lines that say whose sheet it is.
    qreal y = 0;
    p.setFont(font(15, true));
    p.drawText(QRectF(0, y, width, 22), Qt::AlignLeft | Qt::AlignVCenter, plantName());
    p.setFont(font(13, true));
    p.drawText(QRectF(0, y, width, 22), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Inspection Data Collection Sheet"));
    y += 34;
    // Label and share of the line's width.
    const QList<QPair<QString, int>> blanks{{QStringLiteral("Date"), 4}, {QStringLiteral("Facility"), 3}, {QStringLiteral("Station"), 3},
                                           {QStringLiteral("Inspector No."), 4}, {QStringLiteral("Inspector Name"), 6}};
    p.setFont(font(11));
    qreal bx = 0;
    for (const auto& b : blanks) {
        const qreal slot = width * b.second / 20;
        const qreal label = QFontMetricsF(p.font()).horizontalAdvance(b.first + QStringLiteral(": "));
        p.drawText(QRectF(bx, y, label, 16), Qt::AlignLeft | Qt::AlignBottom, b.first + QLatin1Char(':'));
        p.drawLine(QPointF(bx + label, y + 16), QPointF(bx + slot - 14, y + 16));
        bx += slot;
    }
    y += 30;

    // Columns: room to write, and each heading's longest word fits, so headings break
    // only between words; Notes takes the rest of the width.
    const QFont headFont = font(9, true);
    const QFontMetricsF fm(headFont);
    const qreal pad = 3;
    QList<qreal> widths;
    qreal fixed = 0;
    int notes = 0;
    for (const Column& c : kColumns) {
        qreal longest = 0;
        for (const QString& word : QString::fromUtf8(c.heading).split(QLatin1Char(' ')))
            longest = qMax(longest, fm.horizontalAdvance(word));
        if (c.writeMm == 0)
            notes = int(widths.size());
        widths << qMax(longest + 2 * pad + 2, mm(c.writeMm));
        fixed += widths.last();
    }
    widths[notes] += qMax<qreal>(0, width - fixed);

    qreal headHeight = 0;
    for (int i = 0; i < widths.size(); ++i)
        headHeight = qMax(headHeight, fm.boundingRect(QRectF(0, 0, widths.at(i) - 2 * pad, 1e4), Qt::TextWordWrap,
                                                      QString::fromUtf8(kColumns[i].heading)).height());
    headHeight += 2 * pad;
    p.fillRect(QRectF(0, y, width, headHeight), QColor(225, 225, 225));
    p.setFont(headFont);
    qreal x = 0;
    for (int i = 0; i < widths.size(); ++i) {
        p.drawText(QRectF(x + pad, y + pad, widths.at(i) - 2 * pad, headHeight - 2 * pad),
                   Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap, QString::fromUtf8(kColumns[i].heading));
        x += widths.at(i);
    }
    const qreal top = y;
    y += headHeight;

    // Rows of 9 mm down to the foot line.
    const qreal footer = 16, row = mm(9);
    const int rows = int((height - footer - y) / row);
    for (int r = 0; r <= rows; ++r)
        p.drawLine(QPointF(0, y + r * row), QPointF(width, y + r * row));
    const qreal bottom = y + rows * row;
    p.drawLine(QPointF(0, top), QPointF(width, top));
    x = 0;
    p.drawLine(QPointF(0, top), QPointF(0, bottom));
    for (qreal w : widths) {
        x += w;
        p.drawLine(QPointF(x, top), QPointF(x, bottom));
    }

    p.setFont(font(8));
    p.drawText(QRectF(0, height - footer + 4, width, footer - 4), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("One line for each unit that passes and one line for each defect found. "
                              "Pass: part 001, defect code 1, location code 1. Tick Entered when the line is typed in."));
    p.end();
    return Status::ok();
}

Status writePdf(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::fail(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("Inspection Data Collection Sheet"));
        writer.setCreator(QStringLiteral("Varnex"));
        writer.setResolution(300);
        setUpPage(&writer);
        const Status s = paint(&writer);
        if (!s) {
            file.cancelWriting();
            return s;
        }
    }
    if (!file.commit())
        return Status::fail(file.errorString());
    return Status::ok();
}

}  // namespace DataCollectionSheet
