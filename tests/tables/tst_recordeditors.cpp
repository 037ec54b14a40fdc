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

// What differs between the six editors, written out here independently of the
// program's own family table. Their behaviour is one class's, checked below
// on the first of them.
struct EditorCase {
    QString form;
    QString menuButton;  // its entry on the Data Entry Menu
    QString caption;
    QString table;
    QStringList boxes;
    QStringList labels;
    QStringList fields;  // as written in SQL
    QList<int> maxLengths;  // 0: no limit
    QString codeWord;    // how a duplicate code is named
    bool selectsCodeOnEnter;
    bool handlesNavigatorEvents;  // frmStation has no validate/reposition/error handlers
    bool addFocusesFirstField;    // frmEmployee keeps the focus on Add ...
    bool upperCasesAll;           // ... and upper-cases every field on leaving any one
};

const QList<EditorCase>& editorCases() {
    static const QList<EditorCase> cases = {
        {"frmDefects", "cmdDefectCodes", "Defect ", "defects", {"txtDefectCode", "txtDefectDescription"},
         {"DefectCode:", "Description:"}, {"defectcode", "defectdescription"}, {0, 30}, "Defect code", true, true, true, false},
        {"frmPart", "cmdParts", "Part", "Parts", {"txtPartNumber", "txtDescription"}, {"PartNum:", "Description:"},
         {"partnum", "partdescription"}, {0, 35}, "Part number", false, true, true, false},
        {"frmModel", "cmdModel", "Model", "Model", {"txtModelNumber", "txtModelDescription"}, {"ModelNum:", "Description:"},
         {"ModelNumber", "ModelDescription"}, {15, 20}, "Model number", false, true, true, false},
        {"frmLocation", "cmdLocation", "Location", "location", {"txtLocationCode", "txtLocationDescription"},
         {"LocationCode:", "Description:"}, {"locationcode", "\"location description\""}, {0, 35}, "Location code", true, true,
         true, false},
        {"frmStation", "cmdStation", "Station", "Station", {"txtStation", "txtStationDescription"},
         {"Station ID:", "Station Description:"}, {"StationID", "\"Station Description\""}, {6, 35}, "Station ID", false, false,
         true, false},
        {"frmEmployee", "cmdEmployees", "Employee", "Employees", {"txtFields_0", "txtFields_1", "txtFields_2"},
         {"EmployeeNum:", "Last Name:", "First Initial:"}, {"EmployeeNum", "LastName", "FirstName"}, {0, 20, 20},
         "Employee number", false, true, false, true},
    };
    return cases;
}

// How the program names a duplicate code of the editor's table.
QString duplicateCode(const EditorCase& c, const QString& code) {
    return QStringLiteral("%1 %2 is already in the %3 table.").arg(c.codeWord, code, c.table);
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

    void eachEditorAsItsUserSeesIt_data();
    void eachEditorAsItsUserSeesIt();

    void longerStoredValueKeptWhole();
    void addThenUpdateKeepsRowOnScreenAndUpdateChangesCurrent();
    void deleteShowsNextRowAndLastLeavesNone();
    void refreshRereadsTableAndDropsEdits();
    void closingShowsMainMenu_data();
    void closingShowsMainMenu();
    void movingOffRowWritesEdits();
    void duplicateKeyOnMoveOrCloseKeepsRow();
    void duplicateKeyOnUpdateKeepsRow();
    void unopenableDatabaseOnLoad();
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

void TestRecordEditors::eachEditorAsItsUserSeesIt_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < editorCases().size(); ++i)
        QTest::newRow(qPrintable(editorCases()[i].form)) << i;
}

