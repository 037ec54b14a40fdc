#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QFile>
#include <QMenuBar>
#include <QTest>

#include "TestAppFolder.h"
#include "database/RecordSet.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "reports/AnalysisForm.h"
#include "reports/ReportChartPainter.h"
#include "reports/ReportEngine.h"
#include "reports/ReportPreview.h"
#include "reports/ReportResult.h"
#include "shell/Application.h"
#include "tables/TableBrowser.h"
#include "tables/TableBrowserGrid.h"

// The analysis reports on small hand-made data sets whose answers are worked
// out here, and their forms.
class TestAnalysis : public QObject {
    Q_OBJECT

    // One unit, serial S100 of model M1, through three stations (facility A):
    //   #1 03/05 ST2 I2 defect P2/D1/L1 (rework 1)   #2 03/05 ST2 I2 defect P3/D2/L2 (rework 2): one inspection
    //   #3 03/06 ST2 I1 pass (rework 3): the re-inspection
    //   #4 03/07 ST3 I1 defect P2/D1/L1, passed earlier by I2 (rework 1)
    //   #5 another unit, S101                         #6 the same serial under model M2, ST1 pass
    //   #7 03/08 ST3 I3 defect P3/D2/L2 (rework 2): a second inspection at ST3, not passed
    //   #8 03/04 ST1 I1 pass (rework 1), stored last but dated first
    static void fillUnit(const TestAppFolder& app) {
        app.exec(QStringLiteral(
            "INSERT INTO defects VALUES ('D1','Scratch'),('D2','Dent');"
            "INSERT INTO Parts VALUES ('P2','Bezel'),('P3','Cover');"
            "INSERT INTO location VALUES ('L1','Top'),('L2','Side');"
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode,"
            " LocationCode, InspNum, IDate, OperatorNum, ODate, ReworkNum, Notes) VALUES"
            " ('A','M1','S100','I2','2024-03-05','ST2','P2','D1','L1',NULL,NULL,'E1',NULL,1,'bent'),"
            " ('A','M1','S100','I2','2024-03-05','ST2','P3','D2','L2',NULL,NULL,'E1',NULL,2,NULL),"
            " ('A','M1','S100','I1','2024-03-06','ST2','001','1','1',NULL,NULL,NULL,NULL,3,NULL),"
            " ('A','M1','S100','I1','2024-03-07','ST3','P2','D1','L1','I2','2024-03-05','E1',NULL,1,NULL),"
            " ('A','M1','S101','I1','2024-03-07','ST1','001','1','1',NULL,NULL,NULL,NULL,1,NULL),"
            " ('A','M2','S100','I1','2024-03-07','ST1','001','1','1',NULL,NULL,NULL,NULL,1,NULL),"
            " ('A','M1','S100','I3','2024-03-08','ST3','P3','D2','L2',NULL,NULL,'E1',NULL,2,NULL),"
            " ('A','M1','S100','I1','2024-03-04','ST1','001','1','1',NULL,NULL,NULL,NULL,1,NULL);"));
    }

