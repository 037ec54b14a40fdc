// Pass and Submit Record: the row that lands in the file, its rework number,
// the question and what the screen holds after each answer, refused input,
// and the road of one inspection result from the main menu.
#include <QAbstractItemView>
#include <QCompleter>
#include <QMdiSubWindow>
#include <QToolButton>

#include "DataEntryTestSupport.h"
#include "database/Schema.h"
#include "platform/Dialogs.h"
#include "shell/Application.h"
#include "shell/FormCatalog.h"

using namespace DataEntryTest;

namespace {

QWidget* focused() { return QApplication::focusWidget(); }
QString focusName() { return focused() ? focused()->objectName() : QStringLiteral("(none)"); }

// Types into the box that has the focus and leaves it with Tab.
void field(const QString& text) {
    QTest::keyClicks(focused(), text);
    QTest::keyClick(focused(), Qt::Key_Tab);
}
void pressEnter() { QTest::keyClick(focused(), Qt::Key_Return); }

// Facility to Station of a new row, by keyboard from the Facility box; the
// focus ends on Pass.
void typeUnit(const QString& facility, const QString& model, const QString& serial, const QString& inspector,
              const QString& dateDigits, const QString& station) {
    for (const QString& t : {facility, model, serial, inspector, dateDigits, station})
        field(t);
}

// Opens the screen, begins a row with Add and types a unit into it (facility a,
// inspector e7); the focus ends on Pass. Null when the screen did not open.
DataEntryForm* openNewUnit(const QString& model, const QString& serial, const QString& dateDigits, const QString& station) {
    DataEntryForm* form = openScreen();
    if (!form)
        return nullptr;
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    typeUnit(QStringLiteral("a"), model, serial, QStringLiteral("e7"), dateDigits, station);
    return form;
}

const char* const kUnitColumns =
    "SELECT Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, DefectCode, LocationCode, InspNum, "
    "IDate, OperatorNum, ODate, ReworkNum, Notes FROM InspectionRecord ORDER BY InspectionID";

}  // namespace

class TestRecordSubmission : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { unloadAllForms(); }

    void submitAnsweredNoPreparesNextUnit();
    void submitAnsweredYesPreparesAnotherDefect();
    void reworkNumbersCountUnitAtStation();
    void submitOnExistingRowStoresEditsAndRecounts();
    void refusedInputAsksNothingAndKeepsBoxes_data();
    void refusedInputAsksNothingAndKeepsBoxes();
    void submitWithNoCurrentRowIsReported();
    void reworkNumberIsStoredWithRowBeforeQuestion();
    void refusedSubmitStoresNeitherRowNorNumber();
    void preparedRowIsNeverStoredAsItIs_data();
    void preparedRowIsNeverStoredAsItIs();
    void typedNewRowIsWrittenAndShownOnNext();
    void programFocusMovesUpperCaseInInactiveWindow();
    void unknownCodesAskOnceBeforeStoring_data();
    void unknownCodesAskOnceBeforeStoring();
    void codeBoxesCompleteFromTheirTables();
    void datesReadBackAsStoredInEveryLocale_data();
    void datesReadBackAsStoredInEveryLocale();
    void countComparesExactly();
    void countIsServedByIndex();
    void countStopsAtSixteenBitLimit();
    void countFailureIsReportedToCaller();
    void roadFromMainMenu();
};

void TestRecordSubmission::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    registerAllForms();
    Application::setQuitHandler([] {});
}

