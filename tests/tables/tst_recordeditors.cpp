// The six record editors, driven as a user drives them: opened from the Data
// Entry Menu, typed into, stepped with the navigator's arrows, and the rows
// that land in the file read back with plain SQL.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QScopeGuard>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "TestAppFolder.h"
#include "database/RecordNavigator.h"
#include "platform/Dialogs.h"
#include "platform/Form.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "shell/FormCatalog.h"

namespace {

// What each editor must look like, written out here independently of the
// program's own family table.
struct EditorCase {
    QString form;
    QString menuButton;  // its entry on the Data Entry Menu
    QString caption;
    QString table;
    QStringList boxes;
    QStringList labelNames;
    QStringList labels;
    QStringList fields;  // as written in SQL
    QList<int> maxLengths;  // 0: no limit
    bool selectsCodeOnEnter;
    bool handlesNavigatorEvents;  // frmStation has no validate/reposition/error handlers
    bool addFocusesFirstField;    // frmEmployee keeps the focus on Add
};

const QList<EditorCase>& editorCases() {
    static const QList<EditorCase> cases = {
        {"frmDefects", "cmdDefectCodes", "Defect ", "defects", {"txtDefectCode", "txtDefectDescription"},
         {"lblDefectCode", "lblDefectDescription"}, {"DefectCode:", "Description:"},
         {"defectcode", "defectdescription"}, {0, 30}, true, true, true},
        {"frmPart", "cmdParts", "Part", "Parts", {"txtPartNumber", "txtDescription"}, {"lblPartNumber", "lblDescription"},
         {"PartNum:", "Description:"}, {"partnum", "partdescription"}, {0, 35}, false, true, true},
        {"frmModel", "cmdModel", "Model", "Model", {"txtModelNumber", "txtModelDescription"},
         {"lblModelNumber", "lblModelDescription"}, {"ModelNum:", "Description:"}, {"ModelNumber", "ModelDescription"},
         {15, 20}, false, true, true},
        {"frmLocation", "cmdLocation", "Location", "location", {"txtLocationCode", "txtLocationDescription"},
         {"lblLocationCode", "lblLocationDescription"}, {"LocationCode:", "Description:"},
         {"locationcode", "\"location description\""}, {0, 35}, true, true, true},
        {"frmStation", "cmdStation", "Station", "Station", {"txtStation", "txtStationDescription"},
         {"lblStation", "lblStationDescription"}, {"Station ID:", "Station Description:"},
         {"StationID", "\"Station Description\""}, {6, 35}, false, false, true},
        {"frmEmployee", "cmdEmployees", "Employee", "Employees", {"txtFields_0", "txtFields_1", "txtFields_2"},
         {"lblLabels_0", "lblLabels_1", "lblLabels_2"}, {"EmployeeNum:", "Last Name:", "First Initial:"},
         {"EmployeeNum", "LastName", "FirstName"}, {0, 20, 20}, false, true, false},
    };
    return cases;
}

// How the program names a duplicate code of the editor's table.
QString duplicateCode(const EditorCase& c, const QString& code) {
    static const QHash<QString, QString> words{{"frmDefects", "Defect code"},   {"frmPart", "Part number"},
                                               {"frmModel", "Model number"},    {"frmLocation", "Location code"},
                                               {"frmStation", "Station ID"},    {"frmEmployee", "Employee number"}};
    return QStringLiteral("%1 %2 is already in the %3 table.").arg(words.value(c.form), code, c.table);
}

void addEditorRows() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < editorCases().size(); ++i)
        QTest::newRow(qPrintable(editorCases()[i].form)) << i;
}

// Row values for a table: code "<prefix>" and descriptions "<prefix> ONE" ...
QStringList rowValues(const EditorCase& c, const QString& code) {
    QStringList values{code};
    for (int i = 1; i < c.fields.size(); ++i)
        values << code + QStringLiteral(" D%1").arg(i);
    return values;
}

}  // namespace

