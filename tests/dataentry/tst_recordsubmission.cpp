// The data entry screen: its boxes, the navigator's caption, Add, Delete, a
// missing file; Pass and Submit Record: the row that lands in the file, its
// rework number, the question and what the screen holds after each answer,
// refused input and the rework count.
#include <atomic>
#include <functional>
#include <thread>

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include "TestAppFolder.h"
#include "database/GridModel.h"
#include "database/RecordNavigator.h"
#include "database/RecordSet.h"
#include "dataentry/DataEntryForm.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MaskedDateBox.h"
#include "platform/TextBox.h"
#include "shell/FormCatalog.h"
#include "tables/TableBrowser.h"
#include "tables/TableBrowserGrid.h"

namespace {

DataEntryForm* openScreen() { return showFormAs<DataEntryForm>(QStringLiteral("frmDataEntry")); }

template <class T = QLineEdit>
T* control(QWidget* form, const char* name) {
    return form->findChild<T*>(QString::fromLatin1(name));
}
TextBox* box(QWidget* form, const char* name) { return control<TextBox>(form, name); }
MaskedDateBox* dateBox(QWidget* form, const char* name) { return control<MaskedDateBox>(form, name); }
QPushButton* button(QWidget* form, const char* name) { return control<QPushButton>(form, name); }
RecordNavigator* navigator(QWidget* form) { return form->findChild<RecordNavigator*>(QStringLiteral("Data1")); }

QWidget* focused() { return QApplication::focusWidget(); }
QString focusName() { return focused() ? focused()->objectName() : QStringLiteral("(none)"); }

// Types into the box that has the focus and leaves it with Tab.
void field(const QString& text) {
    QTest::keyClicks(focused(), text);
    QTest::keyClick(focused(), Qt::Key_Tab);
}
void fields(const QStringList& texts) {
    for (const QString& t : texts)
        field(t);
}
void pressEnter() { QTest::keyClick(focused(), Qt::Key_Return); }
void click(QWidget* form, const char* name) { QTest::mouseClick(button(form, name), Qt::LeftButton); }
void arrow(QWidget* form, const char* name) {
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QLatin1String(name)), Qt::LeftButton);
}

// Focus on a box, as a user clicking into it; a line box is emptied.
void enter(QWidget* box, bool empty = true) {
    box->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(focused(), box);
    if (auto* line = qobject_cast<QLineEdit*>(box); line && empty) {
        line->selectAll();
        line->del();
    }
}

// Rows of InspectionRecord dated 4 March 2026, each unit as "model|serial|station".
void insertRows(const TestAppFolder& app, const QStringList& units, const QString& facility = QStringLiteral("A")) {
    for (const QString& unit : units)
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, "
                                "PartNum, DefectCode, LocationCode, ReworkNum) VALUES ('%1', '%2', '%3', 'E1', '2026-03-04', "
                                "'%4', '001', '1', '1', 1)")
                     .arg(facility, unit.section(QLatin1Char('|'), 0, 0), unit.section(QLatin1Char('|'), 1, 1),
                          unit.section(QLatin1Char('|'), 2, 2)));
}

// Opens the screen (on a new row) and types facility, model, serial,
// inspector, date and station; the focus ends on Pass. Null when it did not open.
DataEntryForm* openNewUnit(const QString& model, const QString& serial, const QString& station,
                           const QString& dateDigits = QStringLiteral("12312026")) {
    DataEntryForm* form = openScreen();
    if (!form)
        return nullptr;
    fields({QStringLiteral("a"), model, serial, QStringLiteral("e7"), dateDigits, station});
    return form;
}

const char* const kUnitColumns =
    "SELECT Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode, LocationCode, InspNum, "
    "IDate, OperatorNum, ODate, ReworkNum, Notes FROM InspectionRecord ORDER BY InspectionID";

// Another station on the server writes a row of unit M1/S1/T1 with that rework
// number under the unit's lock and commits once it sees this station wait for
// the lock, or after 30 s; meanwhile this station runs `submit`. Returns 2 when
// the other station saw the wait (1: it did not, 0: it never wrote its row).
int whileAnotherStationHoldsM1(const TestAppFolder& app, int rework, const std::function<void()>& submit) {
    std::atomic<int> other{0};
    std::thread station([&app, &other, rework] {
        Database db;
        if (!db.open(app.database()) || !db.beginWrite(ReworkCounter::lockKey({"M1", "S1", "T1"})) ||
            !db.exec(QStringLiteral("INSERT INTO InspectionRecord (ModelNumber, SerialNum, Station, ReworkNum) "
                                    "VALUES ('M1', 'S1', 'T1', %1)").arg(rework)))
            return;
        other = 1;
        for (int i = 0; i < 300 && app.advisoryLocks(false) == 0; ++i)
            QThread::msleep(100);
        if (app.advisoryLocks(false) == 1)
            other = 2;
        db.exec(QStringLiteral("COMMIT"));
    });
    if (QTest::qWaitFor([&] { return other != 0; }, 30000))
        submit();  // returns once the other station has committed
    station.join();
    return other;
}
}  // namespace

