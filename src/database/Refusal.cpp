#include "database/Refusal.h"

#include <QRegularExpression>

#include "platform/DateText.h"

namespace Refusal {

QString fieldWords(const QString& field) {
    static const struct {
        const char* field;
        const char* words;
    } kWords[] = {
        {"ModelNumber", "Model number"},   {"SerialNum", "Serial number"},         {"InspectorNum", "Inspector number"},
        {"Station", "Station"},            {"PartNum", "Part number"},             {"DefectCode", "Defect code"},
        {"LocationCode", "Location code"}, {"InspNum", "Previous inspector"},      {"OperatorNum", "Operator number"},
        {"ReworkNum", "Rework number"},    {"Facility", "Facility"},               {"Date", "Date"},
        {"IDate", "Prev Inspection Date"}, {"ODate", "Operator Date"},             {"Notes", "Notes"},
        {"StationID", "Station ID"},       {"EmployeeNum", "Employee number"},     {"EmployeeID", "Employee ID"},
        {"FirstName", "First name"},       {"LastName", "Last name"},              {"InspectionID", "Inspection ID"},
        {"ModelDescription", "Description"}, {"partdescription", "Description"}, {"defectdescription", "Description"},
        {"location description", "Description"}, {"Station Description", "Station description"},
    };
    for (const auto& w : kWords)
        if (field.compare(QLatin1String(w.field), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(w.words);
    return field;
}

QString describe(const QString& engineText, const ValueOf& valueOf, QString* field) {
    static const QRegularExpression unique(QStringLiteral("^UNIQUE constraint failed: ([^.,]+)\\.([^.,]+)$"));
    static const QRegularExpression notNull(QStringLiteral("^NOT NULL constraint failed: ([^.,]+)\\.([^.,]+)$"));
    static const QRegularExpression realDate(QStringLiteral("^CHECK constraint failed: (.+) must be a real date$"));
    static const QRegularExpression kind(
        QStringLiteral("^cannot store (\\w+) value in (INTEGER|REAL) column ([^.]+)\\.(.+)$"));
    QString named;
    if (!field)
        field = &named;
    field->clear();
    const QString text = engineText.trimmed();
    if (const auto m = unique.match(text); m.hasMatch()) {
        *field = m.captured(2);
        return QStringLiteral("%1 %2 is already in the %3 table.")
            .arg(fieldWords(*field), valueOf(*field).toString(), m.captured(1));
    }
    if (const auto m = notNull.match(text); m.hasMatch()) {
        *field = m.captured(2);
        return QStringLiteral("%1 must be filled in: every row of the %2 table has one.").arg(fieldWords(*field), m.captured(1));
    }
    if (const auto m = realDate.match(text); m.hasMatch()) {
        // The constraint is named after the field's label.
        static const char* const kDateFields[] = {"Date", "IDate", "ODate"};
        for (const char* date : kDateFields)
            if (fieldWords(QString::fromLatin1(date)) == m.captured(1)) {
                *field = QString::fromLatin1(date);
                return DateText::refusal(m.captured(1), valueOf(*field).toString());
            }
    }
    if (text == QLatin1String("CHECK constraint failed: Facility is one character")) {
        *field = QStringLiteral("Facility");
        return QStringLiteral("Facility: %1 is more than one character.").arg(valueOf(*field).toString());
    }
    if (const auto m = kind.match(text); m.hasMatch()) {
        *field = m.captured(4);
        return QStringLiteral("%1: %2 is not %3.")
            .arg(fieldWords(*field), valueOf(*field).toString(),
                 m.captured(2) == QLatin1String("INTEGER") ? QStringLiteral("a whole number") : QStringLiteral("a number"));
    }
    return engineText;
}

}  // namespace Refusal
