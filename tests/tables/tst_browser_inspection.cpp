// The inspection table browser: its order at load, the buttons it lacks or
// hides, and what the grid does with dates and numbers typed into it.
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>

#include "TestAppFolder.h"
#include "shell/FormCatalog.h"
#include "tst_browser_support.h"

using namespace browsertest;

class TestInspectionBrowser : public QObject {
    Q_OBJECT
private:
    TestAppFolder* m_folder = nullptr;
    Dialogs::Scripted* m_dialogs = nullptr;


private slots:
    void initTestCase() { initFormTests(); }
    void init() {
        m_folder = new TestAppFolder(TestAppFolder::Data::Blank);
        m_dialogs = new Dialogs::Scripted;
        m_folder->exec(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode,"
            " LocationCode, ReworkNum, Notes) VALUES"
            " ('A', 'M2', 'S1', 'I1', '2024-03-05', 'ST2', '001', '1', '1', 1, 'first'),"
            " ('B', 'M1', 'S2', 'I2', '2024-01-10', 'ST1', '002', '3', '5', 1, NULL),"
            " ('A', 'M1', 'S1', 'I1', '2024-02-20', 'ST3', '001', '1', '1', 1, NULL),"
            " ('B', 'M1', 'S1', 'I1', '2024-02-21', 'ST1', '003', '2', '5', 2, 'second')"));
    }
    void cleanup() {
        unloadAllForms();
        delete m_dialogs;
        delete m_folder;
    }

    void opensOrderedByModelSerialStation() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        QVERIFY(b);
        QCOMPARE(b->windowTitle(), QStringLiteral("InspectionRecord"));
        QCOMPARE(b->gridModel()->columnCount(), 16);
        QStringList headers;
        for (int c = 0; c < 16; ++c)
            headers << b->gridModel()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"InspectionID", "Facility", "ModelNumber", "SerialNum", "InspectorNum", "Date", "Station",
                                       "PartNum", "DefectCode", "LocationCode", "InspNum", "IDate", "OperatorNum", "ODate",
                                       "ReworkNum", "Notes"}));
        QCOMPARE(column(b, 0), (QStringList{"4", "3", "2", "1"}));  // M1 S1 ST1, M1 S1 ST3, M1 S2 ST1, M2 S1 ST2
        QCOMPARE(status(b), QStringLiteral("Record: 1"));
        // Dates in the short date form.
        QCOMPARE(column(b, 5), (QStringList{"2/21/2024", "2/20/2024", "1/10/2024", "3/5/2024"}));
    }

    void addIsHiddenThenDoesNothing() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        QCOMPARE(shownButtons(b), (QStringList{"cmdEdit", "cmdDelete", "cmdRefresh", "cmdSort", "cmdClose"}));
        QVERIFY(!button(b, "cmdPrint"));
        QCOMPARE(button(b, "cmdSort")->text(), QStringLiteral("Sort"));
        QVERIFY(click(b, "cmdEdit"));
        QCOMPARE(shownButtons(b), (QStringList{"cmdUpdate", "cmdCancel"}));
        QVERIFY(click(b, "cmdUpdate"));
        QCOMPARE(shownButtons(b), (QStringList{"cmdAdd", "cmdEdit", "cmdDelete", "cmdRefresh", "cmdSort", "cmdClose"}));
        QVERIFY(click(b, "cmdAdd"));
        QCOMPARE(b->gridModel()->rowCount(), 4);
        QCOMPARE(b->recordSet()->editMode(), RecordSet::EditMode::None);
        QVERIFY(m_dialogs->messages.isEmpty());
        QVERIFY(click(b, "cmdEdit"));
        QVERIFY(click(b, "cmdCancel"));
        QCOMPARE(shownButtons(b), (QStringList{"cmdAdd", "cmdEdit", "cmdDelete", "cmdRefresh", "cmdSort", "cmdClose"}));
    }

    void datesReadMonthFirstInEveryLocale_data() {
        QTest::addColumn<QString>("locale");
        for (const char* name : {"en_US", "en_GB", "de_DE"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void datesReadMonthFirstInEveryLocale() {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        struct Restore {
            ~Restore() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
        } restore;
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        // Shown whole, month first, and not cut by the column.
        QCOMPARE(column(b, 5), (QStringList{"2/21/2024", "2/20/2024", "1/10/2024", "3/5/2024"}));
        const QFontMetrics fm(b->grid()->font());
        QVERIFY(b->grid()->columnWidth(5) > fm.horizontalAdvance(QStringLiteral("12/31/2024")));
        // Only the year retyped in the cell: day and month stay as they were.
        const QModelIndex date = b->gridModel()->index(gridLine(b), 5);
        b->grid()->setCurrentIndex(date);
        b->grid()->edit(date);
        auto* editor = qobject_cast<QLineEdit*>(b->grid()->indexWidget(date));
        QVERIFY(editor);
        editor->end(false);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, QStringLiteral("2025"));
        QVERIFY(click(b, "cmdNext"));
        // A typed date reads month first.
        typeIntoCell(b, 5, QStringLiteral("1/2/2026"));
        QVERIFY(click(b, "cmdNext"));
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(m_folder->rows(QStringLiteral("SELECT InspectionID, Date FROM InspectionRecord WHERE InspectionID IN (3, 4) "
                                               "ORDER BY InspectionID")),
                 (QStringList{"3|2026-01-02", "4|2025-02-21"}));
    }

    void typedDatesAndNumbers() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        typeIntoCell(b, 5, QStringLiteral("12/31/2024"));
        typeIntoCell(b, 14, QStringLiteral("3"));
        QVERIFY(click(b, "cmdNext"));
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(m_folder->rows(QStringLiteral("SELECT Date, ReworkNum, typeof(ReworkNum) FROM InspectionRecord WHERE InspectionID = 4")),
                 (QStringList{"2024-12-31|3|integer"}));
        // A date that is no date, and a number that is no number, are refused
        // by the database with its own message; the change stays pending.
        typeIntoCell(b, 5, QStringLiteral("13/45/2024"));
        QVERIFY(click(b, "cmdNext"));
        QCOMPARE(m_dialogs->texts(), (QStringList{"Date: 13/45/2024 is not a real date."}));
        QCOMPARE(status(b), QStringLiteral("Record: 2"));
        QCOMPARE(column(b, 5).at(1), QStringLiteral("13/45/2024"));
        typeIntoCell(b, 5, QStringLiteral("2/2/2024"));
        typeIntoCell(b, 14, QStringLiteral("two"));
        QVERIFY(click(b, "cmdNext"));
        QCOMPARE(m_dialogs->messages.size(), 2);
        QCOMPARE(m_dialogs->messages[1].text, QStringLiteral("Rework number: two is not a whole number."));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT Date FROM InspectionRecord WHERE InspectionID = 3")).toString(),
                 QStringLiteral("2024-02-20"));
        // The identifier is the database's: the grid does not take typing there.
        QVERIFY(!(b->gridModel()->flags(b->gridModel()->index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(b->gridModel()->flags(b->gridModel()->index(0, 1)) & Qt::ItemIsEditable);
    }

    void deleteRemovesTheRowOnYes() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        QVERIFY(click(b, "cmdNext"));
        m_dialogs->answers << Dialogs::Answer::Yes;
        QVERIFY(click(b, "cmdDelete"));
        QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Delete this record?")});
        QCOMPARE(column(b, 0), (QStringList{"4", "2", "1"}));
        QCOMPARE(status(b), QStringLiteral("Record: 2"));
        QCOMPARE(m_folder->scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE InspectionID = 3")).toInt(), 0);
    }

    // A table larger than the first screen: Last works before the rest of
    // the order has arrived, and the grid fills in when it does, with the
    // current line kept on the same row.
    void largeTableFillsInAfterItsFirstScreen() {
        m_folder->exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Station, ReworkNum) "
            "SELECT 'A', 'M' || (i % 9), 'S' || (i % 13), 'T', 1 FROM n"));
        const QStringList order =
            m_folder->rows(QStringLiteral("SELECT InspectionID FROM InspectionRecord ORDER BY ModelNumber, SerialNum, Station, rowid"));
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        // Read again, and the rest held back until the checks below are made.
        QVERIFY(click(b, "cmdRefresh"));
        b->recordSet()->pauseBuilding();
        QCOMPARE(b->gridModel()->rowCount(), 404);
        QVERIFY(!b->recordSet()->isComplete());
        QCOMPARE(column(b, 0).mid(0, 3), order.mid(0, 3));
        QVERIFY(click(b, "cmdLast"));
        QCOMPARE(status(b), QStringLiteral("Record: 404"));
        QCOMPARE(gridLine(b), 403);
        QCOMPARE(b->gridModel()->data(b->gridModel()->index(403, 0)).toString(), order.last());
        QVERIFY(b->gridModel()->data(b->gridModel()->index(200, 0)).toString().isEmpty());
        QSignalSpy repainted(b->gridModel(), &GridModel::dataChanged);
        b->recordSet()->resumeBuilding();
        QTRY_VERIFY(b->recordSet()->isComplete());
        QVERIFY(!repainted.isEmpty());
        QCOMPARE(column(b, 0), order);
        QCOMPARE(status(b), QStringLiteral("Record: 404"));
        QCOMPARE(gridLine(b), 403);
        QVERIFY(m_dialogs->messages.isEmpty());
    }
};

QTEST_MAIN(TestInspectionBrowser)
#include "tst_browser_inspection.moc"
