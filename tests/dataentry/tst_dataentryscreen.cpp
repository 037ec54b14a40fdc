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
    void controlsCarryNamesLabelsAndPlaces();
    void tabVisitsControlsInOrder();
    void codeBoxesAreUpperCasedOnLeaving();
    void boxesSelectFromCaretOnEntering();
    void facilityTakesOneCharacter();
    void dateBoxesTakeAnyTextUntilAdd();
    void addClearsBoxesAndResetsDates();
    void deleteAsksFirst();
    void deletingLastRowLeavesNoCurrentRow();
    void missingDatabaseIsReported();
    void unreadableDatabaseIsReported();
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
    QCOMPARE(box(form, "txtPartNum")->text(), QStringLiteral("001"));
    QCOMPARE(box(form, "txtReworkNumber")->text(), QStringLiteral("1"));
    // No pattern yet: the date shows as plain short date text.
    QCOMPARE(dateBox(form, "MaskEdBox1")->inputPattern(), QString());
    QCOMPARE(dateBox(form, "MaskEdBox1")->text(), QStringLiteral("3/4/2026"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  3"));
    QVERIFY(dialogs.messages.isEmpty());

    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Last")), Qt::LeftButton);
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M3"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 3 of  3"));
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Previous")), Qt::LeftButton);
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 2 of  3"));

    // Closing and opening again starts on the first row.
    FormRegistry::instance().unload(QStringLiteral("frmDataEntry"));
    form = openScreen();
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  3"));
}

void TestDataEntryScreen::opensEmptyTableWithNoRow() {
    TestAppFolder app;
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QVERIFY(!navigator(form)->hasCurrentRow());
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  0"));
    QCOMPARE(box(form, "txtModelNumber")->text(), QString());

    // Delete with nothing to delete: reported, nothing changes.
    QTest::mouseClick(button(form, "cmdDelete"), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text, QStringLiteral("No current record."));
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("Varnex"));
    QCOMPARE(dialogs.messages[0].buttons, Dialogs::Buttons::Ok);
    QCOMPARE(dialogs.messages[0].icon, Dialogs::Icon::None);
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  0"));

    // Add works on an empty table.
    dialogs.clear();
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(navigator(form)->isNewRow());
    QCOMPARE(QApplication::focusWidget(), box(form, "txtFacility"));
}