class TestRecordEditors : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void opensFromMenuWithItsLayout_data() { addEditorRows(); }
    void opensFromMenuWithItsLayout();
    void maximumLengthsRefuseTyping_data() { addEditorRows(); }
    void maximumLengthsRefuseTyping();
    void longerStoredValueKeptWhole_data() { addEditorRows(); }
    void longerStoredValueKeptWhole();
    void addThenUpdateKeepsRowOnScreen_data() { addEditorRows(); }
    void addThenUpdateKeepsRowOnScreen();
    void updateChangesCurrentRow_data() { addEditorRows(); }
    void updateChangesCurrentRow();
    void deleteShowsNextRowAndLastLeavesNone_data() { addEditorRows(); }
    void deleteShowsNextRowAndLastLeavesNone();
    void refreshRereadsTableAndDropsEdits_data() { addEditorRows(); }
    void refreshRereadsTableAndDropsEdits();
    void closingShowsMainMenu_data();
    void closingShowsMainMenu();
    void movingOffRowWritesEdits_data() { addEditorRows(); }
    void movingOffRowWritesEdits();
    void upperCasesOnLeaving_data() { addEditorRows(); }
    void upperCasesOnLeaving();
    void selectsCodeOnEntering_data() { addEditorRows(); }
    void selectsCodeOnEntering();
    void pointerAndCaptionFollowNavigator_data() { addEditorRows(); }
    void pointerAndCaptionFollowNavigator();
    void duplicateKeyOnMoveKeepsRow_data() { addEditorRows(); }
    void duplicateKeyOnMoveKeepsRow();
    void duplicateKeyOnClosingIsReported_data() { addEditorRows(); }
    void duplicateKeyOnClosingIsReported();
    void duplicateKeyOnUpdateKeepsRow_data() { addEditorRows(); }
    void duplicateKeyOnUpdateKeepsRow();
    void buttonsWithoutCurrentRowReport_data() { addEditorRows(); }
    void buttonsWithoutCurrentRowReport();
    void unopenableDatabaseOnLoad_data() { addEditorRows(); }
    void unopenableDatabaseOnLoad();
    void unreadableDatabaseOnRefreshKeepsRow_data() { addEditorRows(); }
    void unreadableDatabaseOnRefreshKeepsRow();

private:
    // Fills the editor's table with rows coded by the given codes, in order.
    void seed(const TestAppFolder& app, const EditorCase& c, const QStringList& codes);
    QStringList tableRows(const TestAppFolder& app, const EditorCase& c);
    // Shows the Data Entry Menu and presses the editor's entry there.
    Form* openFromMenu(const EditorCase& c);
    static QLineEdit* box(Form* f, const QString& name) { return f->findChild<QLineEdit*>(name); }
    static RecordNavigator* navigator(Form* f) { return f->findChild<RecordNavigator*>(QStringLiteral("Data1")); }
    static void click(Form* f, const char* button);
    static void clickArrow(Form* f, const char* arrow);
    static QStringList boxTexts(Form* f, const EditorCase& c);
};

void TestRecordEditors::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    registerAllForms();
}

void TestRecordEditors::cleanup() {
    unloadAllForms();
    MousePointer::arrow();
}

void TestRecordEditors::seed(const TestAppFolder& app, const EditorCase& c, const QStringList& codes) {
    app.exec(QStringLiteral("DELETE FROM %1").arg(c.table));
    for (const QString& code : codes) {
        QStringList quoted;
        for (const QString& v : rowValues(c, code))
            quoted << QLatin1Char('\'') + v + QLatin1Char('\'');
        app.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(c.table, c.fields.join(QLatin1Char(',')), quoted.join(QLatin1Char(','))));
    }
}

QStringList TestRecordEditors::tableRows(const TestAppFolder& app, const EditorCase& c) {
    return app.rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(c.fields.join(QLatin1Char(',')), c.table));
}