void TestRecordSubmission::submitAnsweredNoPreparesNextUnit() {
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    DataEntryForm* form = openNewUnit("m1", "s1", "12312026", "t1");
    QVERIFY(form);
    QCOMPARE(focusName(), QStringLiteral("cmdPass"));
    pressEnter();  // Pass fills the pass values and goes to Submit
    QCOMPARE(focusName(), QStringLiteral("cmdSubmit"));
    QStringList whileAsked;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        whileAsked << navigator(form)->caption() << box(form, "txtReworkNumber")->text() << focusName()
                   << box(form, "txtModelNumber")->text();
    };
    dialogs.answers.enqueue(Dialogs::Answer::No);
    pressEnter();  // Submit Record

    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Do you have another defect?")});
    const Dialogs::Message& q = dialogs.messages[0];
    QVERIFY(q.buttons == Dialogs::Buttons::YesNo && q.icon == Dialogs::Icon::Critical && q.title.isEmpty() &&
            q.defaultButton == Dialogs::Answer::No);
    // While the question is up the stored row is current, with its count.
    QCOMPARE(whileAsked, QStringList({"Record: 1 of  1", "1", "txtReworkNumber", "M1"}));

    QCOMPARE(app.rows(QString::fromLatin1(kUnitColumns)),
             QStringList{"A|M1|S1|E7|2026-12-31|T1|001|1|1|NULL|NULL|NULL|NULL|1|NULL"});
    // The next unit: same facility, inspector, date and station.
    QCOMPARE(box(form, "txtFacility")->text(), QStringLiteral("A"));
    QCOMPARE(box(form, "txtModelNumber")->text(), QString());
    QCOMPARE(box(form, "txtSerialNumber")->text(), QString());
    QCOMPARE(box(form, "txtInspectorNumber")->text(), QStringLiteral("E7"));
    QCOMPARE(dateBox(form, "MaskEdBox1")->value().toDate(), QDate(2026, 12, 31));
    QCOMPARE(dateBox(form, "MaskEdBox1")->text(), QStringLiteral("12/31/2026"));
    QCOMPARE(box(form, "txtStation")->text(), QStringLiteral("T1"));
    for (const char* name : {"txtPartNum", "txtDefectCode", "txtLocationCode", "txtpreviousinspector",
                             "txtOperatorNumber"})
        QVERIFY2(box(form, name)->text().isEmpty(), name);
    QCOMPARE(control<QPlainTextEdit>(form, "txtNotes")->toPlainText(), QString());
    for (const char* name : {"MaskEdBox2", "MaskEdBox3"}) {
        QCOMPARE(dateBox(form, name)->displayText(), QStringLiteral("__/__/____"));
        QCOMPARE(dateBox(form, name)->inputPattern(), QStringLiteral("##/##/####"));
    }
    QCOMPARE(box(form, "txtReworkNumber")->text(), QStringLiteral("1"));
    QCOMPARE(focusName(), QStringLiteral("txtModelNumber"));
    QVERIFY(navigator(form)->isNewRow());
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  1"));
    // Nothing of the prepared row is stored yet.
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 1);

    // The next unit needs only model and serial.
    field("m2");
    field("s2");
    QCOMPARE(focusName(), QStringLiteral("txtInspectorNumber"));
    QTest::mouseClick(button(form, "cmdPass"), Qt::LeftButton);
    QTest::mouseClick(button(form, "cmdSubmit"), Qt::LeftButton);
    QCOMPARE(app.rows(QString::fromLatin1(kUnitColumns)).value(1),
             QStringLiteral("A|M2|S2|E7|2026-12-31|T1|001|1|1|NULL|NULL|NULL|NULL|1|NULL"));
}

void TestRecordSubmission::submitAnsweredYesPreparesAnotherDefect() {
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    app.exec(QStringLiteral("INSERT INTO Parts (partnum) VALUES ('P7'), ('P9'); INSERT INTO defects (defectcode) VALUES "
                            "('3'), ('4'); INSERT INTO location (locationcode) VALUES ('2'), ('5')"));
    DataEntryForm* form = openNewUnit("m1", "s1", "12312026", "t1");
    QVERIFY(form);
    QTest::keyClick(focused(), Qt::Key_Tab);  // past Pass to PartNumber
    field("p7");
    field("3");
    field("2");
    dialogs.answers.enqueue(Dialogs::Answer::Yes);
    QTest::mouseClick(button(form, "cmdSubmit"), Qt::LeftButton);
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Do you have another defect?")});
    QCOMPARE(app.rows(QString::fromLatin1(kUnitColumns)),
             QStringList{"A|M1|S1|E7|2026-12-31|T1|P7|3|2|NULL|NULL|NULL|NULL|1|NULL"});

    // Another defect of the same unit.
    QCOMPARE(box(form, "txtFacility")->text(), QStringLiteral("A"));
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(box(form, "txtSerialNumber")->text(), QStringLiteral("S1"));
    QCOMPARE(box(form, "txtInspectorNumber")->text(), QStringLiteral("E7"));
    QCOMPARE(dateBox(form, "MaskEdBox1")->value().toDate(), QDate(2026, 12, 31));
    QCOMPARE(box(form, "txtStation")->text(), QStringLiteral("T1"));
    for (const char* name : {"txtPartNum", "txtDefectCode", "txtLocationCode", "txtpreviousinspector",
                             "txtOperatorNumber"})
        QVERIFY2(box(form, name)->text().isEmpty(), name);
    for (const char* name : {"MaskEdBox2", "MaskEdBox3"})
        QCOMPARE(dateBox(form, name)->displayText(), QStringLiteral("__/__/____"));
    QCOMPARE(box(form, "txtReworkNumber")->text(), QStringLiteral("2"));
    QCOMPARE(focusName(), QStringLiteral("cmdPass"));
    QVERIFY(navigator(form)->isNewRow());

    // Tab from Pass leads to the defect's boxes; the whole defect by keyboard.
    QTest::keyClick(focused(), Qt::Key_Tab);
    QCOMPARE(focusName(), QStringLiteral("txtPartNum"));
    field("p9");
    field("4");
    field("5");
    field("e2");
    field("01022026");
    field("op1");
    field("01032026");
    field("scratch");
    QCOMPARE(focusName(), QStringLiteral("cmdSubmit"));
    dialogs.answers.enqueue(Dialogs::Answer::No);
    pressEnter();
    QCOMPARE(app.rows(QString::fromLatin1(kUnitColumns)),
             QStringList({"A|M1|S1|E7|2026-12-31|T1|P7|3|2|NULL|NULL|NULL|NULL|1|NULL",
                          "A|M1|S1|E7|2026-12-31|T1|P9|4|5|E2|2026-01-02|OP1|2026-01-03|2|scratch"}));
}

