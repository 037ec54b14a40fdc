// The data entry screen: its controls, focus behaviour, date boxes, the
// navigator's caption, Add, Delete and what happens when the file is missing.
#include <QLabel>
#include <QToolButton>

#include "DataEntryTestSupport.h"
#include "database/Schema.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "shell/FormCatalog.h"

using namespace DataEntryTest;

class TestDataEntryScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { unloadAllForms(); }

    void opensOnFirstRowWithCaption();
    void opensEmptyTableWithNoRow();
    void eachBoxAsItsUserSeesIt_data();
    void eachBoxAsItsUserSeesIt();
    void buttonsCarryTheirCaptions();
    void tabVisitsControlsInOrder();
    void dateBoxesTakeAnyTextUntilAdd();
    void addClearsBoxesAndResetsDates();
    void deleteAsksFirst();
    void unusableDatabaseIsReported_data();
    void unusableDatabaseIsReported();
    void addKeepsRefusedRowAsTyped();
    void arrowsWriteChangedRow();
    void arrowsKeepRefusedRowAsTyped();
    void closingShowsMainMenuAndDropsUnsubmittedRow();
    void connectStringNamesLiveFile();
};

void TestDataEntryScreen::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    registerAllForms();
}

void TestDataEntryScreen::opensOnFirstRowWithCaption() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"), QStringLiteral("A"));
    insertRow(app, QStringLiteral("M2"), QStringLiteral("S2"), QStringLiteral("T2"), QStringLiteral("B"));
    insertRow(app, QStringLiteral("M3"), QStringLiteral("S3"), QStringLiteral("T3"), QStringLiteral("C"));
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QCOMPARE(form->windowTitle(), QStringLiteral("Inspection Record-Data Entry Screen"));
    QCOMPARE(box(form, "txtFacility")->text(), QStringLiteral("A"));
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(box(form, "txtReworkNumber")->text(), QStringLiteral("1"));
    // No pattern yet: the date shows as plain short date text.
    QCOMPARE(dateBox(form, "MaskEdBox1")->text(), QStringLiteral("3/4/2026"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  3"));
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Last")), Qt::LeftButton);
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M3"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 3 of  3"));
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Previous")), Qt::LeftButton);
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 2 of  3"));
    QVERIFY(dialogs.messages.isEmpty());
}

void TestDataEntryScreen::opensEmptyTableWithNoRow() {
    TestAppFolder app;
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QVERIFY(!navigator(form)->hasCurrentRow());
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  0"));
    // Add works on an empty table.
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(navigator(form)->isNewRow());
    QCOMPARE(QApplication::focusWidget(), box(form, "txtFacility"));
}

void TestDataEntryScreen::eachBoxAsItsUserSeesIt_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("typed");  // into the box holding "1" (Facility: empty), caret at its start
    QTest::addColumn<QString>("left");   // the box's text once Tab has left it
    // A box that selects on entering is replaced by typing; the code boxes are upper-cased on leaving.
    QTest::newRow("facility") << "txtFacility" << "lblFacility" << "Facility" << "abc" << "A";
    QTest::newRow("model") << "txtModelNumber" << "lblModelNumber" << "Model Number" << "ab" << "AB1";
    QTest::newRow("serial") << "txtSerialNumber" << "lblSerialNumber" << "Serial Number" << "ab" << "AB1";
    QTest::newRow("inspector") << "txtInspectorNumber" << "lblInspectorNumber" << "Inspector Number" << "ab" << "AB";
    QTest::newRow("station") << "txtStation" << "lblStation" << "Station" << "ab" << "AB1";
    QTest::newRow("part") << "txtPartNum" << "lblPartNumber" << "PartNumber" << "ab" << "AB1";
    QTest::newRow("defect") << "txtDefectCode" << "lblDefectCode" << "Defect Code" << "ab" << "AB";
    QTest::newRow("location") << "txtLocationCode" << "lblLocationCode" << "Location Code" << "ab" << "AB";
    QTest::newRow("previous inspector") << "txtpreviousinspector" << "lblPreviousInspector" << "Previous Inspector" << "ab" << "AB";
    QTest::newRow("operator") << "txtOperatorNumber" << "lblOperatorNumber" << "Operator Number" << "ab" << "AB";
    QTest::newRow("rework") << "txtReworkNumber" << "lblReworkNumber" << "Rework Number" << "ab" << "ab1";
    QTest::newRow("date") << "MaskEdBox1" << "lblDate" << "Date" << "" << "";
    QTest::newRow("previous date") << "MaskEdBox2" << "lblPrevInspDate" << "Prev Inspection Date" << "" << "";
    QTest::newRow("operator date") << "MaskEdBox3" << "lblODate" << "Operator Date" << "" << "";
    QTest::newRow("notes") << "txtNotes" << "lblnotes" << "Notes" << "" << "";
}

