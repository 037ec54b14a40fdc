#include <QFile>
#include <QLocale>
#include <QScopeGuard>
#include <QPushButton>
#include <QTest>

#include "ReportTestData.h"
#include "TestAppFolder.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/MousePointer.h"
#include "reports/ReportCriteriaForm.h"
#include "reports/ReportPreview.h"
#include "shell/FormCatalog.h"

class TestReportCriteria : public QObject {
    Q_OBJECT

    ReportCriteriaForm* open(const QString& name) {
        auto* f = showFormAs<ReportCriteriaForm>(name);
        [&] { QVERIFY(f); }();
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

    // Each member from the Reports menu: typed into its boxes in Tab order, run with
    // Enter (report file and fields) and the report's lines; Exit goes back to the Reports menu.
    void familyMembers_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QStringList>("typed");  // into each box in Tab order; "" leaves a box as it is
        QTest::addColumn<QString>("run");
        QTest::addColumn<int>("lines");
        const QStringList dates{QStringLiteral("12012003"), QStringLiteral("12312003")};
        const QString december = QStringLiteral("Date (2003, 12, 01);true|%1;Date (2003, 12, 31);true|");
        QTest::newRow("pareto") << "frmPareto" << dates + QStringList{"b"}
                                << "pareto_of_defects.rpt|BeginDate;" + december.arg("EndDate") + "Facility;B;true||" << 3;
        QTest::newRow("escapes") << "frmInspectionEscapes" << dates + QStringList{""}
                                 << "Inspection_Escapes.rpt|BeginDate;" + december.arg("EndDate") + "Facility;A;true||" << 5;
        QTest::newRow("by operator") << "frmDefectsbyOp" << dates + QStringList{""}
                                     << "defects_by_operator.rpt|Begin Date;" + december.arg("End Date") + "Facility;A;true||" << 13;
        QTest::newRow("notes") << "frmDefectsbyopsWNotes" << dates + QStringList{""}
                               << "defects_by_operator_Notes.rpt|Begin Date;" + december.arg("End Date") + "Facility;A;true||" << 14;
        QTest::newRow("first pass") << "frm1stPassYields" << dates + QStringList{"ab"}
                                    << "1st_Pass_Yields.rpt|Begin Date;" + december.arg("End_Date") + "Facility;AB;true||" << 1;
        QTest::newRow("by model") << "frmDefectsByModel" << dates
                                  << "defects_by_model.rpt|Begin Date;" + december.arg("End Date") + "||" << 11;
        QTest::newRow("selected operator") << "frmDefectsbySelectedOperator" << dates + QStringList{"", "smith"}
                                           << "defects_by_selected_operator.rpt|Begin Date;" + december.arg("End Date") +
                                                  "Facility;A;true|Operator;SMITH;true|"
                                           << 10;
    }
    void familyMembers() {
        QFETCH(QString, form);
        QFETCH(QStringList, typed);
        QFETCH(QString, run);
        QFETCH(int, lines);
        TestAppFolder app;
        fillReportData(app);
        Dialogs::Scripted dialogs;
        FormRegistry& forms = FormRegistry::instance();
        forms.show(QStringLiteral("frmReports"));
        QVERIFY(forms.open(form, QStringLiteral("frmReports")));
        ReportCriteriaForm* f = forms.formAs<ReportCriteriaForm>(form);
        QVERIFY(f);
        QVERIFY(QTest::qWaitForWindowActive(f->window()));
        toCsv(f, app);
        // The first box has the focus; entering the facility box selects its "A", so typing replaces it.
        for (const QString& text : typed) {
            QWidget* box = QApplication::focusWidget();
            QVERIFY(box && f->isAncestorOf(box));
            QTest::keyClicks(box, text);
            QTest::keyClick(box, Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdOK"));
        // Enter in a box runs the report, as OK does.
        child(f, "MaskEdBox1")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join('|')));
        QCOMPARE(f->engine()->runLog(), QStringList{app.path() + QStringLiteral("\\") + run});
        QCOMPARE(readLines(app.file(QStringLiteral("criteria.csv"))).size(), lines);
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        // Exit (Enter on it, or the close box) releases the report and returns to the Reports menu.
        if (form == QLatin1String("frmDefectsByModel")) {
            f->window_()->close();
        } else {
            child(f, "cmdExit")->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QVERIFY(!forms.isLoaded(form));
        QVERIFY(forms.isVisible(QStringLiteral("frmReports")));
        QVERIFY(!forms.isVisible(QStringLiteral("frmMain")));
    }

    // Input the report cannot run on: the message, no run, no file, the form stays.
    // And a run stopped at its time limit.
    void inputRefused_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("begin");  // typed
        QTest::addColumn<QString>("end");    // typed; with slashes: the box's text as pasted
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("busy");  // the hourglass while the message shows
        // A date that is none names its box and the form expected, with the box's text selected.
        const QString nothing = QStringLiteral("Begin Date: no date was entered; enter it in the form mm/dd/yyyy");
        QTest::newRow("nothing typed") << "frmInspectionEscapes" << "" << "" << nothing << false;
        QTest::newRow("partly typed") << "frmInspectionEscapes" << "1201" << "12312003"
                                      << "Begin Date: 12/01/____ is not a date in the form mm/dd/yyyy" << false;
        QTest::newRow("short date") << "frmInspectionEscapes" << "12012003" << "1/2/03"
                                    << "End Date: 1/2/03 is not a date in the form mm/dd/yyyy" << false;
        QTest::newRow("no last name") << "frmDefectsbySelectedOperator" << "12012003" << "12312003" << "Enter Employee Last Name" << false;
        // Not a fault of the input: the message tells what happened.
        QTest::newRow("time limit") << "frmInspectionEscapes" << "12012003" << "12312003"
                                    << "The report Endless reached its time limit of 1 s and was stopped." << true;
    }
    void inputRefused() {
        QFETCH(QString, form);
        QFETCH(QString, begin);
        QFETCH(QString, end);
        QFETCH(QString, message);
        QFETCH(bool, busy);
        TestAppFolder app;
        fillReportData(app);
        const bool endless = message.contains(QLatin1String("time limit"));
        if (endless)
            writeEndlessReport(app, QStringLiteral("Inspection_Escapes.rpt"));  // in place of the escapes report
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(form);
        toCsv(f, app);
        f->engine()->setTimeLimit(1);
        MousePointer::Shape during = MousePointer::Shape::Default;
        dialogs.onMessage = [&](const Dialogs::Message&) { during = MousePointer::current(); };
        if (end.contains(QLatin1Char('/'))) {
            QTest::keyClicks(child(f, "MaskEdBox1"), begin);
            child(f, "cmdOK")->setFocus();
            child<MaskedDateBox>(f, "MaskEdBox2")->setText(end);
        } else if (!begin.isEmpty()) {
            typeDates(f, begin, end);
        }
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList{message});
        QCOMPARE(during, busy ? MousePointer::Shape::Hourglass : MousePointer::Shape::Default);
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        QCOMPARE(f->engine()->runLog().isEmpty(), !endless);
        QVERIFY(!QFile::exists(app.file(QStringLiteral("criteria.csv"))));
        QVERIFY(FormRegistry::instance().isVisible(form));
        if (form == QLatin1String("frmDefectsbySelectedOperator"))
            QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtLastName"));
        if (message.contains(QLatin1String("a date in the form"))) {
            auto* box = child<MaskedDateBox>(f, message.startsWith(QLatin1String("End")) ? "MaskEdBox2" : "MaskEdBox1");
            QCOMPARE(QApplication::focusWidget(), box);
            QCOMPARE(box->selectedText(), box->displayText());
        }
    }

    // Dates typed in this computer's order (the locale's, or varnex.conf's)
    // reach the engine as the days meant and print in that order; a box
    // entered again takes the pattern back, so typing over the date follows it.
    void datesInThisComputersOrder_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("conf");
        QTest::addColumn<QString>("begin");  // 1 December 2026
        QTest::addColumn<QString>("end");    // 31 December 2026
        QTest::addColumn<QString>("shown");  // 1 December 2026 as shown
        QTest::newRow("en_US") << "en_US" << "" << "12012026" << "12312026" << "12/01/2026";
        QTest::newRow("en_GB") << "en_GB" << "" << "01122026" << "31122026" << "01/12/2026";
        QTest::newRow("de_DE") << "de_DE" << "" << "01122026" << "31122026" << "01.12.2026";
        QTest::newRow("en_GB, date order = mdy") << "en_GB" << "date order = mdy" << "12012026" << "12312026" << "12/01/2026";
    }
    void datesInThisComputersOrder() {
        QFETCH(QString, locale);
        QFETCH(QString, conf);
        QFETCH(QString, begin);
        QFETCH(QString, end);
        QFETCH(QString, shown);
        QLocale::setDefault(QLocale(locale));
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
        TestAppFolder app;
        QFile settings(app.file(QStringLiteral("varnex.conf")));  // on a server it names the server too
        QVERIFY(settings.open(QIODevice::Append));
        settings.write(QStringLiteral("\n%1\n").arg(conf).toUtf8());
        settings.close();
        fillReportData(app);
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frmDefectsbyOp"));
        toCsv(f, app);
        QStringList criteria;
        connect(f->engine(), &ReportEngine::produced, this, [&](const ReportResult& r) { criteria = r.criteria; });
        auto* b = child<MaskedDateBox>(f, "MaskEdBox1");
        QTest::keyClicks(b, begin);
        QTest::keyClick(b, Qt::Key_Tab);
        QCOMPARE(b->text(), shown);  // shown so once left
        QTest::keyClicks(QApplication::focusWidget(), end);
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join('|')));
        QCOMPARE(f->engine()->runLog(), QStringList{app.path() + QStringLiteral("\\defects_by_operator.rpt|Begin Date;Date (2026, "
                                                                                  "12, 01);true|End Date;Date (2026, 12, 31);true|Facility;A;true||")});
        QCOMPARE(criteria.value(0), QStringLiteral("Begin Date: ") + shown);
        b->setFocus();
        b->selectAll();
        QTest::keyClicks(b, begin);
        QCOMPARE(b->typedText(), shown);
    }

    void missingReportFileIsReportedAtLoad() {
        TestAppFolder app;
        QFile::remove(app.file(QStringLiteral("1st_Pass_Yields.rpt")));
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frm1stPassYields"));
        QVERIFY(f);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.contains(QLatin1String("1st_Pass_Yields.rpt")));
        typeDates(f, QStringLiteral("12012003"), QStringLiteral("12312003"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QCOMPARE(dialogs.messages.last().text, QStringLiteral("Data error, recheck your input data"));
    }

    // A run for the screen: the preview, a window of its own that leaves the form for another run.
    void runToThePreview() {
        TestAppFolder app;
        fillReportData(app);
        Dialogs::Scripted dialogs;
        ReportCriteriaForm* f = open(QStringLiteral("frmPareto"));
        typeDates(f, QStringLiteral("12012003"), QStringLiteral("12312003"));
        QTest::mouseClick(child<QPushButton>(f, "cmdOK"), Qt::LeftButton);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join('|')));
        QPointer<ReportPreview> preview = f->engine()->preview();
        QVERIFY(preview && preview->isVisible() && !preview->isModal());
        QCOMPARE(preview->result().rowCount, 3);
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmPareto")));
        preview->close();
    }
};

QTEST_MAIN(TestReportCriteria)
#include "tst_reportcriteria.moc"