void TestRecordSubmission::reworkNumbersCountUnitAtStation() {
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    DataEntryForm* form = openNewUnit("M1", "S1", "12312026", "T1");
    QVERIFY(form);
    // Rows the navigator does not know about count too; one differing only in case does not.
    insertRow(app, QStringLiteral("m1"), QStringLiteral("S1"), QStringLiteral("T1"));
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    dialogs.answers << Dialogs::Answer::Yes << Dialogs::Answer::No << Dialogs::Answer::No;
    pressEnter();  // Pass
    pressEnter();  // Submit: second row of M1/S1 at T1
    QCOMPARE(focusName(), QStringLiteral("cmdPass"));
    pressEnter();  // Pass
    pressEnter();  // Submit: the third row of the same unit
    QCOMPARE(box(form, "txtReworkNumber")->text(), QStringLiteral("1"));
    // The same unit at another station.
    field("M1");
    field("S1");
    field("");     // inspector kept
    field("");     // date kept
    field("T2");   // Tab into Station selects its text: typing replaces it
    pressEnter();  // Pass
    pressEnter();  // Submit
    QCOMPARE(dialogs.messages.size(), 3);
    QCOMPARE(navigator(form)->recordCount(), 3);
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, SerialNum, Station, ReworkNum FROM InspectionRecord "
                                     "ORDER BY InspectionID")),
             QStringList({"m1|S1|T1|1", "M1|S1|T1|1", "M1|S1|T1|2", "M1|S1|T1|3", "M1|S1|T2|1"}));
}

void TestRecordSubmission::submitOnExistingRowStoresEditsAndRecounts() {
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"), QStringLiteral("B"));
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"), QStringLiteral("B"), 1);
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    auto* notes = control<QPlainTextEdit>(form, "txtNotes");
    QStringList whileAsked;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        whileAsked << navigator(form)->caption() << box(form, "txtReworkNumber")->text();
    };
    // A typo fixed in the unit's first row: it stays the first inspection.
    notes->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(notes));
    field("fixed");
    pressEnter();  // Submit, answered No by default
    // The second row, stored as 1, is counted again.
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Last")), Qt::LeftButton);
    notes->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(notes));
    field("rechecked");
    QCOMPARE(focusName(), QStringLiteral("cmdSubmit"));
    pressEnter();
    QCOMPARE(whileAsked, QStringList({"Record: 1 of  2", "1", "Record: 2 of  2", "2"}));
    QCOMPARE(app.rows(QStringLiteral("SELECT ReworkNum, Notes FROM InspectionRecord ORDER BY InspectionID")),
             QStringList({"1|fixed", "2|rechecked"}));
    // Then a new row for the next unit, as after any Submit.
    QVERIFY(navigator(form)->isNewRow());
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  2"));
    QCOMPARE(box(form, "txtFacility")->text(), QStringLiteral("B"));
    QCOMPARE(box(form, "txtStation")->text(), QStringLiteral("T1"));
    QCOMPARE(dateBox(form, "MaskEdBox1")->value().toDate(), QDate(2026, 3, 4));
    QCOMPARE(focusName(), QStringLiteral("txtModelNumber"));
}

