#include "tables/RecordEditorFamily.h"

namespace RecordEditorFamily {

namespace {
RecordEditorField field(const char* box, const char* labelName, const char* name, const char* label, int maxLength) {
    return {QString::fromLatin1(box), QString::fromLatin1(labelName), QString::fromLatin1(name), QString::fromLatin1(label),
            maxLength};
}

RecordEditorSpec editor(const char* form, const char* caption, const char* table, QList<RecordEditorField> fields) {
    RecordEditorSpec s;
    s.form = QString::fromLatin1(form);
    s.caption = QString::fromLatin1(caption);
    s.table = QString::fromLatin1(table);
    s.fields = std::move(fields);
    return s;
}

QList<RecordEditorSpec> build() {
    // The caption "Defect " ends in a blank. Two field names hold a blank.
    RecordEditorSpec defects = editor("frmDefects", "Defect ", "defects",
        {field("txtDefectCode", "lblDefectCode", "defectcode", "Defect Code:", 0),
         field("txtDefectDescription", "lblDefectDescription", "defectdescription", "Description:", 50)});
    defects.selectCodeOnEnter = true;

    RecordEditorSpec part = editor("frmPart", "Part", "Parts",
        {field("txtPartNumber", "lblPartNumber", "partnum", "Part Number:", 0),
         field("txtDescription", "lblDescription", "partdescription", "Description:", 50)});

    RecordEditorSpec model = editor("frmModel", "Model", "Model",
        {field("txtModelNumber", "lblModelNumber", "ModelNumber", "Model Number:", 15),
         field("txtModelDescription", "lblModelDescription", "ModelDescription", "Description:", 50)});

    RecordEditorSpec location = editor("frmLocation", "Location", "location",
        {field("txtLocationCode", "lblLocationCode", "locationcode", "Location Code:", 0),
         field("txtLocationDescription", "lblLocationDescription", "location description", "Description:", 50)});
    location.selectCodeOnEnter = true;

    RecordEditorSpec station = editor("frmStation", "Station", "Station",
        {field("txtStation", "lblStation", "StationID", "Station ID:", 6),
         field("txtStationDescription", "lblStationDescription", "Station Description", "Station Description:", 50)});
    station.handlesNavigatorEvents = false;
    station.helpContext = 310;  // the Station editor has a topic of its own

    // The employee boxes and labels are the indexed groups txtFields and
    // lblLabels: element i is named "txtFields_i" and "lblLabels_i".
    RecordEditorSpec employee = editor("frmEmployee", "Employee", "Employees",
        {field("txtFields_0", "lblLabels_0", "EmployeeNum", "Employee Number:", 0),
         field("txtFields_1", "lblLabels_1", "LastName", "Last Name:", 20),
         field("txtFields_2", "lblLabels_2", "FirstName", "First Initial:", 20)});
    employee.addFocusesFirstField = false;
    employee.upperCaseAllOnLeave = true;

    return {defects, part, model, location, station, employee};
}
}  // namespace

const QList<RecordEditorSpec>& members() {
    static const QList<RecordEditorSpec> family = build();
    return family;
}

const RecordEditorSpec* find(const QString& form) {
    for (const RecordEditorSpec& s : members())
        if (s.form == form)
            return &s;
    return nullptr;
}

}  // namespace RecordEditorFamily