Form* TestRecordEditors::openFromMenu(const EditorCase& c) {
    FormRegistry& forms = FormRegistry::instance();
    if (!forms.show(QStringLiteral("frmDataEntMenu")))
        return nullptr;
    auto* entry = forms.form(QStringLiteral("frmDataEntMenu"))->findChild<QAbstractButton*>(c.menuButton);
    if (!entry)
        return nullptr;
    entry->click();
    Form* f = forms.form(c.form);
    if (f && !QTest::qWaitForWindowActive(f->window()))
        return nullptr;
    return f;
}

void TestRecordEditors::click(Form* f, const char* button) {
    auto* b = f->findChild<QPushButton*>(QString::fromLatin1(button));
    QVERIFY2(b, button);
    QTest::mouseClick(b, Qt::LeftButton);
}

void TestRecordEditors::clickArrow(Form* f, const char* arrow) {
    auto* b = navigator(f)->findChild<QToolButton*>(QString::fromLatin1(arrow));
    QVERIFY2(b, arrow);
    QTest::mouseClick(b, Qt::LeftButton);
}

QStringList TestRecordEditors::boxTexts(Form* f, const EditorCase& c) {
    QStringList texts;
    for (const QString& name : c.boxes)
        texts << box(f, name)->text();
    return texts;
}

void TestRecordEditors::opensFromMenuWithItsLayout() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2"});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    QVERIFY(FormRegistry::instance().isVisible(c.form));
    QVERIFY(!FormRegistry::instance().isVisible(QStringLiteral("frmDataEntMenu")));
    QCOMPARE(f->kind(), Form::Kind::Child);
    QCOMPARE(f->windowTitle(), c.caption);
    QCOMPARE(f->helpContext(), 20);
    QVERIFY(dialogs.messages.isEmpty());

    // Labels and bound boxes, the first row shown.
    for (int i = 0; i < c.boxes.size(); ++i) {
        auto* label = f->findChild<QLabel*>(c.labelNames[i]);
        QVERIFY2(label, qPrintable(c.labelNames[i]));
        QCOMPARE(label->text(), c.labels[i]);
        QVERIFY2(box(f, c.boxes[i]), qPrintable(c.boxes[i]));
    }
    QCOMPARE(boxTexts(f, c), rowValues(c, "A1"));
    QCOMPARE(navigator(f)->caption(), c.handlesNavigatorEvents ? QStringLiteral("Record: 1") : QString());

    // Five buttons in one row, left to right.
    const QStringList names{"cmdAdd", "cmdDelete", "cmdRefresh", "cmdUpdate", "cmdClose"};
    const QStringList texts{"&Add", "&Delete", "&Refresh", "&Update", "&Close"};
    int lastX = -1;
    for (int i = 0; i < names.size(); ++i) {
        auto* b = f->findChild<QPushButton*>(names[i]);
        QVERIFY2(b, qPrintable(names[i]));
        QCOMPARE(b->text(), texts[i]);
        QVERIFY(b->x() > lastX);
        QVERIFY(b->y() > box(f, c.boxes.last())->y());
        lastX = b->x();
    }

    // Tab order: fields top to bottom, then the buttons.
    box(f, c.boxes.first())->setFocus(Qt::OtherFocusReason);
    QStringList order;
    for (int i = 0; i < c.boxes.size() + names.size(); ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, c.boxes + names);
}

void TestRecordEditors::maximumLengthsRefuseTyping() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    for (int i = 0; i < c.boxes.size(); ++i) {
        QLineEdit* b = box(f, c.boxes[i]);
        b->setFocus(Qt::OtherFocusReason);
        const int limit = c.maxLengths[i];
        const int typed = limit > 0 ? limit + 1 : 60;
        QTest::keyClicks(b, QString(typed, QLatin1Char('X')));
        QCOMPARE(b->text().size(), limit > 0 ? limit : typed);
    }
}

