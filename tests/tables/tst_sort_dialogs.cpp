// The single-field sort dialogs: their options, help, Cancel and OK, the sort
// statements they make their browsers run, and the sorted printing of the
// defect and location lists.
#include <QRadioButton>

#include "TestAppFolder.h"
#include "platform/AppPaths.h"
#include "platform/MousePointer.h"
#include "shell/FormCatalog.h"
#include "tables/SortDialog.h"
#include "tst_browser_support.h"

using namespace browsertest;

class TestSortDialogs : public QObject {
    Q_OBJECT
private:
    TestAppFolder* m_folder = nullptr;
    Dialogs::Scripted* m_dialogs = nullptr;

    SortDialog* openDialog(TableBrowser* b) {
        if (!click(b, "cmdSort"))
            return nullptr;
        return FormRegistry::instance().formAs<SortDialog>(b->member().sortDialog);
    }
    QRadioButton* option(QWidget* d, int group, int element) {
        return d->findChild<QRadioButton*>(QStringLiteral("Option%1_%2").arg(group).arg(element));
    }
    void choose(QWidget* d, int group, int element) { QTest::mouseClick(option(d, group, element), Qt::LeftButton); }
    QString formula(TableBrowser* b) { return b->reportControl()->runLog().last().section(QLatin1Char('|'), 5); }
    QString reportFile(TableBrowser* b) { return b->reportControl()->runLog().last().section(QLatin1Char('|'), 0, 0); }
    // The lines of the printed list that name one of the given values, in print order.
    QStringList printed(const QString& file, const QStringList& values) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return {QStringLiteral("no output")};
        QStringList order;
        for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
            for (const QString& v : values)
                if (line.contains(v))
                    order << v;
        return order;
    }