void TestRecordSubmission::refusedInputAsksNothingAndKeepsBoxes_data() {
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QString>("shown");  // what the box holds after the refusal
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("stored");  // the corrected field as stored
    QTest::newRow("impossible date") << "MaskEdBox1" << "13452026" << "13/45/2026" << "12312026"
                                     << "Date: 13/45/2026 is not a real date." << "2026-12-31";
    QTest::newRow("february 30") << "MaskEdBox1" << "02302026" << "02/30/2026" << "02282026"
                                 << "Date: 02/30/2026 is not a real date." << "2026-02-28";
    QTest::newRow("previous inspection date") << "MaskEdBox2" << "99992026" << "99/99/2026" << "01022026"
                                              << "Prev Inspection Date: 99/99/2026 is not a real date." << "2026-01-02";
    QTest::newRow("rework not a number") << "txtReworkNumber" << "x1" << "x1" << "" << "Rework number: x1 is not a whole number." << "";
    QTest::newRow("two-letter facility") << "txtFacility" << "AB" << "AB" << "A" << "Facility: AB is more than one character."
                                         << "A";
}

void TestRecordSubmission::refusedInputAsksNothingAndKeepsBoxes() {
    QFETCH(QString, boxName);
    QFETCH(QString, bad);
    QFETCH(QString, shown);
    QFETCH(QString, good);
    QFETCH(QString, description);
    QFETCH(QString, stored);
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    DataEntryForm* form = openNewUnit("M1", "S1", "12312026", "T1");
    QVERIFY(form);
    auto* target = form->findChild<QLineEdit*>(boxName);
    QVERIFY(target);
    if (boxName == QLatin1String("txtFacility"))
        target->setMaxLength(2);  // a facility that got past the box
    target->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(target));
    target->selectAll();
    target->del();
    target->setCursorPosition(0);
    QTest::keyClicks(target, bad);
    QTest::mouseClick(button(form, "cmdPass"), Qt::LeftButton);
    QTest::mouseClick(button(form, "cmdSubmit"), Qt::LeftButton);

    QCOMPARE(dialogs.texts(), QStringList{description});
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);
    QCOMPARE(target->displayText(), shown);
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(box(form, "txtPartNum")->text(), QStringLiteral("001"));
    QVERIFY(navigator(form)->isNewRow());

    // Corrected, one Submit stores the row once.
    target->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(target));
    target->selectAll();
    target->del();
    target->setCursorPosition(0);
    QTest::keyClicks(target, good);
    QTest::mouseClick(button(form, "cmdSubmit"), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 2);
    QCOMPARE(dialogs.messages[1].text, QStringLiteral("Do you have another defect?"));
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 1);
    const QString column = boxName == QLatin1String("MaskEdBox1")   ? QStringLiteral("Date")
                           : boxName == QLatin1String("MaskEdBox2") ? QStringLiteral("IDate")
                           : boxName == QLatin1String("txtFacility") ? QStringLiteral("Facility")
                                                                     : QStringLiteral("ReworkNum");
    if (column != QLatin1String("ReworkNum"))
        QCOMPARE(app.scalar(QStringLiteral("SELECT %1 FROM InspectionRecord").arg(column)).toString(), stored);
    QCOMPARE(app.scalar(QStringLiteral("SELECT ReworkNum FROM InspectionRecord")).toInt(), 1);
}

void TestRecordSubmission::submitWithNoCurrentRowIsReported() {
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    // Typed on an empty table without Add: there is no row to store it in.
    box(form, "txtModelNumber")->setText(QStringLiteral("M1"));
    QTest::mouseClick(button(form, "cmdSubmit"), Qt::LeftButton);
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("No current record.")});
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);
}

void TestRecordSubmission::reworkNumberIsStoredWithRowBeforeQuestion() {
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    DataEntryForm* form = openNewUnit("M1", "S1", "12312026", "T1");
    QVERIFY(form);
    pressEnter();  // Pass
    // What another program reads in the file while the question is up (as if
    // this one were killed then): the row with its number, committed.
    QStringList inFile;
    dialogs.onMessage = [&](const Dialogs::Message&) {
        inFile = app.rows(QStringLiteral("SELECT ModelNumber, ReworkNum FROM InspectionRecord ORDER BY InspectionID"));
    };
    dialogs.answers.enqueue(Dialogs::Answer::No);
    pressEnter();  // Submit
    QCOMPARE(inFile, QStringList({"M1|1", "M1|2"}));
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Do you have another defect?")});
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, ReworkNum FROM InspectionRecord ORDER BY InspectionID")),
             QStringList({"M1|1", "M1|2"}));
    QVERIFY(navigator(form)->isNewRow());
}