void TestRecordEditors::longerStoredValueKeptWhole() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1"});
    // Put there by other means (the grids have no length limits).
    const int limit = c.maxLengths.last();
    const QString stored = QString(limit + 5, QLatin1Char('L'));
    app.exec(QStringLiteral("UPDATE %1 SET %2 = '%3'").arg(c.table, c.fields.last(), stored));
    Form* f = openFromMenu(c);
    QVERIFY(f);
    QLineEdit* last = box(f, c.boxes.last());
    QCOMPARE(last->text(), stored);

    // Another field changed and the row stored: the long value is not cut.
    box(f, c.boxes.first())->setText(QStringLiteral("A2"));
    click(f, "cmdUpdate");
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(tableRows(app, c).first().section('|', -1), stored);
    QCOMPARE(tableRows(app, c).first().section('|', 0, 0), QStringLiteral("A2"));

    // It cannot grow, but can be shortened.
    last->setFocus(Qt::OtherFocusReason);
    last->end(false);
    QTest::keyClicks(last, "M");
    QCOMPARE(last->text(), stored);
    last->setCursorPosition(2);
    QTest::keyClicks(last, "M");
    QCOMPARE(last->text(), stored);
    QCOMPARE(last->cursorPosition(), 2);
    QTest::keyClick(last, Qt::Key_Backspace);
    QCOMPARE(last->text().size(), limit + 4);
    QTest::keyClicks(last, "M");
    QCOMPARE(last->text().size(), limit + 4);
}

void TestRecordEditors::addThenUpdateKeepsRowOnScreen() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2"});
    Form* f = openFromMenu(c);
    QVERIFY(f);

    // By keyboard: the access keys of Add and Update.
    box(f, c.boxes.last())->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(navigator(f)->isNewRow());  // an access key clicks after a short animation
    QCOMPARE(boxTexts(f, c), QStringList(QVector<QString>(c.boxes.size())));
    const QString focus = c.addFocusesFirstField ? c.boxes.first() : QStringLiteral("cmdAdd");
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);

    // Typed in lower case: leaving each box upper-cases it, the last one as
    // the focus moves to Update.
    box(f, c.boxes.first())->setFocus(Qt::OtherFocusReason);
    const QStringList values = rowValues(c, "N9");
    for (int i = 0; i < c.boxes.size(); ++i) {
        QTest::keyClicks(QApplication::focusWidget(), values[i].toLower());
        if (i + 1 < c.boxes.size())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);
    QTRY_VERIFY(!navigator(f)->isNewRow());

    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(tableRows(app, c).size(), 3);
    QCOMPARE(tableRows(app, c).last(), values.join(QLatin1Char('|')));
    QCOMPARE(boxTexts(f, c), values);
    QVERIFY(navigator(f)->hasCurrentRow());
    QCOMPARE(navigator(f)->absolutePosition(), 2);
    QCOMPARE(navigator(f)->caption(), c.handlesNavigatorEvents ? QStringLiteral("Record: 3") : QString());
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
}

void TestRecordEditors::updateChangesCurrentRow() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2", "C3"});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    clickArrow(f, "Next");
    QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));

    QLineEdit* last = box(f, c.boxes.last());
    last->setFocus(Qt::OtherFocusReason);
    last->selectAll();
    QTest::keyClicks(last, "changed");
    click(f, "cmdUpdate");

    QVERIFY(dialogs.messages.isEmpty());
    QStringList expected = rowValues(c, "B2");
    expected.last() = QStringLiteral("CHANGED");
    QCOMPARE(tableRows(app, c)[1], expected.join(QLatin1Char('|')));
    QCOMPARE(boxTexts(f, c), expected);
    QCOMPARE(navigator(f)->absolutePosition(), 1);
    QCOMPARE(tableRows(app, c).size(), 3);
}

