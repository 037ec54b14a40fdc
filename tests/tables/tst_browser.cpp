// The table browsers of the reference tables: order at load, the record
// position, navigation with its ends and keys, browse and edit modes, typing
// into the grid, add, delete, refresh, printing the lists and closing.
#include <QLineEdit>

#include "platform/AppPaths.h"
#include "platform/MousePointer.h"
#include "tst_browser_support.h"

using namespace browsertest;

class TestBrowser : public QObject {
    Q_OBJECT
    std::unique_ptr<Fixture> fx;

    QString defect(const char* code) {
        return fx->folder.scalar(QStringLiteral("SELECT defectdescription FROM defects WHERE defectcode = '%1'").arg(QLatin1String(code)))
            .toString();
    }
    QStringList codes() { return fx->folder.rows(QStringLiteral("SELECT defectcode FROM defects ORDER BY rowid")); }
    void clickLine(TableBrowser* b, int line) {
        QTest::mouseClick(b->grid()->viewport(), Qt::LeftButton, {}, b->grid()->visualRect(b->gridModel()->index(line, 0)).center());
    }

private slots:
    void initTestCase() { initFormTests(); }
    void init() {
        fx = std::make_unique<Fixture>(QStringLiteral(
            "DELETE FROM defects; DELETE FROM Model; DELETE FROM Employees;"
            "INSERT INTO defects VALUES ('3', 'Scratch'), ('1', 'Pass'), ('2', 'Dent');"
            "INSERT INTO Model VALUES ('M3', 'Zeta'), ('M1', 'Alpha'), ('M2', 'Beta');"
            "INSERT INTO Employees (EmployeeNum, FirstName, LastName) VALUES ('E2', 'Ann', 'Zorn'), ('E1', 'Bob', 'Abel');"));
    }
    void cleanup() { fx.reset(); }

