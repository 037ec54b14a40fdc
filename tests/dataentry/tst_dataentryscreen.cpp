// The data entry screen: its controls, focus behaviour, date boxes, the
// navigator's caption, Add, Delete and what happens when the file is missing.
#include <QLabel>

#include "DataEntryTestSupport.h"
#include "platform/Dialogs.h"
#include "shell/FormCatalog.h"

using namespace DataEntryTest;

class TestDataEntryScreen : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { unloadAllForms(); }

    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        registerAllForms();
    }

    void opensOnFirstRowAndMoves() {
        TestAppFolder app;
        for (const char* model : {"M1", "M2", "M3"})
            insertRow(app, QString::fromLatin1(model), QStringLiteral("S1"), QStringLiteral("T1"));
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("Inspection Record-Data Entry Screen"));
        // No pattern yet: the date shows as plain short date text.
        QCOMPARE(QStringList({box(form, "txtFacility")->text(), box(form, "txtModelNumber")->text(),
                              box(form, "txtReworkNumber")->text(), dateBox(form, "MaskEdBox1")->text()}),
                 QStringList({"A", "M1", "1", "3/4/2026"}));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  3"));
        arrow(form, "Last");
        QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M3"));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 3 of  3"));
        arrow(form, "Previous");
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 2 of  3"));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(form->property("ConnectString").toString(),
                 QStringLiteral("Provider=Microsoft.Jet.OLEDB.3.51;Data source =") + app.path() + QStringLiteral("\\kelid.mdb"));
    }

    void boxesCaptionsAndTabOrder() {
        TestAppFolder app;
        insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        // Each box with its label; a box that selects on entering is replaced by
        // typing "ab" into "1", the code boxes are upper-cased on leaving.
        const char* const boxes[][4] = {
            {"txtFacility", "lblFacility", "Facility", "A"},
            {"txtModelNumber", "lblModelNumber", "Model Number", "AB1"},
            {"txtSerialNumber", "lblSerialNumber", "Serial Number", "AB1"},
            {"txtInspectorNumber", "lblInspectorNumber", "Inspector Number", "AB"},
            {"txtStation", "lblStation", "Station", "AB1"},
            {"txtPartNum", "lblPartNumber", "PartNumber", "AB1"},
            {"txtDefectCode", "lblDefectCode", "Defect Code", "AB"},
            {"txtLocationCode", "lblLocationCode", "Location Code", "AB"},
            {"txtpreviousinspector", "lblPreviousInspector", "Previous Inspector", "AB"},
            {"txtOperatorNumber", "lblOperatorNumber", "Operator Number", "AB"},
            {"txtReworkNumber", "lblReworkNumber", "Rework Number", "ab1"},
            {"MaskEdBox1", "lblDate", "Date", nullptr},
            {"MaskEdBox2", "lblPrevInspDate", "Prev Inspection Date", nullptr},
            {"MaskEdBox3", "lblODate", "Operator Date", nullptr},
            {"txtNotes", "lblnotes", "Notes", nullptr}};
        for (const auto& b : boxes) {
            QCOMPARE(form->findChild<QLabel*>(QLatin1String(b[1]))->text(), QLatin1String(b[2]));
            if (!b[3])
                continue;
            TextBox* t = box(form, b[0]);
            t->clearFocus();  // Tab from the box before may have entered it
            t->setText(t->maxLength() == 1 ? QString() : QStringLiteral("1"));  // the facility takes one letter
            t->setCursorPosition(0);
            enter(t, false);
            field(QStringLiteral("ab"));
            QCOMPARE(t->text(), QLatin1String(b[3]));
        }
        QStringList captions;
        for (const char* name : {"cmdPass", "cmdSubmit", "cmdDelete", "cmdAdd"})
            captions << button(form, name)->text();
        QCOMPARE(captions, QStringList({"Pass", "Submit Record", "Delete Record", "Add"}));

        const QStringList order = {"txtFacility", "txtModelNumber", "txtSerialNumber", "txtInspectorNumber", "MaskEdBox1",
                                   "txtStation", "cmdPass", "txtPartNum", "txtDefectCode", "txtLocationCode",
                                   "txtpreviousinspector", "MaskEdBox2", "txtOperatorNumber", "MaskEdBox3", "txtNotes",
                                   "cmdSubmit", "cmdDelete", "txtReworkNumber", "cmdAdd", "txtFacility"};
        enter(box(form, "txtFacility"), false);
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
        // The notes keep no tab character: Tab left the box.
        QCOMPARE(control<QPlainTextEdit>(form, "txtNotes")->toPlainText(), QString());
    }

    void dateBoxesTakeAnyTextUntilAdd() {
        TestAppFolder app;
        insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
        app.exec(QStringLiteral("UPDATE InspectionRecord SET IDate = '2026-01-02', ODate = '2026-01-03', Notes = 'x'"));
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        MaskedDateBox* date2 = dateBox(form, "MaskEdBox2");
        QCOMPARE(date2->inputPattern(), QString());
        enter(date2);
        QTest::keyClicks(date2, QStringLiteral("soon"));
        QCOMPARE(date2->text(), QStringLiteral("soon"));
        date2->setText(QString());

        // Add clears every box, stores nothing, and gives the dates their pattern.
        click(form, "cmdAdd");
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(QApplication::focusWidget(), box(form, "txtFacility"));
        for (TextBox* b : form->findChildren<TextBox*>())
            QVERIFY2(b->text().isEmpty(), qPrintable(b->objectName()));
        QCOMPARE(control<QPlainTextEdit>(form, "txtNotes")->toPlainText(), QString());
        for (const char* name : {"MaskEdBox1", "MaskEdBox2", "MaskEdBox3"}) {
            QCOMPARE(dateBox(form, name)->displayText(), QStringLiteral("__/__/____"));
            QVERIFY(dateBox(form, name)->value().isNull());
        }
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  1"));
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 1);
    }

    void deleteAsksFirst() {
        TestAppFolder app;
        insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
        insertRow(app, QStringLiteral("M2"), QStringLiteral("S2"), QStringLiteral("T2"));
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        // No keeps the row; Yes removes it and shows the following row.
        dialogs.answers << Dialogs::Answer::No << Dialogs::Answer::Yes << Dialogs::Answer::Yes;
        click(form, "cmdDelete");
        QVERIFY(dialogs.messages[0].buttons == Dialogs::Buttons::YesNo &&
                dialogs.messages[0].defaultButton == Dialogs::Answer::No);
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  2"));
        click(form, "cmdDelete");
        QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M2"));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  1"));
        // Deleting the last row leaves no current row; a second Delete is reported.
        click(form, "cmdDelete");
        QVERIFY(!navigator(form)->hasCurrentRow());
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  0"));
        click(form, "cmdDelete");
        QCOMPARE(dialogs.texts(), QStringList({"Delete this record?", "Delete this record?", "Delete this record?",
                                               "No current record."}));
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);
        // Add works on the empty table.
        click(form, "cmdAdd");
        QVERIFY(navigator(form)->isNewRow());
        QCOMPARE(dialogs.messages.size(), 4);
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
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 0 of  0"));
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
        insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
        insertRow(app, QStringLiteral("M2"), QStringLiteral("S2"), QStringLiteral("T2"));
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        const auto stored = [&] {
            return app.rows(QStringLiteral("SELECT Date, ReworkNum, OperatorNum FROM InspectionRecord ORDER BY InspectionID"));
        };
        // Add and the arrows write a changed row first; the database refuses these.
        box(form, "txtReworkNumber")->setText(QStringLiteral("two"));
        click(form, "cmdAdd");
        QVERIFY(!navigator(form)->isNewRow());
        box(form, "txtReworkNumber")->setText(QStringLiteral("1"));
        // Before Add the date box takes any text, also a day that does not exist.
        MaskedDateBox* date = dateBox(form, "MaskEdBox1");
        enter(date);
        field(QStringLiteral("13/45/2026"));
        arrow(form, "Next");
        QCOMPARE(dialogs.texts(), QStringList({"Rework number: two is not a whole number.", "Date: 13/45/2026 is not a real date."}));
        QCOMPARE(dialogs.messages[1].title, QStringLiteral("Varnex"));
        QCOMPARE(date->text(), QStringLiteral("13/45/2026"));
        QCOMPARE(box(form, "txtModelNumber")->text(), QStringLiteral("M1"));
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 1 of  2"));
        QCOMPARE(stored(), QStringList({"2026-03-04|1|NULL", "2026-03-04|1|NULL"}));
        // Corrected, the move writes it.
        date->setText(QStringLiteral("12/25/2026"));
        enter(box(form, "txtOperatorNumber"));
        field(QStringLiteral("op4"));
        arrow(form, "Next");
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(navigator(form)->caption(), QStringLiteral("Record: 2 of  2"));
        QCOMPARE(stored(), QStringList({"2026-12-25|1|OP4", "2026-03-04|1|NULL"}));
    }

    void closingShowsMainMenuAndDropsUnsubmittedRow() {
        TestAppFolder app;
        insertRow(app, QStringLiteral("M1"), QStringLiteral("S1"), QStringLiteral("T1"));
        Dialogs::Scripted dialogs;
        DataEntryForm* form = openScreen();
        QVERIFY(form);
        click(form, "cmdAdd");
        field(QStringLiteral("b"));
        field(QStringLiteral("m9"));
        form->window()->close();
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmDataEntry")));
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(app.rows(QStringLiteral("SELECT ModelNumber FROM InspectionRecord")), QStringList{"M1"});
    }
};

QTEST_MAIN(TestDataEntryScreen)
#include "tst_dataentryscreen.moc"