void TestRecordEditors::deleteShowsNextRowAndLastLeavesNone() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2", "C3"});
    Form* f = openFromMenu(c);
    QVERIFY(f);

    // Asked first: No keeps the row.
    dialogs.answers << Dialogs::Answer::No << Dialogs::Answer::Yes << Dialogs::Answer::Yes;
    click(f, "cmdDelete");
    QCOMPARE(boxTexts(f, c), rowValues(c, "A1"));
    QCOMPARE(tableRows(app, c).size(), 3);
    click(f, "cmdDelete");
    QCOMPARE(dialogs.texts(), QStringList({"Delete this record?", "Delete this record?"}));
    QCOMPARE(dialogs.messages[0].buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(dialogs.messages[0].defaultButton, Dialogs::Answer::No);
    QCOMPARE(dialogs.messages[0].title, QStringLiteral("Varnex"));
    dialogs.clear();
    QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
    QCOMPARE(tableRows(app, c), QStringList({rowValues(c, "B2").join('|'), rowValues(c, "C3").join('|')}));
    QCOMPARE(navigator(f)->caption(), c.handlesNavigatorEvents ? QStringLiteral("Record: 1") : QString());

    // Deleting the last row of the table leaves no current row.
    clickArrow(f, "Last");
    QCOMPARE(boxTexts(f, c), rowValues(c, "C3"));
    click(f, "cmdDelete");
    dialogs.clear();
    QVERIFY(!navigator(f)->hasCurrentRow());
    QCOMPARE(navigator(f)->absolutePosition(), -1);
    QCOMPARE(boxTexts(f, c), QStringList(QVector<QString>(c.boxes.size())));
    QCOMPARE(tableRows(app, c), QStringList({rowValues(c, "B2").join('|')}));
    QCOMPARE(navigator(f)->caption(), c.handlesNavigatorEvents ? QStringLiteral("Record: 0") : QString());
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QVERIFY(dialogs.messages.isEmpty());

    // From there the arrows and Add start again.
    clickArrow(f, "First");
    QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
}

void TestRecordEditors::refreshRereadsTableAndDropsEdits() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"B2"});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    clickArrow(f, "Last");

    // Another form adds a row; this editor's typing is not written by Refresh.
    app.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES ('Z0', 'Z')").arg(c.table, c.fields.mid(0, 2).join(',')));
    box(f, c.boxes.last())->setText(QStringLiteral("NOT STORED"));
    click(f, "cmdRefresh");

    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(navigator(f)->recordCount(), 2);
    QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
    QCOMPARE(tableRows(app, c).first(), rowValues(c, "B2").join('|'));
    clickArrow(f, "Last");
    QCOMPARE(box(f, c.boxes.first())->text(), QStringLiteral("Z0"));
}

void TestRecordEditors::closingShowsMainMenu_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("how");
    for (int i = 0; i < editorCases().size(); ++i) {
        for (const char* how : {"close button", "close box", "close box in background window"})
            QTest::addRow("%s %s", qPrintable(editorCases()[i].form), how) << i << QString::fromLatin1(how);
    }
}

void TestRecordEditors::closingShowsMainMenu() {
    QFETCH(int, index);
    QFETCH(QString, how);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1"});
    FormRegistry& forms = FormRegistry::instance();
    // Child forms in a background window's area, as in the running program.
    QMdiArea area;
    // Forms go before the area that holds them, even when a check fails.
    const auto release = qScopeGuard([&] {
        unloadAllForms();
        forms.setMdiArea(nullptr);
    });
    if (how.endsWith(QLatin1String("background window"))) {
        area.resize(1000, 700);
        area.show();
        forms.setMdiArea(&area);
    }
    forms.show(QStringLiteral("frmMain"));
    forms.hide(QStringLiteral("frmMain"));
    Form* f = openFromMenu(c);
    QVERIFY(f);
    QVERIFY(!forms.isVisible(QStringLiteral("frmMain")));
    QCOMPARE(f->window_() != f, forms.mdiArea() != nullptr);

    // A pending edit is written as the editor closes.
    box(f, c.boxes.last())->setText(QStringLiteral("CLOSED"));
    MousePointer::hourglass();
    if (how == QLatin1String("close button"))
        click(f, "cmdClose");
    else
        QVERIFY(!f->window_()->close());  // the form unloads itself instead
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(!forms.isLoaded(c.form));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QVERIFY(forms.isLoaded(QStringLiteral("frmDataEntMenu")));
    QVERIFY(!forms.isVisible(QStringLiteral("frmDataEntMenu")));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QVERIFY(dialogs.messages.isEmpty());
    QStringList expected = rowValues(c, "A1");
    expected.last() = QStringLiteral("CLOSED");
    QCOMPARE(tableRows(app, c), QStringList{expected.join('|')});

    // Opened again, it starts afresh at the first row.
    Form* again = openFromMenu(c);
    QVERIFY(again);
    QCOMPARE(boxTexts(again, c), expected);
}

