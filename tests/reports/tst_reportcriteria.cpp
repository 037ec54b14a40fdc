#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include "ReportTestData.h"
#include "TestAppFolder.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/MousePointer.h"
#include "reports/ReportCriteriaForm.h"
#include "reports/ReportEngine.h"
#include "reports/ReportPreview.h"
#include "shell/FormCatalog.h"

class TestReportCriteria : public QObject {
    Q_OBJECT

    ReportCriteriaForm* open(const QString& name) {
        FormRegistry::instance().show(name);
        auto* f = FormRegistry::instance().formAs<ReportCriteriaForm>(name);
        if (f && !QTest::qWaitForWindowActive(f->window()))
            qWarning("%s did not become the active window", qPrintable(name));
        return f;
    }
    template <class T = QWidget>
    static T* child(QWidget* f, const char* name) { return f->findChild<T*>(QLatin1String(name)); }

    // Types the dates into the boxes as a user would: focus, type, Tab.
    void typeDates(ReportCriteriaForm* f, const QString& begin, const QString& end) {
        auto* b = child<MaskedDateBox>(f, "MaskEdBox1");
        auto* e = child<MaskedDateBox>(f, "MaskEdBox2");
        b->setFocus();
        QTest::keyClicks(b, begin);
        e->setFocus();
        QTest::keyClicks(e, end);
        child(f, "cmdOK")->setFocus();
    }
    void toCsv(ReportCriteriaForm* f, const TestAppFolder& app) {
        f->engine()->setOutput(ReportEngine::Output::Csv, app.file(QStringLiteral("criteria.csv")));
    }

private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); }

    void familyMembers_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("tabOrder");
        const QStringList dates{QStringLiteral("MaskEdBox1"), QStringLiteral("MaskEdBox2")};
        const QStringList tail{QStringLiteral("cmdOK"), QStringLiteral("cmdExit")};
        const QStringList std = dates + QStringList{QStringLiteral("txtFacilityCode")} + tail;
        QTest::newRow("pareto") << "frmPareto" << "Pareto of Defects" << "Pareto" << "pareto_of_defects.rpt" << std;
        QTest::newRow("escapes") << "frmInspectionEscapes" << "Inspection Escapes" << "InspEscapes" << "Inspection_Escapes.rpt" << std;
        QTest::newRow("byop") << "frmDefectsbyOp" << "Defects By Operator Report" << "DefectsbyOp" << "defects_by_operator.rpt" << std;
        QTest::newRow("notes") << "frmDefectsbyopsWNotes" << "Defects With Notes Report" << "DefectsbyOpNotes" << "defects_by_operator_Notes.rpt" << std;
        QTest::newRow("yields") << "frm1stPassYields" << "1ST Pass Inspection Yields" << "firstPassYields" << "1st_Pass_Yields.rpt" << std;
        QTest::newRow("model") << "frmDefectsByModel" << "Defects by Model" << "DefectsbyModel" << "defects_by_model.rpt" << dates + tail;
        QTest::newRow("selected") << "frmDefectsbySelectedOperator" << "Defects By Selected Operator Report" << "DefectsbySelectedOp"
                                  << "defects_by_selected_operator.rpt"
                                  << dates + QStringList{QStringLiteral("txtFacilityCode"), QStringLiteral("txtLastName")} + tail;
    }
    void familyMembers() {
        QFETCH(QString, form);
        QFETCH(QString, title);
        QFETCH(QString, control);
        QFETCH(QString, file);
        QFETCH(QStringList, tabOrder);
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        FormRegistry::instance().show(QStringLiteral("frmReports"));
        QVERIFY(FormRegistry::instance().open(form, QStringLiteral("frmReports")));
        ReportCriteriaForm* f = FormRegistry::instance().formAs<ReportCriteriaForm>(form);
        QVERIFY(f);
        QVERIFY(QTest::qWaitForWindowActive(f->window()));
        QCOMPARE(child<QLabel>(f, "lblTitle")->text(), title);
        QCOMPARE(f->engine()->objectName(), control);
        QCOMPARE(f->engine()->reportFileName(), app.path() + QStringLiteral("\\") + file);
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(!FormRegistry::instance().isVisible(QStringLiteral("frmReports")));
        if (auto* fac = child<QLineEdit>(f, "txtFacilityCode")) {
            QCOMPARE(fac->text(), QStringLiteral("A"));
            QCOMPARE(fac->toolTip(), QStringLiteral("Enter 1st letter of Facility Name"));
        }
        // The first box has the focus; Tab follows the table's order.
        QCOMPARE(QApplication::focusWidget()->objectName(), tabOrder.first());
        for (int i = 1; i < tabOrder.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), tabOrder.at(i));
        }
        // Exit (or the close box) releases the report and returns to the main menu, not the Reports menu.
        f->engine()->setParameterField(0, QStringLiteral("x;y;true"));
        if (form == QLatin1String("frmDefectsByModel"))
            f->window_()->close();
        else
            QTest::mouseClick(child<QPushButton>(f, "cmdExit"), Qt::LeftButton);
        QVERIFY(!FormRegistry::instance().isLoaded(form));
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
        QVERIFY(!FormRegistry::instance().isVisible(QStringLiteral("frmReports")));
        QVERIFY(FormRegistry::instance().isLoaded(QStringLiteral("frmReports")));
    }

    void paretoRunSendsTheFieldsAndProducesTheReport() {
        TestAppFolder app;
        fillReportData(app);
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frmPareto"));
        toCsv(f, app);
        typeDates(f, QStringLiteral("12012003"), QStringLiteral("12312003"));
        auto* fac = child<QLineEdit>(f, "txtFacilityCode");
        child(f, "MaskEdBox2")->setFocus();
        QTest::keyClick(child(f, "MaskEdBox2"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), fac);
        QCOMPARE(fac->selectedText(), QStringLiteral("A"));  // entering the box selects its text
        QTest::keyClicks(fac, QStringLiteral("b"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join('|')));
        QCOMPARE(f->engine()->parameterField(0), QStringLiteral("BeginDate;Date (2003, 12, 01);true"));
        QCOMPARE(f->engine()->parameterField(1), QStringLiteral("EndDate;Date (2003, 12, 31);true"));
        QCOMPARE(f->engine()->parameterField(2), QStringLiteral("Facility;B;true"));
        QCOMPARE(fac->text(), QStringLiteral("B"));
        QCOMPARE(f->engine()->runLog().size(), 1);
        QCOMPARE(readLines(app.file(QStringLiteral("criteria.csv"))).mid(1),
                 (QStringList{QStringLiteral("D3,Loose screw,1,100.0,100.0"), QStringLiteral("Grand total,,1,,")}));
        // The form stays open for another run; each run sets every field again.
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmPareto")));
        fac->setText(QString());
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(f->engine()->parameterField(2), QStringLiteral("Facility;;true"));
        QCOMPARE(f->engine()->runLog().size(), 2);
        QCOMPARE(readLines(app.file(QStringLiteral("criteria.csv"))).size(), 1);
    }

    void namesOfTheFieldsPerMember() {
        TestAppFolder app;
        fillReportData(app);
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frm1stPassYields"));
        toCsv(f, app);
        typeDates(f, QStringLiteral("12012003"), QStringLiteral("12312003"));
        child<QLineEdit>(f, "txtFacilityCode")->setText(QStringLiteral("ab"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(f->engine()->parameterField(0), QStringLiteral("Begin Date;Date (2003, 12, 01);true"));
        QCOMPARE(f->engine()->parameterField(1), QStringLiteral("End_Date;Date (2003, 12, 31);true"));
        QCOMPARE(f->engine()->parameterField(2), QStringLiteral("Facility;AB;true"));  // sent whole
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);

        ReportCriteriaForm* m = open(QStringLiteral("frmDefectsByModel"));
        toCsv(m, app);
        typeDates(m, QStringLiteral("12012003"), QStringLiteral("12312003"));
        QTest::mouseClick(child<QPushButton>(m, "cmdOK"), Qt::LeftButton);
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(m->engine()->parameterField(1), QStringLiteral("End Date;Date (2003, 12, 31);true"));
        QVERIFY(m->engine()->parameterField(2).isEmpty());
        // Seven model and defect code pairs in December (see the defects by model test), two model totals, the grand total.
        QCOMPARE(readLines(app.file(QStringLiteral("criteria.csv"))).size(), 11);
    }

    void badDatesEndInTheDataError() {
        TestAppFolder app;
        fillReportData(app);
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frmInspectionEscapes"));
        toCsv(f, app);
        MousePointer::Shape during = MousePointer::Shape::Default;
        dialogs.onMessage = [&](const Dialogs::Message&) { during = MousePointer::current(); };
        // The end box was never entered (empty text); the begin box, entered at
        // opening, shows only its placeholders.
        child<QWidget>(f, "cmdOK")->setFocus();
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(f->engine()->parameterField(0), QStringLiteral("BeginDate;Date (____, __, __);true"));
        QCOMPARE(f->engine()->parameterField(1), QStringLiteral("EndDate;Date (, , );true"));
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Data error, recheck your input data")});
        QCOMPARE(during, MousePointer::Shape::Hourglass);
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        // Partly typed: the placeholders go in place of the missing digits.
        typeDates(f, QStringLiteral("1201"), QStringLiteral("12312003"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(f->engine()->parameterField(0), QStringLiteral("BeginDate;Date (____, 12, 01);true"));
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(!QFile::exists(app.file(QStringLiteral("criteria.csv"))));
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmInspectionEscapes")));
    }

    void paretoLeavesThePointerAlone() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frmPareto"));
        toCsv(f, app);
        MousePointer::Shape during = MousePointer::Shape::Hourglass;
        dialogs.onMessage = [&](const Dialogs::Message&) { during = MousePointer::current(); };
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Data error, recheck your input data")});
        QCOMPARE(during, MousePointer::Shape::Default);
    }

    void aRunStoppedAtItsTimeLimitSaysSo() {
        TestAppFolder app;
        // The escapes report replaced by one whose query never ends.
        QFile rpt(app.file(QStringLiteral("Inspection_Escapes.rpt")));
        QVERIFY(rpt.open(QIODevice::WriteOnly | QIODevice::Truncate));
        rpt.write("title = Endless\ndatabase = kelid.mdb\nparameter = BeginDate | date | b\nparameter = EndDate | date | e\n"
                  "parameter = Facility | text | f\nquery:\n"
                  "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT max(i) AS i FROM n\nend\ncolumn = i | Count | number\n");
        rpt.close();
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frmInspectionEscapes"));
        toCsv(f, app);
        f->engine()->setTimeLimit(1);
        typeDates(f, QStringLiteral("12012003"), QStringLiteral("12312003"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        // Not a fault of the input: the message tells what happened.
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("The report Endless reached its time limit of 1 s and was stopped.")});
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmInspectionEscapes")));
    }

    void dateBoxPreparation() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frmDefectsbyOp"));
        auto* b = child<MaskedDateBox>(f, "MaskEdBox1");
        auto* e = child<MaskedDateBox>(f, "MaskEdBox2");
        QCOMPARE(e->inputPattern(), QString());  // nothing before it is entered
        QCOMPARE(b->inputPattern(), QStringLiteral("99/99/9999"));  // entered at opening
        QCOMPARE(b->displayFormat(), QStringLiteral("ddddd"));
        QTest::keyClicks(b, QStringLiteral("12012003"));
        QTest::keyClick(b, Qt::Key_Tab);
        QCOMPARE(e->inputPattern(), QStringLiteral("99/99/9999"));
        QCOMPARE(b->text(), QStringLiteral("12/1/2003"));  // short date shown once left
        // Entered again with a date: the pattern is back, so typing over the
        // date follows it as the first typing did.
        QTest::keyClick(e, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), b);
        QCOMPARE(b->inputPattern(), QStringLiteral("99/99/9999"));
        QCOMPARE(b->typedText(), QStringLiteral("12/01/2003"));
        b->selectAll();
        QTest::keyClicks(b, QStringLiteral("01012026"));
        QCOMPARE(b->typedText(), QStringLiteral("01/01/2026"));
        QTest::keyClick(b, Qt::Key_Tab);
        QTest::keyClicks(e, QStringLiteral("12312026"));
        toCsv(f, app);
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList());
        QCOMPARE(f->engine()->parameterField(0), QStringLiteral("Begin Date;Date (2026, 01, 01);true"));
    }

    void selectedOperatorNeedsALastName() {
        TestAppFolder app;
        fillReportData(app);
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frmDefectsbySelectedOperator"));
        toCsv(f, app);
        typeDates(f, QStringLiteral("12012003"), QStringLiteral("12312003"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Enter Employee Last Name")});
        QVERIFY(f->engine()->parameterField(0).isEmpty());
        QVERIFY(f->engine()->runLog().isEmpty());
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtLastName"));
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);

        auto* last = child<QLineEdit>(f, "txtLastName");
        QTest::keyClicks(last, QStringLiteral("smith"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(last->text(), QStringLiteral("SMITH"));
        QCOMPARE(f->engine()->parameterField(3), QStringLiteral("Operator;SMITH;true"));
        // Three defect rows of John Smith and three of Bob smith, under the heading line, each operator's total, the grand total.
        QCOMPARE(readLines(app.file(QStringLiteral("criteria.csv"))).size(), 10);
        // One blank counts as a name.
        last->setText(QStringLiteral(" "));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(f->engine()->parameterField(3), QStringLiteral("Operator; ;true"));
        QCOMPARE(readLines(app.file(QStringLiteral("criteria.csv"))).size(), 1);
    }

    void missingReportFileIsReportedAtLoad() {
        TestAppFolder app;
        QFile::remove(app.file(QStringLiteral("1st_Pass_Yields.rpt")));
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frm1stPassYields"));
        QVERIFY(f);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.contains(QLatin1String("1st_Pass_Yields.rpt")));
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frm1stPassYields")));
        typeDates(f, QStringLiteral("12012003"), QStringLiteral("12312003"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.messages.last().text, QStringLiteral("Data error, recheck your input data"));
    }

    void fromTheMainMenuToThePreview() {
        TestAppFolder app;
        fillReportData(app);
        Dialogs::Scripted dialogs;
        FormRegistry& forms = FormRegistry::instance();
        forms.show(QStringLiteral("frmMain"));
        QTest::mouseClick(forms.form(QStringLiteral("frmMain"))->findChild<QPushButton*>(QStringLiteral("cmdReports")), Qt::LeftButton);
        QTest::mouseClick(forms.form(QStringLiteral("frmReports"))->findChild<QPushButton*>(QStringLiteral("cmdPareto")), Qt::LeftButton);
        auto* f = forms.formAs<ReportCriteriaForm>(QStringLiteral("frmPareto"));
        QVERIFY(f);
        QVERIFY(QTest::qWaitForWindowActive(f->window()));
        typeDates(f, QStringLiteral("12012003"), QStringLiteral("12312003"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join('|')));
        QWidget* preview = f->engine()->preview();
        QVERIFY(preview);
        QCOMPARE(preview->objectName(), QStringLiteral("ReportPreview"));
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->windowTitle(), QStringLiteral("Varnex - Pareto of Defects"));
        // Not modal: the criteria form is still there for another run.
        QVERIFY(forms.isVisible(QStringLiteral("frmPareto")));
        QPointer<QWidget> guard(preview);
        preview->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!guard);
    }
};

QTEST_MAIN(TestReportCriteria)
#include "tst_reportcriteria.moc"
