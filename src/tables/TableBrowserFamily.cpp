#include "tables/TableBrowserFamily.h"

namespace {
QList<TableBrowserSpec> makeFamily() {
    QList<TableBrowserSpec> f;

    TableBrowserSpec d;
    d.name = QStringLiteral("tbldefects");
    d.caption = QStringLiteral("defects");
    d.selectAtLoad = QStringLiteral("select defectcode, defectdescription from defects");
    d.sortPrefix = QStringLiteral("select defectcode, defectdescription from defects Order by ");
    d.print = TableBrowserSpec::Print::Sorted;
    d.reportControl = QStringLiteral("Defect_Codes");
    d.reportFile = QStringLiteral("Defect_Codes.rpt");
    d.codeSortField = QStringLiteral("{defects.defectcode}");
    d.descriptionSortField = QStringLiteral("{defects.defectdescription}");
    d.sortDialog = QStringLiteral("frmSortDefect");
    d.sortOperation = QStringLiteral("SortDefectRecord");
    d.asksToPrint = true;
    d.helpTopic = 250;
    d.designSize = QSize(8175, 5265);
    d.refreshLeft = 3600;
    d.sortLeft = 4745;
    d.sortCaption = QStringLiteral("&Sort");
    d.printLeft = 7030;
    d.upperCaseFields = {QStringLiteral("defectcode")};
    d.referenceTable = QStringLiteral("defects");
    f << d;

    TableBrowserSpec e;
    e.name = QStringLiteral("tblEmployees");
    e.caption = QStringLiteral("Employees");
    e.selectAtLoad = QStringLiteral("select EmployeeID, EmployeeNum, FirstName, LastName  from Employees");
    e.sortPrefix = QStringLiteral("select EmployeeID, EmployeeNum, FirstName, LastName  from Employees Order by ");
    e.print = TableBrowserSpec::Print::List;
    e.reportControl = QStringLiteral("Employee_List");
    e.reportFile = QStringLiteral("Employee_List.rpt");
    e.sortDialog = QStringLiteral("frmSortEmployee");
    e.sortOperation = QStringLiteral("SortEmployeeRecord");
    e.sortUnloadsDialog = true;
    e.helpTopic = 270;
    e.designSize = QSize(8355, 4305);
    e.printWidth = 855;
    e.readOnlyFields = {QStringLiteral("EmployeeID")};
    e.upperCaseFields = {QStringLiteral("EmployeeNum"), QStringLiteral("FirstName"), QStringLiteral("LastName")};
    e.referenceTable = QStringLiteral("Employees");
    f << e;

    TableBrowserSpec l;
    l.name = QStringLiteral("tblLocationCode");
    l.caption = QStringLiteral("location");
    l.selectAtLoad = QStringLiteral("select locationcode, [location description] from location");
    l.sortPrefix = QStringLiteral("select locationcode, [location description] from location Order by ");
    l.print = TableBrowserSpec::Print::Sorted;
    l.reportControl = QStringLiteral("Location_Codes");
    l.reportFile = QStringLiteral("Location_Codes.rpt");
    l.codeSortField = QStringLiteral("{location.LocationCode}");
    l.descriptionSortField = QStringLiteral("{location.location description}");
    l.sortDialog = QStringLiteral("frmSortLocation");
    l.sortOperation = QStringLiteral("SortLocationRecord");
    l.asksToPrint = true;
    l.helpTopic = 260;
    l.designSize = QSize(8415, 4590);
    l.printWidth = 975;
    l.upperCaseFields = {QStringLiteral("locationcode")};
    l.referenceTable = QStringLiteral("location");
    f << l;

    TableBrowserSpec m;
    m.name = QStringLiteral("tblModel");
    m.caption = QStringLiteral("Model");
    m.selectAtLoad = QStringLiteral("select ModelDescription,ModelNumber from Model Order by ModelNumber");
    m.sortPrefix = QStringLiteral("select ModelDescription,ModelNumber from Model Order by ");
    m.print = TableBrowserSpec::Print::List;
    m.reportControl = QStringLiteral("Model_List");
    m.reportFile = QStringLiteral("Model_List.rpt");
    m.sortDialog = QStringLiteral("frmSortModel");
    m.sortOperation = QStringLiteral("SortModelRecord");
    m.sortUnloadsDialog = true;
    m.helpTopic = 230;
    m.designSize = QSize(8385, 4620);
    m.printWidth = 975;
    m.upperCaseFields = {QStringLiteral("ModelNumber")};
    m.referenceTable = QStringLiteral("Model");
    f << m;

    TableBrowserSpec p;
    p.name = QStringLiteral("tblPart");
    p.caption = QStringLiteral("Parts");
    p.selectAtLoad = QStringLiteral("select partdescription,partnum from Parts Order by partnum");
    p.sortPrefix = QStringLiteral("select partdescription,partnum from Parts Order by ");
    p.print = TableBrowserSpec::Print::List;
    p.reportControl = QStringLiteral("Part_List");
    p.reportFile = QStringLiteral("Part_List.rpt");
    p.sortDialog = QStringLiteral("frmSortPart");
    p.sortOperation = QStringLiteral("SortPartRecord");
    p.sortUnloadsDialog = true;
    p.helpTopic = 240;
    p.designSize = QSize(8505, 5130);
    p.printWidth = 975;
    p.upperCaseFields = {QStringLiteral("partnum")};
    p.referenceTable = QStringLiteral("Parts");
    f << p;

    const QString inspectionColumns = QStringLiteral(
        "select InspectionID, Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode, "
        "LocationCode, InspNum, IDate, OperatorNum, ODate, ReworkNum, Notes from InspectionRecord order by ");
    TableBrowserSpec i;
    i.name = QStringLiteral("tblInspection");
    i.caption = QStringLiteral("InspectionRecord");
    i.selectAtLoad = inspectionColumns + QStringLiteral("ModelNumber, SerialNum, Station");
    i.sortPrefix = inspectionColumns;
    i.print = TableBrowserSpec::Print::Grid;
    i.sortDialog = QStringLiteral("frmSortInsp");
    i.sortOperation = QStringLiteral("SortInspectionRecord");
    i.sortKind = TableBrowserSpec::SortKind::ThreeKeys;
    i.sortUnloadsDialog = true;
    i.addsRows = false;
    i.sortHiddenInEdit = true;
    i.unitHistoryKey = true;
    i.renumbersUnits = true;
    i.followsStations = true;
    i.helpTopic = 220;
    i.designSize = QSize(7155, 4380);
    i.dateFields = {QStringLiteral("Date"), QStringLiteral("IDate"), QStringLiteral("ODate")};
    i.readOnlyFields = {QStringLiteral("InspectionID")};
    i.upperCaseFields = {QStringLiteral("Facility"),     QStringLiteral("ModelNumber"),  QStringLiteral("SerialNum"),
                         QStringLiteral("InspectorNum"), QStringLiteral("Station"),      QStringLiteral("PartNum"),
                         QStringLiteral("DefectCode"),   QStringLiteral("LocationCode"), QStringLiteral("InspNum"),
                         QStringLiteral("OperatorNum")};
    f << i;
    return f;
}
}  // namespace

const QList<TableBrowserSpec>& tableBrowserFamily() {
    static const QList<TableBrowserSpec> family = makeFamily();
    return family;
}

const TableBrowserSpec* tableBrowserSpec(const QString& name) {
    for (const TableBrowserSpec& s : tableBrowserFamily())
        if (s.name == name)
            return &s;
    return nullptr;
}