void TestRecordEditors::movingOffRowWritesEdits() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2"});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    QLineEdit* last = box(f, c.boxes.last());
    last->setFocus(Qt::OtherFocusReason);
    last->selectAll();
    QTest::keyClicks(last, "moved");
    clickArrow(f, "Next");
    QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
    QStringList expected = rowValues(c, "A1");
    // The arrows take no focus; the box is upper-cased before its row is written.
    expected.last() = QStringLiteral("MOVED");
    QCOMPARE(tableRows(app, c).first(), expected.join('|'));
    QVERIFY(dialogs.messages.isEmpty());
}

void TestRecordEditors::upperCasesOnLeaving() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    click(f, "cmdAdd");

    // Boxes other than the code box hold lower-case text put there without focus.
    for (int i = 1; i < c.boxes.size(); ++i)
        box(f, c.boxes[i])->setText(QStringLiteral("abc%1").arg(i));
    QLineEdit* code = box(f, c.boxes.first());
    code->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(code, "ab12c");
    QCOMPARE(code->text(), QStringLiteral("ab12c"));
    QTest::keyClick(code, Qt::Key_Tab);
    QCOMPARE(code->text(), QStringLiteral("AB12C"));

    // Only the employee editor upper-cases every field on leaving any one of them.
    for (int i = 1; i < c.boxes.size(); ++i) {
        const QString expected = QStringLiteral("abc%1").arg(i);
        QCOMPARE(box(f, c.boxes[i])->text(), c.form == "frmEmployee" ? expected.toUpper() : expected);
    }
    // Leaving a description box upper-cases it too.
    QLineEdit* description = box(f, c.boxes.last());
    description->setFocus(Qt::OtherFocusReason);
    description->end(false);
    QTest::keyClicks(description, "x");
    QTest::keyClick(description, Qt::Key_Tab);
    QCOMPARE(description->text(), QStringLiteral("ABC%1X").arg(c.boxes.size() - 1));
}

void TestRecordEditors::selectsCodeOnEntering() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"CODE1"});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    box(f, c.boxes.last())->setFocus(Qt::OtherFocusReason);
    QLineEdit* code = box(f, c.boxes.first());
    code->setCursorPosition(2);
    code->setFocus(Qt::OtherFocusReason);
    // The selection runs from where the caret stands.
    QCOMPARE(code->selectedText(), c.selectsCodeOnEnter ? QStringLiteral("DE1") : QString());
}

void TestRecordEditors::pointerAndCaptionFollowNavigator() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2", "C3"});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    RecordNavigator* data = navigator(f);

    // Connected after the editor's own handlers, so these see what they left.
    QList<MousePointer::Shape> atValidate;
    QList<MousePointer::Shape> atReposition;
    QStringList captions;
    connect(data, &RecordNavigator::validate, this, [&] { atValidate << MousePointer::current(); });
    connect(data, &RecordNavigator::reposition, this, [&] {
        atReposition << MousePointer::current();
        captions << data->caption();
    });

    clickArrow(f, "Last");
    clickArrow(f, "Previous");
    clickArrow(f, "First");
    QCOMPARE(boxTexts(f, c), rowValues(c, "A1"));
    QCOMPARE(atValidate.size(), 3);
    QCOMPARE(atReposition.size(), 3);
    if (c.handlesNavigatorEvents) {
        QCOMPARE(atValidate, QList<MousePointer::Shape>(3, MousePointer::Shape::Hourglass));
        QCOMPARE(atReposition, QList<MousePointer::Shape>(3, MousePointer::Shape::Default));
        QCOMPARE(captions, QStringList({"Record: 3", "Record: 2", "Record: 1"}));
    } else {
        // No handlers: the pointer never changes and the caption never shows the position.
        QCOMPARE(atValidate, QList<MousePointer::Shape>(3, MousePointer::Shape::Default));
        QCOMPARE(captions, QStringList(3, QString()));
    }
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
}