void TestDataEntryScreen::eachBoxAsItsUserSeesIt() {
    QFETCH(QString, name);
    QFETCH(QString, label);
    QFETCH(QString, caption);
    QFETCH(QString, typed);
    QFETCH(QString, left);
    TestAppFolder app;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QCOMPARE(form->findChild<QLabel*>(label)->text(), caption);
    if (typed.isEmpty())
        return;
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    auto* b = form->findChild<TextBox*>(name);
    b->setText(name == QLatin1String("txtFacility") ? QString() : QStringLiteral("1"));
    b->setCursorPosition(0);
    b->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(b));
    typeAndTab(b, typed);
    QCOMPARE(b->text(), left);
}

void TestDataEntryScreen::buttonsCarryTheirCaptions() {
    TestAppFolder app;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QStringList captions;
    for (const char* name : {"cmdPass", "cmdSubmit", "cmdDelete", "cmdAdd"})
        captions << button(form, name)->text();
    QCOMPARE(captions, QStringList({"Pass", "Submit Record", "Delete Record", "Add"}));
    QCOMPARE(button(form, "cmdAdd")->toolTip(), QStringLiteral("Add a new record"));
}

void TestDataEntryScreen::tabVisitsControlsInOrder() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    const QStringList order = {"txtFacility", "txtModelNumber", "txtSerialNumber", "txtInspectorNumber", "MaskEdBox1",
                               "txtStation", "cmdPass", "txtPartNum", "txtDefectCode", "txtLocationCode",
                               "txtpreviousinspector", "MaskEdBox2", "txtOperatorNumber", "MaskEdBox3", "txtNotes",
                               "cmdSubmit", "cmdDelete", "txtReworkNumber", "cmdAdd", "txtFacility"};
    box(form, "txtFacility")->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), box(form, "txtFacility"));
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, order);
    // The notes keep no tab character: Tab left the box.
    QCOMPARE(control<QPlainTextEdit>(form, "txtNotes")->toPlainText(), QString());
}

void TestDataEntryScreen::dateBoxesTakeAnyTextUntilAdd() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    for (const char* name : {"MaskEdBox1", "MaskEdBox2", "MaskEdBox3"}) {
        QCOMPARE(dateBox(form, name)->inputPattern(), QString());
        QCOMPARE(dateBox(form, name)->displayFormat(), QString());
    }
    MaskedDateBox* date2 = dateBox(form, "MaskEdBox2");
    date2->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), date2);
    QTest::keyClicks(date2, QStringLiteral("soon"));
    QCOMPARE(date2->text(), QStringLiteral("soon"));
    date2->setText(QString());

    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    for (const char* name : {"MaskEdBox1", "MaskEdBox2", "MaskEdBox3"}) {
        QCOMPARE(dateBox(form, name)->inputPattern(), QStringLiteral("##/##/####"));
        QCOMPARE(dateBox(form, name)->displayFormat(), QStringLiteral("ddddd"));
        QCOMPARE(dateBox(form, name)->displayText(), QStringLiteral("__/__/____"));
        QVERIFY(dateBox(form, name)->value().isNull());
    }
    // Typing: digits only, the slashes fixed; the short date once the box is left.
    MaskedDateBox* date1 = dateBox(form, "MaskEdBox1");
    date1->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), date1);
    date1->setCursorPosition(0);
    QTest::keyClicks(date1, QStringLiteral("0a3x042026"));
    QCOMPARE(date1->displayText(), QStringLiteral("03/04/2026"));
    QTest::keyClick(date1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), box(form, "txtStation"));
    QCOMPARE(date1->text(), QStringLiteral("3/4/2026"));
    QCOMPARE(date1->value().toDate(), QDate(2026, 3, 4));
    // Back in the box, the pattern form returns for editing.
    QTest::keyClick(box(form, "txtStation"), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), date1);
    QCOMPARE(date1->displayText(), QStringLiteral("03/04/2026"));
}

void TestDataEntryScreen::addClearsBoxesAndResetsDates() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    insertRow(app, QStringLiteral("M2"), QStringLiteral("S2"), QStringLiteral("T2"));
    app.exec(QStringLiteral("UPDATE InspectionRecord SET IDate = '2026-01-02', ODate = '2026-01-03', Notes = 'x'"));
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QCOMPARE(dateBox(form, "MaskEdBox2")->text(), QStringLiteral("1/2/2026"));
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(QApplication::focusWidget(), box(form, "txtFacility"));
    for (TextBox* b : form->findChildren<TextBox*>())
        QVERIFY2(b->text().isEmpty(), qPrintable(b->objectName()));
    QCOMPARE(control<QPlainTextEdit>(form, "txtNotes")->toPlainText(), QString());
    for (const char* name : {"MaskEdBox1", "MaskEdBox2", "MaskEdBox3"})
        QCOMPARE(dateBox(form, name)->displayText(), QStringLiteral("__/__/____"));
    QVERIFY(navigator(form)->isNewRow());
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  2"));
    // Nothing is stored by Add.
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 2);
}

