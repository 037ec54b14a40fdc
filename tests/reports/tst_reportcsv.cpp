// Every report definition's CSV on one hand-made data set. The program runs
// twice under CTest, on a file and on the test server (tst_reportcsv_pg), and
// both runs must give these lines: the same rows, order and figures.
#include <QCoreApplication>
#include <QLocale>
#include <QScopeGuard>
#include <QProcess>
#include <QTest>

#include "ReportTestData.h"
#include "TestAppFolder.h"

class TestReportCsv : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void everyReport_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QStringList>("csv");
        // The lists of the code tables (the pass codes come with every database).
        QTest::newRow("defect codes") << QStringLiteral("Defect_Codes.rpt") << QStringList() << QString()
            << QStringList{"Defect Code,Defect Description", "1,PASS - NO DEFECT", "D1,Scratch", "D2,Dent",
                           "D3,Loose screw", "4 defect codes,"};
        QTest::newRow("defect codes by description, down") << QStringLiteral("Defect_Codes.rpt") << QStringList()
            << QStringLiteral("-{defects.defectdescription}")
            << QStringList{"Defect Code,Defect Description", "D1,Scratch", "1,PASS - NO DEFECT", "D3,Loose screw",
                           "D2,Dent", "4 defect codes,"};
        QTest::newRow("employees") << QStringLiteral("Employee_List.rpt") << QStringList() << QString()
            << QStringList{"Employee Number,Last Name,First Name", "E2,Jones,Mary", "E1,Smith,John", "E3,smith,Bob",
                           "3 employees,,"};
        QTest::newRow("locations") << QStringLiteral("Location_Codes.rpt") << QStringList() << QString()
            << QStringList{"Location Code,Location Description", "1,PASS - NO DEFECT", "L1,Top", "L2,Side",
                           "3 location codes,"};
        QTest::newRow("models") << QStringLiteral("Model_List.rpt") << QStringList() << QString()
            << QStringList{"Model Number,Model Description", "M100,Widget", "M200,Gadget", "2 models,"};
        QTest::newRow("parts") << QStringLiteral("Part_List.rpt") << QStringList() << QString()
            << QStringList{"Part Number,Part Description", "001,PASS - NO DEFECT", "1 part,"};
        // The December rows (ReportTestData.h) and one more at A: M200 at ST1 on 12/20, rework 1, with no
        // serial, part, code or location, so a defect row with no code and no operator, and a unit whose
        // key has a part missing. It is the tenth defect (10 %), M200's fifth unit (never passed: ST1 2 units,
        // 0 passed; M200 1 of 5, 20 %; all 3 of 10 first time, 6 finally), the eleventh unit inspected
        // (escape rate 2 of 11 units, 18.2 %), an empty code that sorts before M200's other single defects,
        // and "(no operator)". The trend and what changed count it in the week of 12/15 (75 % not passed
        // over 12 units; D1 3, D2 4, code 1 2 and it 1 in the eight weeks before 12/29, 9 units).
        QTest::newRow("pareto") << QStringLiteral("pareto_of_defects.rpt") << december("BeginDate", "EndDate") << QString()
            << QStringList{"Defect Code,Description,Defects,% of Defects,Cumulative %", "D1,Scratch,4,40.0,40.0",
                           "D2,Dent,3,30.0,70.0", "1,PASS - NO DEFECT,2,20.0,90.0", ",,1,10.0,100.0",
                           "Grand total,,10,,"};
        QTest::newRow("first pass") << QStringLiteral("1st_Pass_Yields.rpt") << december("Begin Date", "End_Date") << QString()
            << QStringList{"Model,Station,Units,Passed First Time,First Pass Yield,Passed Finally,Final Yield",
                           "M100,ST1,3,1,33.3,3,100.0", "M100,ST2,2,1,50.0,2,100.0", "M100,Total,5,2,40.0,5,100.0",
                           "M200,ST1,2,0,0.0,0,0.0", "M200,ST2,3,1,33.3,1,33.3", "M200,Total,5,1,20.0,1,20.0",
                           ",Grand total,10,3,30.0,6,60.0"};
        QTest::newRow("escapes") << QStringLiteral("Inspection_Escapes.rpt") << december("BeginDate", "EndDate") << QString()
            << QStringList{"Passed by inspector,Passed On,Found On,Model,Serial,Station,Part,Defect,Location,Found By,Escapes,Units Inspected,Escape Rate,Defects Found,% of All Defects",
                           "I9,2003-12-03,2003-12-04,M200,S10,ST2,001,1 PASS - NO DEFECT,L2,I2,,,,,",
                           "I9,2003-12-08,2003-12-10,M200,S3,ST1,P2,D1 Scratch,L2,I1,,,,,",
                           "I9,Total,,,,,,,,,2,0,,,", ",Grand total,,,,,,,,,2,11,18.2,10,20.0"};
        QTest::newRow("by model") << QStringLiteral("defects_by_model.rpt")
            << december("Begin Date", "End Date", nullptr) << QString()
            << QStringList{"Model,Defect Code,Description,Defects", "M100 - Widget,D1,Scratch,2",
                           "M100 - Widget,D2,Dent,2", "M100 - Widget,1,PASS - NO DEFECT,1",
                           "M100 - Widget,D3,Loose screw,1", "M100 - Widget,Total,,6", "M200 - Gadget,D1,Scratch,2",
                           "M200 - Gadget,,,1", "M200 - Gadget,1,PASS - NO DEFECT,1", "M200 - Gadget,D2,Dent,1",
                           "M200 - Gadget,Total,,5", ",Grand total,,11"};
        QTest::newRow("by operator") << QStringLiteral("defects_by_operator.rpt") << december("Begin Date", "End Date")
            << QString()
            << QStringList{"Operator,Defect Code,Description,Defects,% of Operator,% of All Defects",
                           "E1 - John Smith,1,PASS - NO DEFECT,1,33.3,10.0",
                           "E1 - John Smith,D1,Scratch,1,33.3,10.0", "E1 - John Smith,D2,Dent,1,33.3,10.0",
                           "E1 - John Smith,Total,,3,,30.0", "E2 - Mary Jones,1,PASS - NO DEFECT,1,33.3,10.0",
                           "E2 - Mary Jones,D1,Scratch,1,33.3,10.0", "E2 - Mary Jones,D2,Dent,1,33.3,10.0",
                           "E2 - Mary Jones,Total,,3,,30.0", "E3 - Bob smith,D1,Scratch,2,66.7,20.0",
                           "E3 - Bob smith,D2,Dent,1,33.3,10.0", "E3 - Bob smith,Total,,3,,30.0",
                           "(no operator),,,1,100.0,10.0", "(no operator),Total,,1,,10.0", ",Grand total,,10,,100.0"};
        QTest::newRow("by operator with notes") << QStringLiteral("defects_by_operator_Notes.rpt")
            << december("Begin Date", "End Date") << QString()
            << QStringList{"Operator,Defect Code,Date,Model,Serial,Station,Part,Loc.,Notes",
                           "E1 - John Smith,1,2003-12-03,M100,S9,ST2,123,1,",
                           "E1 - John Smith,D1,2003-12-02,M100,S2,ST1,P2,L1,first",
                           "E1 - John Smith,D2,2003-12-02,M100,S2,ST1,P3,L1,", "E1 - John Smith,,Total,3,,,,,",
                           "E2 - Mary Jones,1,2003-12-04,M200,S10,ST2,001,L2,",
                           "E2 - Mary Jones,D1,2003-12-10,M200,S3,ST1,P2,L2,'=cmd|' /C calc'!A0",
                           "E2 - Mary Jones,D2,2003-12-11,M200,S3,ST1,P2,L1,", "E2 - Mary Jones,,Total,3,,,,,",
                           "E3 - Bob smith,D1,2003-12-06,M100,S11,ST1,P2,L1,",
                           "E3 - Bob smith,D1,2003-12-31,M200,S5,ST2,P4,L1,\"line one\nline, two\"",
                           "E3 - Bob smith,D2,2003-12-06,M100,S11,ST1,P3,L2,", "E3 - Bob smith,,Total,3,,,,,",
                           "(no operator),,2003-12-20,M200,,ST1,,,", "(no operator),,Total,1,,,,,",
                           ",,Grand total,10,,,,,"};
        QTest::newRow("selected operator") << QStringLiteral("defects_by_selected_operator.rpt")
            << december("Begin Date", "End Date") + QStringList{QStringLiteral("Operator;smith;true")} << QString()
            << QStringList{"Operator,Date,Model,Serial,Station,Part,Defect,Loc.,Notes",
                           "E1 - John Smith,2003-12-02,M100,S2,ST1,P2,D1 Scratch,L1,first",
                           "E1 - John Smith,2003-12-02,M100,S2,ST1,P3,D2 Dent,L1,",
                           "E1 - John Smith,2003-12-03,M100,S9,ST2,123,1 PASS - NO DEFECT,1,",
                           "E1 - John Smith,Total,,,,,3 defects,,",
                           "E3 - Bob smith,2003-12-06,M100,S11,ST1,P2,D1 Scratch,L1,",
                           "E3 - Bob smith,2003-12-06,M100,S11,ST1,P3,D2 Dent,L2,",
                           "E3 - Bob smith,2003-12-31,M200,S5,ST2,P4,D1 Scratch,L1,\"line one\nline, two\"",
                           "E3 - Bob smith,Total,,,,,3 defects,,", ",Grand total,,,,,6 defects,,"};
        const QStringList quarter{QStringLiteral("BeginDate;Date (2003, 11, 01);true"), QStringLiteral("EndDate;Date (2004, 01, 31);true"),
                                  QStringLiteral("Facility;A;true")};
        const QString trend = QStringLiteral("Period From,Units,1st Pass,Yield,Defects/100,p,p-bar,LCL,UCL,Signal");
        QTest::newRow("trend by week") << QStringLiteral("yield_trend.rpt") << quarter + QStringList{"Period;Week;true"} << QString()
            << QStringList{trend,
                           "2003-11-24,1,0,0.0,100,100.0,75.0,0.0,204.9,",
                           "2003-12-01,5,1,20.0,120,80.0,75.0,16.9,133.1,",
                           "2003-12-08,2,1,50.0,100,50.0,75.0,0.0,166.9,",
                           "2003-12-15,1,0,0.0,100,100.0,75.0,0.0,204.9,",
                           "2003-12-29,3,1,33.3,66.67,66.7,75.0,0.0,150.0,", "Grand total,12,3,25.0,,,,,,"};
        QTest::newRow("trend by month") << QStringLiteral("yield_trend.rpt") << quarter + QStringList{"Period;Month;true"} << QString()
            << QStringList{trend,
                           "2003-11-01,1,0,0.0,100,100.0,75.0,0.0,204.9,",
                           "2003-12-01,10,3,30.0,100,70.0,75.0,33.9,116.1,",
                           "2004-01-01,1,0,0.0,100,100.0,75.0,0.0,204.9,", "Grand total,12,3,25.0,,,,,,"};
        QTest::newRow("unit history") << QStringLiteral("unit_history.rpt") << QStringList{QStringLiteral("Serial;S3;true")}
            << QString()
            << QStringList{"Unit,Date,Station,Inspector,Result,Prev. Inspector,Operator,Rework,Notes",
                           "\"Model M200, serial S3\",2003-12-10,ST1,I1,Part P2; defect D1 Scratch; location L2 Side,I9,E2,1,'=cmd|' /C calc'!A0",
                           "\"Model M200, serial S3\",2003-12-11,ST1,I1,Pass,,,2,",
                           "\"Model M200, serial S3\",2003-12-11,ST1,I1,Part P2; defect D2 Dent; location L1 Top,,E2,2,",
                           "\"Model M200, serial S3: by station\",,ST1,,3 inspections; latest: not passed,,,,"};
        QTest::newRow("what changed") << QStringLiteral("what_changed.rpt")
            << QStringList{QStringLiteral("Period;Week;true"), QStringLiteral("PeriodDate;Date (2003, 12, 31);true"), QStringLiteral("Facility;A;true")}
            << QString()
            << QStringList{"Defect Code,Description,Defects,Per 100 Units,Avg. Before,Per 100 Before,Increase per 100",
                           "D3,Loose screw,1,33.33,0,0,33.33", "D1,Scratch,1,33.33,0.38,33.33,0",
                           ",,0,0,0.13,11.11,-11.11", "1,PASS - NO DEFECT,0,0,0.25,22.22,-22.22",
                           "D2,Dent,0,0,0.50,44.44,-44.44", "Grand total,,2,,1.25,,"};
    }

    void everyReport() {
        QFETCH(QString, file);
        QFETCH(QStringList, params);
        QFETCH(QString, sort);
        QFETCH(QStringList, csv);
        TestAppFolder app;
        fillReportData(app);
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station,"
                                " ReworkNum) VALUES ('A','M200',NULL,'I2','2003-12-20','ST1',1)"));
        QCOMPARE(runCsv(app, file, params, sort), csv);
        // The same file under any locale: ISO dates, a dot in numbers, UTF-8 marked as such.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
        QCOMPARE(runCsv(app, file, params, sort), csv);
        QFile written(app.file(QStringLiteral("out.csv")));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.read(3), QByteArray("\xEF\xBB\xBF"));
    }

    // varnex-report reads the database in use too: given --server, the server's rows.
    void theToolReadsTheServerItIsGiven() {
        TestAppFolder app;
        if (!app.isServer())
            QSKIP("the tool on a file is tst_reporttool's");
        fillReportData(app);
        const QString out = app.file(QStringLiteral("p.csv"));
        QStringList args{app.file(QStringLiteral("pareto_of_defects.rpt")), QStringLiteral("--server"), app.database(), QStringLiteral("--csv"), out};
        for (const QString& p : december("BeginDate", "EndDate"))
            args << QStringLiteral("--param") << p;
        QProcess tool;
        tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-report"), args);
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
        QCOMPARE(readLines(out), (QStringList{"Defect Code,Description,Defects,% of Defects,Cumulative %",
                                              "D1,Scratch,4,44.4,44.4", "D2,Dent,3,33.3,77.8",
                                              "1,PASS - NO DEFECT,2,22.2,100.0", "Grand total,,9,,"}));
    }
};

QTEST_MAIN(TestReportCsv)
#include "tst_reportcsv.moc"