private slots:
    void initTestCase() { initFormTests(); }
    void init() {
        m_folder = new TestAppFolder(TestAppFolder::Data::Blank);
        m_dialogs = new Dialogs::Scripted;
        m_folder->exec(QStringLiteral(
            "DELETE FROM defects; DELETE FROM location; DELETE FROM Parts;"
            "INSERT INTO defects VALUES ('3', 'Alpha'), ('1', 'Gamma'), ('2', 'Beta');"
            "INSERT INTO location VALUES ('7', 'Back'), ('5', 'Top'), ('6', 'Middle');"
            "INSERT INTO Model VALUES ('M3', 'Alpha'), ('M1', 'Gamma'), ('M2', 'Beta');"
            "INSERT INTO Parts VALUES ('003', 'Alpha'), ('001', 'Gamma'), ('002', 'Beta');"
            "INSERT INTO Employees (EmployeeNum, FirstName, LastName) VALUES ('E2', 'Ann', 'Zorn'), ('E1', 'Cid', 'Abel'),"
            " ('E3', 'Bob', 'Moss');"));
    }
    void cleanup() {
        unloadAllForms();
        delete m_dialogs;
        delete m_folder;
    }

    void optionsHelpAndLayout_data() {
        QTest::addColumn<QString>("browser");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("preselected");
        QTest::newRow("defect") << "tbldefects" << "Record Sort Order" << QStringList{"Defect Code", "Defect Description"} << -1;
        QTest::newRow("location") << "tblLocationCode" << "Record Order Sort" << QStringList{"Location Code", "Location Description"} << 0;
        QTest::newRow("employee") << "tblEmployees" << "Record Sort Order" << QStringList{"Employee Number", "First Name", "Last Name"} << -1;
        QTest::newRow("model") << "tblModel" << "Record Sort Order" << QStringList{"Model Description", "Model Number"} << 0;
        QTest::newRow("part") << "tblPart" << "Record Sort Order" << QStringList{"Part Description", "Part Number"} << 0;
    }
    void optionsHelpAndLayout() {
        QFETCH(QString, browser);
        QFETCH(QString, caption);
        QFETCH(QStringList, fields);
        QFETCH(int, preselected);
        TableBrowser* b = open(browser);
        SortDialog* d = openDialog(b);
        QVERIFY(d);
        QVERIFY(d->isVisible() && d->isWindow());
        QCOMPARE(d->windowTitle(), caption);
        for (int i = 0; i < fields.size(); ++i) {
            QCOMPARE(option(d, 1, i)->text(), fields[i]);
            QCOMPARE(option(d, 1, i)->isChecked(), i == preselected);
        }
        QVERIFY(!option(d, 1, int(fields.size())));
        QCOMPARE(option(d, 2, 0)->text(), QStringLiteral("Ascending"));
        QCOMPARE(option(d, 2, 1)->text(), QStringLiteral("Descending"));
        QVERIFY(option(d, 2, 0)->isChecked());
        // Help names the fields the dialog sorts by.
        QVERIFY(click(d, "cmdHelp"));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].title, QStringLiteral("Sort Help"));
        for (const QString& field : fields)
            QVERIFY2(m_dialogs->messages[0].text.contains(field), qPrintable(m_dialogs->messages[0].text));
        // The browser stays usable while the dialog is up.
        QVERIFY(click(b, "cmdNext"));
        QCOMPARE(status(b), QStringLiteral("Record: 2"));
        const QString before = b->recordSet()->sql();
        QVERIFY(click(d, "cmdCancel"));
        QVERIFY(!FormRegistry::instance().isLoaded(b->member().sortDialog));
        QCOMPARE(b->recordSet()->sql(), before);
        QCOMPARE(status(b), QStringLiteral("Record: 2"));
    }

    void defectSortByDescriptionDescending() {
        TableBrowser* b = open(QStringLiteral("tbldefects"));
        quietReports(b, m_folder->file(QStringLiteral("out.csv")));
        SortDialog* d = openDialog(b);
        choose(d, 1, 1);
        choose(d, 2, 1);
        m_dialogs->answers.enqueue(Dialogs::Answer::No);
        QVERIFY(click(d, "cmdOK"));
        QCOMPARE(b->recordSet()->sql(),
                 QStringLiteral("select defectcode, defectdescription from defects Order by DefectDescription DESC"));
        QCOMPARE(column(b, 1), (QStringList{"Gamma", "Beta", "Alpha"}));
        QCOMPARE(status(b), QStringLiteral("Record: 1"));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].text, QStringLiteral("Do you want to print this sorted table"));
        QCOMPARE(m_dialogs->messages[0].buttons, Dialogs::Buttons::YesNo);
        QVERIFY(b->reportControl()->runLog().isEmpty());  // No prints nothing
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortDefect")));
        QVERIFY(b->window_()->windowState() & Qt::WindowMaximized);
        // Refresh keeps the sorted statement; reopening restores the order at load.
        m_folder->exec(QStringLiteral("INSERT INTO defects VALUES ('4', 'Delta')"));
        QVERIFY(click(b, "cmdRefresh"));
        QCOMPARE(column(b, 1), (QStringList{"Gamma", "Delta", "Beta", "Alpha"}));
        QVERIFY(click(b, "cmdClose"));
        b = open(QStringLiteral("tbldefects"));
        QCOMPARE(column(b, 0), (QStringList{"3", "1", "2", "4"}));
    }

    void defectSortWithoutFieldSortsByDescriptionButPrintsByCode() {
        TableBrowser* b = open(QStringLiteral("tbldefects"));
        quietReports(b, m_folder->file(QStringLiteral("out.csv")));
        SortDialog* d = openDialog(b);
        m_dialogs->answers.enqueue(Dialogs::Answer::Yes);
        QVERIFY(click(d, "cmdOK"));
        // No field chosen sorts by description ...
        QCOMPARE(b->recordSet()->sql(),
                 QStringLiteral("select defectcode, defectdescription from defects Order by DefectDescription ASC"));
        QCOMPARE(column(b, 1), (QStringList{"Alpha", "Beta", "Gamma"}));
        // ... while the list printed on Yes reads the options as they stand: no
        // field chosen means by code.
        QCOMPARE(b->reportControl()->runLog().size(), 1);
        QCOMPARE(reportFile(b), AppPaths::folder() + QStringLiteral("\\Defect_Codes.rpt"));
        QCOMPARE(formula(b), QStringLiteral("+{defects.defectcode}"));
        QCOMPARE(m_dialogs->texts(), (QStringList{"Do you want to print this sorted table"}));
        QCOMPARE(printed(m_folder->file(QStringLiteral("out.csv")), {"Alpha", "Beta", "Gamma"}),
                 (QStringList{"Gamma", "Beta", "Alpha"}));
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortDefect")));
    }

    void printUsesTheDialogsOptions() {
        TableBrowser* b = open(QStringLiteral("tbldefects"));
        quietReports(b, m_folder->file(QStringLiteral("out.csv")));
        QVERIFY(click(b, "cmdPrint"));
        QCOMPARE(formula(b), QStringLiteral("+{defects.defectcode}"));
        // The dialog was loaded unseen to read its options; Sort shows it as it was.
        QVERIFY(FormRegistry::instance().isLoaded(QStringLiteral("frmSortDefect")));
        QVERIFY(!FormRegistry::instance().isVisible(QStringLiteral("frmSortDefect")));
        SortDialog* d = openDialog(b);
        QVERIFY(d->isVisible());
        choose(d, 1, 1);
        choose(d, 2, 1);
        QVERIFY(click(b, "cmdPrint"));
        QCOMPARE(formula(b), QStringLiteral("-{defects.defectdescription}"));
        choose(d, 1, 0);
        QVERIFY(click(b, "cmdPrint"));
        QCOMPARE(formula(b), QStringLiteral("-{defects.defectcode}"));
        QCOMPARE(b->reportControl()->runLog().size(), 3);
        QCOMPARE(printed(m_folder->file(QStringLiteral("out.csv")), {"Alpha", "Beta", "Gamma"}),
                 (QStringList{"Alpha", "Beta", "Gamma"}));  // codes 3, 2, 1
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(b->recordSet()->sql(), QStringLiteral("select defectcode, defectdescription from defects"));
    }

    void locationSortAndPrint() {
        TableBrowser* b = open(QStringLiteral("tblLocationCode"));
        quietReports(b, m_folder->file(QStringLiteral("out.csv")));
        QVERIFY(click(b, "cmdPrint"));
        QCOMPARE(reportFile(b), AppPaths::folder() + QStringLiteral("\\Location_Codes.rpt"));
        QCOMPARE(formula(b), QStringLiteral("+{location.LocationCode}"));
        SortDialog* d = openDialog(b);
        QVERIFY(option(d, 1, 0)->isChecked());
        QVERIFY(option(d, 2, 0)->isChecked());
        choose(d, 1, 1);
        choose(d, 2, 1);
        m_dialogs->answers.enqueue(Dialogs::Answer::Yes);
        QVERIFY(click(d, "cmdOK"));
        QCOMPARE(b->recordSet()->sql(),
                 QStringLiteral("select locationcode, [location description] from location Order by [Location Description] DESC"));
        QCOMPARE(column(b, 1), (QStringList{"Top", "Middle", "Back"}));
        QCOMPARE(formula(b), QStringLiteral("-{location.location description}"));
        QCOMPARE(b->reportControl()->runLog().size(), 2);
        QCOMPARE(printed(m_folder->file(QStringLiteral("out.csv")), {"Back", "Top", "Middle"}),
                 (QStringList{"Top", "Middle", "Back"}));
        m_dialogs->answers.enqueue(Dialogs::Answer::No);
        d = openDialog(b);
        QVERIFY(click(d, "cmdOK"));  // a new dialog: code, ascending
        QCOMPARE(b->recordSet()->sql(), QStringLiteral("select locationcode, [location description] from location Order by LocationCode ASC"));
        QCOMPARE(column(b, 0), (QStringList{"5", "6", "7"}));
        QCOMPARE(b->reportControl()->runLog().size(), 2);
    }

    void employeeModelPartSorts() {
        TableBrowser* e = open(QStringLiteral("tblEmployees"));
        SortDialog* d = openDialog(e);
        QVERIFY(click(d, "cmdOK"));  // no field: last name
        QCOMPARE(e->recordSet()->sql(),
                 QStringLiteral("select EmployeeID, EmployeeNum, FirstName, LastName  from Employees Order by LastName ASC"));
        QCOMPARE(column(e, 3), (QStringList{"Abel", "Moss", "Zorn"}));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortEmployee")));
        d = openDialog(e);
        choose(d, 1, 1);
        choose(d, 2, 1);
        QVERIFY(click(d, "cmdOK"));
        QCOMPARE(column(e, 2), (QStringList{"Cid", "Bob", "Ann"}));
        d = openDialog(e);
        choose(d, 1, 0);
        QVERIFY(click(d, "cmdOK"));
        QCOMPARE(e->recordSet()->sql().section(QStringLiteral("Order by "), 1), QStringLiteral("EmployeeNum ASC"));

        TableBrowser* m = open(QStringLiteral("tblModel"));
        QVERIFY(click(openDialog(m), "cmdOK"));  // description preselected, ascending
        QCOMPARE(m->recordSet()->sql(), QStringLiteral("select ModelDescription,ModelNumber from Model Order by ModelDescription ASC"));
        QCOMPARE(column(m, 0), (QStringList{"Alpha", "Beta", "Gamma"}));
        d = openDialog(m);
        choose(d, 1, 1);
        choose(d, 2, 1);
        QVERIFY(click(d, "cmdOK"));
        QCOMPARE(m->recordSet()->sql(), QStringLiteral("select ModelDescription,ModelNumber from Model Order by ModelNumber DESC"));
        QCOMPARE(column(m, 1), (QStringList{"M3", "M2", "M1"}));

        TableBrowser* p = open(QStringLiteral("tblPart"));
        QVERIFY(click(openDialog(p), "cmdOK"));
        QCOMPARE(p->recordSet()->sql(), QStringLiteral("select partdescription,partnum from Parts Order by PartDescription ASC"));
        QCOMPARE(column(p, 0), (QStringList{"Alpha", "Beta", "Gamma"}));
        d = openDialog(p);
        choose(d, 1, 1);
        QVERIFY(click(d, "cmdOK"));
        QCOMPARE(column(p, 1), (QStringList{"001", "002", "003"}));
        QVERIFY(m_dialogs->messages.isEmpty());  // these three ask nothing
    }

    void sortKeepsTheModeAndWritesWhatWasTyped() {
        TableBrowser* b = open(QStringLiteral("tblModel"));
        QVERIFY(click(b, "cmdEdit"));
        b->recordSet()->setValue(QStringLiteral("ModelDescription"), QStringLiteral("Omega"));
        QVERIFY(click(openDialog(b), "cmdOK"));
        QVERIFY(b->isEditMode());
        QCOMPARE(shownButtons(b), (QStringList{"cmdUpdate", "cmdCancel", "cmdSort", "cmdPrint"}));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT ModelDescription FROM Model WHERE ModelNumber = 'M1'")).toString(),
                 QStringLiteral("Omega"));
        QCOMPARE(column(b, 0), (QStringList{"Alpha", "Beta", "Omega"}));
    }

    void failedSortKeepsThePreviousRows() {
        TableBrowser* b = open(QStringLiteral("tbldefects"));
        m_folder->exec(QStringLiteral("ALTER TABLE defects RENAME COLUMN defectdescription TO description"));
        SortDialog* d = openDialog(b);
        QVERIFY(click(d, "cmdOK"));
        QCOMPARE(m_dialogs->texts(), (QStringList{"no such column: defectdescription"}));
        QCOMPARE(b->recordSet()->sql(), QStringLiteral("select defectcode, defectdescription from defects"));
        QCOMPARE(b->gridModel()->rowCount(), 3);
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortDefect")));
        QVERIFY(click(b, "cmdLast"));
        QCOMPARE(status(b), QStringLiteral("Record: 3"));
    }

    void okAfterTheBrowserClosedOnlyClosesTheDialog() {
        TableBrowser* b = open(QStringLiteral("tblPart"));
        SortDialog* d = openDialog(b);
        QVERIFY(click(b, "cmdClose"));
        QVERIFY(d->isVisible());
        QVERIFY(click(d, "cmdOK"));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortPart")));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("tblPart")));
        QVERIFY(m_dialogs->messages.isEmpty());
    }
};

QTEST_MAIN(TestSortDialogs)
#include "tst_sort_dialogs.moc"
