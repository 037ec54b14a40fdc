#include "monitor/LineBoardTile.h"

#include <QLocale>
#include <QPainter>

namespace {

const QColor kTile(0x26, 0x2b, 0x33);
const QColor kText(0xff, 0xff, 0xff);
const QColor kDim(0xb8, 0xc0, 0xcc);
const QColor kGreen(0x2e, 0x9d, 0x3a);
const QColor kAmber(0xf2, 0xb1, 0x1b);
const QColor kRed(0xd3, 0x2f, 0x2f);
const QColor kTrack(0x44, 0x4b, 0x57);

QString percent(double share) { return QLocale().toString(100.0 * share, 'f', 1) + QStringLiteral(" %"); }

QFont sized(const QFont& base, int pixels, bool bold) {
    QFont f(base);
    f.setPixelSize(qMax(pixels, 8));
    f.setBold(bold);
    return f;
}

}  // namespace

LineBoardTile::LineBoardTile(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 260);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void LineBoardTile::setTile(const StationTile& tile, const QHash<QString, QString>& defectNames) {
    m_tile = tile;
    m_names = defectNames;
    setObjectName(QStringLiteral("tile") + tile.station);
    // What the tile says, for screen readers and tests alike.
    setAccessibleName(tile.station);
    update();
}

QColor LineBoardTile::barColour(const StationTile& t) {
    if (!t.hasLimits || t.units == 0)
        return kDim;
    if (t.p() > t.ucl())
        return kRed;
    return t.p() > t.pbar ? kAmber : kGreen;
}

void LineBoardTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(4, 4, -4, -4);
    const bool alarmed = !m_tile.alarm.isEmpty();
    p.setPen(alarmed ? QPen(kRed, 6) : Qt::NoPen);
    p.setBrush(kTile);
    p.drawRoundedRect(box, 10, 10);

    // The type follows the tile: 16 lines of text fill its height, 11 its width.
    const double line = qMin(box.height() / 16.0, box.width() / 11.0);
    const double pad = line * 0.6;
    QRectF r = box.adjusted(pad, pad * 0.5, -pad, 0);
    const QLocale locale;

    // Station, and its units.
    p.setPen(kText);
    p.setFont(sized(font(), int(line * 1.4), true));
    QRectF head(r.left(), r.top(), r.width(), line * 1.8);
    p.drawText(head, Qt::AlignLeft | Qt::AlignVCenter, p.fontMetrics().elidedText(m_tile.station, Qt::ElideRight, int(r.width())));
    p.setFont(sized(font(), int(line * 0.75), false));
    p.setPen(kDim);
    QRectF units(r.left(), head.bottom(), r.width(), line);
    p.drawText(units, Qt::AlignLeft | Qt::AlignVCenter, (m_tile.units == 1 ? tr("1 unit first inspected")
                                          : tr("%1 units first inspected").arg(locale.toString(m_tile.units))));

    // First pass yield.
    QRectF yield(r.left(), units.bottom() + line * 0.2, r.width(), line * 2.2);
    p.setPen(kText);
    p.setFont(sized(font(), int(line * 2.0), true));
    p.drawText(yield, Qt::AlignLeft | Qt::AlignVCenter, m_tile.units > 0 ? percent(m_tile.firstPassYield()) : QStringLiteral("-"));
    QRectF yieldCaption(r.left(), yield.bottom(), r.width(), line * 0.9);
    p.setFont(sized(font(), int(line * 0.75), false));
    p.setPen(kDim);
    p.drawText(yieldCaption, Qt::AlignLeft | Qt::AlignVCenter, tr("first pass yield"));

    // p against the UCL: the track runs to half again the larger of them.
    const double ucl = m_tile.ucl();
    const double scale = qMax(0.05, 1.5 * qMax(ucl, m_tile.p()));
    QRectF caption(r.left(), yieldCaption.bottom() + line * 0.3, r.width(), line);
    p.setFont(sized(font(), int(line * 0.8), true));
    p.setPen(barColour(m_tile));
    p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("p ") + percent(m_tile.p()));
    p.setPen(kText);
    p.setFont(sized(font(), int(line * 0.8), false));
    p.drawText(caption, Qt::AlignRight | Qt::AlignVCenter,
               m_tile.hasLimits && m_tile.units > 0 ? QStringLiteral("UCL ") + percent(ucl) : tr("no limits"));
    QRectF track(r.left(), caption.bottom() + line * 0.3, r.width(), line * 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kTrack);
    p.drawRoundedRect(track, 4, 4);
    QRectF fill = track;
    fill.setWidth(track.width() * qMin(1.0, m_tile.p() / scale));
    p.setBrush(barColour(m_tile));
    p.drawRoundedRect(fill, 4, 4);
    if (m_tile.hasLimits && m_tile.units > 0) {
        const double x = track.left() + track.width() * qMin(1.0, ucl / scale);
        p.setPen(QPen(kText, qMax(3.0, line * 0.15)));
        p.drawLine(QPointF(x, track.top() - line * 0.25), QPointF(x, track.bottom() + line * 0.25));
    }

    // The day's most frequent defects.
    double y = track.bottom() + line * 0.6;
    p.setFont(sized(font(), int(line * 0.8), false));
    for (const auto& d : m_tile.topDefects) {
        const QRectF row(r.left(), y, r.width(), line * 1.1);
        const QString name = m_names.value(d.first);
        const QString count = locale.toString(d.second);
        const int room = int(r.width()) - p.fontMetrics().horizontalAdvance(count + QStringLiteral("  "));
        p.setPen(kText);
        p.drawText(row, Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(name.isEmpty() ? d.first : name, Qt::ElideRight, room));
        p.drawText(row, Qt::AlignRight | Qt::AlignVCenter, count);
        y += line * 1.1;
    }
    if (m_tile.topDefects.isEmpty()) {
        p.setPen(kDim);
        p.drawText(QRectF(r.left(), y, r.width(), line * 1.1), Qt::AlignLeft | Qt::AlignVCenter, tr("No defects"));
    }

    // The open alarm across the bottom.
    if (alarmed) {
        const QRectF band(box.left(), box.bottom() - line * 2.4, box.width(), line * 2.4);
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawRoundedRect(band, 10, 10);
        p.setPen(kText);
        p.setFont(sized(font(), int(line * 0.7), true));
        QString text = m_tile.alarm;
        if (m_tile.openAlarms > 1)
            text += tr(" (+%1 more)").arg(m_tile.openAlarms - 1);
        p.drawText(band.adjusted(pad, 0, -pad, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, text);
    }
}
