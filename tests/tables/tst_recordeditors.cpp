// The six record editors, driven as a user drives them: opened from the Data
// Entry Menu, typed into, stepped with the navigator's arrows, and the rows
// that land in the file read back with plain SQL.
#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
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
    QString table;
    QStringList boxes;
    QStringList fields;     // as written in SQL
    QList<int> maxLengths;  // 0: no limit
    QString codeWord;       // how a duplicate code is named
    bool selectsCodeOnEnter;
    bool handlesNavigatorEvents;  // frmStation has no validate/reposition/error handlers
    bool addFocusesFirstField;    // frmEmployee keeps the focus on Add ...
    bool upperCasesAll;           // ... and upper-cases every field on leaving any one
};

const QList<EditorCase>& editorCases() {
    static const QList<EditorCase> cases = {
        {"frmDefects", "cmdDefectCodes", "defects", {"txtDefectCode", "txtDefectDescription"},
         {"defectcode", "defectdescription"}, {0, 50}, "Defect code", true, true, true, false},
        {"frmPart", "cmdParts", "Parts", {"txtPartNumber", "txtDescription"}, {"partnum", "partdescription"}, {0, 50},
         "Part number", false, true, true, false},
        {"frmModel", "cmdModel", "Model", {"txtModelNumber", "txtModelDescription"}, {"ModelNumber", "ModelDescription"},
         {15, 50}, "Model number", false, true, true, false},
        {"frmLocation", "cmdLocation", "location", {"txtLocationCode", "txtLocationDescription"},
         {"locationcode", "\"location description\""}, {0, 50}, "Location code", true, true, true, false},
        {"frmStation", "cmdStation", "Station", {"txtStation", "txtStationDescription"},
         {"StationID", "\"Station Description\""}, {6, 50}, "Station ID", false, false, true, false},
        {"frmEmployee", "cmdEmployees", "Employees", {"txtFields_0", "txtFields_1", "txtFields_2"},
         {"EmployeeNum", "LastName", "FirstName"}, {0, 20, 20}, "Employee number", false, true, false, true},
    };
    return cases;
}

const EditorCase& defects() { return editorCases().first(); }

const QString kHandled = QStringLiteral("Data error event hit err:");

// How the program names a duplicate code of the editor's table.
QString duplicateCode(const EditorCase& c, const QString& code) {
    return QStringLiteral("%1 %2 is already in the %3 table.").arg(c.codeWord, code, c.table);
}

// Row values for a table: code "<code>", then "<code> D1", "<code> D2" ...
QStringList rowValues(const EditorCase& c, const QString& code) {
    QStringList values{code};
    for (int i = 1; i < c.fields.size(); ++i)
        values << code + QStringLiteral(" D%1").arg(i);
    return values;
}

QString row(const EditorCase& c, const QString& code) { return rowValues(c, code).join(QLatin1Char('|')); }

// Fills the editor's table with rows coded by the given codes, in order.
void seed(const TestAppFolder& app, const EditorCase& c, const QStringList& codes) {
    app.exec(QStringLiteral("DELETE FROM %1").arg(c.table));
    for (const QString& code : codes)
        app.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES ('%3')").arg(c.table, c.fields.join(QLatin1Char(',')), rowValues(c, code).join("','")));
}

QStringList tableRows(const TestAppFolder& app, const EditorCase& c) {
    return app.rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(c.fields.join(QLatin1Char(',')), c.table));
}

// Shows the Data Entry Menu and presses the editor's entry there.
Form* openFromMenu(const EditorCase& c) {
    FormRegistry& forms = FormRegistry::instance();
    if (!forms.show(QStringLiteral("frmDataEntMenu")))
        return nullptr;
    forms.form(QStringLiteral("frmDataEntMenu"))->findChild<QAbstractButton*>(c.menuButton)->click();
    Form* f = forms.form(c.form);
    return f && QTest::qWaitForWindowActive(f->window()) ? f : nullptr;
}

QLineEdit* box(Form* f, const QString& name) { return f->findChild<QLineEdit*>(name); }
RecordNavigator* navigator(Form* f) { return f->findChild<RecordNavigator*>(QStringLiteral("Data1")); }

void click(Form* f, const char* button) { QTest::mouseClick(f->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton); }
void clickArrow(Form* f, const char* arrow) {
    QTest::mouseClick(navigator(f)->findChild<QToolButton*>(QString::fromLatin1(arrow)), Qt::LeftButton);
}