void TestRecordEditors::duplicateKeyOnMoveKeepsRow() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    MousePointer::Shape pointerDuringMessage = MousePointer::Shape::Default;
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2"});
    const QStringList before = tableRows(app, c);
    dialogs.onMessage = [&](const Dialogs::Message&) { pointerDuringMessage = MousePointer::current(); };
    Form* f = openFromMenu(c);
    QVERIFY(f);

    QLineEdit* code = box(f, c.boxes.first());
    code->setFocus(Qt::OtherFocusReason);
    code->selectAll();
    QTest::keyClicks(code, "B2");
    box(f, c.boxes.last())->setText(QStringLiteral("TYPED"));
    clickArrow(f, "Next");

    QCOMPARE(dialogs.messages.size(), 1);
    const Dialogs::Message m = dialogs.messages.first();
    const QString said = duplicateCode(c, QStringLiteral("B2"));
    QCOMPARE(m.text, c.handlesNavigatorEvents ? QStringLiteral("Data error event hit err:") + said : said);
    QCOMPARE(m.buttons, Dialogs::Buttons::Ok);
    QCOMPARE(m.icon, Dialogs::Icon::None);
    QCOMPARE(m.title, QStringLiteral("Varnex"));
    QCOMPARE(pointerDuringMessage,
             c.handlesNavigatorEvents ? MousePointer::Shape::Hourglass : MousePointer::Shape::Default);

    // The row stays on screen with the typed values; nothing was written.
    QCOMPARE(code->text(), QStringLiteral("B2"));
    QCOMPARE(box(f, c.boxes.last())->text(), QStringLiteral("TYPED"));
    QCOMPARE(navigator(f)->absolutePosition(), 0);
    QCOMPARE(navigator(f)->caption(), c.handlesNavigatorEvents ? QStringLiteral("Record: 1") : QString());
    QCOMPARE(tableRows(app, c), before);
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QVERIFY(FormRegistry::instance().isVisible(c.form));

    // Corrected, the move goes through and stores the row.
    code->selectAll();
    QTest::keyClicks(code, "A7");
    clickArrow(f, "Next");
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(box(f, c.boxes.first())->text(), QStringLiteral("B2"));
    QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = 'A7'").arg(c.table, c.fields.first())).toInt(), 1);
}

void TestRecordEditors::duplicateKeyOnClosingIsReported() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2"});
    const QStringList before = tableRows(app, c);
    Form* f = openFromMenu(c);
    QVERIFY(f);
    box(f, c.boxes.first())->setText(QStringLiteral("B2"));
    click(f, "cmdClose");

    // The closing is not cancelled, but the row that could not be stored is told.
    const QString said = duplicateCode(c, QStringLiteral("B2"));
    QCOMPARE(dialogs.texts(), QStringList{c.handlesNavigatorEvents ? QStringLiteral("Data error event hit err:") + said : said});
    QVERIFY(!FormRegistry::instance().isLoaded(c.form));
    QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QCOMPARE(tableRows(app, c), before);
}

