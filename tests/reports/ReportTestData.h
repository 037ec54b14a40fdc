#pragma once
#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include "TestAppFolder.h"

// A small hand-made inspection database whose report figures are worked out
// by hand in the tests. A pass row is part 001, defect code 1, location 1;
// every other row is a defect row. Facility A, December 2003, unless noted:
//   #1  M100/S1  ST1 pass (rework 1)
//   #2  M100/S2  ST1 D1 operator E1 (rework 1)  #3 same unit D2 (rework 2)  #4 same unit pass (rework 3)
//   #5  M200/S3  ST1 D1 operator E2, passed earlier by inspector I9 (an escape), notes start with "="
//   #6  M200/S4  ST2 pass (rework 1)            #7 M200/S5 ST2 D1 operator E3 (rework 1)
//   #8 January 2004, #9 facility B (D3, 12/15), #10 M100/S8 November 2003 (D2, rework 1):
//       outside the usual criteria.
//   #11 M100/S9  ST2 part 123 with defect code 1 and location 1, operator E1 (rework 1): a defect row
//   #12 M100/S9  ST2 pass (rework 2)
//   #13 M200/S10 ST2 part 001, defect code 1 at location L2, operator E2 (rework 1): a defect row,
//       and an escape of inspector I9; the unit is never passed
//   #14, #15 M100/S11 ST1 two defects of one first inspection (D1, D2; both rework 1), operator E3
//   #16 M100/S11 ST1 pass (rework 2)
//   #17 M100/S8  ST1 pass (rework 2) in December: that unit was first inspected in November
//   #18 M200/S3  ST1 pass (rework 2), then #19 same unit D2 operator E2 also rework 2: its latest row
//   #20 M100/S12 ST2 pass (rework 1)
inline void fillReportData(const TestAppFolder& app) {
    app.exec(QStringLiteral("INSERT INTO defects (defectcode, defectdescription) VALUES ('D1','Scratch'),('D2','Dent'),('D3','Loose screw')"));
    app.exec(QStringLiteral("INSERT INTO Employees (EmployeeNum, FirstName, LastName) VALUES ('E1','John','Smith'),('E2','Mary','Jones'),('E3','Bob','smith')"));
    app.exec(QStringLiteral("INSERT INTO Model (ModelNumber, ModelDescription) VALUES ('M100','Widget'),('M200','Gadget')"));
    app.exec(QStringLiteral("INSERT INTO location (locationcode, [location description]) VALUES ('L1','Top'),('L2','Side')"));
    app.exec(QStringLiteral(
        "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode,"
        " LocationCode, InspNum, IDate, OperatorNum, ODate, ReworkNum, Notes) VALUES"
        " ('A','M100','S1','I1','2003-12-01','ST1','001','1','1',NULL,NULL,NULL,NULL,1,NULL),"
        " ('A','M100','S2','I1','2003-12-02','ST1','P2','D1','L1',NULL,NULL,'E1','2003-11-28',1,'first'),"
        " ('A','M100','S2','I1','2003-12-02','ST1','P3','D2','L1',NULL,NULL,'E1','2003-11-28',2,NULL),"
        " ('A','M100','S2','I1','2003-12-05','ST1','001','1','1',NULL,NULL,NULL,NULL,3,NULL),"
        " ('A','M200','S3','I1','2003-12-10','ST1','P2','D1','L2','I9','2003-12-08','E2','2003-12-07',1,'=cmd|'' /C calc''!A0'),"
        " ('A','M200','S4','I2','2003-12-31','ST2','001','1','1',NULL,NULL,NULL,NULL,1,NULL),"
        " ('A','M200','S5','I2','2003-12-31','ST2','P4','D1','L1',NULL,NULL,'E3','2003-12-30',1,'line one\nline, two'),"
        " ('A','M100','S6','I1','2004-01-01','ST1','P2','D3','L1',NULL,NULL,'E1',NULL,1,NULL),"
        " ('B','M100','S7','I1','2003-12-15','ST1','P2','D3','L1',NULL,NULL,'E1',NULL,1,NULL),"
        " ('A','M100','S8','I1','2003-11-30','ST1','P2','D2','L1',NULL,NULL,'E1',NULL,1,NULL),"
        " ('A','M100','S9','I1','2003-12-03','ST2','123','1','1',NULL,NULL,'E1',NULL,1,NULL),"
        " ('A','M100','S9','I1','2003-12-04','ST2','001','1','1',NULL,NULL,NULL,NULL,2,NULL),"
        " ('A','M200','S10','I2','2003-12-04','ST2','001','1','L2','I9','2003-12-03','E2',NULL,1,NULL),"
        " ('A','M100','S11','I1','2003-12-06','ST1','P2','D1','L1',NULL,NULL,'E3',NULL,1,NULL),"
        " ('A','M100','S11','I1','2003-12-06','ST1','P3','D2','L2',NULL,NULL,'E3',NULL,1,NULL),"
        " ('A','M100','S11','I1','2003-12-07','ST1','001','1','1',NULL,NULL,NULL,NULL,2,NULL),"
        " ('A','M100','S8','I1','2003-12-01','ST1','001','1','1',NULL,NULL,NULL,NULL,2,NULL),"
        " ('A','M200','S3','I1','2003-12-11','ST1','001','1','1',NULL,NULL,NULL,NULL,2,NULL),"
        " ('A','M200','S3','I1','2003-12-11','ST1','P2','D2','L1',NULL,NULL,'E2',NULL,2,NULL),"
        " ('A','M100','S12','I2','2003-12-08','ST2','001','1','1',NULL,NULL,NULL,NULL,1,NULL)"));
}

inline QStringList readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

// A report whose query never ends: it counts without a bound. It takes the
// criteria forms' fields, so it can stand in for one of their reports.
inline QString writeEndlessReport(const TestAppFolder& app, const QString& name = QStringLiteral("Endless.rpt")) {
    const QString path = app.file(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write("title = Endless\ndatabase = kelid.mdb\nparameter = BeginDate | date | b | optional\n"
                "parameter = EndDate | date | e | optional\nparameter = Facility | text | f | optional\nquery:\n"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT max(i) AS i FROM n\n"
                "end\ncolumn = i | Count | number\n");
    return path;
}