// Opened from the menu: caption, labels, the rows of its own
// table, tab order, the navigator's caption, the code box on entering; then
// a new row typed with its limits and upper-casing lands in the right fields.
void TestRecordEditors::eachEditorAsItsUserSeesIt() {
    QFETCH(int, index);
    const EditorCase& c = editorCases()[index];
    Dialogs::Scripted dialogs;
    TestAppFolder app;
    seed(app, c, {"CODE1", "B2"});
    Form* f = openFromMenu(c);
    QVERIFY(f);
    QVERIFY(!FormRegistry::instance().isVisible(QStringLiteral("frmDataEntMenu")));
    QCOMPARE(f->windowTitle(), c.caption);
    QVERIFY(dialogs.messages.isEmpty());
    for (int i = 0; i < c.boxes.size(); ++i) {
        QVERIFY2(box(f, c.boxes[i]), qPrintable(c.boxes[i]));
        QString label;
        for (QLabel* l : f->findChildren<QLabel*>())
            if (l->buddy() == box(f, c.boxes[i]))
                label = l->text();
        QCOMPARE(label, c.labels[i]);
    }
    QCOMPARE(boxTexts(f, c), rowValues(c, "CODE1"));

    // Tab order: fields top to bottom, then the buttons.
    const QStringList buttons{"cmdAdd", "cmdDelete", "cmdRefresh", "cmdUpdate", "cmdClose"};
    box(f, c.boxes.first())->setFocus(Qt::OtherFocusReason);
    QStringList order;
    for (int i = 0; i < c.boxes.size() + buttons.size(); ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, c.boxes + buttons);

    // Entering the code box selects from where the caret stands, in some editors.
    box(f, c.boxes.last())->setFocus(Qt::OtherFocusReason);
    QLineEdit* code = box(f, c.boxes.first());
    code->setCursorPosition(2);
    code->setFocus(Qt::OtherFocusReason);
    QCOMPARE(code->selectedText(), c.selectsCodeOnEnter ? QStringLiteral("DE1") : QString());

    // Without its handlers the station editor's navigator shows no position,
    // and the pointer is never left as an hourglass.
    clickArrow(f, "Next");
    QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
    QCOMPARE(navigator(f)->caption(), c.handlesNavigatorEvents ? QStringLiteral("Record: 2") : QString());
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);

    click(f, "cmdAdd");
    QCOMPARE(QApplication::focusWidget()->objectName(), c.addFocusesFirstField ? c.boxes.first() : QStringLiteral("cmdAdd"));
    for (int i = 0; i < c.boxes.size(); ++i) {
        QLineEdit* b = box(f, c.boxes[i]);
        b->setFocus(Qt::OtherFocusReason);
        const int limit = c.maxLengths[i];
        const int typed = limit > 0 ? limit + 1 : 60;
        QTest::keyClicks(b, QString(typed, QLatin1Char('X')));
        QCOMPARE(b->text().size(), limit > 0 ? limit : typed);
        b->clear();
    }
    // Leaving the code box upper-cases it; the employee editor upper-cases every field.
    const QStringList values = rowValues(c, "N9");
    code->setFocus(Qt::OtherFocusReason);
    for (int i = 1; i < c.boxes.size(); ++i)
        box(f, c.boxes[i])->setText(values[i].toLower());
    QTest::keyClicks(code, "n9");
    QTest::keyClick(code, Qt::Key_Tab);
    QCOMPARE(code->text(), QStringLiteral("N9"));
    for (int i = 1; i < c.boxes.size(); ++i)
        QCOMPARE(box(f, c.boxes[i])->text(), c.upperCasesAll ? values[i] : values[i].toLower());
    click(f, "cmdUpdate");  // leaving the box in the focus upper-cases it
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(tableRows(app, c).last(), values.join(QLatin1Char('|')));

    // A duplicate code, named in the table's words; the editors with handlers say so in their own.
    clickArrow(f, "First");
    code->setText(QStringLiteral("B2"));
    clickArrow(f, "Next");
    const QString said = duplicateCode(c, QStringLiteral("B2"));
    QCOMPARE(dialogs.texts(), QStringList{c.handlesNavigatorEvents ? QStringLiteral("Data error event hit err:") + said : said});
}

void TestRecordEditors::longerStoredValueKeptWhole() {
    const EditorCase& c = editorCases().first();
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
}

void TestRecordEditors::addThenUpdateKeepsRowOnScreenAndUpdateChangesCurrent() {
    const EditorCase& c = editorCases().first();
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
    QCOMPARE(QApplication::focusWidget()->objectName(), c.boxes.first());
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
    QCOMPARE(navigator(f)->caption(), QStringLiteral("Record: 3"));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);

    // Update on a row read from the file changes that row only.
    clickArrow(f, "Previous");
    QLineEdit* last = box(f, c.boxes.last());
    last->setFocus(Qt::OtherFocusReason);
    last->selectAll();
    QTest::keyClicks(last, "changed");
    click(f, "cmdUpdate");
    QVERIFY(dialogs.messages.isEmpty());
    QStringList expected = rowValues(c, "B2");
    expected.last() = QStringLiteral("CHANGED");
    QCOMPARE(tableRows(app, c), QStringList({rowValues(c, "A1").join('|'), expected.join('|'), values.join('|')}));
    QCOMPARE(boxTexts(f, c), expected);
    QCOMPARE(navigator(f)->absolutePosition(), 1);
}