void TestRecordEditors::duplicateKeyOnUpdateKeepsRow() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2"});
    const QStringList before = tableRows(app, c);
    Form* f = openFromMenu(c);
    QVERIFY(f);

    // A new row with a code that exists already.
    click(f, "cmdAdd");
    const QStringList typed = rowValues(c, "A1");
    for (int i = 0; i < c.boxes.size(); ++i)
        box(f, c.boxes[i])->setText(typed[i]);
    click(f, "cmdUpdate");

    QCOMPARE(dialogs.messages.size(), 1);
    const Dialogs::Message m = dialogs.messages.first();
    QCOMPARE(m.text, duplicateCode(c, QStringLiteral("A1")));
    QCOMPARE(m.buttons, Dialogs::Buttons::Ok);
    QCOMPARE(m.icon, Dialogs::Icon::None);
    QCOMPARE(m.title, QStringLiteral("Varnex"));
    QCOMPARE(boxTexts(f, c), typed);
    QVERIFY(navigator(f)->isNewRow());
    QCOMPARE(tableRows(app, c), before);
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QVERIFY(FormRegistry::instance().isVisible(c.form));

    // A missing key is refused in the same way.
    dialogs.clear();
    box(f, c.boxes.first())->clear();
    click(f, "cmdUpdate");
    QVERIFY2(dialogs.texts().value(0).endsWith(QStringLiteral(" must be filled in: every row of the %1 table has one.").arg(c.table)),
             qPrintable(dialogs.texts().value(0)));
    QCOMPARE(tableRows(app, c), before);
}

void TestRecordEditors::buttonsWithoutCurrentRowReport() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    QVERIFY(dialogs.messages.isEmpty());
    QVERIFY(!navigator(f)->hasCurrentRow());
    QCOMPARE(navigator(f)->caption(), c.handlesNavigatorEvents ? QStringLiteral("Record: 0") : QString());

    click(f, "cmdDelete");
    click(f, "cmdUpdate");
    QCOMPARE(dialogs.texts(), QStringList({"No current record.", "No current record."}));
    for (const Dialogs::Message& m : dialogs.messages) {
        QCOMPARE(m.title, QStringLiteral("Varnex"));
        QCOMPARE(m.icon, Dialogs::Icon::None);
    }
    QVERIFY(FormRegistry::instance().isVisible(c.form));
    QCOMPARE(tableRows(app, c), QStringList());
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
}

void TestRecordEditors::unopenableDatabaseOnLoad() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app(TestAppFolder::Data::None);
    Form* f = openFromMenu(c);
    QVERIFY(f);
    QCOMPARE(dialogs.messages.size(), 1);
    const QString text = dialogs.messages.first().text;
    // The engine's message, behind the editor's own words where it handles the event.
    const QString prefix = c.handlesNavigatorEvents ? QStringLiteral("Data error event hit err:") : QString();
    QVERIFY2(text.startsWith(prefix + QStringLiteral("Could not find file")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("kelid.mdb")), qPrintable(text));
    QCOMPARE(dialogs.messages.first().title, QStringLiteral("Varnex"));
    QVERIFY(FormRegistry::instance().isVisible(c.form));
    QCOMPARE(boxTexts(f, c), QStringList(QVector<QString>(c.boxes.size())));
    QVERIFY(!QFile::exists(app.livePath()));  // nothing was created

    // The buttons report the closed file; closing still returns to the main menu.
    dialogs.clear();
    click(f, "cmdAdd");
    QCOMPARE(dialogs.messages.size(), 1);
    click(f, "cmdClose");
    QVERIFY(!FormRegistry::instance().isLoaded(c.form));
    QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
}

void TestRecordEditors::unreadableDatabaseOnRefreshKeepsRow() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"A1", "B2"});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    clickArrow(f, "Next");
    box(f, c.boxes.last())->setText(QStringLiteral("PENDING"));

    // The file is replaced by something that is not a database.
    QVERIFY(QFile::remove(app.livePath()));
    QFile junk(app.livePath());
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();

    click(f, "cmdRefresh");
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().text, QStringLiteral("file is not a database"));
    QCOMPARE(dialogs.messages.first().title, QStringLiteral("Varnex"));
    QVERIFY(FormRegistry::instance().isVisible(c.form));
    QCOMPARE(box(f, c.boxes.first())->text(), QStringLiteral("B2"));
    QCOMPARE(box(f, c.boxes.last())->text(), QStringLiteral("PENDING"));
    QVERIFY(navigator(f)->hasCurrentRow());
    QCOMPARE(navigator(f)->absolutePosition(), 1);
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
}

QTEST_MAIN(TestRecordEditors)
#include "tst_recordeditors.moc"
