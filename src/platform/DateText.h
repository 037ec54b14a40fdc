#pragma once
#include <QDate>
#include <QString>

// The one form in which the program shows and reads dates, on screen, in the
// grids, the criteria forms and on paper: this computer's order of day, month
// and year (the locale's short date form, always with a four-digit year), or
// the order varnex.conf names ("date order = mdy | dmy | ymd"). The stored form
// is ISO (YYYY-MM-DD) whatever the order.
namespace DateText {

enum class Order { MonthDayYear, DayMonthYear, YearMonthDay };
Order order();
QChar separator();

// "07/12/2026" for 7 December 2026 under dd/mm/yyyy: two digits for day and
// month, four for the year, the locale's separator.
QString shown(const QDate& d);
// Day and month alone, in the same order ("07/12"), for a chart's axis.
QString shownWithoutYear(const QDate& d);
// Text in the order with one or two digits for day and month, any of "/", "."
// and "-" between them; an invalid QDate when it names no real day. Two-digit
// years are taken only when allowed (19xx from 30 on, else 20xx).
QDate parse(const QString& text, bool twoDigitYears = false);
// The order in words for people: "dd/mm/yyyy".
QString pattern();
// The input mask of a date box: "00/00/0000;_" in the order.
QString inputMask();
// Whether text has the shape of the mask (digits or '_' with the separators in
// their places), as a masked box gives it.
bool fitsMask(const QString& text);
// "Date: 13/31/2026 is not a date in the form dd/mm/yyyy".
QString refusal(const QString& what, const QString& text);
// The order again from the locale and varnex.conf (after either changed); the
// program reads them once per locale and application folder otherwise.
void reload();

}  // namespace DateText
