// The single-field sort dialogs: their options, help, Cancel and OK, the sort
// statements they make their browsers run, and the sorted printing of the
// defect and location lists.
#include <QRadioButton>

#include "platform/AppPaths.h"
#include "tables/SortDialog.h"
#include "tst_browser_support.h"

using namespace browsertest;

class TestSortDialogs : public QObject {
    Q_OBJECT
    std::unique_ptr<Fixture> fx;
    SortDialog* openDialog(TableBrowser* b) {
        return click(b, "cmdSort") ? FormRegistry::instance().formAs<SortDialog>(b->member().sortDialog) : nullptr;
    }
    QRadioButton* option(QWidget* d, int group, int element) {
        return d->findChild<QRadioButton*>(QStringLiteral("Option%1_%2").arg(group).arg(element));
    }
    void choose(QWidget* d, int group, int element) { QTest::mouseClick(option(d, group, element), Qt::LeftButton); }
    QString formula(TableBrowser* b) { return b->reportControl()->runLog().last().section(QLatin1Char('|'), 5); }

private slots:
    void initTestCase() { initFormTests(); }
    void init() {
        fx = std::make_unique<Fixture>(QStringLiteral(
            "DELETE FROM defects; DELETE FROM location; DELETE FROM Parts;"
            "INSERT INTO defects VALUES ('3', 'Alpha'), ('1', 'Gamma'), ('2', 'Beta');"
            "INSERT INTO location VALUES ('7', 'Back'), ('5', 'Top'), ('6', 'Middle');"
            "INSERT INTO Model VALUES ('M3', 'Alpha'), ('M1', 'Gamma'), ('M2', 'Beta');"
            "INSERT INTO Parts VALUES ('003', 'Alpha'), ('001', 'Gamma'), ('002', 'Beta');"
            "INSERT INTO Employees (EmployeeNum, FirstName, LastName) VALUES ('E2', 'Ann', 'Zorn'), ('E1', 'Cid', 'Abel'),"
            " ('E3', 'Bob', 'Moss');"));
    }
    void cleanup() { fx.reset(); }

    // The location dialog: code preselected, Help; the browser
    // stays usable while the dialog is up, Cancel changes nothing, and OK after
    // the browser closed only closes the dialog.
    void optionsHelpAndCancel() {
        TableBrowser* b = open(QStringLiteral("tblLocationCode"));
        SortDialog* d = openDialog(b);
        QVERIFY(d && d->isVisible());
        QVERIFY(option(d, 1, 0)->isChecked() && option(d, 2, 0)->isChecked());
        QVERIFY(click(d, "cmdHelp"));
        QCOMPARE(fx->dialogs.messages.size(), 1);
        QVERIFY(click(b, "cmdNext"));
        const QString before = b->recordSet()->sql();
        QVERIFY(click(d, "cmdCancel"));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortLocation")));
        QCOMPARE(b->recordSet()->sql(), before);
        QCOMPARE(status(b), QStringLiteral("Record 2 of 3"));
        d = openDialog(b);
        QVERIFY(click(b, "cmdClose"));
        QVERIFY(click(d, "cmdOK"));
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmSortLocation")));
    }