void TestDataEntryScreen::controlsCarryNamesLabelsAndPlaces() {
    TestAppFolder app;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    struct Expected {
        const char* box;
        const char* label;
        const char* text;
        bool left;
    };
    const Expected expected[] = {
        {"txtFacility", "lblFacility", "Facility", true},
        {"txtModelNumber", "lblModelNumber", "Model Number", true},
        {"txtSerialNumber", "lblSerialNumber", "Serial Number", true},
        {"txtInspectorNumber", "lblInspectorNumber", "Inspector Number", true},
        {"MaskEdBox1", "lblDate", "Date", true},
        {"txtStation", "lblStation", "Station", true},
        {"txtPartNum", "lblPartNumber", "PartNumber", false},
        {"txtDefectCode", "lblDefectCode", "Defect Code", false},
        {"txtLocationCode", "lblLocationCode", "Location Code", false},
        {"txtpreviousinspector", "lblPreviousInspector", "Previous Inspector", false},
        {"MaskEdBox2", "lblPrevInspDate", "Prev Inspection Date", false},
        {"txtOperatorNumber", "lblOperatorNumber", "Operator Number", false},
        {"MaskEdBox3", "lblODate", "Operator Date", false},
        {"txtReworkNumber", "lblReworkNumber", "Rework Number", false},
    };
    const int middle = form->width() / 2;
    int lastTop[2] = {-1, -1};
    for (const Expected& e : expected) {
        QWidget* w = control<QWidget>(form, e.box);
        auto* label = control<QLabel>(form, e.label);
        QVERIFY2(w && label, e.box);
        QCOMPARE(label->text(), QString::fromLatin1(e.text));
        QVERIFY2(label->alignment() & Qt::AlignRight, e.label);
        QVERIFY2(label->focusPolicy() == Qt::NoFocus, e.label);
        // Label to the left of its box, on its line; boxes stacked top to bottom.
        QVERIFY2(label->geometry().right() <= w->geometry().left(), e.label);
        QVERIFY2(qAbs(label->geometry().center().y() - w->geometry().center().y()) <= 4, e.label);
        QCOMPARE(w->geometry().center().x() < middle, e.left);
        QVERIFY2(w->geometry().top() > lastTop[e.left], e.box);
        lastTop[e.left] = w->geometry().top();
    }
    QCOMPARE(control<QLabel>(form, "lblnotes")->text(), QStringLiteral("Notes"));
    QVERIFY(control<QPlainTextEdit>(form, "txtNotes"));
    QCOMPARE(button(form, "cmdPass")->text(), QStringLiteral("Pass"));
    QCOMPARE(button(form, "cmdSubmit")->text(), QStringLiteral("Submit Record"));
    QCOMPARE(button(form, "cmdDelete")->text(), QStringLiteral("Delete Record"));
    QCOMPARE(button(form, "cmdAdd")->text(), QStringLiteral("Add"));
    QCOMPARE(button(form, "cmdAdd")->toolTip(), QStringLiteral("Add a new record"));
    // Pass under the left column; Submit and Delete side by side below both.
    QVERIFY(button(form, "cmdPass")->geometry().top() > box(form, "txtStation")->geometry().bottom());
    QVERIFY(button(form, "cmdSubmit")->geometry().top() > box(form, "txtReworkNumber")->geometry().bottom());
    QCOMPARE(button(form, "cmdSubmit")->geometry().top(), button(form, "cmdDelete")->geometry().top());
    QVERIFY(navigator(form)->geometry().top() > button(form, "cmdSubmit")->geometry().bottom());
    QVERIFY(navigator(form)->geometry().center().x() < middle);
    QVERIFY(control<QWidget>(form, "txtNotes")->geometry().center().x() > middle);
    // The narrow boxes.
    QVERIFY(box(form, "txtFacility")->width() < box(form, "txtModelNumber")->width());
    QVERIFY(box(form, "txtStation")->width() < box(form, "txtModelNumber")->width());
    QVERIFY(box(form, "txtReworkNumber")->width() < box(form, "txtPartNum")->width());
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

void TestDataEntryScreen::codeBoxesAreUpperCasedOnLeaving() {
    TestAppFolder app;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    // Through every box from Facility to Rework Number, typing lower case.
    const char* upper[] = {"txtFacility",   "txtModelNumber",  "txtSerialNumber",      "txtInspectorNumber", "txtStation",
                           "txtPartNum",    "txtDefectCode",   "txtLocationCode",      "txtpreviousinspector",
                           "txtOperatorNumber"};
    const char* kept[] = {"txtReworkNumber"};
    for (const char* name : upper) {
        TextBox* b = box(form, name);
        b->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), b);
        typeAndTab(b, name == QByteArray("txtFacility") ? QStringLiteral("a") : QStringLiteral("ab"));
        QCOMPARE(b->text(), name == QByteArray("txtFacility") ? QStringLiteral("A") : QStringLiteral("AB"));
    }
    for (const char* name : kept) {
        TextBox* b = box(form, name);
        b->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), b);
        typeAndTab(b, QStringLiteral("ab"));
        QCOMPARE(b->text(), QStringLiteral("ab"));
    }
    auto* notes = control<QPlainTextEdit>(form, "txtNotes");
    notes->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), notes);
    typeAndTab(notes, QStringLiteral("bent pin"));
    QCOMPARE(notes->toPlainText(), QStringLiteral("bent pin"));
}

void TestDataEntryScreen::boxesSelectFromCaretOnEntering() {
    TestAppFolder app;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    const char* selecting[] = {"txtInspectorNumber", "txtDefectCode", "txtLocationCode", "txtpreviousinspector",
                               "txtOperatorNumber"};
    for (const char* name : selecting) {
        TextBox* b = box(form, name);
        b->setText(QStringLiteral("1"));
        b->setCursorPosition(0);
        b->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), b);
        QCOMPARE(b->selectedText(), QStringLiteral("1"));
        QTest::keyClicks(b, QStringLiteral("7"));
        QCOMPARE(b->text(), QStringLiteral("7"));
        // With the caret inside, the rest of the text is selected.
        b->setText(QStringLiteral("123"));
        b->setCursorPosition(1);
        box(form, "txtFacility")->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), box(form, "txtFacility"));
        b->setCursorPosition(1);
        b->setFocus(Qt::OtherFocusReason);
        QCOMPARE(b->selectedText(), QStringLiteral("23"));
        box(form, "txtFacility")->setFocus();
    }
    // A box without the behaviour keeps the caret where it is.
    TextBox* model = box(form, "txtModelNumber");
    model->setText(QStringLiteral("1"));
    model->setCursorPosition(0);
    model->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), model);
    QVERIFY(!model->hasSelectedText());
    QTest::keyClicks(model, QStringLiteral("7"));
    QCOMPARE(model->text(), QStringLiteral("71"));
}

