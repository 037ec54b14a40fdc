#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QFile>
#include <QLocale>
#include <QTest>

#include "ReportTestData.h"
#include "TestAppFolder.h"
#include "platform/MousePointer.h"
#include "reports/ReportDefinition.h"
#include "reports/ReportEngine.h"
#include "reports/ReportPreview.h"
#include "reports/ReportRenderer.h"
#include "reports/ReportResult.h"

class TestReportEngine : public QObject {
    Q_OBJECT
    QString report(const TestAppFolder& app, const char* file) { return app.path() + QStringLiteral("\\") + QLatin1String(file); }
    QStringList december(const char* begin, const char* end, const char* facility = "Facility;A;true") {
        QStringList p{QLatin1String(begin) + QStringLiteral(";Date (2003, 12, 01);true"),
                      QLatin1String(end) + QStringLiteral(";Date (2003, 12, 31);true")};
        if (facility)
            p << QLatin1String(facility);
        return p;
    }
    QStringList runCsv(const TestAppFolder& app, const char* file, const QStringList& params, const QString& sort = {}) {
        ReportEngine engine(QStringLiteral("Test"));
        const QString out = app.file(QStringLiteral("out.csv"));
        engine.setOutput(ReportEngine::Output::Csv, out);
        [&] { QVERIFY(engine.setReportFileName(report(app, file)).isOk()); }();
        for (int i = 0; i < params.size(); ++i)
            engine.setParameterField(i, params.at(i));
        if (!sort.isEmpty())
            engine.setSortField(0, sort);
        const Status s = engine.action(1);
        [&] { QVERIFY2(s.isOk(), qPrintable(s.error())); }();
        return readLines(out);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void paretoCountsSharesAndCumulative() {
        TestAppFolder app;
        fillReportData(app);
        // Defect rows in December at A: D1 #2 #5 #7 #14, D2 #3 #15 #19, and code 1 on part 123 (#11)
        // and at location L2 (#13), which are defects too: 9 in all. 4/9 = 44.4 %, 3/9 = 33.3 %
        // (7/9 = 77.8 % so far), 2/9 = 22.2 % (100 %). The pass rows #1 #4 #6 #12 #16 #17 #18 #20 count nowhere.
        const QStringList lines = runCsv(app, "pareto_of_defects.rpt", december("BeginDate", "EndDate"));
        QCOMPARE(lines, (QStringList{QStringLiteral("Defect Code,Description,Defects,% of Defects,Cumulative %"),
                                     QStringLiteral("D1,Scratch,4,44.4,44.4"), QStringLiteral("D2,Dent,3,33.3,77.8"),
                                     QStringLiteral("1,PASS - NO DEFECT,2,22.2,100.0"), QStringLiteral("Grand total,,9,,")}));
        // Facility B in the same month has only the loose screw.
        const QStringList b = runCsv(app, "pareto_of_defects.rpt", december("BeginDate", "EndDate", "Facility;B;true"));
        QCOMPARE(b.mid(1), (QStringList{QStringLiteral("D3,Loose screw,1,100.0,100.0"), QStringLiteral("Grand total,,1,,")}));
        // A row with no part is no pass row either, whatever its codes.
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode,"
                                " LocationCode, ReworkNum) VALUES ('B','M100','S20','2003-12-16','ST1',NULL,'1','1',1)"));
        QCOMPARE(runCsv(app, "pareto_of_defects.rpt", december("BeginDate", "EndDate", "Facility;B;true")).mid(1),
                 (QStringList{QStringLiteral("1,PASS - NO DEFECT,1,50.0,50.0"), QStringLiteral("D3,Loose screw,1,50.0,100.0"),
                              QStringLiteral("Grand total,,2,,")}));
    }

    void firstPassAndFinalYieldsByModelAndStation() {
        TestAppFolder app;
        fillReportData(app);
        // Units first inspected in December at A (model/serial/station), first inspection passed?, latest row passed?
        //   M100/S1/ST1 yes, yes (#1)          M100/S2/ST1 no (#2), yes (#4, rework 3)
        //   M100/S11/ST1 no (#14, #15: one unit), yes (#16)
        //   M100/S9/ST2 no (#11: part 123), yes (#12)         M100/S12/ST2 yes, yes (#20)
        //   M200/S3/ST1 no (#5), no (#19: rework 2 like #18, but the later row)
        //   M200/S4/ST2 yes, yes (#6)   M200/S5/ST2 no, no (#7)   M200/S10/ST2 no (#13: location L2), no
        // Not counted: M100/S8 (first inspected in November; #17 is its rework), S6 (January), S7 (facility B).
        // M100 ST1: 3 units, 1 first time (33.3 %), 3 finally (100 %); ST2: 2, 1 (50 %), 2 (100 %);
        //   M100 in all: 5, 2 (40 %), 5 (100 %).
        // M200 ST1: 1, 0 (0 %), 0 (0 %); ST2: 3, 1 (33.3 %), 1 (33.3 %); M200 in all: 4, 1 (25 %), 1 (25 %).
        // Overall: 9 units, 3 first time (33.3 %), 6 finally (66.7 %).
        const QStringList lines = runCsv(app, "1st_Pass_Yields.rpt", december("Begin Date", "End_Date"));
        QCOMPARE(lines, (QStringList{
            QStringLiteral("Model,Station,Units,Passed First Time,First Pass Yield,Passed Finally,Final Yield"),
            QStringLiteral("M100,ST1,3,1,33.3,3,100.0"), QStringLiteral("M100,ST2,2,1,50.0,2,100.0"),
            QStringLiteral("M100,Total,5,2,40.0,5,100.0"),
            QStringLiteral("M200,ST1,1,0,0.0,0,0.0"), QStringLiteral("M200,ST2,3,1,33.3,1,33.3"),
            QStringLiteral("M200,Total,4,1,25.0,1,25.0"),
            QStringLiteral(",Grand total,9,3,33.3,6,66.7")}));

        // The chart's bars are the models, each at its yield over all stations.
        ReportResult r;
        QVERIFY(ReportEngine::produce(report(app, "1st_Pass_Yields.rpt"), december("Begin Date", "End_Date"), QString(), &r).isOk());
        QCOMPARE(r.definition.chart.kind, ReportChart::Kind::GroupBars);
        QCOMPARE(r.definition.group, QStringLiteral("ModelNumber"));
        QCOMPARE(r.definition.chart.value, QStringLiteral("Yield"));
        QCOMPARE(r.groups.size(), 2);
        const int yield = r.definition.columnIndex(QStringLiteral("Yield"));
        QCOMPARE(r.groups.at(0).key.toString(), QStringLiteral("M100"));
        QCOMPARE(r.groupLabel(r.groups.at(1)), QStringLiteral("Model: M200 - Gadget"));  // the name from the model table
        QCOMPARE(r.format(yield, r.groups.at(0).totals.at(yield)), QStringLiteral("40.0%"));
        QCOMPARE(r.format(yield, r.groups.at(1).totals.at(yield)), QStringLiteral("25.0%"));
        QCOMPARE(r.format(yield, r.totals.at(yield)), QStringLiteral("33.3%"));
        QVERIFY(r.criteria.contains(QStringLiteral("End Date: 12/31/2003")));

        // Facility B: the one unit M100/S7 failed and was never passed.
        QCOMPARE(runCsv(app, "1st_Pass_Yields.rpt", december("Begin Date", "End_Date", "Facility;B;true")).mid(1),
                 (QStringList{QStringLiteral("M100,ST1,1,0,0.0,0,0.0"), QStringLiteral("M100,Total,1,0,0.0,0,0.0"),
                              QStringLiteral(",Grand total,1,0,0.0,0,0.0")}));
        // November: M100/S8 failed first time (#10) and passed on its rework in December (#17).
        QCOMPARE(runCsv(app, "1st_Pass_Yields.rpt",
                        {QStringLiteral("Begin Date;Date (2003, 11, 01);true"), QStringLiteral("End_Date;Date (2003, 11, 30);true"),
                         QStringLiteral("Facility;A;true")}).at(1),
                 QStringLiteral("M100,ST1,1,0,0.0,1,100.0"));
        // The final state of a unit is its latest row even when that row is dated after the range:
        // M200/S5 reworked and passed in January makes M200 ST2 2 of 3 finally (66.7 %).
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode,"
                                " LocationCode, ReworkNum) VALUES ('A','M200','S5','2004-01-05','ST2','001','1','1',2)"));
        QCOMPARE(runCsv(app, "1st_Pass_Yields.rpt", december("Begin Date", "End_Date")).at(5),
                 QStringLiteral("M200,ST2,3,1,33.3,2,66.7"));
        // A first inspection dated on both sides of the range's start belongs to the earlier range only.
        app.exec(QStringLiteral("UPDATE InspectionRecord SET Date = '2003-11-30' WHERE InspectionID = 14"));
        const QStringList moved = runCsv(app, "1st_Pass_Yields.rpt", december("Begin Date", "End_Date"));
        QCOMPARE(moved.at(1), QStringLiteral("M100,ST1,2,1,50.0,2,100.0"));
        // Nothing in the range: no totals lines, and no chart.
        const QStringList none = runCsv(app, "1st_Pass_Yields.rpt", december("Begin Date", "End_Date", "Facility;C;true"));
        QCOMPARE(none.size(), 1);
    }

    void firstPassTotalsCountEachUnitOnce() {
        TestAppFolder app;
        fillReportData(app);
        // Units (model + serial) that visit two stations, added to the December rows at A:
        //   M100/S1 fails its first inspection at ST2 and passes its rework there (it passed ST1 first time).
        //   M200/S4 (a pass at ST2, #6) passes its first inspection at ST1 and fails a later
        //     re-inspection there: it still passed first time at ST1, but its latest ST1 row is a defect.
        //   M300/S30 and S31 each pass ST1 and fail ST2 at first, then pass their ST2 rework.
        app.exec(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode, LocationCode, ReworkNum) VALUES"
            " ('A','M100','S1','2003-12-02','ST2','P2','D1','L1',1), ('A','M100','S1','2003-12-03','ST2','001','1','1',2),"
            " ('A','M200','S4','2003-12-20','ST1','001','1','1',1), ('A','M200','S4','2003-12-21','ST1','P3','D2','L1',2),"
            " ('A','M300','S30','2003-12-05','ST1','001','1','1',1), ('A','M300','S30','2003-12-06','ST2','P2','D1','L1',1),"
            " ('A','M300','S30','2003-12-07','ST2','001','1','1',2),"
            " ('A','M300','S31','2003-12-05','ST1','001','1','1',1), ('A','M300','S31','2003-12-06','ST2','P2','D1','L1',1),"
            " ('A','M300','S31','2003-12-07','ST2','001','1','1',2)"));
        // Station lines, one unit at one station (first time?, finally?):
        //   M100 ST1: S1 yes yes, S2 no yes, S11 no yes: 3, 1 (33.3 %), 3 (100 %).
        //   M100 ST2: S9 no yes, S12 yes yes, S1 no yes: 3, 1 (33.3 %), 3 (100 %).
        //   M200 ST1: S3 no no, S4 yes no: 2, 1 (50 %), 0.    M200 ST2: S4 yes yes, S5 no no, S10 no no: 3, 1, 1.
        //   M300 ST1: 2, 2, 2.   M300 ST2: 2, 0, 2.
        // Totals, each unit once: first time only when it passed first time at every station it visited;
        //   finally only when its latest row at every such station is a pass.
        //   M100: S1 (no: ST2), S2, S9, S11 (no), S12 (yes): 5 units, 1 first time (20 %), 5 finally (100 %).
        //   M200: S3, S5, S10 (no, no), S4 (yes at both stations; finally no, ST1): 4 units, 1 (25 %), 0 (0 %).
        //   M300: 2 units, 0 (0 %; adding the station lines would say 4, 2, 50 %), 2 finally (100 %).
        //   All: 11 units, 2 first time (18.2 %), 7 finally (63.6 %).
        const QStringList lines = runCsv(app, "1st_Pass_Yields.rpt", december("Begin Date", "End_Date"));
        QCOMPARE(lines.mid(1), (QStringList{
            QStringLiteral("M100,ST1,3,1,33.3,3,100.0"), QStringLiteral("M100,ST2,3,1,33.3,3,100.0"),
            QStringLiteral("M100,Total,5,1,20.0,5,100.0"),
            QStringLiteral("M200,ST1,2,1,50.0,0,0.0"), QStringLiteral("M200,ST2,3,1,33.3,1,33.3"),
            QStringLiteral("M200,Total,4,1,25.0,0,0.0"),
            QStringLiteral("M300,ST1,2,2,100.0,2,100.0"), QStringLiteral("M300,ST2,2,0,0.0,2,100.0"),
            QStringLiteral("M300,Total,2,0,0.0,2,100.0"),
            QStringLiteral(",Grand total,11,2,18.2,7,63.6")}));
        // The chart's bars are the models' rolled yields, its line the overall one.
        ReportResult r;
        QVERIFY(ReportEngine::produce(report(app, "1st_Pass_Yields.rpt"), december("Begin Date", "End_Date"), QString(), &r).isOk());
        const int yield = r.definition.columnIndex(QStringLiteral("Yield"));
        QStringList bars;
        for (const ReportGroup& g : r.groups)
            bars << r.format(yield, g.totals.at(yield));
        QCOMPARE(bars, (QStringList{QStringLiteral("20.0%"), QStringLiteral("25.0%"), QStringLiteral("0.0%")}));
        QCOMPARE(r.format(yield, r.totals.at(yield)), QStringLiteral("18.2%"));
        QVERIFY(r.definition.subtitle.contains(QLatin1String("passed first time at every station")));
    }

    void listsOfDefectsBySelectedOperatorModelAndEscapes() {
        TestAppFolder app;
        fillReportData(app);
        // The last name is matched without regard to case: both Smiths.
        QStringList sel = december("Begin Date", "End Date");
        sel << QStringLiteral("Operator;SMITH;true");
        // John Smith's three defect rows (#2, #3, #11) and Bob smith's (#14, #15, #7), each operator's
        // totals line and the grand total saying what they count.
        const QStringList smith = runCsv(app, "defects_by_selected_operator.rpt", sel);
        QCOMPARE(smith.size(), 10);
        QVERIFY(smith.at(3).startsWith(QLatin1String("E1 - John Smith,12/03/2003,M100,S9,ST2,123,1 PASS - NO DEFECT,1,")));
        QCOMPARE(smith.at(4), QStringLiteral("E1 - John Smith,Total,,,,,3 defects,,"));
        QVERIFY(smith.at(7).startsWith(QLatin1String("E3 - Bob smith,12/31/2003")));
        QCOMPARE(smith.at(9), QStringLiteral(",Grand total,,,,,6 defects,,"));

        // Every facility: the loose screw of facility B counts for M100. M100: D1 #2 #14, D2 #3 #15,
        // code 1 #11, D3 #9; M200: D1 #5 #7, code 1 #13, D2 #19. Largest first, then by code.
        // The CSV carries the models' totals and the grand total as the pages do.
        const QStringList byModel = runCsv(app, "defects_by_model.rpt", december("Begin Date", "End Date", nullptr));
        QCOMPARE(byModel.mid(1), (QStringList{QStringLiteral("M100 - Widget,D1,Scratch,2"), QStringLiteral("M100 - Widget,D2,Dent,2"),
                                               QStringLiteral("M100 - Widget,1,PASS - NO DEFECT,1"), QStringLiteral("M100 - Widget,D3,Loose screw,1"),
                                               QStringLiteral("M100 - Widget,Total,,6"),
                                               QStringLiteral("M200 - Gadget,D1,Scratch,2"), QStringLiteral("M200 - Gadget,1,PASS - NO DEFECT,1"),
                                               QStringLiteral("M200 - Gadget,D2,Dent,1"), QStringLiteral("M200 - Gadget,Total,,4"),
                                               QStringLiteral(",Grand total,,10")}));

        // Escapes of I9: #13 (defect code 1 at location L2 is a defect) and #5. I9 also inspected four
        // units in December at A (S40 at two stations; a fifth at B and a sixth in January do not count), so 2 escapes in 4 units:
        // 50 per 100. I8 passed M200/S44 at ST1, found with a scratch at ST2: 1 escape in 1 unit, 100 per 100.
        // All: 3 escapes; 15 units inspected in December at A (M100 S1 S2 S8 S9 S11 S12 S40-S43, M200 S3 S4
        // S5 S10 S44), 20 per 100; 10 defect rows (the nine, and S44's), 30 % of them escapes.
        app.exec(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode,"
            " LocationCode, InspNum, IDate, ReworkNum) VALUES"
            " ('A','M100','S40','I9','2003-12-15','ST1','001','1','1',NULL,NULL,1), ('A','M100','S41','I9','2003-12-15','ST1','001','1','1',NULL,NULL,1),"
            " ('A','M100','S42','I9','2003-12-15','ST1','001','1','1',NULL,NULL,1), ('A','M100','S43','I9','2003-12-15','ST1','001','1','1',NULL,NULL,1),"
            " ('A','M100','S40','I9','2003-12-16','ST2','001','1','1',NULL,NULL,1),"
            " ('B','M100','S45','I9','2003-12-15','ST1','001','1','1',NULL,NULL,1), ('A','M100','S46','I9','2004-01-02','ST1','001','1','1',NULL,NULL,1),"
            " ('A','M200','S44','I8','2003-12-15','ST1','001','1','1',NULL,NULL,1),"
            " ('A','M200','S44','I2','2003-12-16','ST2','P2','D1','L1','I8','2003-12-15',1)"));
        const QStringList escapes = runCsv(app, "Inspection_Escapes.rpt", december("BeginDate", "EndDate"));
        QCOMPARE(escapes, (QStringList{
            QStringLiteral("Passed by inspector,Passed On,Found On,Model,Serial,Station,Part,Defect,Location,Found By,"
                           "Escapes,Units Inspected,Escape Rate,Defects Found,% of All Defects"),
            QStringLiteral("I8,12/15/2003,12/16/2003,M200,S44,ST2,P2,D1 Scratch,L1,I2,,,,,"),
            QStringLiteral("I8,Total,,,,,,,,,1,1,100.0,,"),
            QStringLiteral("I9,12/03/2003,12/04/2003,M200,S10,ST2,001,1 PASS - NO DEFECT,L2,I2,,,,,"),
            QStringLiteral("I9,12/08/2003,12/10/2003,M200,S3,ST1,P2,D1 Scratch,L2,I1,,,,,"),
            QStringLiteral("I9,Total,,,,,,,,,2,4,50.0,,"),
            QStringLiteral(",Grand total,,,,,,,,,3,15,20.0,10,30.0")}));
    }

    void defectsByOperatorCountByDefectCode() {
        TestAppFolder app;
        fillReportData(app);
        // The nine defect rows at A in December: E1 #2 D1, #3 D2, #11 code 1 (part 123); E2 #5 D1, #13 code 1
        // (location L2), #19 D2; E3 #7 D1, #14 D1, #15 D2. Three each, so the operators come in number order;
        // within one, largest count first, then by code. Each is 1/9 = 11.1 % of all defects.
        const QStringList lines = runCsv(app, "defects_by_operator.rpt", december("Begin Date", "End Date"));
        QCOMPARE(lines, (QStringList{
            QStringLiteral("Operator,Defect Code,Description,Defects,% of Operator,% of All Defects"),
            QStringLiteral("E1 - John Smith,1,PASS - NO DEFECT,1,33.3,11.1"), QStringLiteral("E1 - John Smith,D1,Scratch,1,33.3,11.1"),
            QStringLiteral("E1 - John Smith,D2,Dent,1,33.3,11.1"), QStringLiteral("E1 - John Smith,Total,,3,,33.3"),
            QStringLiteral("E2 - Mary Jones,1,PASS - NO DEFECT,1,33.3,11.1"), QStringLiteral("E2 - Mary Jones,D1,Scratch,1,33.3,11.1"),
            QStringLiteral("E2 - Mary Jones,D2,Dent,1,33.3,11.1"), QStringLiteral("E2 - Mary Jones,Total,,3,,33.3"),
            QStringLiteral("E3 - Bob smith,D1,Scratch,2,66.7,22.2"), QStringLiteral("E3 - Bob smith,D2,Dent,1,33.3,11.1"),
            QStringLiteral("E3 - Bob smith,Total,,3,,33.3"),
            QStringLiteral(",Grand total,,9,,100.0")}));

        // Two more dents for E3, a pass row that names E1 (not a defect), defect rows with no operator
        // (NULL and blank: counted, not dropped) and one of an operator and a code the tables do not know.
        // 14 defect rows: E3 5 (D2 3 = 60 % of E3, 21.4 % of all; D1 2 = 40 %, 14.3 %; 35.7 %),
        // E1 3 and E2 3 (7.1 % each code, 21.4 % each), no operator 2 (D1, D3: 50 % each; 14.3 %), E9 1 (7.1 %).
        app.exec(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode, LocationCode, OperatorNum, ReworkNum, Notes) VALUES"
            " ('A','M100','S13','2003-12-20','ST1','P3','D2','L1','E3',1,'again'),"
            " ('A','M100','S14','2003-12-21','ST1','P3','D2','L2','E3',1,NULL),"
            " ('A','M100','S15','2003-12-21','ST1','001','1','1','E1',1,NULL),"
            " ('A','M100','S16','2003-12-22','ST1','P2','D3','L1',NULL,1,NULL),"
            " ('A','M100','S17','2003-12-23','ST1','P2','D1','L1','  ',1,NULL),"
            " ('A','M200','S18','2003-12-24','ST2','P4','ZZ','L1','E9',1,'unknown code')"));
        QCOMPARE(runCsv(app, "defects_by_operator.rpt", december("Begin Date", "End Date")).mid(1), (QStringList{
            QStringLiteral("E3 - Bob smith,D2,Dent,3,60.0,21.4"), QStringLiteral("E3 - Bob smith,D1,Scratch,2,40.0,14.3"),
            QStringLiteral("E3 - Bob smith,Total,,5,,35.7"),
            QStringLiteral("E1 - John Smith,1,PASS - NO DEFECT,1,33.3,7.1"), QStringLiteral("E1 - John Smith,D1,Scratch,1,33.3,7.1"),
            QStringLiteral("E1 - John Smith,D2,Dent,1,33.3,7.1"), QStringLiteral("E1 - John Smith,Total,,3,,21.4"),
            QStringLiteral("E2 - Mary Jones,1,PASS - NO DEFECT,1,33.3,7.1"), QStringLiteral("E2 - Mary Jones,D1,Scratch,1,33.3,7.1"),
            QStringLiteral("E2 - Mary Jones,D2,Dent,1,33.3,7.1"), QStringLiteral("E2 - Mary Jones,Total,,3,,21.4"),
            QStringLiteral("(no operator),D1,Scratch,1,50.0,7.1"), QStringLiteral("(no operator),D3,Loose screw,1,50.0,7.1"),
            QStringLiteral("(no operator),Total,,2,,14.3"),
            QStringLiteral("E9,ZZ,,1,100.0,7.1"), QStringLiteral("E9,Total,,1,,7.1"),
            QStringLiteral(",Grand total,,14,,100.0")}));

        // Facility B in the same month: E1's loose screw only. Nothing at C: the heading alone.
        QCOMPARE(runCsv(app, "defects_by_operator.rpt", december("Begin Date", "End Date", "Facility;B;true")).mid(1),
                 (QStringList{QStringLiteral("E1 - John Smith,D3,Loose screw,1,100.0,100.0"), QStringLiteral("E1 - John Smith,Total,,1,,100.0"),
                              QStringLiteral(",Grand total,,1,,100.0")}));
        QCOMPARE(runCsv(app, "defects_by_operator.rpt", december("Begin Date", "End Date", "Facility;C;true")).size(), 1);
    }

    void defectsByOperatorWithNotesListsEachCodesRows() {
        TestAppFolder app;
        fillReportData(app);
        // The same nine rows, each under its operator and code (codes by count, then code), dated in order,
        // with its notes; the operator's total and the grand total count the rows.
        const QStringList lines = runCsv(app, "defects_by_operator_Notes.rpt", december("Begin Date", "End Date"));
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines.at(0), QStringLiteral("Operator,Defect Code,Date,Model,Serial,Station,Part,Loc.,Notes"));
        QCOMPARE(lines.mid(1, 4), (QStringList{
            QStringLiteral("E1 - John Smith,1,12/03/2003,M100,S9,ST2,123,1,"), QStringLiteral("E1 - John Smith,D1,12/02/2003,M100,S2,ST1,P2,L1,first"),
            QStringLiteral("E1 - John Smith,D2,12/02/2003,M100,S2,ST1,P3,L1,"), QStringLiteral("E1 - John Smith,,Total,3,,,,,")}));
        QCOMPARE(lines.at(5), QStringLiteral("E2 - Mary Jones,1,12/04/2003,M200,S10,ST2,001,L2,"));
        QVERIFY(lines.at(6).startsWith(QLatin1String("E2 - Mary Jones,D1,12/10/2003,M200,S3,ST1,P2,L2,")));
        QCOMPARE(lines.mid(7), (QStringList{
            QStringLiteral("E2 - Mary Jones,D2,12/11/2003,M200,S3,ST1,P2,L1,"), QStringLiteral("E2 - Mary Jones,,Total,3,,,,,"),
            QStringLiteral("E3 - Bob smith,D1,12/06/2003,M100,S11,ST1,P2,L1,"),
            QStringLiteral("E3 - Bob smith,D1,12/31/2003,M200,S5,ST2,P4,L1,\"line one\nline, two\""),
            QStringLiteral("E3 - Bob smith,D2,12/06/2003,M100,S11,ST1,P3,L2,"), QStringLiteral("E3 - Bob smith,,Total,3,,,,,"),
            QStringLiteral(",,Grand total,9,,,,,")}));

        // Each code's heading carries its count and its share of the operator's defects.
        app.exec(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode, LocationCode, OperatorNum, ReworkNum, Notes) VALUES"
            " ('A','M100','S14','2003-12-21','ST1','P3','D2','L2','E3',1,NULL),"
            " ('A','M100','S13','2003-12-20','ST1','P3','D2','L1','E3',1,'again'),"
            " ('A','M100','S16','2003-12-22','ST1','P2','D3','L1',NULL,1,'who?')"));
        ReportResult r;
        QVERIFY(ReportEngine::produce(report(app, "defects_by_operator_Notes.rpt"), december("Begin Date", "End Date"), QString(), &r).isOk());
        QCOMPARE(r.rowCount, 12);
        QCOMPARE(r.groups.size(), 4);
        // E3 now leads with 5: its 3 dents (60 %) before its 2 scratches (40 %), each code's rows by date.
        const ReportGroup& e3 = r.groups.at(0);
        QCOMPARE(r.groupLabel(e3), QStringLiteral("Operator: E3 - Bob smith"));
        QCOMPARE(e3.subgroups.size(), 2);
        QCOMPARE(r.subgroupLabel(e3.subgroups.at(0)), QStringLiteral("Defect Code: D2 - Dent (3 of 5, 60.0%)"));
        QCOMPARE(r.subgroupLabel(e3.subgroups.at(1)), QStringLiteral("Defect Code: D1 - Scratch (2 of 5, 40.0%)"));
        QCOMPARE(e3.subgroups.at(0).first, 0);
        QCOMPARE(e3.subgroups.at(0).count, 3);
        QCOMPARE(e3.subgroups.at(1).first, 3);
        const int serial = r.definition.columnIndex(QStringLiteral("SerialNum"));
        const int notes = r.definition.columnIndex(QStringLiteral("Notes"));
        QCOMPARE(e3.rows.at(0).at(serial).toString(), QStringLiteral("S11"));
        QCOMPARE(e3.rows.at(1).at(notes).toString(), QStringLiteral("again"));
        QCOMPARE(e3.rows.at(2).at(serial).toString(), QStringLiteral("S14"));
        QCOMPARE(e3.rows.at(4).at(serial).toString(), QStringLiteral("S5"));
        QCOMPARE(e3.totals.at(r.definition.columnIndex(QStringLiteral("ModelNumber"))).toInt(), 5);
        QCOMPARE(r.groupLabel(r.groups.at(3)), QStringLiteral("Operator: (no operator)"));
        QCOMPARE(r.subgroupLabel(r.groups.at(3).subgroups.at(0)), QStringLiteral("Defect Code: D3 - Loose screw (1 of 1, 100.0%)"));
        QCOMPARE(r.totals.at(r.definition.columnIndex(QStringLiteral("ModelNumber"))).toInt(), 12);
    }

    void subgroupsAndGroupOrderInADefinition() {
        TestAppFolder app;
        fillReportData(app);
        const QString head = QStringLiteral("database = kelid.mdb\nquery:\nSELECT LocationCode AS L, DefectCode AS D, count(*) AS N,"
                                            " sum(count(*)) OVER (PARTITION BY LocationCode) AS LN"
                                            " FROM InspectionRecord GROUP BY LocationCode, DefectCode\nend\ncolumn = D | Code\ncolumn = N | Count | number\n");
        ReportDefinition d;
        QVERIFY(ReportDefinition::parse(head + QStringLiteral("subgroup = D | Code\n"), app.path(), &d).error().contains(QLatin1String("needs a group")));
        QVERIFY(ReportDefinition::parse(head + QStringLiteral("group = L | Loc\ngroup order = LN; DROP\n"), app.path(), &d).error().contains(QLatin1String("group order")));
        QVERIFY(ReportDefinition::parse(head + QStringLiteral("group = L | Loc\nsubgroup order = N\n"), app.path(), &d).error().contains(QLatin1String("needs its group")));
        QVERIFY(ReportDefinition::parse(head + QStringLiteral("group = L | Loc\nsubgroup = D | C\nsubgroup totals = some\n"), app.path(), &d)
                    .error().contains(QLatin1String("subgroup totals must be yes or no")));
        QVERIFY(ReportDefinition::parse(head + QStringLiteral("record count = 3\n"), app.path(), &d).error().contains(QLatin1String("record count")));

        // Locations by their number of rows, largest first: 1 (9 rows), L1 (8), L2 (3: #5 #13 #15); each location's codes.
        QVERIFY(ReportDefinition::parse(head + QStringLiteral("group = L | Loc\ngroup order = LN DESC\nsubgroup = D | Code\n"
                                                              "total = N | sum\nexport totals = yes\n"), app.path(), &d).isOk());
        ReportResult r;
        QVERIFY(ReportRunner::run(d, {}, nullptr, false, &r).isOk());
        QStringList keys;
        for (const ReportGroup& g : r.groups)
            keys << g.key.toString() + QLatin1Char(':') + QString::number(g.totals.at(1).toInt());
        QCOMPARE(keys, (QStringList{QStringLiteral("1:9"), QStringLiteral("L1:8"), QStringLiteral("L2:3")}));
        // L1 holds D1 #2 #7 #14, D2 #3 #10 #19, D3 #8 #9: one subgroup each, with its own totals line in the CSV.
        QCOMPARE(r.groups.at(1).subgroups.size(), 3);
        const QStringList csv = ReportRenderer::csv(r).split(QStringLiteral("\r\n"));
        QCOMPARE(csv.at(0), QStringLiteral("Loc,Code,Code,Count"));
        QVERIFY2(csv.contains(QStringLiteral("L1,D2,D2,3")) && csv.contains(QStringLiteral("L1,D2,Total,3")) && csv.contains(QStringLiteral("L1,,Total,8")),
                 qPrintable(csv.join(QLatin1Char('|'))));
        QVERIFY(csv.contains(QStringLiteral(",,Grand total,20")));
        // Seven subgroups (1: code 1; L1: D1 D2 D3; L2: 1 D1 D2) and three groups close with a totals line;
        // without subgroup totals only the groups' remain.
        QCOMPARE(ReportRenderer::csv(r).count(QStringLiteral(",Total,")), 10);
        r.definition.subgroupTotals = false;
        QCOMPARE(ReportRenderer::csv(r).count(QStringLiteral(",Total,")), 3);
        // A subgroup column the query does not give is an error.
        d.subgroup = QStringLiteral("Nothing");
        QVERIFY(ReportRunner::run(d, {}, nullptr, false, &r).error().contains(QLatin1String("subgroup Nothing")));
    }

    void csvQuotesAndDisarmsFormulas() {
        TestAppFolder app;
        fillReportData(app);
        const QStringList lines = runCsv(app, "defects_by_operator_Notes.rpt", december("Begin Date", "End Date"));
        const QString all = lines.join(QStringLiteral("\r\n"));
        QVERIFY2(all.contains(QStringLiteral(",\"'=cmd|' /C calc'!A0\"")) || all.contains(QStringLiteral(",'=cmd|' /C calc'!A0")), qPrintable(all));
        QVERIFY(all.contains(QStringLiteral("\"line one\nline, two\"")));
    }

    void sortFieldsComeFromTheDefinition() {
        TestAppFolder app;
        fillReportData(app);
        QStringList codes = runCsv(app, "Defect_Codes.rpt", {}, QStringLiteral("-{defects.defectdescription}"));
        QCOMPARE(codes.mid(1), (QStringList{QStringLiteral("D1,Scratch"), QStringLiteral("1,PASS - NO DEFECT"),
                                             QStringLiteral("D3,Loose screw"), QStringLiteral("D2,Dent"), QStringLiteral("4 defect codes,")}));
        codes = runCsv(app, "Defect_Codes.rpt", {});  // the report's own order: by code
        QCOMPARE(codes.at(1), QStringLiteral("1,PASS - NO DEFECT"));
        QCOMPARE(codes.at(4), QStringLiteral("D3,Loose screw"));
        const QStringList locations = runCsv(app, "Location_Codes.rpt", {}, QStringLiteral("+{location.location description}"));
        QCOMPARE(locations.mid(1), (QStringList{QStringLiteral("1,PASS - NO DEFECT"), QStringLiteral("L2,Side"), QStringLiteral("L1,Top"),
                                                 QStringLiteral("3 location codes,")}));
        QCOMPARE(runCsv(app, "Employee_List.rpt", {}, QStringLiteral("-{Employees.EmployeeNum}")).at(1), QStringLiteral("E3,smith,Bob"));
        QCOMPARE(runCsv(app, "Model_List.rpt", {}).mid(1), (QStringList{QStringLiteral("M100,Widget"), QStringLiteral("M200,Gadget"),
                                                                      QStringLiteral("2 models,")}));
        // One part: the noun agrees with the number.
        QCOMPARE(runCsv(app, "Part_List.rpt", {}).mid(1), (QStringList{QStringLiteral("001,PASS - NO DEFECT"), QStringLiteral("1 part,")}));

        // A sort field that the definition does not declare is refused, never pasted into SQL.
        ReportEngine engine(QStringLiteral("Defect_Codes"));
        engine.setOutput(ReportEngine::Output::Csv, app.file(QStringLiteral("x.csv")));
        engine.setReportFileName(report(app, "Defect_Codes.rpt"));
        for (const char* bad : {"+{defects.defectcode; DROP TABLE defects}", "+{Parts.partnum}", "defects.defectcode", "*{defects.defectcode}"}) {
            engine.setSortField(0, QLatin1String(bad));
            const Status s = engine.action(1);
            QVERIFY2(!s.isOk(), bad);
            QVERIFY(s.error().contains(QLatin1String("cannot be sorted")));
        }
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM defects")).toInt(), 4);
        QVERIFY(!QFile::exists(app.file(QStringLiteral("x.csv"))));
    }

    void parameterFailures_data() {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("error");
        const QString b = QStringLiteral("BeginDate;Date (2003, 12, 01);true"), e = QStringLiteral("EndDate;Date (2003, 12, 31);true");
        const QString f = QStringLiteral("Facility;A;true");
        QTest::newRow("empty date") << QStringList{QStringLiteral("BeginDate;Date (, , );true"), e, f} << "not a valid date";
        QTest::newRow("placeholders") << QStringList{QStringLiteral("BeginDate;Date (2003, 12, __);true"), e, f} << "not a valid date";
        QTest::newRow("no such day") << QStringList{b, QStringLiteral("EndDate;Date (2003, 02, 30);true"), f} << "not a valid date";
        QTest::newRow("missing facility") << QStringList{b, e} << "needs a value for the parameter 'Facility'";
        QTest::newRow("unknown name") << QStringList{QStringLiteral("Begin Date;Date (2003, 12, 01);true"), e, f} << "no parameter named 'Begin Date'";
        QTest::newRow("no flag") << QStringList{b, e, QStringLiteral("Facility;A")} << "Invalid parameter field";
    }
    void parameterFailures() {
        QFETCH(QStringList, params);
        QFETCH(QString, error);
        TestAppFolder app;
        fillReportData(app);
        ReportEngine engine(QStringLiteral("Pareto"));
        engine.setOutput(ReportEngine::Output::Csv, app.file(QStringLiteral("p.csv")));
        engine.setReportFileName(report(app, "pareto_of_defects.rpt"));
        for (int i = 0; i < params.size(); ++i)
            engine.setParameterField(i, params.at(i));
        const Status s = engine.action(1);
        QVERIFY(!s.isOk());
        QVERIFY2(s.error().contains(error), qPrintable(s.error()));
        QVERIFY(!QFile::exists(app.file(QStringLiteral("p.csv"))));
    }

    void valuesAreBoundNotPasted() {
        TestAppFolder app;
        fillReportData(app);
        const QStringList lines = runCsv(app, "pareto_of_defects.rpt", december("BeginDate", "EndDate", "Facility;A' OR '1'='1;true"));
        QCOMPARE(lines.size(), 1);  // the heading only: no facility has that name
        // A value may itself hold a semicolon; everything between the first and the last one is the value.
        ReportResult r;
        QVERIFY(ReportEngine::produce(report(app, "pareto_of_defects.rpt"),
                                      december("BeginDate", "EndDate", "Facility;A;B;true"), QString(), &r).isOk());
        QCOMPARE(r.rowCount, 0);
        QVERIFY(r.criteria.contains(QStringLiteral("Facility: A;B")));
    }

    void missingFilesAndReadOnlyDatabase() {
        TestAppFolder app;
        fillReportData(app);
        ReportEngine engine(QStringLiteral("Model_List"));
        engine.setOutput(ReportEngine::Output::Csv, app.file(QStringLiteral("m.csv")));
        Status s = engine.setReportFileName(report(app, "No_Such.rpt"));
        QVERIFY(!s.isOk());
        QVERIFY(s.error().contains(QLatin1String("No_Such.rpt")));
        QVERIFY(!engine.action(1).isOk());
        QVERIFY(!engine.action(2).isOk());

        // A definition cannot slip a second, writing statement past the query:
        // only the one wrapped SELECT is run, on a read-only connection.
        QFile bad(app.file(QStringLiteral("Bad.rpt")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("title = Bad\ndatabase = kelid.mdb\nquery:\nSELECT defectcode FROM defects); DELETE FROM defects; SELECT (1\nend\ncolumn = defectcode | Code\n");
        bad.close();
        QVERIFY(engine.setReportFileName(report(app, "Bad.rpt")).isOk());
        engine.action(1);
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM defects")).toInt(), 4);

        // A group caption column that the query does not give is an error, not an empty name.
        ReportDefinition captioned;
        QVERIFY(ReportDefinition::parse(QStringLiteral("database = kelid.mdb\nquery:\nSELECT ModelNumber FROM Model\nend\n"
                                                       "column = ModelNumber | Model\ngroup = ModelNumber | Model | Nothing\n"),
                                        app.path(), &captioned).isOk());
        ReportResult none;
        s = ReportRunner::run(captioned, {}, nullptr, false, &none);
        QVERIFY(s.error().contains(QLatin1String("caption Nothing")));

        // No database beside the report.
        QFile::remove(app.livePath());
        QVERIFY(engine.setReportFileName(report(app, "Model_List.rpt")).isOk());
        s = engine.action(1);
        QVERIFY(!s.isOk());
        QVERIFY(s.error().contains(QLatin1String("kelid.mdb")));
    }

    void definitionErrorsAreReported() {
        ReportDefinition d;
        Status s = ReportDefinition::parse(QStringLiteral("title = X\ndatabase = kelid.mdb\nquery:\nSELECT :who AS a\nend\ncolumn = a | A\n"), QStringLiteral("/tmp"), &d);
        QVERIFY(!s.isOk());
        QVERIFY(s.error().contains(QLatin1String("undeclared parameter :who")));
        s = ReportDefinition::parse(QStringLiteral("title = X\ncolour = red\n"), QStringLiteral("/tmp"), &d);
        QVERIFY(s.error().contains(QLatin1String("line 2")));
        s = ReportDefinition::parse(QStringLiteral("title = X\ndatabase = kelid.mdb\nquery:\nSELECT 1 AS a\n"), QStringLiteral("/tmp"), &d);
        QVERIFY(s.error().contains(QLatin1String("no end line")));
        s = ReportDefinition::parse(QStringLiteral("database = k.mdb\nquery:\nSELECT 1 AS a\nend\ncolumn = a | A\nsort = t.a | a; DROP TABLE t\n"), QStringLiteral("/tmp"), &d);
        QVERIFY(!s.isOk());
        s = ReportDefinition::parse(QStringLiteral("database = k.mdb\nquery:\nSELECT 1 AS a\nend\ncolumn = a | A\nexport totals = maybe\n"), QStringLiteral("/tmp"), &d);
        QVERIFY(s.error().contains(QLatin1String("export totals must be yes or no")));
        s = ReportDefinition::parse(QStringLiteral("database = k.mdb\nquery:\nSELECT 1 AS a\nend\ncolumn = a | A\ngroup = a | A | b; x\n"), QStringLiteral("/tmp"), &d);
        QVERIFY(!s.isOk());
        // Each shipped definition parses.
        for (const QString& f : QDir(QStringLiteral(VARNEX_SOURCE_DIR "/data/reports")).entryList({QStringLiteral("*.rpt")})) {
            s = ReportDefinition::load(QStringLiteral(VARNEX_SOURCE_DIR "/data/reports/") + f, &d);
            QVERIFY2(s.isOk(), qPrintable(f + QStringLiteral(": ") + s.error()));
        }
    }

    void pdfAndPreview() {
        TestAppFolder app;
        fillReportData(app);
        ReportEngine engine(QStringLiteral("Pareto"));
        const QString pdf = app.file(QStringLiteral("pareto.pdf"));
        engine.setOutput(ReportEngine::Output::Pdf, pdf);
        QVERIFY(engine.setReportFileName(report(app, "pareto_of_defects.rpt")).isOk());
        const QStringList p = december("BeginDate", "EndDate");
        for (int i = 0; i < 3; ++i)
            engine.setParameterField(i, p.at(i));
        QVERIFY(engine.action(1).isOk());
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.contains("/Image"));  // the chart
        QCOMPARE(engine.lastRowCount(), 3);

        // The preview: a window of its own, not modal, with the pages as printed.
        engine.setOutput(ReportEngine::Output::Preview);
        QVERIFY(engine.action(1).isOk());
        ReportPreview* preview = engine.preview();
        QVERIFY(preview);
        QCOMPARE(preview->objectName(), QStringLiteral("ReportPreview"));
        QVERIFY(preview->isVisible());
        QVERIFY(!preview->isModal());
        QVERIFY(preview->pageCount() >= 1);
        QVERIFY(preview->findChild<QWidget*>(QStringLiteral("cmdPrint")));
        const QString csv = app.file(QStringLiteral("from-preview.csv"));
        QVERIFY(preview->exportCsv(csv).isOk());
        QCOMPARE(readLines(csv).size(), 5);  // heading, three codes, grand total
        QPointer<ReportPreview> guard(preview);
        preview->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);

        // A long list runs over several pages.
        QString values;
        for (int i = 0; i < 300; ++i)
            values += QStringLiteral("%1('X%2','Model %2')").arg(i ? QStringLiteral(",") : QString()).arg(i, 3, 10, QLatin1Char('0'));
        app.exec(QStringLiteral("INSERT INTO Model VALUES ") + values);
        ReportResult r;
        QVERIFY(ReportEngine::produce(report(app, "Model_List.rpt"), {}, QString(), &r).isOk());
        ReportPreview many(r);
        QVERIFY(many.pageCount() > 3);
    }

    void pagesRepeatHeadingsAndTheCurrentGroup() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        TestAppFolder app;
        fillReportData(app);
        // 150 more dents for operator E2 in December: one operator and one code over several pages.
        app.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150) "
                                "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode, LocationCode, OperatorNum, ReworkNum) "
                                "SELECT 'A', 'M200', 'X' || i, '2003-12-20', 'ST1', 'P2', 'D2', 'L1', 'E2', 1 FROM n"));
        ReportResult r;
        auto pdfText = [&](const char* file) {
            ReportResult r;
            [&] { QVERIFY(ReportEngine::produce(report(app, file), december("Begin Date", "End Date"), QString(), &r).isOk()); }();
            const QString pdf = app.file(QStringLiteral("ops.pdf"));
            [&] { QVERIFY(ReportRenderer::writePdf(r, pdf).isOk()); }();
            QProcess p;
            p.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            [&] { QVERIFY(p.waitForFinished(30000)); }();
            return QString::fromUtf8(p.readAllStandardOutput());
        };
        const QStringList pages = pdfText("defects_by_operator_Notes.rpt").split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        for (int i = 0; i < pages.size(); ++i) {
            QVERIFY(pages.at(i).contains(QLatin1String("Defects by Operator")));
            QVERIFY(pages.at(i).contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size())));
            QVERIFY(pages.at(i).contains(QRegularExpression(QStringLiteral("Date\\s+Model\\s+Serial"))));
        }
        // E2 leads with 153 defects, 151 of them dents; its heading and the code's carry over to the next page.
        QVERIFY(pages.first().contains(QLatin1String("Operator: E2 - Mary Jones")));
        QVERIFY(pages.first().contains(QLatin1String("Defect Code: D2 - Dent (151 of 153, 98.7%)")));
        QVERIFY(pages.at(1).contains(QLatin1String("Operator: E2 - Mary Jones (continued)")));
        QVERIFY(pages.at(1).contains(QLatin1String("Defect Code: D2 - Dent (151 of 153, 98.7%) (continued)")));
        QVERIFY(pages.first().contains(QLatin1String("Begin Date: 12/01/2003")));
        QVERIFY(pages.last().contains(QRegularExpression(QStringLiteral("Grand total\\s+159"))));
        QVERIFY(pages.last().contains(QLatin1String("159 defect rows")));

        // The summary fits one page: E2 first with its 151 dents; its lines are codes, so no record count.
        const QString summary = pdfText("defects_by_operator.rpt");
        QCOMPARE(summary.count(QLatin1Char('\f')), 1);
        QVERIFY(summary.contains(QRegularExpression(QStringLiteral("D2\\s+Dent\\s+151\\s+98.7%\\s+95.0%"))));
        QVERIFY(summary.indexOf(QLatin1String("Operator: E2")) < summary.indexOf(QLatin1String("Operator: E1")));
        QVERIFY(summary.contains(QRegularExpression(QStringLiteral("Grand total\\s+159\\s+100.0%"))));
        QVERIFY(!summary.contains(QLatin1String("record(s)")));
    }

    void printedLinesSayWhatTheyCount_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QStringList>("shown");  // patterns the pages show
        QTest::addColumn<QString>("hidden");     // and one they must not
        const QStringList dec{QStringLiteral("Begin Date;Date (2003, 12, 01);true"), QStringLiteral("End Date;Date (2003, 12, 31);true")};
        const QStringList decA = dec + QStringList{QStringLiteral("Facility;A;true")};
        QTest::newRow("list") << "Defect_Codes.rpt" << QStringList() << QStringList{QStringLiteral("4 defect codes")} << "record(s)";
        QTest::newRow("pareto") << "pareto_of_defects.rpt"
                                << QStringList{QStringLiteral("BeginDate;Date (2003, 12, 01);true"), QStringLiteral("EndDate;Date (2003, 12, 31);true"),
                                               QStringLiteral("Facility;A;true")}
                                << QStringList{QStringLiteral("Grand total\\s+9")} << "record(s)";
        QTest::newRow("by model") << "defects_by_model.rpt" << dec
                                  << QStringList{QStringLiteral("End Date: 12/31/2003\\s+All facilities"), QStringLiteral("Grand total\\s+10")}
                                  << "record(s)";
        QTest::newRow("first pass") << "1st_Pass_Yields.rpt"
                                    << QStringList{dec.at(0), QStringLiteral("End_Date;Date (2003, 12, 31);true"), QStringLiteral("Facility;A;true")}
                                    << QStringList{QStringLiteral("Totals: each unit once, passed .{1,2}rst time at every station"),
                                                   QStringLiteral("Station\\s+Units\\s+Passed")}
                                    << "record(s)";
        QTest::newRow("selected operator") << "defects_by_selected_operator.rpt" << decA + QStringList{QStringLiteral("Operator;Jones;true")}
                                           << QStringList{QStringLiteral("3 defects"), QStringLiteral("3 defect rows")} << "record(s)";
    }
    void printedLinesSayWhatTheyCount() {
        QFETCH(QString, file);
        QFETCH(QStringList, params);
        QFETCH(QStringList, shown);
        QFETCH(QString, hidden);
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        TestAppFolder app;
        fillReportData(app);
        ReportResult r;
        QVERIFY(ReportEngine::produce(report(app, qPrintable(file)), params, QString(), &r).isOk());
        const QString pdf = app.file(QStringLiteral("counts.pdf"));
        QVERIFY(ReportRenderer::writePdf(r, pdf).isOk());
        QProcess p;
        p.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        for (const QString& pattern : shown)
            QVERIFY2(text.contains(QRegularExpression(pattern)), qPrintable(pattern + QStringLiteral(" in:\n") + text));
        QVERIFY2(!text.contains(hidden), qPrintable(text));
    }

    void aLongRunShowsItsProgressAndCanBeCancelled() {
        TestAppFolder app;
        const QString endless = writeEndlessReport(app);
        ReportEngine engine(QStringLiteral("Endless"));
        QVERIFY(engine.setReportFileName(endless).isOk());
        // While it runs: the preview with its progress line and the busy pointer; then Cancel is pressed.
        bool visible = false;
        QString progress;
        MousePointer::Shape pointer = MousePointer::Shape::Default;
        QTimer::singleShot(600, [&] {
            ReportPreview* p = engine.preview();
            if (!p)
                return;
            visible = p->isVisible() && p->isPreparing();
            progress = p->findChild<QLabel*>(QStringLiteral("lblProgress"))->text();
            pointer = MousePointer::current();
            QTest::mouseClick(p->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        });
        QElapsedTimer clock;
        clock.start();
        Status s = engine.action(1);
        QVERIFY(clock.elapsed() < 30000);
        QVERIFY(!s.isOk());
        QVERIFY(engine.lastRunCancelled());
        QCOMPARE(s.error(), QStringLiteral("The report Endless was cancelled."));
        QVERIFY(visible);
        QVERIFY2(progress.startsWith(QLatin1String("Preparing the report...")), qPrintable(progress));
        QCOMPARE(pointer, MousePointer::Shape::Hourglass);
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!engine.preview());

        // A slow report that ends: its pages replace the progress line, and the window no longer blocks the others.
        QFile slow(app.file(QStringLiteral("Slow.rpt")));
        QVERIFY(slow.open(QIODevice::WriteOnly));
        slow.write("title = Slow\ndatabase = kelid.mdb\nquery:\n"
                   "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000000) SELECT max(i) AS i FROM n\n"
                   "end\ncolumn = i | Count | number\n");
        slow.close();
        QVERIFY(engine.setReportFileName(slow.fileName()).isOk());
        bool modalWhilePreparing = false;
        QTimer::singleShot(150, [&] { modalWhilePreparing = engine.preview() && engine.preview()->isModal(); });
        QVERIFY(engine.action(1).isOk());
        QVERIFY(modalWhilePreparing);
        ReportPreview* done = engine.preview();
        QVERIFY(done && done->isVisible() && !done->isPreparing() && !done->isModal());
        QVERIFY(done->findChild<QWidget*>(QStringLiteral("pvwReport")));
        QVERIFY(!done->findChild<QWidget*>(QStringLiteral("picProgress"))->isVisible());
        QCOMPARE(engine.lastRowCount(), 1);
        done->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // Nobody there to cancel: the time limit stops it, and says so.
        QVERIFY(engine.setReportFileName(endless).isOk());
        engine.setTimeLimit(1);
        engine.setOutput(ReportEngine::Output::Csv, app.file(QStringLiteral("endless.csv")));
        s = engine.action(1);
        QVERIFY(engine.lastRunTimedOut());
        QCOMPARE(s.error(), QStringLiteral("The report Endless reached its time limit of 1 s and was stopped."));
        QVERIFY(!QFile::exists(app.file(QStringLiteral("endless.csv"))));
    }

    void releaseClearsSettings() {
        ReportEngine engine(QStringLiteral("Pareto"));
        engine.setParameterField(0, QStringLiteral("BeginDate;Date (2003, 12, 01);true"));
        engine.setSortField(0, QStringLiteral("+{defects.defectcode}"));
        QVERIFY(!engine.setParameterField(ReportEngine::kParameterFields, QStringLiteral("x;y;true")).isOk());
        QVERIFY(!engine.setSortField(1, QStringLiteral("+{a.b}")).isOk());
        engine.release();
        QVERIFY(engine.parameterField(0).isEmpty());
        QVERIFY(engine.sortField(0).isEmpty());
        QCOMPARE(ReportEngine::parseDateValue(QStringLiteral("Date (2003, 12, 01)")), QDate(2003, 12, 1));
        QVERIFY(!ReportEngine::parseDateValue(QStringLiteral("Date (2003, 13, 01)")).isValid());
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