    // OK with a field (-1: none chosen) and a direction: the statement the
    // browser runs and the rows it shows. The defect and location dialogs ask
    // whether to print (No here).
    void okSortsTheBrowser_data() {
        QTest::addColumn<QString>("browser");
        QTest::addColumn<int>("field");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("shown");
        const QString defects = QStringLiteral("select defectcode, defectdescription from defects Order by ");
        const QString locations = QStringLiteral("select locationcode, [location description] from location Order by ");
        const QString employees = QStringLiteral("select EmployeeID, EmployeeNum, FirstName, LastName  from Employees Order by ");
        const QString models = QStringLiteral("select ModelDescription,ModelNumber from Model Order by ");
        const QString parts = QStringLiteral("select partdescription,partnum from Parts Order by ");
        QTest::newRow("defect by description down") << "tbldefects" << 1 << true << defects + "DefectDescription DESC" << 1
                                                     << QStringList{"Gamma", "Beta", "Alpha"};
        QTest::newRow("defect, no field: description") << "tbldefects" << -1 << false << defects + "DefectDescription ASC" << 1
                                                        << QStringList{"Alpha", "Beta", "Gamma"};
        QTest::newRow("location by description down") << "tblLocationCode" << 1 << true << locations + "[Location Description] DESC"
                                                       << 1 << QStringList{"Top", "Middle", "Back"};
        QTest::newRow("employee, no field: last name") << "tblEmployees" << -1 << false << employees + "LastName ASC" << 3
                                                        << QStringList{"Abel", "Moss", "Zorn"};
        QTest::newRow("employee by first name down") << "tblEmployees" << 1 << true << employees + "FirstName DESC" << 2
                                                      << QStringList{"Cid", "Bob", "Ann"};
        QTest::newRow("employee by number") << "tblEmployees" << 0 << false << employees + "EmployeeNum ASC" << 1
                                             << QStringList{"E1", "E2", "E3"};
        QTest::newRow("model by number down") << "tblModel" << 1 << true << models + "ModelNumber DESC" << 1
                                               << QStringList{"M3", "M2", "M1"};
        QTest::newRow("part as preselected") << "tblPart" << -1 << false << parts + "PartDescription ASC" << 0
                                              << QStringList{"Alpha", "Beta", "Gamma"};
    }
    void okSortsTheBrowser() {
        QFETCH(QString, browser);
        QFETCH(int, field);
        QFETCH(bool, descending);
        QFETCH(QString, sql);
        QFETCH(int, column);
        QFETCH(QStringList, shown);
        TableBrowser* b = open(browser);
        quietReports(b, fx->folder.file(QStringLiteral("out.csv")));
        SortDialog* d = openDialog(b);  // as it opens: no field, or the one preselected
        if (field >= 0)
            choose(d, 1, field);
        choose(d, 2, descending ? 1 : 0);
        fx->dialogs.answers.enqueue(Dialogs::Answer::No);
        QVERIFY(click(d, "cmdOK"));
        QCOMPARE(b->recordSet()->sql(), sql);
        QCOMPARE(browsertest::column(b, column), shown);
        QVERIFY(!FormRegistry::instance().isLoaded(b->member().sortDialog));
        const bool asks = b->member().print == TableBrowserSpec::Print::Sorted;
        QCOMPARE(fx->dialogs.texts(), asks ? QStringList{"Do you want to print this sorted table"} : QStringList());
        QVERIFY(b->reportControl()->runLog().isEmpty());  // No prints nothing
    }

    // A sort first writes the row being typed; one the database refuses leaves the rows shown.
    void sortWritesTheTypedRowOrKeepsTheRows() {
        TableBrowser* b = open(QStringLiteral("tblModel"));
        QVERIFY(click(b, "cmdEdit"));
        b->recordSet()->setValue(QStringLiteral("ModelDescription"), QStringLiteral("Omega"));
        QVERIFY(click(openDialog(b), "cmdOK"));
        QCOMPARE(column(b, 0), (QStringList{"Alpha", "Beta", "Omega"}));
        QCOMPARE(fx->folder.scalar(QStringLiteral("SELECT ModelDescription FROM Model WHERE ModelNumber = 'M1'")).toString(), "Omega");
        b = open(QStringLiteral("tbldefects"));
        fx->folder.exec(QStringLiteral("ALTER TABLE defects RENAME COLUMN defectdescription TO description"));
        QVERIFY(click(openDialog(b), "cmdOK"));
        QCOMPARE(fx->dialogs.texts(), QStringList{"no such column: defectdescription"});
        QCOMPARE(b->gridModel()->rowCount(), 3);
    }

    // The defect list printed reads the dialog's options as they stand: no
    // field chosen prints by code, while the sort went by description.
    void defectPrintReadsTheOptionsAsTheyStand() {
        TableBrowser* b = open(QStringLiteral("tbldefects"));
        quietReports(b, fx->folder.file(QStringLiteral("out.csv")));
        fx->dialogs.answers.enqueue(Dialogs::Answer::Yes);
        QVERIFY(click(openDialog(b), "cmdOK"));
        QCOMPARE(column(b, 1), (QStringList{"Alpha", "Beta", "Gamma"}));
        QCOMPARE(b->reportControl()->runLog(), QStringList{AppPaths::folder() + "\\Defect_Codes.rpt|||||+{defects.defectcode}"});

        // Print loads the dialog unseen to read its options; Sort shows it as it was.
        QVERIFY(click(b, "cmdPrint"));
        SortDialog* d = openDialog(b);
        choose(d, 1, 1);
        choose(d, 2, 1);
        QVERIFY(click(b, "cmdPrint"));
        QCOMPARE(formula(b), QStringLiteral("-{defects.defectdescription}"));
        choose(d, 1, 0);
        QVERIFY(click(b, "cmdPrint"));
        QCOMPARE(formula(b), QStringLiteral("-{defects.defectcode}"));
        QCOMPARE(fx->dialogs.messages.size(), 1);
    }
};

QTEST_MAIN(TestSortDialogs)
#include "tst_sort_dialogs.moc"