void TestDataEntryScreen::facilityTakesOneCharacter() {
    TestAppFolder app;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QTest::mouseClick(button(form, "cmdAdd"), Qt::LeftButton);
    TextBox* facility = box(form, "txtFacility");
    QCOMPARE(QApplication::focusWidget(), facility);
    QTest::keyClicks(facility, QStringLiteral("abc"));
    QCOMPARE(facility->text(), QStringLiteral("a"));
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
    insertRow(app, QStringLiteral("M3"), QStringLiteral("S3"), QStringLiteral("T3"));
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    // No keeps the row and the screen as they were.
    dialogs.answers << Dialogs::Answer::No << Dialogs::Answer::Yes;
    QTest::mouseClick(button(form, "cmdDelete"), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    const Dialogs::Message& q = dialogs.messages[0];
    QCOMPARE(q.text, QStringLiteral("Delete this record?"));
    QCOMPARE(q.buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(q.defaultButton, Dialogs::Answer::No);
    QCOMPARE(q.title, QStringLiteral("Varnex"));
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  3"));
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 3);
    // Yes removes it and shows the following row.
    QTest::mouseClick(button(form, "cmdDelete"), Qt::LeftButton);
    QCOMPARE(dialogs.texts(), QStringList({"Delete this record?", "Delete this record?"}));
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M2"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  2"));
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber FROM InspectionRecord ORDER BY InspectionID")),
             QStringList({"M2", "M3"}));
}

void TestDataEntryScreen::deletingLastRowLeavesNoCurrentRow() {
    TestAppFolder app;
    insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
    insertRow(app, QStringLiteral("M2"), QStringLiteral("S2"), QStringLiteral("T2"));
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("Last")), Qt::LeftButton);
    dialogs.answers << Dialogs::Answer::Yes;
    QTest::mouseClick(button(form, "cmdDelete"), Qt::LeftButton);
    dialogs.clear();
    QVERIFY(!navigator(form)->hasCurrentRow());
    QCOMPARE(box(form, "txtModelNumber")->text(), QString());
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  1"));
    // A second Delete has no row to remove: reported, the remaining row stays.
    QTest::mouseClick(button(form, "cmdDelete"), Qt::LeftButton);
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("No current record.")});
    QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber FROM InspectionRecord")), QStringList{"M1"});
    // The arrows lead back to the rows.
    QTest::mouseClick(navigator(form)->findChild<QToolButton*>(QStringLiteral("First")), Qt::LeftButton);
    QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  1"));
}

void TestDataEntryScreen::missingDatabaseIsReported() {
    TestAppFolder app(TestAppFolder::Data::None);
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY2(dialogs.messages[0].text.contains(QStringLiteral("kelid.mdb")), qPrintable(dialogs.messages[0].text));
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("Varnex"));
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  0"));
    // Each action says the file is not open and changes nothing.
    for (const char* name : {"cmdAdd", "cmdSubmit", "cmdDelete"}) {
        dialogs.clear();
        QTest::mouseClick(button(form, name), Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("The database is not open.")});
    }
    QVERIFY(!QFile::exists(app.livePath()));
}

void TestDataEntryScreen::unreadableDatabaseIsReported() {
    TestAppFolder app(TestAppFolder::Data::None);
    QFile f(app.livePath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    Dialogs::Scripted dialogs;
    DataEntryForm* form = openScreen();
    QVERIFY(form);
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("file is not a database")});
    QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  0"));
    QCOMPARE(QFileInfo(app.livePath()).size(), 4096);
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