    // Three weeks of January 2024 at facility A, one row per unit first inspected (rework 1):
    //   week of 01/01: 10 units at ST1, S1 fails            week of 01/08: 100 units at ST2, S11..S20 fail
    //   week of 01/15: 10 units at ST1, S111..S116 fail; S111 has a second defect row (rework 2), and every
    //   failed unit of that week passes its re-inspection on 01/17, S116 on 01/22 (not units of their own).
    //   Outside the criteria: a failed unit at facility B, and one at A on 12/29/2023.
    static void fillWeeks(const TestAppFolder& app) {
        app.exec(QStringLiteral(
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 120)"
            " INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode,"
            " LocationCode, ReworkNum)"
            " SELECT 'A', 'M1', 'S' || i, 'I1',"
            "  CASE WHEN i <= 10 THEN '2024-01-02' WHEN i <= 110 THEN '2024-01-09' ELSE '2024-01-16' END,"
            "  CASE WHEN i <= 10 OR i > 110 THEN 'ST1' ELSE 'ST2' END,"
            "  CASE WHEN i = 1 OR i BETWEEN 11 AND 20 OR i BETWEEN 111 AND 116 THEN 'P2' ELSE '001' END,"
            "  CASE WHEN i = 1 OR i BETWEEN 11 AND 20 OR i BETWEEN 111 AND 116 THEN 'D1' ELSE '1' END, '1', 1 FROM c;"
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode,"
            " LocationCode, ReworkNum) VALUES"
            " ('A','M1','S111','I1','2024-01-16','ST1','P3','D2','1',2),"
            " ('A','M1','S111','I1','2024-01-17','ST1','001','1','1',3),"
            " ('A','M1','S112','I1','2024-01-17','ST1','001','1','1',2), ('A','M1','S113','I1','2024-01-17','ST1','001','1','1',2),"
            " ('A','M1','S114','I1','2024-01-17','ST1','001','1','1',2), ('A','M1','S115','I1','2024-01-17','ST1','001','1','1',2),"
            " ('A','M1','S116','I1','2024-01-22','ST1','001','1','1',2),"
            " ('B','M1','S900','I1','2024-01-16','ST1','P2','D1','1',1),"
            " ('A','M1','S901','I1','2023-12-29','ST1','P2','D1','1',1);"));
    }

    // Every line of a result as "group|cell|cell...", cells as printed (no group: "|cell...").
    static QStringList lines(const ReportResult& r) {
        QStringList out;
        for (const ReportGroup& g : r.groups)
            for (const QVariantList& row : g.rows) {
                QStringList cells{r.definition.group.isEmpty() ? QString() : r.groupLabel(g)};
                for (int c = 0; c < row.size(); ++c)
                    cells << r.format(c, row.at(c));
                out << cells.join(QLatin1Char('|'));
            }
        return out;
    }

    static ReportResult produce(const TestAppFolder& app, const char* file, const QStringList& params) {
        ReportResult r;
        const Status s = ReportEngine::produce(app.file(QLatin1String(file)), params, QString(), &r);
        [&] { QVERIFY2(s.isOk(), qPrintable(s.error())); }();
        return r;
    }