void TestRecordSubmission::refusedSubmitStoresNeitherRowNorNumber() {
    if (!TestAppFolder::testServer().isEmpty())
        QSKIP("a server has no lock on the whole database to hold");
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    DataEntryForm* form = openNewUnit("M1", "S1", "12312026", "T1");
    QVERIFY(form);
    pressEnter();  // Pass
    // Another program holds the file: the row cannot be stored, so no question.
    Database other;
    QVERIFY(other.open(app.livePath()));
    QVERIFY(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    pressEnter();  // Submit
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("database is locked")});
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("Varnex"));
    QVERIFY(navigator(form)->isNewRow());
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);
    // Submit Record again stores the row once, with its number.
    QTest::mouseClick(button(form, "cmdSubmit"), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 2);
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, ReworkNum FROM InspectionRecord")), QStringList{"M1|1"});
    QVERIFY(navigator(form)->isNewRow());
}

void TestRecordSubmission::preparedRowIsNeverStoredAsItIs_data() {
    QTest::addColumn<bool>("anotherDefect");
    QTest::addColumn<QString>("then");
    for (const bool yes : {false, true})
        for (const char* then : {"Previous", "Next", "First", "Last", "cmdAdd", "close"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(yes ? "Yes" : "No", then))) << yes << QString::fromLatin1(then);
}

void TestRecordSubmission::preparedRowIsNeverStoredAsItIs() {
    QFETCH(bool, anotherDefect);
    QFETCH(QString, then);
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    insertRow(app, QStringLiteral("M0"), QStringLiteral("S0"), QStringLiteral("T1"));
    DataEntryForm* form = openNewUnit("M1", "S1", "12312026", "T1");
    QVERIFY(form);
    pressEnter();  // Pass
    dialogs.answers.enqueue(anotherDefect ? Dialogs::Answer::Yes : Dialogs::Answer::No);
    pressEnter();  // Submit
    QVERIFY(navigator(form)->isNewRow());
    // The prepared row holds only what the program kept: nothing is stored.
    if (then == QLatin1String("close"))
        form->window_()->close();
    else if (then == QLatin1String("cmdAdd"))
        QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    else
        QTest::mouseClick(navigator(form)->findChild<QToolButton*>(then), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, SerialNum, PartNum FROM InspectionRecord ORDER BY InspectionID")),
             QStringList({"M0|S0|001", "M1|S1|001"}));
    if (then == QLatin1String("Next") || then == QLatin1String("Last")) {
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 2 of  2"));
        QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    }
}

void TestRecordSubmission::typedNewRowIsWrittenAndShownOnNext() {
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    insertRow(app, QStringLiteral("M0"), QStringLiteral("S0"), QStringLiteral("T1"));
    DataEntryForm* form = openNewUnit("M1", "S1", "12312026", "T1");
    QVERIFY(form);
    pressEnter();  // Pass
    pressEnter();  // Submit, answered No
    // The next unit is typed, then left with the arrow instead of Submit.
    field("m2");
    field("s2");
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Next")), Qt::LeftButton);
    QCOMPARE(app.rows(QStringLiteral("SELECT Facility, ModelNumber, SerialNum, Station FROM InspectionRecord "
                                     "ORDER BY InspectionID")),
             QStringList({"A|M0|S0|T1", "A|M1|S1|T1", "A|M2|S2|T1"}));
    // The screen shows the row it has just written.
    QVERIFY(navigator(form)->hasCurrentRow());
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 3 of  3"));
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M2"));
}

void TestRecordSubmission::programFocusMovesUpperCaseInInactiveWindow() {
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    form->add();
    // Another window is active, as just after a message box closed: Qt sends
    // no focus events to the screen, yet a box the program leaves is upper-cased.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!form->isActiveWindow());
    box(form, "txtFacility")->setText(QStringLiteral("a"));
    box(form, "txtModelNumber")->setText(QStringLiteral("m1"));
    box(form, "txtSerialNumber")->setText(QStringLiteral("s1"));
    box(form, "txtStation")->setText(QStringLiteral("t1"));
    form->pass();
    dialogs.answers.enqueue(Dialogs::Answer::Yes);
    form->submit();
    QCOMPARE(app.rows(QStringLiteral("SELECT Facility, ModelNumber, SerialNum, Station, ReworkNum FROM InspectionRecord")),
             QStringList{"A|m1|s1|t1|1"});
    // Model, serial and station were each given the focus and left again.
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(box(form, "txtSerialNumber")->text(), QStringLiteral("S1"));
    QCOMPARE(box(form, "txtStation")->text(), QStringLiteral("T1"));
    QCOMPARE(box(form, "txtFacility")->text(), QStringLiteral("A"));  // left when Pass took the focus
    QCOMPARE(box(form, "txtReworkNumber")->text(), QStringLiteral("2"));
}

