#include "platform/DateText.h"

#include <QLocale>
#include <QRegularExpression>

#include "platform/AppPaths.h"
#include "platform/ConfigFile.h"

namespace DateText {

namespace {
struct Form {
    Order order = Order::MonthDayYear;
    QChar separator = QLatin1Char('/');
};

// The order of d, M and y in the locale's short date format. The C locale
// names no country's habit: it reads and shows ISO's year-month-day.
Form localeForm(const QLocale& locale) {
    if (locale.language() == QLocale::C)
        return {Order::YearMonthDay, QLatin1Char('-')};
    const QString f = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = f.indexOf(QLatin1Char('d')), m = f.indexOf(QLatin1Char('M')), y = f.indexOf(QLatin1Char('y'));
    Form form;
    if (y >= 0 && y < m && y < d)
        form.order = Order::YearMonthDay;
    else if (d >= 0 && d < m)
        form.order = Order::DayMonthYear;
    for (const QChar c : f)
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\'')) {
            form.separator = c;
            break;
        }
    return form;
}

Form readForm() {
    const QLocale locale;
    Form form = localeForm(locale);
    const QString configured = ConfigFile::value(QStringLiteral("date order")).toLower();
    const struct { const char* name; Order order; } named[] = {
        {"mdy", Order::MonthDayYear}, {"dmy", Order::DayMonthYear}, {"ymd", Order::YearMonthDay}};
    for (const auto& n : named)
        if (configured == QLatin1String(n.name))
            form.order = n.order;
    return form;
}

struct Cache {
    QString locale, folder;
    bool read = false;
    Form form;
};
Cache& cache() {
    static Cache c;
    return c;
}

const Form& form() {
    Cache& c = cache();
    const QString locale = QLocale().name(), folder = AppPaths::folder();
    if (!c.read || c.locale != locale || c.folder != folder) {
        c.form = readForm();
        c.locale = locale;
        c.folder = folder;
        c.read = true;
    }
    return c.form;
}

QString two(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

// The three parts in the order's sequence, each as given.
QString joined(const QString& day, const QString& month, const QString& year) {
    const QChar s = form().separator;
    switch (form().order) {
    case Order::MonthDayYear: return month + s + day + s + year;
    case Order::DayMonthYear: return day + s + month + s + year;
    case Order::YearMonthDay: return year + s + month + s + day;
    }
    return QString();
}
}  // namespace

Order order() { return form().order; }
QChar separator() { return form().separator; }

QString shown(const QDate& d) {
    if (!d.isValid())
        return QString();
    return joined(two(d.day()), two(d.month()), QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')));
}

QString shownWithoutYear(const QDate& d) {
    if (!d.isValid())
        return QString();
    const QChar s = form().separator;
    return form().order == Order::DayMonthYear ? two(d.day()) + s + two(d.month()) : two(d.month()) + s + two(d.day());
}

QDate parse(const QString& text, bool twoDigitYears) {
    static const QRegularExpression dayFirst(QStringLiteral("^\\s*(\\d{1,2})([/.-])(\\d{1,2})\\2(\\d{2}|\\d{4})\\s*$"));
    static const QRegularExpression yearFirst(QStringLiteral("^\\s*(\\d{4})([/.-])(\\d{1,2})\\2(\\d{1,2})\\s*$"));
    const Order o = form().order;
    const auto m = (o == Order::YearMonthDay ? yearFirst : dayFirst).match(text);
    if (!m.hasMatch())
        return QDate();
    const QString yearText = o == Order::YearMonthDay ? m.captured(1) : m.captured(4);
    int year = yearText.toInt();
    if (yearText.size() == 2) {
        if (!twoDigitYears)
            return QDate();
        year += year < 30 ? 2000 : 1900;
    }
    int month = 0, day = 0;
    switch (o) {
    case Order::MonthDayYear: month = m.captured(1).toInt(), day = m.captured(3).toInt(); break;
    case Order::DayMonthYear: day = m.captured(1).toInt(), month = m.captured(3).toInt(); break;
    case Order::YearMonthDay: month = m.captured(3).toInt(), day = m.captured(4).toInt(); break;
    }
    return QDate(year, month, day);
}

QString pattern() { return joined(QStringLiteral("dd"), QStringLiteral("mm"), QStringLiteral("yyyy")); }

QString inputMask() {
    // The separator is escaped: some characters have a meaning in a mask.
    const QString s = QLatin1Char('\\') + form().separator;
    const QString two = QStringLiteral("00"), four = QStringLiteral("0000");
    const QString mask = form().order == Order::YearMonthDay ? four + s + two + s + two : two + s + two + s + four;
    return mask + QStringLiteral(";_");
}

bool fitsMask(const QString& text) {
    const QString shape = pattern();
    if (text.size() != shape.size())
        return false;
    for (int i = 0; i < shape.size(); ++i) {
        const bool place = shape.at(i).isLetter();
        const QChar c = text.at(i);
        if (place ? !(c.isDigit() || c == QLatin1Char('_')) : c != shape.at(i))
            return false;
    }
    return true;
}

QString refusal(const QString& what, const QString& text) {
    QString typed = text.trimmed();
    if (typed.remove(QLatin1Char('_')) == joined(QString(), QString(), QString()) || typed.isEmpty())
        return QStringLiteral("%1: no date was entered; enter it in the form %2").arg(what, pattern());
    return QStringLiteral("%1: %2 is not a date in the form %3").arg(what, text.trimmed(), pattern());
}

void reload() { cache().read = false; }

}  // namespace DateText
