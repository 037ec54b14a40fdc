// The report engine beyond tst_reportcsv's figures: figures that more rows change,
// the printed pages, and the runs that fail, are refused or are stopped.
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include "ReportTestData.h"
#include "TestAppFolder.h"
#include "platform/MousePointer.h"
#include "reports/ReportPreview.h"
#include "reports/ReportRenderer.h"
#include "reports/ReportResult.h"

class TestReportEngine : public QObject {
    Q_OBJECT
    ReportResult produce(const TestAppFolder& app, const char* file, const QStringList& params) {
        ReportResult r;
        const Status s = ReportEngine::produce(app.file(QLatin1String(file)), params, QString(), &r);
        [&] { QVERIFY2(s.isOk(), qPrintable(s.error())); }();
        return r;
    }
    // The printed pages as text, pages parted by form feeds.
    static QString pdfText(const ReportResult& r, const TestAppFolder& app) {
        const QString pdf = app.file(QStringLiteral("pages.pdf"));
        [&] { QVERIFY(ReportRenderer::writePdf(r, pdf).isOk()); }();
        QProcess p;
        p.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // A unit (model + serial) that passes its first inspection at a station and fails a later
    // re-inspection there still passed first time; the totals count each unit once over its stations.
    void firstPassIgnoresALaterFailedReinspection() {
        TestAppFolder app;
        fillReportData(app);
        // M200/S4 (a pass at ST2, #6) passes its first inspection at ST1 and fails a later re-inspection there.
        // M100/S1 (a pass at ST1), M300/S30 and S31 (passes at ST1) fail ST2 at first, then pass their rework.
        app.exec(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode, LocationCode, ReworkNum) VALUES"
            " ('A','M100','S1','2003-12-02','ST2','P2','D1','L1',1), ('A','M100','S1','2003-12-03','ST2','001','1','1',2),"
            " ('A','M200','S4','2003-12-20','ST1','001','1','1',1), ('A','M200','S4','2003-12-21','ST1','P3','D2','L1',2),"
            " ('A','M300','S30','2003-12-05','ST1','001','1','1',1), ('A','M300','S30','2003-12-06','ST2','P2','D1','L1',1),"
            " ('A','M300','S30','2003-12-07','ST2','001','1','1',2),"
            " ('A','M300','S31','2003-12-05','ST1','001','1','1',1), ('A','M300','S31','2003-12-06','ST2','P2','D1','L1',1),"
            " ('A','M300','S31','2003-12-07','ST2','001','1','1',2)"));
        // M200 ST1: S3 no/no, S4 yes/no: 2 units, 1 first time (50 %), 0 finally.
        // Totals, each unit once: M100 5 units, 1 first time (S12; S1 failed at ST2); M200 4, 1 (S4), 0;
        // M300 2, 0 (adding the station lines would say 2 of 4), 2. All: 11, 2 (18.2 %), 7 (63.6 %).
        const QStringList lines = runCsv(app, QStringLiteral("1st_Pass_Yields.rpt"), december("Begin Date", "End_Date"));
        QCOMPARE(lines.mid(1), (QStringList{
            QStringLiteral("M100,ST1,3,1,33.3,3,100.0"), QStringLiteral("M100,ST2,3,1,33.3,3,100.0"),
            QStringLiteral("M100,Total,5,1,20.0,5,100.0"),
            QStringLiteral("M200,ST1,2,1,50.0,0,0.0"), QStringLiteral("M200,ST2,3,1,33.3,1,33.3"),
            QStringLiteral("M200,Total,4,1,25.0,0,0.0"),
            QStringLiteral("M300,ST1,2,2,100.0,2,100.0"), QStringLiteral("M300,ST2,2,0,0.0,2,100.0"),
            QStringLiteral("M300,Total,2,0,0.0,2,100.0"),
            QStringLiteral(",Grand total,11,2,18.2,7,63.6")}));
    }

    // Rows added to (or changed in) the December data set, and the CSV's lines after its heading.
    void figuresAfterMoreRows_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("lines");
        // The final state of a unit is its latest row even when dated after the range: M200/S5 passes in January.
        QTest::newRow("first pass: final row after the range")
            << "1st_Pass_Yields.rpt" << december("Begin Date", "End_Date")
            << "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode, LocationCode,"
               " ReworkNum) VALUES ('A','M200','S5','2004-01-05','ST2','001','1','1',2)"
            << QStringList{"M100,ST1,3,1,33.3,3,100.0", "M100,ST2,2,1,50.0,2,100.0", "M100,Total,5,2,40.0,5,100.0",
                           "M200,ST1,1,0,0.0,0,0.0", "M200,ST2,3,1,33.3,2,66.7", "M200,Total,4,1,25.0,2,50.0",
                           ",Grand total,9,3,33.3,7,77.8"};
        // A first inspection dated on both sides of the range's start belongs to the earlier range only.
        QTest::newRow("first pass: first inspection begun before the range")
            << "1st_Pass_Yields.rpt" << december("Begin Date", "End_Date")
            << "UPDATE InspectionRecord SET Date = '2003-11-30' WHERE InspectionID = 14"
            << QStringList{"M100,ST1,2,1,50.0,2,100.0", "M100,ST2,2,1,50.0,2,100.0", "M100,Total,4,2,50.0,4,100.0",
                           "M200,ST1,1,0,0.0,0,0.0", "M200,ST2,3,1,33.3,1,33.3", "M200,Total,4,1,25.0,1,25.0",
                           ",Grand total,8,3,37.5,5,62.5"};
        // Values are bound: a quote in the facility names no facility.
        QTest::newRow("pareto: quote in a value")
            << "pareto_of_defects.rpt" << december("BeginDate", "EndDate", "Facility;A' OR '1'='1;true") << QString() << QStringList();
        // Shares that are no whole number keep their decimals.
        QTest::newRow("pareto: nine defects") << "pareto_of_defects.rpt" << december("BeginDate", "EndDate") << QString()
            << QStringList{"D1,Scratch,4,44.4,44.4", "D2,Dent,3,33.3,77.8", "1,PASS - NO DEFECT,2,22.2,100.0", "Grand total,,9,,"};
        // An escape of I1, who inspected 6 units in 13 rows: the rate is per unit.
        QTest::newRow("escapes: rate per unit inspected") << "Inspection_Escapes.rpt" << december("BeginDate", "EndDate")
            << "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode,"
               " LocationCode, InspNum, IDate, ReworkNum) VALUES ('A','M100','S12','I2','2003-12-09','ST2','P2','D1','L1','I1','2003-12-05',2)"
            << QStringList{"I1,2003-12-05,2003-12-09,M100,S12,ST2,P2,D1 Scratch,L1,I2,,,,,", "I1,Total,,,,,,,,,1,6,16.7,,",
                           "I9,2003-12-03,2003-12-04,M200,S10,ST2,001,1 PASS - NO DEFECT,L2,I2,,,,,",
                           "I9,2003-12-08,2003-12-10,M200,S3,ST1,P2,D1 Scratch,L2,I1,,,,,", "I9,Total,,,,,,,,,2,0,,,",
                           ",Grand total,,,,,,,,,3,10,30.0,10,30.0"};
        // A value is what lies between the name and the flag, semicolons and all.
        QTest::newRow("unit history: semicolon in a value") << "unit_history.rpt" << QStringList{"Serial;S;9;true"}
            << "UPDATE InspectionRecord SET SerialNum = 'S;9' WHERE SerialNum = 'S9'; DELETE FROM AuditTrail"  // its changes aside
            << QStringList{"\"Model M100, serial S;9\",2003-12-03,ST2,I1,Part 123; defect 1 PASS - NO DEFECT; location 1 PASS - NO DEFECT,,E1,1,",
                           "\"Model M100, serial S;9\",2003-12-04,ST2,I1,Pass,,,2,",
                           "\"Model M100, serial S;9: by station\",,ST2,,2 inspections; latest: pass,,,,"};
    }
    void figuresAfterMoreRows() {
        QFETCH(QString, file);
        QFETCH(QStringList, params);
        QFETCH(QString, sql);
        QFETCH(QStringList, lines);
        TestAppFolder app;
        fillReportData(app);
        if (!sql.isEmpty())
            app.exec(sql);
        QCOMPARE(runCsv(app, file, params).mid(1), lines);
    }

    // Refused fields: nothing is written, and a huge value is quoted by its first 80 characters only.
    void refusedFields_data() {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QString>("sort");
        QTest::addColumn<QString>("error");
        const QString b = QStringLiteral("BeginDate;Date (2003, 12, 01);true"), e = QStringLiteral("EndDate;Date (2003, 12, 31);true");
        const QString f = QStringLiteral("Facility;A;true");
        const QString digits = QStringLiteral("0123456789").repeated(20);
        QTest::newRow("empty date") << QStringList{QStringLiteral("BeginDate;Date (, , );true"), e, f} << QString() << "not a valid date";
        QTest::newRow("missing facility") << QStringList{b, e} << QString() << "needs a value for the parameter 'Facility'";
        // Names are matched without regard to case, blanks and underscores; an unknown one lists the report's.
        QTest::newRow("unknown name") << QStringList{QStringLiteral("begin_date;Date (2003, 12, 01);true"), e, f,
                                                     QStringLiteral("Start;Date (2003, 12, 01);true")}
                                      << QString() << "no parameter named 'Start'; its parameters are BeginDate, EndDate, Facility.";
        QTest::newRow("no flag") << QStringList{b, e, QStringLiteral("Facility;A")} << QString() << "Invalid parameter field";
        QTest::newRow("huge date") << QStringList{QStringLiteral("BeginDate;") + digits + QStringLiteral(";true"), e, f} << QString()
                                   << digits.left(80) + QChar(0x2026);
        // A sort field the list of defect codes does not declare is refused, never pasted into SQL.
        QTest::newRow("sort with SQL") << QStringList() << "+{defects.defectcode; DROP TABLE defects}" << "cannot be sorted";
        QTest::newRow("another list's sort") << QStringList() << "+{Parts.partnum}" << "cannot be sorted";
        QTest::newRow("sort without a sign") << QStringList() << "defects.defectcode" << "cannot be sorted";
        QTest::newRow("huge sort") << QStringList() << "+{" + digits + "}" << ("+{" + digits).left(80) + QChar(0x2026);
    }
    void refusedFields() {
        QFETCH(QStringList, params);
        QFETCH(QString, sort);
        QFETCH(QString, error);
        TestAppFolder app;
        fillReportData(app);
        ReportEngine engine(QStringLiteral("Test"));
        engine.setOutput(ReportEngine::Output::Csv, app.file(QStringLiteral("p.csv")));
        engine.setReportFileName(app.file(sort.isEmpty() ? QStringLiteral("pareto_of_defects.rpt") : QStringLiteral("Defect_Codes.rpt")));
        for (int i = 0; i < params.size(); ++i)
            engine.setParameterField(i, params.at(i));
        engine.setSortField(0, sort);
        const Status s = engine.action(1);
        QVERIFY(!s.isOk());
        QVERIFY2(s.error().contains(error) && s.error().size() < 300, qPrintable(s.error()));
        QVERIFY(!QFile::exists(app.file(QStringLiteral("p.csv"))));
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM defects")).toInt(), 4);
    }

    void missingFilesAndReadOnlyDatabase() {
        TestAppFolder app;
        fillReportData(app);
        ReportEngine engine(QStringLiteral("Model_List"));
        engine.setOutput(ReportEngine::Output::Csv, app.file(QStringLiteral("m.csv")));
        Status s = engine.setReportFileName(app.file(QStringLiteral("No_Such.rpt")));
        QVERIFY(s.error().contains(QLatin1String("No_Such.rpt")));
        QVERIFY(!engine.action(1).isOk());

        // A definition cannot slip a second, writing statement past the query:
        // only the one wrapped SELECT is run, on a read-only connection.
        QFile bad(app.file(QStringLiteral("Bad.rpt")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("title = Bad\ndatabase = kelid.mdb\nquery:\nSELECT defectcode FROM defects); DELETE FROM defects; SELECT (1\nend\ncolumn = defectcode | Code\n");
        bad.close();
        QVERIFY(engine.setReportFileName(app.file(QStringLiteral("Bad.rpt"))).isOk());
        engine.action(1);
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM defects")).toInt(), 4);
        // A definition that is wrong says where.
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
        bad.write("title = Bad\ndatabase = kelid.mdb\nquery:\nSELECT :who AS a\nend\ncolumn = a | A\n");
        bad.close();
        s = engine.action(1);
        QVERIFY2(s.error().contains(QLatin1String("undeclared parameter :who")), qPrintable(s.error()));

        // No database beside the report.
        QFile::remove(app.livePath());
        QVERIFY(engine.setReportFileName(app.file(QStringLiteral("Model_List.rpt"))).isOk());
        s = engine.action(1);
        QVERIFY(s.error().contains(QLatin1String("kelid.mdb")));
    }

    void pagesRepeatHeadingsAndTheCurrentGroup() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext is not installed");
        TestAppFolder app;
        fillReportData(app);
        // 150 more dents for operator E2 in December: one operator and one code over several pages.
        app.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150) "
                                "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode, LocationCode, OperatorNum, ReworkNum) "
                                "SELECT 'A', 'M200', 'X' || i, '2003-12-20', 'ST1', 'P2', 'D2', 'L1', 'E2', 1 FROM n"));
        const QStringList pages = pdfText(produce(app, "defects_by_operator_Notes.rpt", december("Begin Date", "End Date")), app)
                                      .split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        for (int i = 0; i < pages.size(); ++i) {
            QVERIFY(pages.at(i).contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size())));
            QVERIFY(pages.at(i).contains(QRegularExpression(QStringLiteral("Date\\s+Model\\s+Serial"))));
        }
        // E2 leads with 153 defects, 151 of them dents; its heading and the code's carry over to the next page.
        QVERIFY(pages.first().contains(QLatin1String("Defect Code: D2 - Dent (151 of 153, 98.7%)")));
        QVERIFY(pages.at(1).contains(QLatin1String("Operator: E2 - Mary Jones (continued)")));
        QVERIFY(pages.at(1).contains(QLatin1String("Defect Code: D2 - Dent (151 of 153, 98.7%) (continued)")));
        QVERIFY(pages.first().contains(QLatin1String("Begin Date: 12/01/2003")));
        QCOMPARE(pages.join(QString()).count(QRegularExpression(QStringLiteral("Grand total\\s+159"))), 1);
        QVERIFY(pages.last().contains(QLatin1String("159 defect rows")));

        // The summary fits one page: E2 first with its 151 dents.
        const QString summary = pdfText(produce(app, "defects_by_operator.rpt", december("Begin Date", "End Date")), app);
        QCOMPARE(summary.count(QLatin1Char('\f')), 1);
        QVERIFY(summary.contains(QRegularExpression(QStringLiteral("D2\\s+Dent\\s+151\\s+98.7%\\s+95.0%"))));
        QVERIFY(summary.indexOf(QLatin1String("Operator: E2")) < summary.indexOf(QLatin1String("Operator: E1")));
        QVERIFY(summary.contains(QRegularExpression(QStringLiteral("Grand total\\s+159\\s+100.0%"))));
        QVERIFY(!summary.contains(QLatin1String("record(s)")));  // its lines are codes, not records
    }

    void aLongRunShowsItsProgressAndCanBeCancelled() {
        TestAppFolder app;
        const QString endless = writeEndlessReport(app);
        ReportEngine engine(QStringLiteral("Endless"));
        QVERIFY(engine.setReportFileName(endless).isOk());
        // While it runs: the preview with its progress line and the busy pointer; then Cancel is pressed.
        bool preparing = false;
        QString progress;
        MousePointer::Shape pointer = MousePointer::Shape::Default;
        QTimer::singleShot(600, [&] {
            ReportPreview* p = engine.preview();
            if (!p)
                return;
            preparing = p->isVisible() && p->isPreparing() && p->isModal();
            progress = p->findChild<QLabel*>(QStringLiteral("lblProgress"))->text();
            pointer = MousePointer::current();
            QTest::mouseClick(p->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        });
        const Status s = engine.action(1);
        QVERIFY(engine.lastRunCancelled());
        QCOMPARE(s.error(), QStringLiteral("The report Endless was cancelled."));
        QVERIFY(preparing);
        QVERIFY2(progress.startsWith(QLatin1String("Preparing the report...")), qPrintable(progress));
        QCOMPARE(pointer, MousePointer::Shape::Hourglass);
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!engine.preview());
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