void TestRecordSubmission::unknownCodesAskOnceBeforeStoring_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("defect");
    QTest::addColumn<int>("answer");  // to the question, when there is one
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("stored");  // model and defect code stored, or nothing
    const int yes = int(Dialogs::Answer::Yes);
    const int no = int(Dialogs::Answer::No);
    QTest::newRow("known") << "m1" << "scr" << no << "" << "M1|SCR";
    QTest::newRow("unknown, stored") << "m1" << "src" << yes
                                     << "Defect code SRC is not in the defect table. Store the record anyway?" << "M1|SRC";
    QTest::newRow("two unknown, refused")
        << "m9" << "src" << no
        << "Model number M9 is not in the model table.\nDefect code SRC is not in the defect table. Store the record anyway?"
        << "";
}

void TestRecordSubmission::unknownCodesAskOnceBeforeStoring() {
    QFETCH(QString, model);
    QFETCH(QString, defect);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(QString, stored);
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    app.exec(QStringLiteral("INSERT INTO Model (ModelNumber) VALUES ('M1'); INSERT INTO Station (StationID) VALUES "
                            "('T1'); INSERT INTO Employees (EmployeeNum) VALUES ('E7'); INSERT INTO defects "
                            "(defectcode) VALUES ('SCR')"));
    DataEntryForm* form = openNewUnit(model, "s1", "12312026", "t1");
    QVERIFY(form);
    QTest::keyClick(focused(), Qt::Key_Tab);  // past Pass
    field("001");
    field(defect);  // upper-cased on leaving, as every code box
    field("1");
    if (!question.isEmpty())
        dialogs.answers.enqueue(Dialogs::Answer(answer));
    dialogs.answers.enqueue(Dialogs::Answer::No);  // no other defect
    QTest::mouseClick(button(form, "cmdSubmit"), Qt::LeftButton);
    QStringList texts;
    if (!question.isEmpty())
        texts << question;
    if (!stored.isEmpty())
        texts << QStringLiteral("Do you have another defect?");
    QCOMPARE(dialogs.texts(), texts);
    if (!question.isEmpty()) {
        QCOMPARE(dialogs.messages[0].buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(dialogs.messages[0].defaultButton, Dialogs::Answer::No);
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Varnex"));
    }
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, DefectCode FROM InspectionRecord")),
             stored.isEmpty() ? QStringList() : QStringList{stored});
    if (stored.isEmpty()) {
        // Refused: the row stays as typed, the focus on the first unknown code.
        QVERIFY(navigator(form)->isNewRow());
        QCOMPARE(focusName(), QStringLiteral("txtModelNumber"));
        QCOMPARE(box(form, "txtDefectCode")->text(), QStringLiteral("SRC"));
    }
}

void TestRecordSubmission::codeBoxesCompleteFromTheirTables() {
    Dialogs::Scripted dialogs;
    TestAppFolder app(TestAppFolder::Data::Demo);
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    struct Case {
        const char* box;
        const char* typed;
        const char* first;
    };
    const Case cases[] = {{"txtModelNumber", "vx-4", "VX-400"}, {"txtStation", "as", "ASM1"},
                          {"txtInspectorNumber", "22", "2201"},  {"txtPartNum", "11", "110"},
                          {"txtDefectCode", "sc", "SCR"},        {"txtLocationCode", "1", "1"},
                          {"txtpreviousinspector", "120", "1201"}, {"txtOperatorNumber", "210", "2101"}};
    for (const Case& c : cases) {
        QCompleter* completer = box(form, c.box)->completer();
        QVERIFY2(completer, c.box);
        QCOMPARE(completer->caseSensitivity(), Qt::CaseInsensitive);
        completer->setCompletionPrefix(QString::fromLatin1(c.typed));
        QVERIFY2(completer->completionCount() > 0, c.box);
        QCOMPARE(completer->currentCompletion(), QString::fromLatin1(c.first));
    }
    // Typing offers the list and does not count as leaving the box; Tab
    // closes the list and leaves the box as usual.
    TextBox* model = box(form, "txtModelNumber");
    model->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(model));
    model->clear();
    QTest::keyClicks(model, QStringLiteral("vx"));
    QTRY_VERIFY(model->completer()->popup()->isVisible());
    QCOMPARE(model->text(), QStringLiteral("vx"));
    QTest::keyClick(model, Qt::Key_Tab);
    QVERIFY(!model->completer()->popup()->isVisible());
    QCOMPARE(model->text(), QStringLiteral("VX"));
    QCOMPARE(focusName(), QStringLiteral("txtSerialNumber"));
}

