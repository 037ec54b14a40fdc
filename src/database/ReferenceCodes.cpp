#include "database/ReferenceCodes.h"

namespace ReferenceCodes {

namespace {
QString quoted(const QString& identifier) {
    return QLatin1Char('"') + QString(identifier).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}
}  // namespace

Status list(Database& db, const QString& table, const QString& field, QStringList* codes) {
    codes->clear();
    SqlStatement st(db, QStringLiteral("SELECT %1 FROM %2 WHERE %1 IS NOT NULL ORDER BY %1").arg(quoted(field), quoted(table)));
    while (st.next())
        *codes << st.value(0).toString();
    return st.status();
}

Status knows(Database& db, const QString& table, const QString& field, const QString& code, bool* known) {
    *known = true;
    SqlStatement st(db, QStringLiteral("SELECT EXISTS (SELECT 1 FROM %2 WHERE %1 = ?), EXISTS (SELECT 1 FROM %2)")
                            .arg(quoted(field), quoted(table)));
    st.bind(1, code);
    if (st.next())
        *known = st.int64(0) != 0 || st.int64(1) == 0;
    return st.status();
}

const Use* use(const QString& table) {
    static const Use uses[] = {
        {"defects", "defectcode", "Defect code", "code", {QStringLiteral("DefectCode")}},
        {"Parts", "partnum", "Part", "number", {QStringLiteral("PartNum")}},
        {"location", "locationcode", "Location code", "code", {QStringLiteral("LocationCode")}},
        {"Model", "ModelNumber", "Model", "number", {QStringLiteral("ModelNumber")}},
        {"Station", "StationID", "Station", "ID", {QStringLiteral("Station")}},
        {"Employees", "EmployeeNum", "Employee", "number",
         {QStringLiteral("InspectorNum"), QStringLiteral("InspNum"), QStringLiteral("OperatorNum")}},
    };
    for (const Use& u : uses)
        if (table.compare(QLatin1String(u.table), Qt::CaseInsensitive) == 0)
            return &u;
    return nullptr;
}

Status countUses(Database& db, const Use& use, const QVariant& code, qint64* rows) {
    *rows = 0;
    if (code.isNull() || code.toString().isEmpty())
        return Status::ok();  // no row names an empty code
    // One query however many columns name the code: a row naming it twice
    // counts once. Only the model number has an index (the unit's); for the
    // other codes the table is read, which happens only when a code is
    // deleted or changed.
    QStringList tests;
    for (const QString& column : use.columns)
        tests << quoted(column) + QStringLiteral(" = ?");
    SqlStatement st(db, QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE ") + tests.join(QStringLiteral(" OR ")));
    for (int i = 1; i <= use.columns.size(); ++i)
        st.bind(i, code);
    if (st.next())
        *rows = st.int64(0);
    return st.status();
}

}  // namespace ReferenceCodes