class TestRecordSubmission : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { unloadAllForms(); }

    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        registerAllForms();
    }

    // The screen opens on a new row, as after Add; the stored rows are one
    // arrow back, and the caption says which is which.
    void opensOnNewRowAfterStoredRows() {
        TestAppFolder app;
        insertRows(app, {"M1|S1|T1", "M2|S1|T1", "M3|S1|T1"});
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        QVERIFY(navigator(form)->isNewRow());
        QCOMPARE(navigator(form)->caption(), QStringLiteral("New record (3 stored)"));
        QCOMPARE(focusName() + box(form, "txtModelNumber")->text() + dateBox(form, "MaskEdBox1")->typedText(),
                 QStringLiteral("txtFacility__/__/____"));
        arrow(form, "Previous");
        QCOMPARE(navigator(form)->caption() + box(form, "txtModelNumber")->text(), QStringLiteral("Record 3 of 3M3"));
        arrow(form, "First");
        QCOMPARE(QStringList({box(form, "txtFacility")->text(), box(form, "txtModelNumber")->text(),
                              box(form, "txtReworkNumber")->text(), dateBox(form, "MaskEdBox1")->text()}),
                 QStringList({"A", "M1", "1", "03/04/2026"}));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record 1 of 3"));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 3);
    }

    void boxesUpperCaseAndSelectOnEnter() {
        TestAppFolder app;
        insertRows(app, {"M1|S1|T1"});
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        // A box that selects on entering is replaced by typing "ab" into "1";
        // the code boxes are upper-cased on leaving.
        const char* const boxes[][2] = {
            {"txtFacility", "A"}, {"txtModelNumber", "AB1"}, {"txtSerialNumber", "AB1"}, {"txtInspectorNumber", "AB"},
            {"txtStation", "AB1"}, {"txtPartNum", "AB1"}, {"txtDefectCode", "AB"}, {"txtLocationCode", "AB"},
            {"txtpreviousinspector", "AB"}, {"txtOperatorNumber", "AB"}, {"txtReworkNumber", "ab1"}};
        for (const auto& b : boxes) {
            TextBox* t = box(form, b[0]);
            t->clearFocus();  // Tab from the box before may have entered it
            t->setText(t->maxLength() == 1 ? QString() : QStringLiteral("1"));  // the facility takes one letter
            t->setCursorPosition(0);
            enter(t, false);
            field(QStringLiteral("ab"));
            QCOMPARE(t->text(), QLatin1String(b[1]));
        }
    }

    void addClearsBoxesAndGivesDatesTheirPattern() {
        TestAppFolder app;
        insertRows(app, {"M1|S1|T1"});
        app.exec(QStringLiteral("UPDATE InspectionRecord SET IDate = '2026-01-02', ODate = '2026-01-03', Notes = 'x'"));
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        arrow(form, "Previous");
        QCOMPARE(control<QPlainTextEdit>(form, "txtNotes")->toPlainText(), QStringLiteral("x"));
        click(form, "cmdAdd");
        QCOMPARE(focusName(), QStringLiteral("txtFacility"));
        for (TextBox* b : form->findChildren<TextBox*>())
            QVERIFY2(b->text().isEmpty(), qPrintable(b->objectName()));
        QCOMPARE(control<QPlainTextEdit>(form, "txtNotes")->toPlainText(), QString());
        for (const char* name : {"MaskEdBox1", "MaskEdBox2", "MaskEdBox3"}) {
            QCOMPARE(dateBox(form, name)->typedText(), QStringLiteral("__/__/____"));
            QVERIFY(dateBox(form, name)->value().isNull());
        }
        QCOMPARE(navigator(form)->caption(), QStringLiteral("New record (1 stored)"));
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 1);
    }

    void deleteAsksFirst() {
        TestAppFolder app;
        insertRows(app, {"M1|S1|T1", "M2|S2|T2"});
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        // The new row is not stored: there is nothing to delete.
        click(form, "cmdDelete");
        arrow(form, "First");
        // No keeps the row; Yes removes it and shows the following row.
        dialogs.answers << Dialogs::Answer::No << Dialogs::Answer::Yes << Dialogs::Answer::Yes;
        click(form, "cmdDelete");
        QVERIFY(dialogs.messages[1].buttons == Dialogs::Buttons::YesNo &&
                dialogs.messages[1].defaultButton == Dialogs::Answer::No);
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record 1 of 2"));
        click(form, "cmdDelete");
        QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M2"));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record 1 of 1"));
        // Deleting the last row leaves no current row; a second Delete is reported.
        click(form, "cmdDelete");
        QVERIFY(!navigator(form)->hasCurrentRow());
        QCOMPARE(navigator(form)->caption(), QStringLiteral("No current record (0 stored)"));
        click(form, "cmdDelete");
        QCOMPARE(dialogs.texts(), QStringList({"No current record.", "Delete this record?", "Delete this record?",
                                               "Delete this record?", "No current record."}));
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);
    }

    void unusableDatabaseIsReported_data() {
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing") << true << "kelid.mdb";
        QTest::newRow("not a database") << false << "file is not a database";
    }

    void unusableDatabaseIsReported() {
        QFETCH(bool, missing);
        QFETCH(QString, error);
        TestAppFolder app(TestAppFolder::Data::None);
        if (!missing) {
            QFile f(app.livePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'x'));
        }
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages[0].text.contains(error), qPrintable(dialogs.messages[0].text));
        // Each action says the file is not open and changes nothing.
        for (const char* name : {"cmdAdd", "cmdSubmit", "cmdDelete"}) {
            dialogs.clear();
            click(form, name);
            QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("The database is not open.")});
        }
        QCOMPARE(QFileInfo(app.livePath()).size(), missing ? 0 : 4096);
    }

    void refusedRowStaysAsTypedUntilCorrected() {
        TestAppFolder app;
        insertRows(app, {"M1|S1|T1", "M2|S2|T2"});
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        const auto stored = [&] {
            return app.rows(QStringLiteral("SELECT Date, ReworkNum, OperatorNum FROM InspectionRecord ORDER BY InspectionID"));
        };
        arrow(form, "First");
        // Add and the arrows write a changed row first; the database refuses these.
        box(form, "txtReworkNumber")->setText(QStringLiteral("two"));
        click(form, "cmdAdd");
        QVERIFY(!navigator(form)->isNewRow());
        box(form, "txtReworkNumber")->setText(QStringLiteral("1"));
        // The date box takes a day that does not exist; the database refuses it.
        MaskedDateBox* date = dateBox(form, "MaskEdBox2");
        enter(date);
        date->selectAll();
        field(QStringLiteral("13452026"));
        arrow(form, "Next");
        QCOMPARE(dialogs.texts(),
                 QStringList({"Rework number: two is not a whole number.", "Prev Inspection Date: 13/45/2026 is not a date in the form mm/dd/yyyy"}));
        QCOMPARE(dialogs.messages[1].title, QStringLiteral("Varnex"));
        QCOMPARE(date->text(), QStringLiteral("13/45/2026"));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record 1 of 2"));
        QCOMPARE(stored(), QStringList({"2026-03-04|1|NULL", "2026-03-04|1|NULL"}));
        // Corrected, the move writes it.
        date->setText(QStringLiteral("12/25/2026"));
        enter(box(form, "txtOperatorNumber"));
        field(QStringLiteral("op4"));
        arrow(form, "Next");
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record 2 of 2"));
        QCOMPARE(app.rows(QStringLiteral("SELECT IDate, ReworkNum, OperatorNum FROM InspectionRecord ORDER BY InspectionID")),
                 QStringList({"2026-12-25|1|OP4", "NULL|1|NULL"}));
    }

    void closingShowsMainMenuAndDropsUnsubmittedRow() {
        TestAppFolder app;
        insertRows(app, {"M1|S1|T1"});
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        field(QStringLiteral("b"));
        field(QStringLiteral("m9"));
        form->window()->close();
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmDataEntry")));
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber FROM InspectionRecord")), QStringList{"M1"});
    }

    // After a defect the question; Yes keeps the unit and goes to the next
    // defect's part, No prepares the next unit. A pass goes straight on.
    void submitKeepsUnitForAnotherDefectOrNextUnit() {
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO Parts (partnum) VALUES ('P9'); INSERT INTO defects (defectcode) VALUES ('4'); "
                                "INSERT INTO location (locationcode) VALUES ('5')"));
        DataEntryForm* form = openNewUnit("m1", "s1", "t1");
        QVERIFY(form);
        QStringList whileAsked;
        dialogs.onMessage = [&](const Dialogs::Message&) {
            whileAsked << navigator(form)->caption() << box(form, "txtReworkNumber")->text() << focusName();
        };
        QTest::keyClick(focused(), Qt::Key_Tab);  // past Pass to the defect's boxes
        fields({"p9", "4", "5"});
        dialogs.answers << Dialogs::Answer::Yes << Dialogs::Answer::No;
        click(form, "cmdSubmit");  // Yes, another defect
        const Dialogs::Message& q = dialogs.messages.value(0);
        QCOMPARE(q.text, QStringLiteral("Do you have another defect?"));
        QVERIFY(q.buttons == Dialogs::Buttons::YesNo && q.icon == Dialogs::Icon::Question && q.defaultButton == Dialogs::Answer::No);
        // Another defect of the same unit, counted on; its part comes first.
        const auto unitBoxes = [&] {
            QStringList texts;
            for (const char* name : {"txtFacility", "txtModelNumber", "txtSerialNumber", "txtInspectorNumber", "MaskEdBox1",
                                     "txtStation", "txtPartNum", "txtDefectCode", "txtLocationCode", "MaskEdBox2",
                                     "txtReworkNumber"})
                texts << control(form, name)->displayText();
            return texts.join(QLatin1Char('|')) + QLatin1Char('|') + focusName();
        };
        QCOMPARE(unitBoxes(), QStringLiteral("A|M1|S1|E7|12/31/2026|T1|||||2|txtPartNum"));

        // The whole defect by keyboard.
        fields({"p9", "4", "5", "e2", "01022026", "op1", "01032026", "scratch"});
        pressEnter();  // Submit: No, the next unit
        QCOMPARE(whileAsked, QStringList({"Record 1 of 1", "1", "txtReworkNumber", "Record 2 of 2", "2", "txtReworkNumber"}));
        QCOMPARE(app.rows(QString::fromLatin1(kUnitColumns)),
                 QStringList({"A|M1|S1|E7|2026-12-31|T1|P9|4|5|NULL|NULL|NULL|NULL|1|NULL",
                              "A|M1|S1|E7|2026-12-31|T1|P9|4|5|E2|2026-01-02|OP1|2026-01-03|2|scratch"}));
        // The database recorded both rows as this program stored them.
        QCOMPARE(app.rows(QStringLiteral("SELECT RowKey, Action, Program FROM AuditEntries WHERE TableName = 'InspectionRecord' "
                                         "AND Action = 'insert' ORDER BY EntryID")),
                 app.rows(QStringLiteral("SELECT CAST(InspectionID AS TEXT), 'insert', '%1' FROM InspectionRecord ORDER BY InspectionID")
                              .arg(QCoreApplication::applicationName())));
        // The next unit: same facility, inspector, date and station.
        QCOMPARE(unitBoxes(), QStringLiteral("A|||E7|12/31/2026|T1|||||1|txtModelNumber"));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("New record (2 stored)"));

        // A pass asks nothing: the unit after it is prepared at once.
        field("m2");
        field("s2");
        click(form, "cmdPass");
        pressEnter();
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(app.rows(QString::fromLatin1(kUnitColumns)).value(2),
                 QStringLiteral("A|M2|S2|E7|2026-12-31|T1|001|1|1|NULL|NULL|NULL|NULL|1|NULL"));
        QCOMPARE(unitBoxes(), QStringLiteral("A|||E7|12/31/2026|T1|||||1|txtModelNumber"));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("New record (3 stored)"));

        // It needs only model and serial; an arrow writes it and shows it.
        field("m3");
        field("s3");
        arrow(form, "Next");
        QCOMPARE(app.rows(QString::fromLatin1(kUnitColumns)).value(3),
                 QStringLiteral("A|M3|S3|E7|2026-12-31|T1|NULL|NULL|NULL|NULL|NULL|NULL|NULL|1|NULL"));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record 4 of 4"));
        QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M3"));
    }

    void reworkNumbersCountUnitAtStationBeforeTheQuestion() {
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO defects (defectcode) VALUES ('4')"));
        DataEntryForm* form = openNewUnit("M1", "S1", "T1");
        QVERIFY(form);
        // Rows the navigator does not know about count too; one differing only in case does not.
        insertRows(app, {"m1|S1|T1", "M1|S1|T1"});
        // What another program reads while the question is up (as if this one were
        // killed then): the row with its number, committed.
        QStringList inFile;
        dialogs.onMessage = [&](const Dialogs::Message&) {
            inFile << app.rows(QStringLiteral("SELECT ReworkNum FROM InspectionRecord ORDER BY InspectionID")).join(QLatin1Char(','));
        };
        dialogs.answers << Dialogs::Answer::Yes << Dialogs::Answer::No;
        const auto defect = [&] {
            fields({"001", "4", "1"});
            click(form, "cmdSubmit");
        };
        QTest::keyClick(focused(), Qt::Key_Tab);  // past Pass
        defect();  // second row of M1/S1 at T1: Yes, the focus on its part
        defect();  // the third row of the same unit: No
        // The same unit at another station, passed; Tab into Station selects its text.
        fields({"M1", "S1", "", "", "T2"});
        pressEnter();  // Pass
        pressEnter();  // Submit
        QCOMPARE(inFile, QStringList({"1,1,2", "1,1,2,3"}));
        QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, SerialNum, Station, ReworkNum FROM InspectionRecord "
                                         "ORDER BY InspectionID")),
                 QStringList({"m1|S1|T1|1", "M1|S1|T1|1", "M1|S1|T1|2", "M1|S1|T1|3", "M1|S1|T2|1"}));
    }

    // On a server, a Submit waits while another station writes a row of the same
    // unit, and then counts that row: the two never both get rework number 1.
    void submitWaitsForAnotherStationsRowOfTheUnit() {
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        if (!app.isServer())
            QSKIP("the file engine's writers take turns on the whole file (tst_recordsubmission_pg)");
        DataEntryForm* form = openNewUnit("M1", "S1", "T1");
        QVERIFY(form);
        pressEnter();  // Pass
        QCOMPARE(whileAnotherStationHoldsM1(app, 1, [] { pressEnter(); }), 2);  // Submit
        QCOMPARE(app.rows(QStringLiteral("SELECT ReworkNum FROM InspectionRecord ORDER BY InspectionID")), QStringList({"1", "2"}));
    }

    void submitOnExistingRowStoresEditsAndRecounts() {
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        insertRows(app, {"M1|S1|T1", "M1|S1|T1"}, QStringLiteral("B"));
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        auto* notes = control<QPlainTextEdit>(form, "txtNotes");
        arrow(form, "First");
        // A typo fixed in the unit's first row keeps it the first inspection; the
        // second row, stored as 1, is counted again. Neither is asked about.
        enter(notes);
        field("fixed");
        pressEnter();  // Submit
        arrow(form, "Last");
        enter(notes);
        field("rechecked");
        pressEnter();
        QCOMPARE(app.rows(QStringLiteral("SELECT ReworkNum, Notes FROM InspectionRecord ORDER BY InspectionID")),
                 QStringList({"1|fixed", "2|rechecked"}));
        QVERIFY(dialogs.messages.isEmpty());
        // Then a new row for the next unit, as after any Submit.
        QCOMPARE(navigator(form)->caption(), QStringLiteral("New record (2 stored)"));
        QCOMPARE(box(form, "txtFacility")->text() + box(form, "txtStation")->text(), QStringLiteral("BT1"));
        QCOMPARE(dateBox(form, "MaskEdBox1")->value().toDate(), QDate(2026, 3, 4));
    }

    // A stored row's unit changes only on a Yes to a question that names the
    // stored inspection; No keeps the row and the typing, which Add then takes
    // to a new row. Corrections of the other boxes are stored unasked.
    void changingStoredUnitAsksFirst() {
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, "
                                "PartNum, DefectCode, LocationCode, ReworkNum) VALUES ('A', 'VX-200', 'A26-000001', 'E1', "
                                "'2026-01-02', 'ELEC', '001', '1', '1', 1)"));
        insertRows(app, {"M2|S2|T1"});
        const QString question =
            QStringLiteral("Record 1 is the inspection of VX-200 A26-000001 at ELEC on 01/02/2026. Change the stored record?");
        const auto stored = [&] { return app.rows(QString::fromLatin1(kUnitColumns)); };
        const QStringList before = stored();
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        arrow(form, "First");
        // Typed over as if it were the next unit: the arrow asks, No stays on the row.
        enter(box(form, "txtSerialNumber"));
        QTest::keyClicks(focused(), QStringLiteral("a26-000002"));
        arrow(form, "Next");
        QCOMPARE(dialogs.texts(), QStringList{question});
        QCOMPARE(dialogs.messages[0].defaultButton, Dialogs::Answer::No);
        QCOMPARE(navigator(form)->caption() + box(form, "txtSerialNumber")->text(), QStringLiteral("Record 1 of 2A26-000002"));
        // Pass and Submit ask too; No stores nothing.
        click(form, "cmdPass");
        click(form, "cmdSubmit");
        QCOMPARE(dialogs.texts(), QStringList({question, question}));
        QCOMPARE(stored(), before);
        // Add takes the typing to a new row, asking nothing more.
        click(form, "cmdAdd");
        QCOMPARE(navigator(form)->caption(), QStringLiteral("New record (2 stored)"));
        QCOMPARE(box(form, "txtModelNumber")->text() + box(form, "txtSerialNumber")->text(), QStringLiteral("VX-200A26-000002"));
        click(form, "cmdSubmit");
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(stored(), before + QStringList{"A|VX-200|A26-000002|E1|2026-01-02|ELEC|001|1|1|NULL|NULL|NULL|NULL|1|NULL"});

        // A note corrected is stored as the row is left, unasked; a station
        // changed is stored on Yes.
        arrow(form, "First");
        enter(control<QPlainTextEdit>(form, "txtNotes"));
        QTest::keyClicks(focused(), QStringLiteral("rechecked"));
        arrow(form, "Next");
        QCOMPARE(dialogs.messages.size(), 2);
        arrow(form, "First");
        enter(box(form, "txtStation"));
        QTest::keyClicks(focused(), QStringLiteral("final"));
        dialogs.answers << Dialogs::Answer::Yes;
        arrow(form, "Next");
        QCOMPARE(dialogs.texts(), QStringList({question, question, question}));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record 2 of 3"));
        QCOMPARE(stored().value(0), QStringLiteral("A|VX-200|A26-000001|E1|2026-01-02|FINAL|001|1|1|NULL|NULL|NULL|NULL|1|rechecked"));
        QCOMPARE(stored().mid(1), before.mid(1) + QStringList{"A|VX-200|A26-000002|E1|2026-01-02|ELEC|001|1|1|NULL|NULL|NULL|NULL|1|NULL"});
    }

    // A row moved to another unit, on the data entry screen or in the
    // inspection grid, numbers both units' rows again in InspectionID order.
    void movingRowRenumbersBothUnits() {
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        insertRows(app, {"M1|S1|T1", "M1|S2|T1", "M1|S1|T1", "M1|S2|T1", "M1|S1|T1"});
        app.exec(QStringLiteral("UPDATE InspectionRecord SET ReworkNum = (SELECT count(*) FROM InspectionRecord r WHERE "
                                "r.SerialNum = InspectionRecord.SerialNum AND r.InspectionID <= InspectionRecord.InspectionID)"));
        const auto numbers = [&] {
            return app.rows(QStringLiteral("SELECT SerialNum, ReworkNum FROM InspectionRecord ORDER BY InspectionID"));
        };
        QCOMPARE(numbers(), QStringList({"S1|1", "S2|1", "S1|2", "S2|2", "S1|3"}));
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        arrow(form, "First");
        arrow(form, "Next");
        arrow(form, "Next");
        enter(box(form, "txtSerialNumber"));
        QTest::keyClicks(focused(), QStringLiteral("S2"));
        dialogs.answers << Dialogs::Answer::Yes;
        click(form, "cmdSubmit");
        QCOMPARE(numbers(), QStringList({"S1|1", "S2|1", "S2|2", "S2|3", "S1|2"}));
        unloadAllForms();

        // Back in the grid (lines in unit order: rows 1, 5, 2, 3, 4).
        auto* grid = showFormAs<TableBrowser>(QStringLiteral("tblInspection"));
        QVERIFY(grid);
        grid->grid()->setCurrentIndex(grid->gridModel()->index(3, 3));
        QCOMPARE(grid->recordSet()->value(QStringLiteral("InspectionID")).toInt(), 3);
        grid->gridModel()->setData(grid->gridModel()->index(3, 3), QStringLiteral("s1"));
        grid->grid()->setCurrentIndex(grid->gridModel()->index(0, 3));
        QCOMPARE(numbers(), QStringList({"S1|1", "S2|1", "S1|2", "S2|2", "S1|3"}));
        QStringList shown;
        for (int line = 0; line < 5; ++line)
            shown << grid->gridModel()->index(line, 14).data().toString();
        QCOMPARE(shown, QStringList({"1", "3", "1", "2", "2"}));
        QVERIFY(dialogs.messages.size() == 1);
    }

    // On a server a row moved to another unit waits for a station writing a
    // row of the unit it leaves, and numbers that row too.
    void unitChangeWaitsForTheUnitItLeaves() {
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        if (!app.isServer())
            QSKIP("the file engine's writers take turns on the whole file (tst_recordsubmission_pg)");
        insertRows(app, {"M1|S1|T1", "M1|S1|T1"});
        app.exec(QStringLiteral("UPDATE InspectionRecord SET ReworkNum = InspectionID"));
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        arrow(form, "First");
        enter(box(form, "txtSerialNumber"));
        QTest::keyClicks(focused(), QStringLiteral("S2"));
        dialogs.answers << Dialogs::Answer::Yes;
        QCOMPARE(whileAnotherStationHoldsM1(app, 3, [&] { click(form, "cmdSubmit"); }), 2);
        QCOMPARE(app.rows(QStringLiteral("SELECT SerialNum, ReworkNum FROM InspectionRecord ORDER BY InspectionID")),
                 QStringList({"S2|1", "S1|1", "S1|2"}));
    }

    void refusedInputAsksNothingAndKeepsBoxes_data() {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("good");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("stored");  // the corrected field as stored
        QTest::newRow("february 30") << "MaskEdBox1" << "02302026" << "02282026"
                                     << "Date: 02/30/2026 is not a date in the form mm/dd/yyyy" << "Date|2026-02-28";
        QTest::newRow("two-letter facility") << "txtFacility" << "AB" << "A" << "Facility: AB is more than one character."
                                             << "Facility|A";
    }

    void refusedInputAsksNothingAndKeepsBoxes() {
        QFETCH(QString, boxName);
        QFETCH(QString, bad);
        QFETCH(QString, good);
        QFETCH(QString, refusal);
        QFETCH(QString, stored);
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        DataEntryForm* form = openNewUnit("M1", "S1", "T1");
        QVERIFY(form);
        auto* target = form->findChild<QLineEdit*>(boxName);
        if (boxName == QLatin1String("txtFacility"))
            target->setMaxLength(2);  // a facility that got past the box
        const auto type = [&](const QString& text) {
            enter(target);
            target->setCursorPosition(0);
            QTest::keyClicks(target, text);
        };
        type(bad);
        click(form, "cmdPass");
        click(form, "cmdSubmit");
        QCOMPARE(dialogs.texts(), QStringList{refusal});
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);
        QVERIFY(refusal.contains(target->displayText()));
        QCOMPARE(box(form, "txtModelNumber")->text() + box(form, "txtPartNum")->text(), QStringLiteral("M1001"));
        QVERIFY(navigator(form)->isNewRow());

        // Corrected, one Submit stores the row once (a pass, asked nothing).
        type(good);
        click(form, "cmdSubmit");
        QCOMPARE(dialogs.messages.size(), 1);
        const QString column = stored.section(QLatin1Char('|'), 0, 0);
        QCOMPARE(app.rows(QStringLiteral("SELECT %1, ReworkNum FROM InspectionRecord").arg(column)),
                 QStringList{stored.section(QLatin1Char('|'), 1) + QStringLiteral("|1")});
    }

    void refusedSubmitStoresNothing() {
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        insertRows(app, {"M0|S0|T0"});
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        // Typed after the only row was deleted: there is no row to store it in.
        arrow(form, "First");
        dialogs.answers << Dialogs::Answer::Yes;
        click(form, "cmdDelete");
        dialogs.clear();
        box(form, "txtModelNumber")->setText(QStringLiteral("M1"));
        click(form, "cmdSubmit");
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("No current record.")});
        if (app.isServer())
            return;  // a server has no lock on the whole database to hold

        // Another program is writing to the file: the row cannot be stored, so no question.
        dialogs.clear();
        click(form, "cmdAdd");
        for (const char* name : {"txtModelNumber", "txtSerialNumber", "txtStation"})
            box(form, name)->setText(QStringLiteral("M1"));
        click(form, "cmdPass");
        Database other;
        QVERIFY(other.open(app.livePath()));
        QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        click(form, "cmdSubmit");
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("database is locked")});
        QVERIFY(navigator(form)->isNewRow());
        QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
        QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);
        // Submit Record again stores the row once, with its number (a pass: no question).
        click(form, "cmdSubmit");
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, ReworkNum FROM InspectionRecord")), QStringList{"M1|1"});
    }

    void preparedRowIsNeverStoredAsItIs_data() {
        QTest::addColumn<bool>("anotherDefect");
        QTest::addColumn<QString>("then");
        QTest::newRow("No, Next") << false << "Next";
        QTest::newRow("Yes, Previous") << true << "Previous";
        QTest::newRow("Yes, Add") << true << "cmdAdd";
    }

    void preparedRowIsNeverStoredAsItIs() {
        QFETCH(bool, anotherDefect);
        QFETCH(QString, then);
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        insertRows(app, {"M0|S0|T1"});
        app.exec(QStringLiteral("INSERT INTO defects (defectcode) VALUES ('4')"));
        DataEntryForm* form = openNewUnit("M1", "S1", "T1");
        QVERIFY(form);
        QTest::keyClick(focused(), Qt::Key_Tab);  // past Pass: a defect
        fields({"001", "4", "1"});
        dialogs.answers.enqueue(anotherDefect ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        click(form, "cmdSubmit");
        // The prepared row holds only what the program kept: nothing is stored.
        if (then == QLatin1String("cmdAdd"))
            click(form, "cmdAdd");
        else
            arrow(form, qPrintable(then));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, SerialNum, PartNum FROM InspectionRecord ORDER BY InspectionID")),
                 QStringList({"M0|S0|001", "M1|S1|001"}));
        if (then == QLatin1String("Next"))
            QCOMPARE(navigator(form)->caption() + box(form, "txtModelNumber")->text(), QStringLiteral("Record 2 of 2M1"));
    }

    void programFocusMovesUpperCaseInInactiveWindow() {
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO defects (defectcode) VALUES ('4')"));
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        // Another window is active, as just after a message box closed: Qt sends
        // no focus events to the screen, yet a box the program leaves is upper-cased.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        box(form, "txtFacility")->setText(QStringLiteral("a"));
        box(form, "txtModelNumber")->setText(QStringLiteral("m1"));
        form->pass();
        box(form, "txtDefectCode")->setText(QStringLiteral("4"));  // a defect, not a pass
        dialogs.answers.enqueue(Dialogs::Answer::Yes);
        form->submit();
        QCOMPARE(app.rows(QStringLiteral("SELECT Facility, ModelNumber FROM InspectionRecord")), QStringList{"A|m1"});
        // The model was given the focus and left again (the facility when Pass took it).
        QCOMPARE(box(form, "txtFacility")->text() + box(form, "txtModelNumber")->text(), QStringLiteral("AM1"));
    }

    void unknownCodesAskOnceBeforeStoring_data() {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("defect");
        QTest::addColumn<int>("answer");  // to the first question
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QString>("stored");  // model and defect code stored, or nothing
        QTest::newRow("known") << "m1" << "scr" << int(Dialogs::Answer::No) << "Do you have another defect?" << 1 << "M1|SCR";
        QTest::newRow("unknown, stored") << "m1" << "src" << int(Dialogs::Answer::Yes)
                                         << "Defect code SRC is not in the defect table. Store the record anyway?" << 2 << "M1|SRC";
        QTest::newRow("two unknown, refused")
            << "m9" << "src" << int(Dialogs::Answer::No)
            << "Model number M9 is not in the model table.\nDefect code SRC is not in the defect table. Store the record anyway?"
            << 1 << "";
    }

    void unknownCodesAskOnceBeforeStoring() {
        QFETCH(QString, model);
        QFETCH(QString, defect);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(int, asked);
        QFETCH(QString, stored);
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO Model (ModelNumber) VALUES ('M1'); INSERT INTO Station (StationID) VALUES "
                                "('T1'); INSERT INTO Employees (EmployeeNum) VALUES ('E7'); INSERT INTO defects "
                                "(defectcode) VALUES ('SCR')"));
        DataEntryForm* form = openNewUnit(model, "s1", "t1");
        QVERIFY(form);
        QTest::keyClick(focused(), Qt::Key_Tab);  // past Pass
        fields({QStringLiteral("001"), defect, QStringLiteral("1")});
        dialogs.answers << Dialogs::Answer(answer) << Dialogs::Answer::No;
        click(form, "cmdSubmit");
        QCOMPARE(dialogs.texts().value(0), question);
        QCOMPARE(dialogs.messages.size(), asked);
        QVERIFY(dialogs.messages[0].buttons == Dialogs::Buttons::YesNo && dialogs.messages[0].defaultButton == Dialogs::Answer::No);
        QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, DefectCode FROM InspectionRecord")),
                 stored.isEmpty() ? QStringList() : QStringList{stored});
        if (stored.isEmpty()) {
            // Refused: the row stays as typed, the focus on the first unknown code.
            QVERIFY(navigator(form)->isNewRow());
            QCOMPARE(focusName() + box(form, "txtDefectCode")->text(), QStringLiteral("txtModelNumberSRC"));
        }
    }

    void codeBoxesCompleteFromTheirTables() {
        Dialogs::Scripted dialogs;
        TestAppFolder app(TestAppFolder::Data::Demo);
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        const char* const cases[][3] = {{"txtStation", "as", "ASM1"}, {"txtOperatorNumber", "210", "2101"}};
        for (const auto& c : cases) {
            QCompleter* completer = box(form, c[0])->completer();
            completer->setCompletionPrefix(QString::fromLatin1(c[1]));
            QCOMPARE(completer->currentCompletion(), QString::fromLatin1(c[2]));
        }
        // Typing offers the list and does not count as leaving the box; Tab
        // closes the list and leaves the box as usual.
        TextBox* model = box(form, "txtModelNumber");
        enter(model);
        QTest::keyClicks(model, QStringLiteral("vx"));
        QTRY_VERIFY(model->completer()->popup()->isVisible());
        QCOMPARE(model->text(), QStringLiteral("vx"));
        QTest::keyClick(model, Qt::Key_Tab);
        QVERIFY(!model->completer()->popup()->isVisible());
        QCOMPARE(model->text() + focusName(), QStringLiteral("VXtxtSerialNumber"));
    }

    // Dates read and shown in this computer's order (the locale's, or the one
    // varnex.conf names), stored as ISO: a stored row, its date retyped over
    // the mask, and a new unit on the submit road.
    void datesReadBackAsStoredInAnyLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("conf");
        QTest::addColumn<QString>("stored");   // 2 January and 12 November 2026 as shown
        QTest::addColumn<QString>("retyped");  // 8 December 2026 typed over 12 November
        QTest::addColumn<QString>("typed");    // 7 December 2026 typed for a new unit
        QTest::addColumn<QString>("kept");     // 7 December shown for the next unit
        QTest::newRow("en_US") << "en_US" << "" << "01/02/2026 11/12/2026" << "12082026" << "12072026" << "12/07/2026";
        QTest::newRow("en_GB") << "en_GB" << "" << "02/01/2026 12/11/2026" << "08122026" << "07122026" << "07/12/2026";
        QTest::newRow("en_US, date order = ymd") << "en_US" << "date order = ymd" << "2026/01/02 2026/11/12" << "20261208"
                                                 << "20261207" << "2026/12/07";
    }
    void datesReadBackAsStoredInAnyLocale() {
        QFETCH(QString, locale);
        QFETCH(QString, conf);
        QFETCH(QString, stored);
        QFETCH(QString, retyped);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QLocale::setDefault(QLocale(locale));
        struct Restore {
            ~Restore() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
        } restore;
        Dialogs::Scripted dialogs;
        TestAppFolder app;
        QFile settings(app.file(QStringLiteral("varnex.conf")));  // on a server it names the server too
        QVERIFY(settings.open(QIODevice::Append));
        settings.write(QStringLiteral("\n%1\n").arg(conf).toUtf8());
        settings.close();
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, IDate) "
                                "VALUES ('A', 'M0', 'S0', '2026-01-02', 'T1', '2026-11-12')"));
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        arrow(form, "First");
        QCOMPARE(dateBox(form, "MaskEdBox1")->text() + QLatin1Char(' ') + dateBox(form, "MaskEdBox2")->text(), stored);
        // The stored date keeps its mask: eight digits typed over it are a date.
        enter(dateBox(form, "MaskEdBox2"), false);
        dateBox(form, "MaskEdBox2")->setCursorPosition(0);
        QTest::keyClicks(focused(), retyped);
        enter(control<QPlainTextEdit>(form, "txtNotes"));
        QTest::keyClicks(focused(), QStringLiteral("seen"));
        // The submit road: typed in the order, kept for the next unit, stored the same.
        click(form, "cmdAdd");
        fields({"a", "M1", "S1", "e7", typed, "T1"});
        pressEnter();  // Pass
        pressEnter();  // Submit, asked nothing
        QCOMPARE(dateBox(form, "MaskEdBox1")->text(), kept);
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(app.rows(QStringLiteral("SELECT Date, IDate, Notes FROM InspectionRecord ORDER BY InspectionID")),
                 QStringList({"2026-01-02|2026-12-08|seen", "2026-12-07|NULL|NULL"}));
    }

    void countComparesExactlyUpToTheLimit() {
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (ModelNumber, SerialNum, Station) VALUES ('M1', 'S1', 'T1'), "
                                "('m1', 'S1', 'T1'), ('M1 ', 'S1', 'T1'), ('M1', 'S1', ' T1'), ('M1', 'S1', 'T2'), "
                                "('M1', 'S1', 'T1'), ('', 'S1', 'T1'), (NULL, 'S1', 'T1')"));
        Database db;
        QVERIFY(db.open(app.database()));
        auto count = [&](const char* model, const char* station, qint64 upTo = 100) {
            int n = -1;
            const Status s = ReworkCounter::count(db, InspectedUnit{model, "S1", station}, upTo, &n);
            return s.isOk() ? n : -1;
        };
        // The unit's rows up to a row; case and blanks count; an empty field
        // matches neither '' nor no value.
        QCOMPARE(QList<int>({count("M1", "T1", 1), count("M1", "T1", 5), count("M1", "T1"), count("m1", "T1"),
                             count("M1 ", "T1"), count("M1", "T2"), count("M1", "T3"), count("", "T1")}),
                 QList<int>({1, 1, 2, 1, 1, 1, 0, 0}));
        // Numbers stop at the 16-bit limit; a count that fails says so.
        app.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32769) "
                                "INSERT INTO InspectionRecord (ModelNumber, SerialNum, Station) SELECT 'M9', 'S1', 'T1' FROM n"));
        QCOMPARE(count("M9", "T1", 40000), 32767);
        int n = 5;
        Database closed;
        QVERIFY(!ReworkCounter::count(closed, InspectedUnit{"M1", "S1", "T1"}, 1, &n).isOk());
        QCOMPARE(n, 0);
    }
};

QTEST_MAIN(TestRecordSubmission)
#include "tst_recordsubmission.moc"
