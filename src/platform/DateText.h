#pragma once
#include <QDate>
#include <QString>

// The one form in which the program shows and reads dates: month/day/year
// with a four-digit year, whatever the computer's language settings. The
// printed reports use it too, so a date reads the same on screen and paper.
namespace DateText {

// "1/2/2026" for 2 January 2026.
QString shown(const QDate& d);
// Month/day/year with one or two digits for month and day; an invalid QDate
// when the text names no real day. Two-digit years are taken only when
// allowed (19xx from 30 on, else 20xx).
QDate parse(const QString& text, bool twoDigitYears = false);

}  // namespace DateText
