// The table browsers of the reference tables: order at load, the record
// position, navigation with its ends and keys, browse and edit modes, typing
// into the grid, add, delete, refresh, printing the lists and closing.
#include <QLineEdit>
#include <QMdiSubWindow>

#include "TestAppFolder.h"
#include "platform/AppPaths.h"
#include "platform/MousePointer.h"
#include "shell/FormCatalog.h"
#include "tst_browser_support.h"

using namespace browsertest;

class TestBrowser : public QObject {
    Q_OBJECT
private:
    TestAppFolder* m_folder = nullptr;
    Dialogs::Scripted* m_dialogs = nullptr;

    void seed() {
        m_folder->exec(QStringLiteral(
            "DELETE FROM defects; DELETE FROM Model; DELETE FROM Parts; DELETE FROM location; DELETE FROM Employees;"
            "INSERT INTO defects VALUES ('3', 'Scratch'), ('1', 'Pass'), ('2', 'Dent');"
            "INSERT INTO Model VALUES ('M3', 'Zeta'), ('M1', 'Alpha'), ('M2', 'Beta');"
            "INSERT INTO Parts VALUES ('003', 'Bolt'), ('001', 'Pass'), ('002', 'Axle');"
            "INSERT INTO location VALUES ('7', 'Top'), ('5', 'Back');"
            "INSERT INTO Employees (EmployeeNum, FirstName, LastName) VALUES ('E2', 'Ann', 'Zorn'), ('E1', 'Bob', 'Abel');"));
    }

private slots:
    void initTestCase() { initFormTests(); }
    void init() {
        m_folder = new TestAppFolder(TestAppFolder::Data::Blank);
        m_dialogs = new Dialogs::Scripted;
        seed();
    }
    void cleanup() {
        unloadAllForms();
        delete m_dialogs;
        delete m_folder;
    }

    void opensInNaturalOrderOrSorted() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(d);
        QCOMPARE(d->windowTitle(), QStringLiteral("defects"));
        QCOMPARE(column(d, 0), (QStringList{"3", "1", "2"}));  // as stored, no ORDER BY
        QCOMPARE(d->gridModel()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("defectcode"));
        QCOMPARE(d->gridModel()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("defectdescription"));
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        QCOMPARE(gridLine(d), 0);
        QVERIFY(d->window_()->windowState() & Qt::WindowMaximized);