void TestRecordSubmission::datesReadBackAsStoredInEveryLocale_data() {
    QTest::addColumn<QString>("locale");
    for (const char* name : {"en_US", "en_GB", "de_DE"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestRecordSubmission::datesReadBackAsStoredInEveryLocale() {
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    struct Restore {
        ~Restore() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    } restore;
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, Date, Station, IDate) "
                            "VALUES ('A', 'M0', 'S0', '2026-01-02', 'T1', '2026-11-12')"));
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    // 2 January shows month first and reads back the same after an edit of the row.
    QCOMPARE(dateBox(form, "MaskEdBox1")->text(), QStringLiteral("1/2/2026"));
    QCOMPARE(dateBox(form, "MaskEdBox2")->text(), QStringLiteral("11/12/2026"));
    auto* notes = control<QPlainTextEdit>(form, "txtNotes");
    notes->setFocus();
    QTRY_COMPARE(focused(), static_cast<QWidget*>(notes));
    QTest::keyClicks(notes, QStringLiteral("seen"));
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Last")), Qt::LeftButton);
    QCOMPARE(dialogs.texts(), QStringList());
    QCOMPARE(app.rows(QStringLiteral("SELECT Date, IDate, Notes FROM InspectionRecord")),
             QStringList{"2026-01-02|2026-11-12|seen"});

    // The submit road: typed month first, kept for the next unit, stored the same.
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    typeUnit("a", "M1", "S1", "e7", "01022026", "T1");
    pressEnter();  // Pass
    pressEnter();  // Submit, answered No
    QCOMPARE(dateBox(form, "MaskEdBox1")->text(), QStringLiteral("1/2/2026"));
    field("m2");
    field("s2");
    QTest::mouseClick(button(form, "cmdPass"), Qt::LeftButton);
    QTest::mouseClick(button(form, "cmdSubmit"), Qt::LeftButton);
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, Date FROM InspectionRecord ORDER BY InspectionID")),
             QStringList({"M0|2026-01-02", "M1|2026-01-02", "M2|2026-01-02"}));
}

void TestRecordSubmission::countComparesExactly() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    insertRow(app, QStringLiteral("m1"), QStringLiteral("S1"), QStringLiteral("T1"));
    insertRow(app, QStringLiteral("M1 "), QStringLiteral("S1"), QStringLiteral("T1"));
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral(" T1"));
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T2"));
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    app.exec(QStringLiteral("INSERT INTO InspectionRecord (ModelNumber, SerialNum, Station) VALUES ('', 'S1', 'T1')"));
    app.exec(QStringLiteral("INSERT INTO InspectionRecord (ModelNumber, SerialNum, Station) VALUES (NULL, 'S1', 'T1')"));
    Database db;
    QVERIFY(db.open(app.database()));
    auto count = [&](const char* model, const char* serial, const char* station, qint64 upTo = 100) {
        int n = -1;
        const Status s = ReworkCounter::count(db, InspectedUnit{model, serial, station}, upTo, &n);
        return s.isOk() ? n : -1;
    };
    QCOMPARE(count("M1", "S1", "T1", 1), 1);  // the unit's rows up to the first
    QCOMPARE(count("M1", "S1", "T1", 5), 1);
    QCOMPARE(count("M1", "S1", "T1"), 2);
    QCOMPARE(count("m1", "S1", "T1"), 1);
    QCOMPARE(count("M1 ", "S1", "T1"), 1);
    QCOMPARE(count("M1", "S1", "T2"), 1);
    QCOMPARE(count("M1", "S1", "T3"), 0);
    QCOMPARE(count("", "S1", "T1"), 0);  // an empty field matches neither '' nor no value
}

void TestRecordSubmission::countIsServedByIndex() {
    if (!TestAppFolder::testServer().isEmpty())
        QSKIP("the plan checked is the file engine's");
    TestAppFolder app;
    const QStringList plan = app.rows(QStringLiteral("EXPLAIN QUERY PLAN ") + ReworkCounter::statement());
    QCOMPARE(plan.size(), 1);
    QVERIFY2(plan[0].contains(QStringLiteral("COVERING INDEX InspectionUnit (ModelNumber=? AND SerialNum=? AND "
                                             "Station=? AND rowid<?)")),
             qPrintable(plan[0]));
}