void TestRecordEditors::deleteShowsNextRowAndLastLeavesNone() {
    const EditorCase& c = editorCases().first();
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
    QCOMPARE(dialogs.messages[0].defaultButton, Dialogs::Answer::No);
    dialogs.clear();
    QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
    QCOMPARE(tableRows(app, c), QStringList({rowValues(c, "B2").join('|'), rowValues(c, "C3").join('|')}));
    QCOMPARE(navigator(f)->caption(), QStringLiteral("Record: 1"));

    // Deleting the last row of the table leaves no current row.
    clickArrow(f, "Last");
    QCOMPARE(boxTexts(f, c), rowValues(c, "C3"));
    click(f, "cmdDelete");
    dialogs.clear();
    QVERIFY(!navigator(f)->hasCurrentRow());
    QCOMPARE(navigator(f)->absolutePosition(), -1);
    QCOMPARE(boxTexts(f, c), QStringList(QVector<QString>(c.boxes.size())));
    QCOMPARE(tableRows(app, c), QStringList({rowValues(c, "B2").join('|')}));
    QCOMPARE(navigator(f)->caption(), QStringLiteral("Record: 0"));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    QVERIFY(dialogs.messages.isEmpty());
    // Without a current row Delete and Update have nothing to act on.
    click(f, "cmdDelete");
    click(f, "cmdUpdate");
    QCOMPARE(dialogs.texts(), QStringList({"No current record.", "No current record."}));
    QCOMPARE(tableRows(app, c), QStringList({rowValues(c, "B2").join('|')}));

    // From there the arrows start again.
    clickArrow(f, "First");
    QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
}

void TestRecordEditors::refreshRereadsTableAndDropsEdits() {
    const EditorCase& c = editorCases().first();
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
    QTest::addColumn<QString>("how");
    for (const char* how : {"close button", "close box", "close box in background window"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void TestRecordEditors::closingShowsMainMenu() {
    QFETCH(QString, how);
    const EditorCase& c = editorCases().first();
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
    const EditorCase& c = editorCases().first();
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

void TestRecordEditors::duplicateKeyOnMoveOrCloseKeepsRow() {
    const EditorCase& c = editorCases().first();
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
    const QString said = QStringLiteral("Data error event hit err:") + duplicateCode(c, QStringLiteral("B2"));
    QCOMPARE(dialogs.texts(), QStringList{said});
    QCOMPARE(pointerDuringMessage, MousePointer::Shape::Hourglass);

    // The row stays on screen with the typed values; nothing was written.
    QCOMPARE(code->text(), QStringLiteral("B2"));
    QCOMPARE(box(f, c.boxes.last())->text(), QStringLiteral("TYPED"));
    QCOMPARE(navigator(f)->absolutePosition(), 0);
    QCOMPARE(navigator(f)->caption(), QStringLiteral("Record: 1"));
    QCOMPARE(tableRows(app, c), before);
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);

    // Closing is not cancelled, but the row that could not be stored is told.
    click(f, "cmdClose");
    QCOMPARE(dialogs.texts(), QStringList({said, said}));
    QVERIFY(!FormRegistry::instance().isLoaded(c.form));
    QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
    QCOMPARE(tableRows(app, c), before);
}

void TestRecordEditors::duplicateKeyOnUpdateKeepsRow() {
    const EditorCase& c = editorCases().first();
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

    QCOMPARE(dialogs.texts(), QStringList{duplicateCode(c, QStringLiteral("A1"))});
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

void TestRecordEditors::unopenableDatabaseOnLoad() {
    const EditorCase& c = editorCases().first();
    Dialogs::Scripted dialogs;
    TestAppFolder app(TestAppFolder::Data::None);
    Form* f = openFromMenu(c);
    QVERIFY(f);
    QCOMPARE(dialogs.messages.size(), 1);
    const QString text = dialogs.messages.first().text;
    // The engine's message, behind the editor's own words where it handles the event.
    const QString prefix = QStringLiteral("Data error event hit err:");
    QVERIFY2(text.startsWith(prefix + QStringLiteral("Could not find file")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("kelid.mdb")), qPrintable(text));
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
    if (!TestAppFolder::testServer().isEmpty())
        QSKIP("a file replaced by junk is a file matter");
    const EditorCase& c = editorCases().first();
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
    QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("file is not a database")});
    QVERIFY(FormRegistry::instance().isVisible(c.form));
    QCOMPARE(box(f, c.boxes.first())->text(), QStringLiteral("B2"));
    QCOMPARE(box(f, c.boxes.last())->text(), QStringLiteral("PENDING"));
    QVERIFY(navigator(f)->hasCurrentRow());
    QCOMPARE(navigator(f)->absolutePosition(), 1);
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
}

QTEST_MAIN(TestRecordEditors)
#include "tst_recordeditors.moc"