    void opensInNaturalOrderOrSorted() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(d);
        QCOMPARE(column(d, 0), (QStringList{"3", "1", "2"}));  // as stored, no ORDER BY
        QCOMPARE(status(d), QStringLiteral("Record 1 of 3"));
        QCOMPARE(shownButtons(d), (QStringList{"cmdAdd", "cmdEdit", "cmdDelete", "cmdRefresh", "cmdSort", "cmdClose", "cmdPrint"}));
        QCOMPARE(column(open(QStringLiteral("tblModel")), 1), (QStringList{"M1", "M2", "M3"}));
        QCOMPARE(column(open(QStringLiteral("tblEmployees")), 1), (QStringList{"E2", "E1"}));
    }

    // The buttons and keys of browse mode, step by step: the ends beep and
    // stay; Ctrl alone goes to an end; Escape closes.
    void buttonsAndKeysMoveTheRecord() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QWidget* grid = d->grid();
        grid->setFocus();
        struct Step { const char* button; Qt::Key key; Qt::KeyboardModifiers modifiers; int record, beeps; };
        const Step steps[] = {
            {"cmdPrevious", {}, {}, 1, 1}, {"cmdNext", {}, {}, 2, 1}, {"cmdNext", {}, {}, 3, 1}, {"cmdNext", {}, {}, 3, 2},
            {"cmdFirst", {}, {}, 1, 2}, {"cmdLast", {}, {}, 3, 2}, {nullptr, Qt::Key_Up, Qt::ControlModifier, 1, 2},
            {nullptr, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier, 2, 2}, {nullptr, Qt::Key_PageUp, {}, 1, 2},
            {nullptr, Qt::Key_PageDown, Qt::ControlModifier, 3, 2}, {nullptr, Qt::Key_Home, Qt::ShiftModifier, 1, 2},
            {nullptr, Qt::Key_End, {}, 3, 2}, {nullptr, Qt::Key_Down, Qt::AltModifier, 3, 3},
        };
        for (const Step& s : steps) {
            if (s.button)
                QVERIFY(click(d, s.button));
            else
                QTest::keyClick(grid, s.key, s.modifiers);
            QCOMPARE(status(d), QStringLiteral("Record %1 of 3").arg(s.record));
            QCOMPARE(gridLine(d), s.record - 1);
            QCOMPARE(fx->dialogs.beeps, s.beeps);
        }
        QVERIFY(fx->dialogs.messages.isEmpty());
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("tbldefects")));
    }

    void editModeUpdateAndCancel() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdNext"));
        QVERIFY(click(d, "cmdEdit"));
        QCOMPARE(status(d), QStringLiteral("Edit record"));
        QCOMPARE(shownButtons(d), (QStringList{"cmdUpdate", "cmdCancel", "cmdSort", "cmdPrint"}));
        // Update writes and returns to browse mode; the label stays until a move.
        typeIntoCell(d, 1, QStringLiteral("Pass mark"));
        QVERIFY(click(d, "cmdUpdate"));
        QVERIFY(!d->isEditMode());
        QCOMPARE(status(d), QStringLiteral("Edit record"));
        QCOMPARE(defect("1"), QStringLiteral("Pass mark"));
        // The grid's write is in the audit trail, with the value it replaced.
        QCOMPARE(fx->folder.rows(QStringLiteral("SELECT RowKey, Action, CASE WHEN Changes LIKE '%, \"Pass mark\"]%' OR Changes LIKE '%,\"Pass mark\"]%' THEN 'new value' END, "
                                                "Program FROM AuditEntries ORDER BY EntryID DESC LIMIT 1")),
                 QStringList{QStringLiteral("1|update|new value|") + QCoreApplication::applicationName()});
        QVERIFY(click(d, "cmdNext"));
        QCOMPARE(status(d), QStringLiteral("Record 3 of 3"));

        // Cancel drops the typing and goes to the first row.
        QVERIFY(click(d, "cmdEdit"));
        typeIntoCell(d, 1, QStringLiteral("Bent"));
        QVERIFY(click(d, "cmdCancel"));
        QVERIFY(!d->isEditMode());
        QCOMPARE(status(d), QStringLiteral("Record 1 of 3"));
        QCOMPARE(gridLine(d), 0);
        QCOMPARE(column(d, 1).at(2), QStringLiteral("Dent"));
        QCOMPARE(defect("2"), QStringLiteral("Dent"));
    }

    // The grid shows what was written, not the row as first read.
    void typedRowIsWrittenWhenLeft() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        typeIntoCell(d, 1, QStringLiteral("Deep scratch"));
        // The key reaches the cell editor first; the row is written as it is left.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(status(d), QStringLiteral("Record 2 of 3"));
        QCOMPARE(defect("3"), QStringLiteral("Deep scratch"));
        QCOMPARE(d->gridModel()->index(0, 1).data().toString(), QStringLiteral("Deep scratch"));
        // A click on another line moves the record set there, writing the row.
        typeIntoCell(d, 1, QStringLiteral("Passed"));
        clickLine(d, 2);
        QCOMPARE(status(d), QStringLiteral("Record 3 of 3"));
        QCOMPARE(defect("1"), QStringLiteral("Passed"));
        QVERIFY(fx->dialogs.messages.isEmpty());
    }

    void refusedEditIsReportedAndStaysPending() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        typeIntoCell(d, 0, QStringLiteral("1"));  // "3" becomes a duplicate of "1"
        QVERIFY(click(d, "cmdNext"));
        QCOMPARE(fx->dialogs.texts(), QStringList{QStringLiteral("Defect code 1 is already in the defects table.")});
        QCOMPARE(d->recordSet()->absolutePosition(), 0);
        QCOMPARE(column(d, 0).at(0), QStringLiteral("1"));  // still pending
        // In edit mode a refused Update leaves the mode and the change as they were.
        QVERIFY(click(d, "cmdEdit"));
        QVERIFY(click(d, "cmdUpdate"));
        QCOMPARE(fx->dialogs.messages.size(), 2);
        QVERIFY(d->isEditMode());
        QCOMPARE(codes(), (QStringList{"3", "1", "2"}));
        typeIntoCell(d, 0, QStringLiteral("4"));
        QVERIFY(click(d, "cmdUpdate"));
        QCOMPARE(fx->dialogs.messages.size(), 2);
        QVERIFY(!d->isEditMode());
        QCOMPARE(codes(), (QStringList{"4", "1", "2"}));
    }

    // A new line's code is stored upper case, its description as typed; the
    // employee names are upper-cased too.
    void addAppendsALineAndNamesAreUpperCased() {
        TableBrowser* m = open(QStringLiteral("tblModel"));
        QVERIFY(click(m, "cmdAdd"));
        QCOMPARE(gridLine(m), 3);
        QVERIFY(m->grid()->hasFocus());
        typeIntoCell(m, 0, QStringLiteral("Delta"));
        typeIntoCell(m, 1, QStringLiteral("m0"));
        QCOMPARE(column(m, 0), (QStringList{"Alpha", "Beta", "Zeta", "Delta"}));
        QCOMPARE(fx->folder.scalar(QStringLiteral("SELECT count(*) FROM Model")).toInt(), 3);
        QVERIFY(click(m, "cmdFirst"));
        QCOMPARE(fx->folder.rows(QStringLiteral("SELECT * FROM Model WHERE ModelNumber = 'M0'")), QStringList{"M0|Delta"});
        QCOMPARE(m->gridModel()->rowCount(), 4);

        TableBrowser* e = open(QStringLiteral("tblEmployees"));
        typeIntoCell(e, 3, QStringLiteral("smith"));
        QVERIFY(click(e, "cmdNext"));
        QCOMPARE(column(e, 3).at(0), QStringLiteral("SMITH"));
        QCOMPARE(fx->folder.rows(QStringLiteral("SELECT EmployeeNum, FirstName, LastName FROM Employees ORDER BY EmployeeID")),
                 (QStringList{"E2|Ann|SMITH", "E1|Bob|Abel"}));
        QVERIFY(fx->dialogs.messages.isEmpty());
    }

    // Delete asks first and shows the next row, or the last when the last went;
    // on an empty table it has nothing to remove.
    void deleteMovesToNextOrLast() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdDelete"));
        QCOMPARE(fx->dialogs.texts(), QStringList{QStringLiteral("Delete this record?")});
        QCOMPARE(codes().size(), 3);  // No is the default
        fx->dialogs.clear();
        fx->dialogs.answers << Dialogs::Answer::Yes << Dialogs::Answer::Yes << Dialogs::Answer::Yes;
        QVERIFY(click(d, "cmdDelete"));
        QCOMPARE(column(d, 0), (QStringList{"1", "2"}));
        QCOMPARE(status(d), QStringLiteral("Record 1 of 2"));
        QVERIFY(click(d, "cmdLast"));
        QVERIFY(click(d, "cmdDelete"));
        QCOMPARE(column(d, 0), (QStringList{"1"}));
        QCOMPARE(status(d), QStringLiteral("Record 1 of 1"));
        QVERIFY(click(d, "cmdDelete"));
        QCOMPARE(codes(), QStringList());
        QCOMPARE(status(d), QStringLiteral("No current record (0 stored)"));
        fx->dialogs.clear();
        QVERIFY(click(d, "cmdDelete"));
        QCOMPARE(fx->dialogs.texts(), QStringList{"Either BOF or EOF is True, or the current record has been deleted."});
    }

    // A code that inspection rows name is deleted or changed in a grid only
    // after a question that counts the rows; the rows keep the code they hold.
    void codesInUseAskBeforeDeleteOrChange() {
        fx->folder.exec(QStringLiteral(
            "INSERT INTO InspectionRecord (ModelNumber, DefectCode, InspectorNum, OperatorNum, InspNum) VALUES "
            "('M1', '3', 'E1', 'E1', NULL), ('M1', '3', NULL, NULL, 'E1'), ('M2', '2', NULL, NULL, NULL)"));
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdDelete"));  // No, the default
        QCOMPARE(fx->dialogs.texts(), QStringList{"Defect code 3 is used by 2 inspection rows. Delete it anyway?"});
        QVERIFY(fx->dialogs.messages[0].defaultButton == Dialogs::Answer::No);
        fx->dialogs.clear();
        typeIntoCell(d, 0, QStringLiteral("4"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // No: the cell shows the stored code again
        QTRY_VERIFY(!d->grid()->isEditingCell());
        QCOMPARE(fx->dialogs.texts(),
                 QStringList{"Defect code 3 is used by 2 inspection rows, which keep the old code. Change it anyway?"});
        QCOMPARE(column(d, 0).at(0), QStringLiteral("3"));
        fx->dialogs.answers << Dialogs::Answer::Yes;
        typeIntoCell(d, 0, QStringLiteral("4"));
        QVERIFY(click(d, "cmdNext"));
        QCOMPARE(codes(), (QStringList{"4", "1", "2"}));
        // A code no row names: no question on a change.
        typeIntoCell(d, 0, QStringLiteral("5"));
        QVERIFY(click(d, "cmdNext"));
        QCOMPARE(codes(), (QStringList{"4", "5", "2"}));
        QCOMPARE(fx->dialogs.messages.size(), 2);
        QCOMPARE(fx->folder.rows(QStringLiteral("SELECT DefectCode FROM InspectionRecord ORDER BY InspectionID")),
                 (QStringList{"3", "3", "2"}));

        // An employee named in three columns of one row counts as one row.
        TableBrowser* e = open(QStringLiteral("tblEmployees"));
        QVERIFY(click(e, "cmdNext"));
        fx->dialogs.clear();
        fx->dialogs.answers << Dialogs::Answer::Yes;
        QVERIFY(click(e, "cmdDelete"));
        QCOMPARE(fx->dialogs.texts(), QStringList{"Employee E1 is used by 2 inspection rows. Delete it anyway?"});
        QCOMPARE(fx->folder.rows(QStringLiteral("SELECT EmployeeNum FROM Employees")), QStringList{"E2"});
    }

    void refreshRereadsTheTable() {
        TableBrowser* d = open(QStringLiteral("tbldefects"));
        QVERIFY(click(d, "cmdLast"));
        fx->folder.exec(QStringLiteral("INSERT INTO defects VALUES ('9', 'Crack')"));
        QCOMPARE(d->gridModel()->rowCount(), 3);  // a snapshot until refreshed
        QVERIFY(click(d, "cmdRefresh"));
        QCOMPARE(column(d, 0), (QStringList{"3", "1", "2", "9"}));
        QCOMPARE(status(d), QStringLiteral("Record 1 of 4"));
        // What was typed is written first, not dropped.
        typeIntoCell(d, 1, QStringLiteral("Scrape"));
        QVERIFY(click(d, "cmdRefresh"));
        QCOMPARE(defect("3"), QStringLiteral("Scrape"));
    }

    // Close and the close box show the table menu it was opened from and write what was typed.
    void closingWritesWhatWasTypedAndShowsItsMenu() {
        FormRegistry& forms = FormRegistry::instance();
        QVERIFY(forms.show(QStringLiteral("frmTblMenu")).isOk());
        QVERIFY(forms.open(QStringLiteral("tbldefects"), QStringLiteral("frmTblMenu")));
        auto* d = forms.formAs<TableBrowser>(QStringLiteral("tbldefects"));
        typeIntoCell(d, 1, QStringLiteral("Gouge"));
        QVERIFY(click(d, "cmdClose"));
        QVERIFY(!forms.isLoaded(QStringLiteral("tbldefects")));
        QVERIFY(forms.isVisible(QStringLiteral("frmTblMenu")));
        QCOMPARE(defect("3"), QStringLiteral("Gouge"));
        // A row the database refuses is reported; closing goes on.
        d = open(QStringLiteral("tbldefects"));
        typeIntoCell(d, 0, QStringLiteral("2"));
        d->window_()->close();
        QVERIFY(!forms.isLoaded(QStringLiteral("tbldefects")));
        QCOMPARE(fx->dialogs.texts(), (QStringList{"Defect code 2 is already in the defects table."}));
    }

    // A list prints without a sort field; a missing report file is reported
    // and the browser goes on working.
    void printTheListOrReportItsMissingFile() {
        TableBrowser* m = open(QStringLiteral("tblModel"));
        quietReports(m, fx->folder.file(QStringLiteral("list.csv")));
        QVERIFY(click(m, "cmdPrint"));
        QCOMPARE(m->reportControl()->runLog(), QStringList{AppPaths::folder() + QStringLiteral("\\Model_List.rpt|||||")});
        QVERIFY(fx->dialogs.messages.isEmpty());
        QFile::remove(fx->folder.file(QStringLiteral("Model_List.rpt")));
        QVERIFY(click(m, "cmdPrint"));
        QCOMPARE(fx->dialogs.messages.size(), 1);
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        QVERIFY(click(m, "cmdNext"));
        QCOMPARE(status(m), QStringLiteral("Record 2 of 3"));
    }
};

QTEST_MAIN(TestBrowser)
#include "tst_browser.moc"