void TestRecordSubmission::countStopsAtSixteenBitLimit() {
    TestAppFolder app;
    app.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32769) "
                            "INSERT INTO InspectionRecord (ModelNumber, SerialNum, Station) SELECT 'M1', 'S1', 'T1' FROM n"));
    int n = 0;
    Database db;
    QVERIFY(db.open(app.database()));
    QVERIFY(ReworkCounter::count(db, InspectedUnit{"M1", "S1", "T1"}, 40000, &n));
    QCOMPARE(n, ReworkCounter::maxCount);
    QCOMPARE(ReworkCounter::maxCount, 32767);
}

void TestRecordSubmission::countFailureIsReportedToCaller() {
    TestAppFolder app;
    int n = 5;
    Database closed;
    QVERIFY(!ReworkCounter::count(closed, InspectedUnit{"M1", "S1", "T1"}, 1, &n).isOk());
    QCOMPARE(n, 0);
    // On the screen a failed count is silent: the row is stored with the count reached (0).
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    form->setReworkCount([](Database&, const InspectedUnit& unit, qint64 id) {
        int m = 0;
        Database closed;
        ReworkCounter::count(closed, unit, id, &m);
        return m;
    });
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    typeUnit("a", "M1", "S1", "e7", "12312026", "T1");
    pressEnter();
    pressEnter();
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Do you have another defect?")});
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, ReworkNum FROM InspectionRecord")), QStringList{"M1|0"});
}

void TestRecordSubmission::roadFromMainMenu() {
    Dialogs::Scripted dialogs;
    TestAppFolder app(TestAppFolder::Data::Demo);
    const int before = app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt();
    QVERIFY(Application::start());
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QWidget* background = forms.form(QStringLiteral("MDIBackground"));
    QVERIFY(QTest::qWaitForWindowActive(background));

    QTest::mouseClick(button(forms.form(QStringLiteral("frmMain")), "cmdDataEntry"), Qt::LeftButton);
    QVERIFY(forms.isVisible(QStringLiteral("frmDataEntMenu")));
    QTest::mouseClick(button(forms.form(QStringLiteral("frmDataEntMenu")), "cmdInspectionData"), Qt::LeftButton);
    auto* form = forms.formAs<DataEntryForm>(QStringLiteral("frmDataEntry"));
    QVERIFY(form);
    QVERIFY(forms.isVisible(QStringLiteral("frmDataEntry")));
    QVERIFY(!forms.isVisible(QStringLiteral("frmDataEntMenu")));
    QVERIFY(qobject_cast<QMdiSubWindow*>(form->window_()));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: %1 of  %2").arg(before ? 1 : 0).arg(before));

    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    QCOMPARE(focusName(), QStringLiteral("txtFacility"));
    typeUnit("a", "vx-200", "sn5001", "1101", "12312026", "final");
    pressEnter();  // Pass
    dialogs.answers << Dialogs::Answer::Yes << Dialogs::Answer::No;
    pressEnter();  // Submit: Yes, the unit has a defect as well
    QTest::keyClick(focused(), Qt::Key_Tab);
    field("101");
    field("scr");
    field("2");
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(focused(), Qt::Key_Tab);
    QCOMPARE(focusName(), QStringLiteral("cmdSubmit"));
    pressEnter();  // Submit: No
    QCOMPARE(dialogs.messages.size(), 2);
    QCOMPARE(focusName(), QStringLiteral("txtModelNumber"));
    QCOMPARE(app.rows(QStringLiteral("SELECT Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, PartNum, "
                                     "DefectCode, LocationCode, ReworkNum FROM InspectionRecord WHERE "
                                     "InspectionID > (SELECT coalesce(max(InspectionID), 0) - 2 FROM InspectionRecord) "
                                     "ORDER BY InspectionID")),
             QStringList({"A|VX-200|SN5001|1101|2026-12-31|FINAL|001|1|1|1", "A|VX-200|SN5001|1101|2026-12-31|FINAL|101|SCR|2|2"}));
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), before + 2);

    const QString shot = qEnvironmentVariable("VARNEX_DATAENTRY_SCREENSHOT");
    if (!shot.isEmpty())
        QVERIFY(form->window_()->grab().save(shot));

    // Closing the screen goes back to the main menu; the Data Entry Menu stays loaded.
    form->window_()->close();
    QVERIFY(!forms.isLoaded(QStringLiteral("frmDataEntry")));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QVERIFY(forms.isLoaded(QStringLiteral("frmDataEntMenu")));
    QVERIFY(!forms.isVisible(QStringLiteral("frmDataEntMenu")));
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), before + 2);
    unloadAllForms();
}

QTEST_MAIN(TestRecordSubmission)
#include "tst_recordsubmission.moc"