        TableBrowser* m = open(QStringLiteral("tblModel"));
        QCOMPARE(m->windowTitle(), QStringLiteral("Model"));
        QCOMPARE(column(m, 1), (QStringList{"M1", "M2", "M3"}));
        QCOMPARE(column(m, 0), (QStringList{"Alpha", "Beta", "Zeta"}));
        TableBrowser* p = open(QStringLiteral("tblPart"));
        QCOMPARE(column(p, 1), (QStringList{"001", "002", "003"}));
        TableBrowser* l = open(QStringLiteral("tblLocationCode"));
        QCOMPARE(l->gridModel()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("location description"));
        QCOMPARE(column(l, 1), (QStringList{"Top", "Back"}));
        TableBrowser* e = open(QStringLiteral("tblEmployees"));
        QCOMPARE(e->gridModel()->columnCount(), 4);
        QCOMPARE(column(e, 1), (QStringList{"E2", "E1"}));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void buttonBarAtLoad() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QCOMPARE(shownButtons(d), (QStringList{"cmdAdd", "cmdEdit", "cmdDelete", "cmdRefresh", "cmdSort", "cmdClose", "cmdPrint"}));
        QCOMPARE(button(d, "cmdSort")->text(), QStringLiteral("&Sort"));
        QCOMPARE(button(d, "cmdPrint")->text(), QStringLiteral("Print"));
        for (const char* n : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"}) {
            QVERIFY(button(d, n)->isEnabled());
            QVERIFY(button(d, n)->text().isEmpty());
            QVERIFY(!button(d, n)->icon().isNull());
        }
        TableBrowser* e = open(QStringLiteral("tblEmployees"));
        QCOMPARE(button(e, "cmdSort")->text(), QStringLiteral("Sort"));
    }

    void endsBeepAndMoveBack() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdPrevious"));
        QCOMPARE(m_dialogs->beeps, 1);
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        QVERIFY(click(d, "cmdNext"));
        QCOMPARE(status(d), QStringLiteral("Record: 2"));
        QCOMPARE(gridLine(d), 1);
        QVERIFY(click(d, "cmdNext"));
        QCOMPARE(status(d), QStringLiteral("Record: 3"));
        QCOMPARE(m_dialogs->beeps, 1);
        QVERIFY(click(d, "cmdNext"));
        QCOMPARE(m_dialogs->beeps, 2);
        QCOMPARE(status(d), QStringLiteral("Record: 3"));
        QCOMPARE(gridLine(d), 2);
        QVERIFY(click(d, "cmdFirst"));
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        QVERIFY(click(d, "cmdLast"));
        QCOMPARE(status(d), QStringLiteral("Record: 3"));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void keysOfBrowseMode() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QWidget* grid = d->grid();
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(d), QStringLiteral("Record: 3"));
        QCOMPARE(gridLine(d), 2);
        QTest::keyClick(grid, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        // Ctrl with Shift is not Ctrl alone: one row, not the last.
        QTest::keyClick(grid, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(status(d), QStringLiteral("Record: 2"));
        QCOMPARE(gridLine(d), 1);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        QTest::keyClick(grid, Qt::Key_PageDown);
        QCOMPARE(status(d), QStringLiteral("Record: 2"));
        QTest::keyClick(grid, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        QTest::keyClick(grid, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(status(d), QStringLiteral("Record: 3"));
        QTest::keyClick(grid, Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        QTest::keyClick(grid, Qt::Key_End);
        QCOMPARE(status(d), QStringLiteral("Record: 3"));
        QTest::keyClick(grid, Qt::Key_Down, Qt::AltModifier);  // past the end: beep, stay
        QCOMPARE(m_dialogs->beeps, 1);
        QCOMPARE(status(d), QStringLiteral("Record: 3"));
        // A key sent to the window itself counts the same.
        QTest::keyClick(d, Qt::Key_Up);
        QCOMPARE(status(d), QStringLiteral("Record: 2"));
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("tbldefects")));
    }

    void editModeButtonsAndKeys() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdNext"));
        QVERIFY(click(d, "cmdEdit"));
        QVERIFY(d->isEditMode());
        QCOMPARE(status(d), QStringLiteral("Edit record"));
        QCOMPARE(shownButtons(d), (QStringList{"cmdUpdate", "cmdCancel", "cmdSort", "cmdPrint"}));
        for (const char* n : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast"})
            QVERIFY(!button(d, n)->isEnabled());
        QTest::keyClick(d->grid(), Qt::Key_Escape);
        QTest::keyClick(d->grid(), Qt::Key_Home);
        QVERIFY(FormRegistry::instance().isLoaded(QStringLiteral("tbldefects")));
        QCOMPARE(status(d), QStringLiteral("Edit record"));
        QCOMPARE(d->recordSet()->absolutePosition(), 1);
        // Update writes and returns to browse mode; the label stays until a move.
        typeIntoCell(d, 1, QStringLiteral("Pass mark"));
        QVERIFY(click(d, "cmdUpdate"));
        QVERIFY(!d->isEditMode());
        QCOMPARE(status(d), QStringLiteral("Edit record"));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT defectdescription FROM defects WHERE defectcode = '1'")).toString(),
                 QStringLiteral("Pass mark"));
        QCOMPARE(shownButtons(d), (QStringList{"cmdAdd", "cmdEdit", "cmdDelete", "cmdRefresh", "cmdSort", "cmdClose", "cmdPrint"}));
        QVERIFY(click(d, "cmdNext"));
        QCOMPARE(status(d), QStringLiteral("Record: 3"));
    }

    void cancelDiscardsAndGoesToFirstRow() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdLast"));
        QVERIFY(click(d, "cmdEdit"));
        typeIntoCell(d, 1, QStringLiteral("Bent"));
        QVERIFY(click(d, "cmdCancel"));
        QVERIFY(!d->isEditMode());
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        QCOMPARE(gridLine(d), 0);
        QCOMPARE(column(d, 1).at(2), QStringLiteral("Dent"));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT defectdescription FROM defects WHERE defectcode = '2'")).toString(),
                 QStringLiteral("Dent"));
    }

    void typedRowIsWrittenWhenLeft() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        typeIntoCell(d, 1, QStringLiteral("Deep scratch"));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT defectdescription FROM defects WHERE defectcode = '3'")).toString(),
                 QStringLiteral("Scratch"));
        // The key reaches the cell editor first; the row is written as it is left.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(status(d), QStringLiteral("Record: 2"));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT defectdescription FROM defects WHERE defectcode = '3'")).toString(),
                 QStringLiteral("Deep scratch"));
        QCOMPARE(d->gridModel()->index(0, 1).data().toString(), QStringLiteral("Deep scratch"));  // not the row as first read
        // A click on another line moves the record set there, writing the row.
        typeIntoCell(d, 1, QStringLiteral("Passed"));
        const QModelIndex third = d->gridModel()->index(2, 0);
        QTest::mouseClick(d->grid()->viewport(), Qt::LeftButton, {}, d->grid()->visualRect(third).center());
        QCOMPARE(status(d), QStringLiteral("Record: 3"));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT defectdescription FROM defects WHERE defectcode = '1'")).toString(),
                 QStringLiteral("Passed"));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void refusedEditIsReportedAndStaysPending() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        typeIntoCell(d, 0, QStringLiteral("1"));  // "3" becomes a duplicate of "1"
        QVERIFY(click(d, "cmdNext"));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].text, QStringLiteral("Defect code 1 is already in the defects table."));
        QCOMPARE(m_dialogs->messages[0].title, QStringLiteral("Varnex"));
        QCOMPARE(m_dialogs->messages[0].buttons, Dialogs::Buttons::Ok);
        QCOMPARE(m_dialogs->messages[0].icon, Dialogs::Icon::None);
        QCOMPARE(d->recordSet()->absolutePosition(), 0);
        QCOMPARE(gridLine(d), 0);
        QCOMPARE(column(d, 0).at(0), QStringLiteral("1"));  // still pending
        QCOMPARE(d->recordSet()->editMode(), RecordSet::EditMode::InProgress);
        // A click on another line is refused the same way; the line comes back.
        QTest::mouseClick(d->grid()->viewport(), Qt::LeftButton, {}, d->grid()->visualRect(d->gridModel()->index(2, 0)).center());
        QTest::qWait(1);
        QCOMPARE(m_dialogs->messages.size(), 2);
        QCOMPARE(gridLine(d), 0);
        QCOMPARE(d->recordSet()->absolutePosition(), 0);
        // In edit mode a refused Update leaves the mode and the change as they were.
        QVERIFY(click(d, "cmdEdit"));
        QVERIFY(click(d, "cmdUpdate"));
        QCOMPARE(m_dialogs->messages.size(), 3);
        QVERIFY(d->isEditMode());
        QCOMPARE(column(d, 0).at(0), QStringLiteral("1"));
        QCOMPARE(m_folder->rows(QStringLiteral("SELECT defectcode FROM defects ORDER BY rowid")), (QStringList{"3", "1", "2"}));
        typeIntoCell(d, 0, QStringLiteral("4"));
        QVERIFY(click(d, "cmdUpdate"));
        QCOMPARE(m_dialogs->messages.size(), 3);
        QVERIFY(!d->isEditMode());
        QCOMPARE(m_folder->rows(QStringLiteral("SELECT defectcode FROM defects ORDER BY rowid")), (QStringList{"4", "1", "2"}));
    }

    void addAppendsALineAndWritesItWhenLeft() {
        TableBrowser* m = open(QStringLiteral("tblModel"));
        QVERIFY(click(m, "cmdAdd"));
        QCOMPARE(m->gridModel()->rowCount(), 4);
        QCOMPARE(gridLine(m), 3);
        QVERIFY(m->grid()->hasFocus());
        QCOMPARE(shownButtons(m), (QStringList{"cmdAdd", "cmdEdit", "cmdDelete", "cmdRefresh", "cmdSort", "cmdClose", "cmdPrint"}));
        typeIntoCell(m, 0, QStringLiteral("Delta"));
        typeIntoCell(m, 1, QStringLiteral("m0"));  // a code is stored upper case, a description as typed
        // The typed values show on the new line only.
        QCOMPARE(column(m, 0), (QStringList{"Alpha", "Beta", "Zeta", "Delta"}));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT count(*) FROM Model")).toInt(), 3);
        QVERIFY(click(m, "cmdFirst"));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT ModelDescription FROM Model WHERE ModelNumber = 'M0'")).toString(),
                 QStringLiteral("Delta"));
        QCOMPARE(m->gridModel()->rowCount(), 4);
        QCOMPARE(status(m), QStringLiteral("Record: 1"));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void typedNamesAreUpperCased() {
        TableBrowser* e = open(QStringLiteral("tblEmployees"));
        typeIntoCell(e, 3, QStringLiteral("smith"));
        QVERIFY(click(e, "cmdNext"));
        QCOMPARE(column(e, 3).at(0), QStringLiteral("SMITH"));
        QCOMPARE(m_folder->rows(QStringLiteral("SELECT EmployeeNum, FirstName, LastName FROM Employees ORDER BY EmployeeID")),
                 (QStringList{"E2|Ann|SMITH", "E1|Bob|Abel"}));
    }

    void deleteOfTheOnlyRowThenAddStartsTheFirst() {
        m_folder->exec(QStringLiteral("DELETE FROM location WHERE locationcode = '5'"));
        TableBrowser* l = open(QStringLiteral("tblLocationCode"));
        QCOMPARE(l->gridModel()->rowCount(), 1);
        m_dialogs->answers << Dialogs::Answer::Yes;
        QVERIFY(click(l, "cmdDelete"));
        QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Delete this record?")});
        m_dialogs->clear();
        QCOMPARE(l->gridModel()->rowCount(), 0);
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT count(*) FROM location")).toInt(), 0);
        QCOMPARE(status(l), QStringLiteral("Record: -1"));
        // Delete has nothing to remove; Next and Previous do nothing visible.
        QVERIFY(click(l, "cmdDelete"));
        QCOMPARE(m_dialogs->texts(),
                 QStringList{QStringLiteral("Either BOF or EOF is True, or the current record has been deleted.")});
        QVERIFY(click(l, "cmdNext"));
        QVERIFY(click(l, "cmdPrevious"));
        QCOMPARE(m_dialogs->beeps, 0);
        // Add on the empty table starts its first row.
        QVERIFY(click(l, "cmdAdd"));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(l->gridModel()->rowCount(), 1);
        typeIntoCell(l, 0, QStringLiteral("9"));
        typeIntoCell(l, 1, QStringLiteral("Inside"));
        QVERIFY(click(l, "cmdRefresh"));
        QCOMPARE(m_folder->rows(QStringLiteral("SELECT * FROM location")), QStringList{"9|Inside"});
    }

    void keysInAnOpenCellAreTheCells() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdNext"));
        typeIntoCell(d, 1, QStringLiteral("Gouge"));
        auto* editor = qobject_cast<QLineEdit*>(d->grid()->indexWidget(d->gridModel()->index(1, 1)));
        QVERIFY(editor);
        // Home and End move the caret, not the grid's line.
        QTest::keyClick(editor, Qt::Key_Home);
        QCOMPARE(editor->cursorPosition(), 0);
        QTest::keyClick(editor, Qt::Key_End);
        QCOMPARE(editor->cursorPosition(), 5);
        QCOMPARE(status(d), QStringLiteral("Record: 2"));
        // Escape drops the cell's typing and leaves the browser open.
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(FormRegistry::instance().isLoaded(QStringLiteral("tbldefects")));
        QCOMPARE(column(d, 1).at(1), QStringLiteral("Pass"));
        QVERIFY(click(d, "cmdFirst"));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT defectdescription FROM defects WHERE defectcode = '1'")).toString(),
                 QStringLiteral("Pass"));
        // With no cell open, Escape closes the browser.
        QTest::keyClick(d->grid(), Qt::Key_Escape);
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("tbldefects")));
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void deleteMovesToNextOrLast() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        // Asked first, No the default: nothing is deleted.
        QVERIFY(click(d, "cmdDelete"));
        QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Delete this record?")});
        QCOMPARE(m_dialogs->messages[0].defaultButton, Dialogs::Answer::No);
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT count(*) FROM defects")).toInt(), 3);
        m_dialogs->answers << Dialogs::Answer::Yes << Dialogs::Answer::Yes;
        QVERIFY(click(d, "cmdDelete"));
        QCOMPARE(column(d, 0), (QStringList{"1", "2"}));
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        QCOMPARE(d->recordSet()->value(QStringLiteral("defectcode")).toString(), QStringLiteral("1"));
        QVERIFY(click(d, "cmdLast"));
        QVERIFY(click(d, "cmdDelete"));
        QCOMPARE(column(d, 0), (QStringList{"1"}));
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        QCOMPARE(m_folder->rows(QStringLiteral("SELECT defectcode FROM defects")), (QStringList{"1"}));
    }

    void refreshRereadsTheTable() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdLast"));
        m_folder->exec(QStringLiteral("INSERT INTO defects VALUES ('9', 'Crack')"));
        QCOMPARE(d->gridModel()->rowCount(), 3);  // a snapshot until refreshed
        QVERIFY(click(d, "cmdRefresh"));
        QCOMPARE(column(d, 0), (QStringList{"3", "1", "2", "9"}));
        QCOMPARE(status(d), QStringLiteral("Record: 1"));
        // What was typed is written first, not dropped.
        typeIntoCell(d, 1, QStringLiteral("Scrape"));
        QVERIFY(click(d, "cmdRefresh"));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT defectdescription FROM defects WHERE defectcode = '3'")).toString(),
                 QStringLiteral("Scrape"));
    }

    void closingShowsTheMainMenu() {
        FormRegistry& forms = FormRegistry::instance();
        QVERIFY(forms.show(QStringLiteral("frmTblMenu")).isOk());
        QVERIFY(forms.open(QStringLiteral("tblPart"), QStringLiteral("frmTblMenu")));
        QVERIFY(!forms.isVisible(QStringLiteral("frmTblMenu")));
        auto* p = forms.formAs<TableBrowser>(QStringLiteral("tblPart"));
        QVERIFY(click(p, "cmdClose"));
        QVERIFY(!forms.isLoaded(QStringLiteral("tblPart")));
        QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
        QVERIFY(!forms.isVisible(QStringLiteral("frmTblMenu")));
        // The close box does the same; reopening starts afresh.
        QVERIFY(forms.open(QStringLiteral("tblPart"), QStringLiteral("frmMain")));
        p = forms.formAs<TableBrowser>(QStringLiteral("tblPart"));
        QVERIFY(click(p, "cmdLast"));
        p->window_()->close();
        QVERIFY(!forms.isLoaded(QStringLiteral("tblPart")));
        QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
        p = open(QStringLiteral("tblPart"));
        QCOMPARE(status(p), QStringLiteral("Record: 1"));
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    }

    void closingWritesWhatWasTyped() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        typeIntoCell(d, 1, QStringLiteral("Gouge"));
        d->window_()->close();
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("tbldefects")));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT defectdescription FROM defects WHERE defectcode = '3'")).toString(),
                 QStringLiteral("Gouge"));
        // A row the database refuses is reported; closing goes on.
        d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdEdit"));
        typeIntoCell(d, 0, QStringLiteral("2"));
        d->window_()->close();
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("tbldefects")));
        QCOMPARE(m_dialogs->texts(), (QStringList{"Defect code 2 is already in the defects table."}));
        QCOMPARE(m_folder->rows(QStringLiteral("SELECT defectcode FROM defects ORDER BY rowid")), (QStringList{"3", "1", "2"}));
    }

    void resizeKeepsLastValidGridHeight() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QWidget* w = d->window_();
        w->showNormal();
        w->resize(600, 400);
        QTest::qWait(1);
        const int height = d->grid()->height();
        QVERIFY(height > 0);
        w->setMinimumSize(0, 0);
        d->setMinimumSize(0, 0);
        d->resize(30, 20);
        QCOMPARE(d->grid()->height(), height);  // no negative height
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void printOfTheListsHasNoSortField() {
        const char* const browsers[][2] = {{"tblModel", "Model_List.rpt"}, {"tblPart", "Part_List.rpt"}, {"tblEmployees", "Employee_List.rpt"}};
        for (const auto& row : browsers) {
            TableBrowser* b = open(QString::fromLatin1(row[0]));
            quietReports(b, m_folder->file(QStringLiteral("list.csv")));
            QVERIFY(click(b, "cmdPrint"));
            QCOMPARE(b->reportControl()->objectName(), QString::fromLatin1(row[1]).section(QLatin1Char('.'), 0, 0));
            QCOMPARE(b->reportControl()->runLog().size(), 1);
            QCOMPARE(b->reportControl()->runLog().last(), AppPaths::folder() + QLatin1Char('\\') + QString::fromLatin1(row[1]) + QStringLiteral("|||||"));
            QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
            QVERIFY2(m_dialogs->messages.isEmpty(), qPrintable(m_dialogs->texts().join(QLatin1Char('/'))));
            QVERIFY(QFile::exists(m_folder->file(QStringLiteral("list.csv"))));
            QFile::remove(m_folder->file(QStringLiteral("list.csv")));
        }
    }

    void printWithTheReportFileMissingIsReported() {
        QFile::remove(m_folder->file(QStringLiteral("Model_List.rpt")));
        TableBrowser* m = open(QStringLiteral("tblModel"));
        quietReports(m, m_folder->file(QStringLiteral("list.csv")));
        m_dialogs->clear();
        QVERIFY(click(m, "cmdPrint"));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(!m_dialogs->messages[0].text.isEmpty());
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        // The browser goes on working.
        QVERIFY(click(m, "cmdNext"));
        QCOMPARE(status(m), QStringLiteral("Record: 2"));
        QVERIFY(FormRegistry::instance().isLoaded(QStringLiteral("tblModel")));
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
