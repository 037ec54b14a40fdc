#include "platform/DateText.h"

#include <QRegularExpression>

namespace DateText {

QString shown(const QDate& d) {
    return QStringLiteral("%1/%2/%3").arg(d.month()).arg(d.day()).arg(d.year(), 4, 10, QLatin1Char('0'));
}

QDate parse(const QString& text, bool twoDigitYears) {
    static const QRegularExpression mdy(QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})\\s*$"));
    const auto m = mdy.match(text);
    if (!m.hasMatch())
        return QDate();
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2) {
        if (!twoDigitYears)
            return QDate();
        year += year < 30 ? 2000 : 1900;
    }
    return QDate(year, m.captured(1).toInt(), m.captured(2).toInt());
}

}  // namespace DateText
