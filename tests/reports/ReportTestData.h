#pragma once
#include <QFile>
#include <QStringList>
#include <QTest>

#include "TestAppFolder.h"
#include "reports/ReportEngine.h"

// A small hand-made inspection database whose report figures are worked out by hand in
// the tests. A pass row is part 001, defect code 1, location 1; any other row is a defect.
// Facility A, December 2003, unless noted (#n: InspectionID, rework 1 unless noted):
//   #1 M100/S1 ST1 pass   #2, #3 M100/S2 ST1 D1, D2 (E1; rework 1, 2)   #4 M100/S2 ST1 pass (rework 3)
//   #5 M200/S3 ST1 D1 (E2), passed earlier by I9 (an escape), notes start with "="
//   #6 M200/S4 ST2 pass   #7 M200/S5 ST2 D1 (E3)
//   outside: #8 January 2004, #9 facility B (D3), #10 M100/S8 November 2003 (D2)
//   #11 M100/S9 ST2 part 123 with code 1 and location 1 (E1): a defect   #12 M100/S9 ST2 pass (rework 2)
//   #13 M200/S10 ST2 part 001, code 1, location L2 (E2): a defect, an escape of I9; never passed
//   #14, #15 M100/S11 ST1 D1, D2 of one first inspection (E3)   #16 M100/S11 ST1 pass (rework 2)
//   #17 M100/S8 ST1 pass (rework 2)   #18 M200/S3 ST1 pass (rework 2), then #19 D2 (E2), also rework 2
//   #20 M100/S12 ST2 pass
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
    if (text.startsWith(QChar(0xFEFF)))  // the byte-order mark of a CSV file
        text.remove(0, 1);
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

// December 2003 for a report's two date fields, then the facility field unless null.
inline QStringList december(const char* begin, const char* end, const char* facility = "Facility;A;true") {
    QStringList p{QLatin1String(begin) + QStringLiteral(";Date (2003, 12, 01);true"),
                  QLatin1String(end) + QStringLiteral(";Date (2003, 12, 31);true")};
    if (facility)
        p << QLatin1String(facility);
    return p;
}

// Runs a report of the application folder into a CSV file and returns its lines.
inline QStringList runCsv(const TestAppFolder& app, const QString& file, const QStringList& params, const QString& sort = {}) {
    ReportEngine engine(QStringLiteral("Test"));
    const QString out = app.file(QStringLiteral("out.csv"));
    engine.setOutput(ReportEngine::Output::Csv, out);
    engine.setReportFileName(app.file(file));
    for (int i = 0; i < params.size(); ++i)
        engine.setParameterField(i, params.at(i));
    engine.setSortField(0, sort);
    const Status s = engine.action(1);
    [&] { QVERIFY2(s.isOk(), qPrintable(s.error())); }();
    return readLines(out);
}