void TestDataEntryScreen::deleteAsksFirst() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    insertRow(app, QStringLiteral("M2"), QStringLiteral("S2"), QStringLiteral("T2"));
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    // No keeps the row; Yes removes it and shows the following row.
    dialogs.answers << Dialogs::Answer::No << Dialogs::Answer::Yes << Dialogs::Answer::Yes;
    QTest::mouseClick(button(form, "cmdDelete"), Qt::LeftButton);
    QCOMPARE(dialogs.messages[0].buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(dialogs.messages[0].defaultButton, Dialogs::Answer::No);
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  2"));
    QTest::mouseClick(button(form, "cmdDelete"), Qt::LeftButton);
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M2"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  1"));
    // Deleting the last row leaves no current row; a second Delete is reported.
    QTest::mouseClick(button(form, "cmdDelete"), Qt::LeftButton);
    QVERIFY(!navigator(form)->hasCurrentRow());
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  0"));
    QTest::mouseClick(button(form, "cmdDelete"), Qt::LeftButton);
    QCOMPARE(dialogs.texts(), QStringList({"Delete this record?", "Delete this record?", "Delete this record?",
                                           "No current record."}));
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);
}

void TestDataEntryScreen::unusableDatabaseIsReported_data() {
    QTest::addColumn<bool>("missing");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing") << true << "kelid.mdb";
    QTest::newRow("not a database") << false << "file is not a database";
}

void TestDataEntryScreen::unusableDatabaseIsReported() {
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
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  0"));
    // Each action says the file is not open and changes nothing.
    for (const char* name : {"cmdAdd", "cmdSubmit", "cmdDelete"}) {
        dialogs.clear();
        QTest::mouseClick(button(form, name), Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("The database is not open.")});
    }
    QCOMPARE(QFileInfo(app.livePath()).size(), missing ? 0 : 4096);
}

void TestDataEntryScreen::addKeepsRefusedRowAsTyped() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    // Add writes a changed row first; the database refuses this one.
    box(form, "txtReworkNumber")->setText(QStringLiteral("two"));
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text, QStringLiteral("Rework number: two is not a whole number."));
    QVERIFY(!navigator(form)->isNewRow());
    QCOMPARE(box(form, "txtReworkNumber")->text(), QStringLiteral("two"));
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  1"));
    QCOMPARE(app.rows(QStringLiteral("SELECT ReworkNum FROM InspectionRecord")), QStringList{"1"});
}

void TestDataEntryScreen::arrowsWriteChangedRow() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    insertRow(app, QStringLiteral("M2"), QStringLiteral("S2"), QStringLiteral("T2"));
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    TextBox* notes = box(form, "txtOperatorNumber");
    notes->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), notes);
    typeAndTab(notes, QStringLiteral("OP4"));
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Next")), Qt::LeftButton);
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 2 of  2"));
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber, OperatorNum FROM InspectionRecord ORDER BY InspectionID")),
             QStringList({"M1|OP4", "M2|NULL"}));
}

void TestDataEntryScreen::arrowsKeepRefusedRowAsTyped() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    insertRow(app, QStringLiteral("M2"), QStringLiteral("S2"), QStringLiteral("T2"));
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    // Before Add the date box takes any text; the database refuses a day that does not exist.
    MaskedDateBox* date = dateBox(form, "MaskEdBox1");
    date->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), date);
    date->selectAll();
    typeAndTab(date, QStringLiteral("13/45/2026"));
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Next")), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text, QStringLiteral("Date: 13/45/2026 is not a real date."));
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("Varnex"));
    QCOMPARE(date->text(), QStringLiteral("13/45/2026"));
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  2"));
    QCOMPARE(app.rows(QStringLiteral("SELECT Date FROM InspectionRecord ORDER BY InspectionID")),
             QStringList({"2026-03-04", "2026-03-04"}));
    // Corrected, the move writes it.
    date->setText(QStringLiteral("12/25/2026"));
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Next")), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(app.rows(QStringLiteral("SELECT Date FROM InspectionRecord ORDER BY InspectionID")),
             QStringList({"2026-12-25", "2026-03-04"}));
}

void TestDataEntryScreen::closingShowsMainMenuAndDropsUnsubmittedRow() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    typeAndTab(box(form, "txtFacility"), QStringLiteral("b"));
    typeAndTab(box(form, "txtModelNumber"), QStringLiteral("m9"));
    form->window()->close();
    QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmDataEntry")));
    QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber FROM InspectionRecord")), QStringList{"M1"});
}

void TestDataEntryScreen::connectStringNamesLiveFile() {
    TestAppFolder app;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    const QString text = form->property("ConnectString").toString();
    QCOMPARE(text, QStringLiteral("Provider=Microsoft.Jet.OLEDB.3.51;Data source =") + AppPaths::folder() +
                       QStringLiteral("\\kelid.mdb"));
    QCOMPARE(QFileInfo(Schema::dataSourceOf(text)).canonicalFilePath(), QFileInfo(app.livePath()).canonicalFilePath());
    // Made anew on each read.
    TestAppFolder other;
    QCOMPARE(form->connectString(),
             QStringLiteral("Provider=Microsoft.Jet.OLEDB.3.51;Data source =") + other.path() + QStringLiteral("\\kelid.mdb"));
}

QTEST_MAIN(TestDataEntryScreen)
#include "tst_dataentryscreen.moc"