private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); }

    // In date order whatever the storing order, then each station's count and latest result; the same
    // serial number under M2 is a unit of its own (with the model given, only M1's: the Ctrl+H test).
    void unitHistoryAcrossThreeStations() {
        TestAppFolder app;
        fillUnit(app);
        const QString h = QStringLiteral("Model M1, serial S100|");
        const QString s = QStringLiteral("Model M1, serial S100: by station||");
        QCOMPARE(lines(produce(app, "unit_history.rpt", {QStringLiteral("Serial;S100;true")})), (QStringList{
            h + QStringLiteral("03/04/2024|ST1|I1|Pass|||1|"),
            h + QStringLiteral("03/05/2024|ST2|I2|Part P2 Bezel; defect D1 Scratch; location L1 Top||E1|1|bent"),
            h + QStringLiteral("03/05/2024|ST2|I2|Part P3 Cover; defect D2 Dent; location L2 Side||E1|2|"),
            h + QStringLiteral("03/06/2024|ST2|I1|Pass|||3|"),
            h + QStringLiteral("03/07/2024|ST3|I1|Part P2 Bezel; defect D1 Scratch; location L1 Top|I2|E1|1|"),
            h + QStringLiteral("03/08/2024|ST3|I3|Part P3 Cover; defect D2 Dent; location L2 Side||E1|2|"),
            s + QStringLiteral("ST1||1 inspection; latest: pass||||"),
            s + QStringLiteral("ST2||2 inspections; latest: pass||||"),
            s + QStringLiteral("ST3||2 inspections; latest: not passed||||"),
            QStringLiteral("Model M2, serial S100|03/07/2024|ST1|I1|Pass|||1|"),
            QStringLiteral("Model M2, serial S100: by station||ST1||1 inspection; latest: pass||||")}));
    }

    void trendWithControlLimits_data() {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("redPoint");
        const QStringList january{QStringLiteral("BeginDate;Date (2024, 01, 01);true"), QStringLiteral("EndDate;Date (2024, 01, 31);true"),
                                  QStringLiteral("Facility;A;true")};
        // Weekly: p-bar = 17 / 120, 3 sqrt(p-bar (1 - p-bar) / n) = 33.08 % for n = 10 (LCL below 0, so 0),
        // 10.46 % for n = 100. The week of 01/15 has p = 6 / 10 = 60 %, above its UCL; 7 defects per 10 units.
        QTest::newRow("weeks") << january + QStringList{QStringLiteral("Period;Week;true")}
                               << QStringList{QStringLiteral("|01/01/2024|10|9|90.0%|10|10.0%|14.2%|0.0%|47.2%|"),
                                              QStringLiteral("|01/08/2024|100|90|90.0%|10|10.0%|14.2%|3.7%|24.6%|"),
                                              QStringLiteral("|01/15/2024|10|4|40.0%|70|60.0%|14.2%|0.0%|47.2%|Rule 1: above UCL")}
                               << true;
        // Station ST1 alone: weeks 1 and 3, p-bar = 7 / 20 = 35 %; 3 sqrt(0.35 * 0.65 / 10) = 45.25 %:
        // UCL 80.25 %, and 60 % is inside it.
        QTest::newRow("one station") << january + QStringList{QStringLiteral("Period;week;true"), QStringLiteral("Station;ST1;true")}
                                     << QStringList{QStringLiteral("|01/01/2024|10|9|90.0%|10|10.0%|35.0%|0.0%|80.2%|"),
                                                    QStringLiteral("|01/15/2024|10|4|40.0%|70|60.0%|35.0%|0.0%|80.2%|")}
                                     << false;
        // One month: n = 120, 3 sqrt(0.121597 / 120) = 9.55 %: UCL 23.72 %, LCL 4.62 %; 18 defects per 120 units.
        QTest::newRow("month") << january + QStringList{QStringLiteral("Period;Month;true"), QStringLiteral("Model;M1;true")}
                               << QStringList{QStringLiteral("|01/01/2024|120|103|85.8%|15|14.2%|14.2%|4.6%|23.7%|")} << false;
    }

    void trendWithControlLimits() {
        QFETCH(QStringList, params);
        QFETCH(QStringList, expected);
        QFETCH(bool, redPoint);
        TestAppFolder app;
        fillWeeks(app);
        const ReportResult r = produce(app, "yield_trend.rpt", params);
        QCOMPARE(lines(r), expected);
        // A point outside its limits is drawn in red (below the legend, which starts the plot at 40).
        const QImage chart = ReportChartPainter::render(r, QSize(660, 300), 1);
        bool red = false;
        for (int y = 40; y < chart.height() && !red; ++y)
            for (int x = 0; x < chart.width() && !red; ++x)
                red = chart.pixel(x, y) == qRgb(204, 0, 0);
        QCOMPARE(red, redPoint);
    }

    void analysisMenuOpensEachFormForTheKeyboard_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("form");
        QTest::addColumn<QStringList>("typed");  // into each box in Tab order; "" leaves a box as it is
        QTest::addColumn<QString>("run");  // the engine's run request after Enter: fields 0-3, the sort, fields 4-7
        QTest::newRow("trend") << "mnuYieldTrend" << "frmYieldTrend"
                               << QStringList{QStringLiteral("01012024"), QStringLiteral("01312024"), QString(), QStringLiteral("m"),
                                              QString(), QStringLiteral("st1"), QString()}
                               << "yield_trend.rpt|BeginDate;Date (2024, 01, 01);true|EndDate;Date (2024, 01, 31);true|Facility;A;true"
                                  "|Period;Month;true||Station;ST1;true|Limits;This range;true||";
        QTest::newRow("what changed") << "mnuWhatChanged" << "frmWhatChanged"
                                      << QStringList{QString(), QStringLiteral("03062024"), QStringLiteral("b"), QString(), QString()}
                                      << "what_changed.rpt|Period;Week;true|PeriodDate;Date (2024, 03, 06);true|Facility;B;true||";
    }

    void analysisMenuOpensEachFormForTheKeyboard() {
        QFETCH(QString, entry);
        QFETCH(QString, form);
        QFETCH(QStringList, typed);
        QFETCH(QString, run);
        TestAppFolder app;
        fillUnit(app);
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        FormRegistry& forms = FormRegistry::instance();
        forms.form(QStringLiteral("MDIBackground"))->findChild<QMenuBar*>()->findChild<QAction*>(entry)->trigger();
        auto* f = forms.formAs<AnalysisForm>(form);
        QVERIFY(f && f->isVisible());
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f->window()));
        // Type into each box and Tab on, as a user would; the first box has the focus.
        for (const QString& text : typed) {
            QWidget* box = QApplication::focusWidget();
            QVERIFY(box && f->isAncestorOf(box));
            if (!text.isEmpty())
                QTest::keyClicks(box, text);
            QTest::keyClick(box, Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdOK"));
        f->engine()->setOutput(ReportEngine::Output::Csv, app.file(QStringLiteral("out.csv")));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.value(0).text));
        QCOMPARE(f->engine()->runLog(), QStringList{app.path() + QLatin1Char('\\') + run});
        QVERIFY(QFile::exists(app.file(QStringLiteral("out.csv"))));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!forms.isLoaded(form));
        QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    }

    void aPointPickedInTheTrendOpensWhatChangedForItsPeriod() {
        TestAppFolder app;
        fillWeeks(app);
        // And a later week with one unit at ST2, passed: inside its limits.
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, PartNum, DefectCode,"
                                " LocationCode, ReworkNum) VALUES ('A','M1','S500','2024-01-23','ST2','001','1','1',1)"));
        Dialogs::Scripted dialogs;
        FormRegistry& forms = FormRegistry::instance();
        QVERIFY(forms.show(QStringLiteral("frmYieldTrend")).isOk());
        auto* trend = forms.formAs<AnalysisForm>(QStringLiteral("frmYieldTrend"));
        trend->setBoxText(QStringLiteral("MaskEdBox1"), QStringLiteral("01/01/2024"));
        trend->setBoxText(QStringLiteral("MaskEdBox2"), QStringLiteral("01/31/2024"));
        trend->engine()->setOutput(ReportEngine::Output::Csv, app.file(QStringLiteral("trend.csv")));
        QVERIFY(trend->runReport());
        // The week of 01/15 is above its limit and is picked, not the last week.
        auto* points = trend->findChild<QComboBox*>(QStringLiteral("cboPoint"));
        QCOMPARE(points->count(), 4);
        QCOMPARE(points->currentText(), QStringLiteral("01/15/2024   p 60.0%   Rule 1: above UCL"));
        QTest::mouseClick(trend->findChild<QPushButton*>(QStringLiteral("cmdWhatChanged")), Qt::LeftButton);
        auto* changed = forms.formAs<AnalysisForm>(QStringLiteral("frmWhatChanged"));
        QVERIFY(changed && dialogs.messages.isEmpty());
        QCOMPARE(changed->engine()->runLog(),
                 QStringList{app.path() + QStringLiteral("\\what_changed.rpt|Period;Week;true|PeriodDate;Date (2024, 01, 15);true"
                                                          "|Facility;A;true||")});
        if (ReportPreview* preview = changed->engine()->preview())
            preview->close();
    }

    void ctrlHInTheInspectionBrowserOpensTheUnitsHistory() {
        TestAppFolder app;
        fillUnit(app);
        Dialogs::Scripted dialogs;
        FormRegistry& forms = FormRegistry::instance();
        QVERIFY(forms.show(QStringLiteral("tblInspection")).isOk());
        auto* browser = forms.formAs<TableBrowser>(QStringLiteral("tblInspection"));
        browser->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(browser->window()));
        // The browser's order is model, serial, station: the third line is M1/S100 at ST2.
        QTest::keyClick(browser->grid(), Qt::Key_Down);
        QTest::keyClick(browser->grid(), Qt::Key_Down);
        QCOMPARE(browser->recordSet()->value(QStringLiteral("Station")).toString(), QStringLiteral("ST2"));
        QTest::keyClick(browser->grid(), Qt::Key_H, Qt::ControlModifier);
        auto* history = forms.formAs<AnalysisForm>(QStringLiteral("frmUnitHistory"));
        QVERIFY(history && dialogs.messages.isEmpty());
        QCOMPARE(history->engine()->runLog(),
                 QStringList{app.path() + QStringLiteral("\\unit_history.rpt|Serial;S100;true|Model;M1;true|||")});
        ReportPreview* preview = history->engine()->preview();
        QVERIFY(preview);
        QCOMPARE(preview->result().rowCount, 9);
        preview->close();
    }
};

QTEST_MAIN(TestAnalysis)
#include "tst_analysis.moc"