QStringList boxTexts(Form* f, const EditorCase& c) {
    QStringList texts;
    for (const QString& name : c.boxes)
        texts << box(f, name)->text();
    return texts;
}

}  // namespace

class TestRecordEditors : public QObject {
    Q_OBJECT
    std::unique_ptr<TestAppFolder> m_app;
    std::unique_ptr<Dialogs::Scripted> m_dialogs;

    // A blank folder whose table holds the given codes, and the editor opened on it.
    Form* start(const EditorCase& c, const QStringList& codes) {
        m_dialogs = std::make_unique<Dialogs::Scripted>();
        m_app = std::make_unique<TestAppFolder>();
        seed(*m_app, c, codes);
        return openFromMenu(c);
    }
    QStringList rows() { return tableRows(*m_app, defects()); }

private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() {
        unloadAllForms();
        MousePointer::arrow();
        m_app.reset();
        m_dialogs.reset();
    }

    void codeInUseAsksBeforeDeleteOrChange_data() { eachEditorAsItsUserSeesIt_data(); }

    // A code that inspection rows name is deleted or changed only after a
    // question that counts the rows (each row once); No keeps the stored code
    // and, on a move, the row and its typing.
    void codeInUseAsksBeforeDeleteOrChange() {
        QFETCH(int, index);
        const EditorCase& c = editorCases()[index];
        Form* f = start(c, {"CODE1", "B2"});
        QVERIFY(f);
        struct Use { const char* table; const char* named; const char* kept; const char* rows; };
        const Use uses[] = {
            {"defects", "Defect code", "code", "(DefectCode) VALUES ('CODE1'), ('CODE1')"},
            {"Parts", "Part", "number", "(PartNum) VALUES ('CODE1'), ('CODE1')"},
            {"Model", "Model", "number", "(ModelNumber) VALUES ('CODE1'), ('CODE1')"},
            {"location", "Location code", "code", "(LocationCode) VALUES ('CODE1'), ('CODE1')"},
            {"Station", "Station", "ID", "(Station) VALUES ('CODE1'), ('CODE1')"},
            {"Employees", "Employee", "number", "(InspectorNum, OperatorNum, InspNum) VALUES ('CODE1', 'CODE1', NULL), "
                                                "(NULL, NULL, 'CODE1'), ('B2', NULL, NULL)"},
        };
        const Use& use = *std::find_if(std::begin(uses), std::end(uses), [&](const Use& u) { return c.table == QLatin1String(u.table); });
        m_app->exec(QStringLiteral("INSERT INTO InspectionRecord ") + QLatin1String(use.rows));
        const QString usedBy = QStringLiteral("%1 CODE1 is used by 2 inspection rows").arg(QLatin1String(use.named));
        click(f, "cmdDelete");  // No, the default
        QCOMPARE(m_dialogs->texts(), QStringList{usedBy + QStringLiteral(". Delete it anyway?")});
        QVERIFY(m_dialogs->messages[0].buttons == Dialogs::Buttons::YesNo &&
                m_dialogs->messages[0].defaultButton == Dialogs::Answer::No &&
                m_dialogs->messages[0].icon == Dialogs::Icon::Question);

        m_dialogs->clear();
        box(f, c.boxes.first())->setText(QStringLiteral("CODE9"));
        clickArrow(f, "Next");  // No: the row stays, as typed
        QCOMPARE(m_dialogs->texts(),
                 QStringList{usedBy + QStringLiteral(", which keep the old %1. Change it anyway?").arg(QLatin1String(use.kept))});
        QCOMPARE(box(f, c.boxes.first())->text(), QStringLiteral("CODE9"));
        QCOMPARE(tableRows(*m_app, c).first(), row(c, "CODE1"));
        m_dialogs->answers << Dialogs::Answer::Yes;
        clickArrow(f, "Next");
        QCOMPARE(tableRows(*m_app, c), QStringList({row(c, "CODE1").replace("CODE1|", "CODE9|"), row(c, "B2")}));
        QCOMPARE(box(f, c.boxes.first())->text(), QStringLiteral("B2"));
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        // A code no row names any more: the usual question.
        m_dialogs->clear();
        clickArrow(f, "First");
        click(f, "cmdDelete");
        QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("Delete this record?")});
        QCOMPARE(m_app->scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), c.table == "Employees" ? 3 : 2);
    }

    void eachEditorAsItsUserSeesIt_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < editorCases().size(); ++i)
            QTest::newRow(qPrintable(editorCases()[i].form)) << i;
    }

    // Opened from the menu: the rows of its own table, the navigator's caption,
    // the code box on entering; then a new row typed with its limits and
    // upper-casing lands in the right fields, and a duplicate code is refused
    // in the table's words.
    void eachEditorAsItsUserSeesIt() {
        QFETCH(int, index);
        const EditorCase& c = editorCases()[index];
        Form* f = start(c, {"CODE1", "B2"});
        QVERIFY(f);
        QCOMPARE(boxTexts(f, c), rowValues(c, "CODE1"));

        // Entering the code box selects from where the caret stands, in some editors.
        box(f, c.boxes.last())->setFocus(Qt::OtherFocusReason);
        QLineEdit* code = box(f, c.boxes.first());
        code->setCursorPosition(2);
        code->setFocus(Qt::OtherFocusReason);
        QCOMPARE(code->selectedText(), c.selectsCodeOnEnter ? QStringLiteral("DE1") : QString());

        // Without its handlers the station editor's navigator shows no position.
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
            QTest::keyClicks(b, QString(limit > 0 ? limit + 1 : 60, QLatin1Char('X')));
            QCOMPARE(b->text().size(), limit > 0 ? limit : 60);
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
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(tableRows(*m_app, c).last(), row(c, "N9"));

        // A duplicate code; the editors with handlers put their own words before it.
        clickArrow(f, "First");
        code->setText(QStringLiteral("B2"));
        clickArrow(f, "Next");
        const QString said = duplicateCode(c, QStringLiteral("B2"));
        QCOMPARE(m_dialogs->texts(), QStringList{c.handlesNavigatorEvents ? kHandled + said : said});
    }

    // The arrows take no focus: the box typed in is upper-cased before its row
    // is written, and a stored value longer than the box takes is kept whole.
    // Added by the access keys, a row stays on screen; Update changes the
    // current row only.
    void editsAreWrittenOnMoveAddAndUpdate() {
        const EditorCase& c = defects();
        Form* f = start(c, {"A1", "B2"});
        QVERIFY(f);
        const QString stored(c.maxLengths.last() + 5, QLatin1Char('L'));  // from the grids, which have no limits
        m_app->exec(QStringLiteral("UPDATE defects SET defectdescription = '%1' WHERE defectcode = 'A1'").arg(stored));
        click(f, "cmdRefresh");
        QLineEdit* code = box(f, c.boxes.first());
        code->setFocus(Qt::OtherFocusReason);
        code->selectAll();
        QTest::keyClicks(code, "a3");
        clickArrow(f, "Next");
        QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
        QCOMPARE(rows(), QStringList({"A3|" + stored, row(c, "B2")}));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(navigator(f)->isNewRow());  // an access key clicks after a short animation
        QCOMPARE(boxTexts(f, c), QStringList({"", ""}));
        code->setText(QStringLiteral("N9"));
        box(f, c.boxes.last())->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(box(f, c.boxes.last()), "new");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);
        QTRY_VERIFY(!navigator(f)->isNewRow());
        QCOMPARE(boxTexts(f, c), QStringList({"N9", "NEW"}));
        QCOMPARE(navigator(f)->caption(), QStringLiteral("Record: 3"));

        clickArrow(f, "Previous");
        box(f, c.boxes.last())->setText(QStringLiteral("CHANGED"));
        click(f, "cmdUpdate");
        QCOMPARE(rows(), QStringList({"A3|" + stored, "B2|CHANGED", "N9|NEW"}));
        // The editor's writes are in the audit trail: the code retyped, then the description.
        QCOMPARE(m_app->rows(QStringLiteral("SELECT RowKey, Action, CASE WHEN replace(Changes, ' ', '') LIKE '%\"A1\",\"A3\"%' OR "
                                            "replace(Changes, ' ', '') LIKE '%\"CHANGED\"]%' THEN 'old and new' END FROM AuditEntries WHERE Action = 'update' "
                                            "AND RowKey IN ('A1', 'B2') ORDER BY EntryID DESC LIMIT 2")),
                 QStringList({"B2|update|old and new", "A1|update|old and new"}));
        QCOMPARE(navigator(f)->absolutePosition(), 1);
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void deleteShowsNextRowAndLastLeavesNone() {
        const EditorCase& c = defects();
        Form* f = start(c, {"A1", "B2", "C3"});
        QVERIFY(f);

        // Asked first, No the default: No keeps the row.
        m_dialogs->answers << Dialogs::Answer::No << Dialogs::Answer::Yes << Dialogs::Answer::Yes;
        click(f, "cmdDelete");
        QCOMPARE(rows().size(), 3);
        click(f, "cmdDelete");
        QCOMPARE(m_dialogs->texts(), QStringList({"Delete this record?", "Delete this record?"}));
        QCOMPARE(m_dialogs->messages[0].defaultButton, Dialogs::Answer::No);
        m_dialogs->clear();
        QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
        QCOMPARE(rows(), QStringList({row(c, "B2"), row(c, "C3")}));
        QCOMPARE(navigator(f)->caption(), QStringLiteral("Record: 1"));

        // Deleting the last row of the table leaves no current row.
        clickArrow(f, "Last");
        click(f, "cmdDelete");
        m_dialogs->clear();
        QVERIFY(!navigator(f)->hasCurrentRow());
        QCOMPARE(boxTexts(f, c), QStringList({"", ""}));
        QCOMPARE(navigator(f)->caption(), QStringLiteral("Record: 0"));
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
        // Without a current row Update has nothing to act on; the arrows start again.
        click(f, "cmdUpdate");
        QCOMPARE(m_dialogs->texts(), QStringList({"No current record."}));
        QCOMPARE(rows(), QStringList({row(c, "B2")}));
        clickArrow(f, "First");
        QCOMPARE(boxTexts(f, c), rowValues(c, "B2"));
    }

    // A duplicate code on a move or on Update keeps the row on screen with what
    // was typed; closing is not cancelled (the main menu shows) but tells
    // again. Nothing is written.
    void refusedRowStaysOnScreenUnwritten() {
        const EditorCase& c = defects();
        MousePointer::Shape pointerDuringMessage = MousePointer::Shape::Default;
        Form* f = start(c, {"A1", "B2"});
        m_dialogs->onMessage = [&](const Dialogs::Message&) { pointerDuringMessage = MousePointer::current(); };
        QVERIFY(f);

        box(f, c.boxes.first())->setText(QStringLiteral("B2"));
        box(f, c.boxes.last())->setText(QStringLiteral("TYPED"));
        clickArrow(f, "Next");
        const QString said = kHandled + duplicateCode(c, QStringLiteral("B2"));
        QCOMPARE(m_dialogs->texts(), QStringList{said});
        QCOMPARE(pointerDuringMessage, MousePointer::Shape::Hourglass);
        QCOMPARE(boxTexts(f, c), QStringList({"B2", "TYPED"}));
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);

        m_dialogs->clear();
        click(f, "cmdRefresh");  // drops the typing
        click(f, "cmdAdd");
        box(f, c.boxes.first())->setText(QStringLiteral("A1"));
        click(f, "cmdUpdate");
        QCOMPARE(m_dialogs->texts(), QStringList{duplicateCode(c, QStringLiteral("A1"))});
        QVERIFY(navigator(f)->isNewRow());

        m_dialogs->clear();
        box(f, c.boxes.first())->setText(QStringLiteral("B2"));
        click(f, "cmdClose");
        QCOMPARE(m_dialogs->texts(), QStringList{said});
        QVERIFY(!FormRegistry::instance().isLoaded(c.form));
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmDataEntMenu")));
        QCOMPARE(rows(), QStringList({row(c, "A1"), row(c, "B2")}));
    }

    // Refresh rereads the table; a file that cannot be read leaves the row and
    // its typing on screen.
    void refreshRereadsOrKeepsTheRow() {
        if (!TestAppFolder::testServer().isEmpty())
            QSKIP("a file replaced by junk is a file matter");
        const EditorCase& c = defects();
        Form* f = start(c, {"A1"});
        QVERIFY(f);
        m_app->exec(QStringLiteral("INSERT INTO defects VALUES ('B2', 'B2 D1')"));
        click(f, "cmdRefresh");
        clickArrow(f, "Next");
        box(f, c.boxes.last())->setText(QStringLiteral("PENDING"));
        QVERIFY(QFile::remove(m_app->livePath()));
        QFile junk(m_app->livePath());
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        click(f, "cmdRefresh");
        QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("file is not a database")});
        QCOMPARE(boxTexts(f, c), QStringList({"B2", "PENDING"}));
        QCOMPARE(navigator(f)->absolutePosition(), 1);
        QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);
    }
};

QTEST_MAIN(TestRecordEditors)
#include "tst_recordeditors.moc"
