// The program from the keyboard alone: the navigator's keys on the data entry
// screen and the record editors, Escape and Alt+F4, a refused box handed back
// for retyping, access keys that never clash, Escape on About, Help and a
// preview, and the menu a closed form returns to.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "TestAppFolder.h"
#include "database/RecordNavigator.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/HelpViewer.h"
#include "reports/GridReport.h"
#include "reports/ReportPreview.h"
#include "shell/Application.h"
#include "shell/FormCatalog.h"

namespace {
FormRegistry& forms() { return FormRegistry::instance(); }
QWidget* focused() { return QApplication::focusWidget(); }
template <class T = QWidget>
T* child(QWidget* form, const char* name) { return form->findChild<T*>(QLatin1String(name)); }
QString text(QWidget* form, const char* name) { return child<QLineEdit>(form, name)->text(); }
void press(QWidget* form, const char* button) { QTest::mouseClick(child<QPushButton>(form, button), Qt::LeftButton); }

void insertUnits(const TestAppFolder& app, const QStringList& models) {
    for (const QString& m : models)
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, "
                                "PartNum, DefectCode, LocationCode, ReworkNum) VALUES ('A', '%1', 'S1', 'E1', '2026-03-04', "
                                "'T1', '001', '1', '1', 1)").arg(m));
}

// The access keys a window offers at once: its visible buttons', labels' and
// frames' own, and for a form inside the background window the menu bar's.
QStringList accessKeys(QWidget* form, QMenuBar* bar) {
    QStringList keys;
    auto add = [&](const QString& text, const QString& who) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty())
            keys << key.toString() + QLatin1Char(' ') + who;
    };
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(form))
            continue;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            add(b->text(), b->objectName());
        else if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy())
            add(l->text(), l->objectName());
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            add(g->title(), g->objectName());
    }
    if (bar)
        for (QAction* menu : bar->actions())
            add(menu->text(), menu->menu() ? menu->menu()->objectName() : menu->objectName());
    return keys;
}
}  // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
    int m_quits = 0;

private slots:
    void initTestCase() {
        initFormTests();
        Application::setQuitHandler([this] { ++m_quits; });
    }
    void cleanup() { unloadAllForms(); }

    // Page Up/Down and Ctrl+Home/End step as the arrows do, from inside any box,
    // writing the row left; Escape closes with the close box's writes.
    void navigatorKeysAndEscape() {
        TestAppFolder app;
        insertUnits(app, {"M1", "M2", "M3"});
        app.exec(QStringLiteral("INSERT INTO Model (ModelNumber, ModelDescription) VALUES ('K1', 'one'), ('K2', 'two')"));
        Dialogs::Scripted dialogs;
        Form* entry = showForm(QStringLiteral("frmDataEntry"));
        QVERIFY(entry);
        auto* nav = child<RecordNavigator>(entry, "Data1");
        // The screen opens on a new row: the stored ones are behind it.
        child(entry, "txtSerialNumber")->setFocus();
        QTest::keyClick(focused(), Qt::Key_PageUp);
        QCOMPARE(text(entry, "txtModelNumber"), QStringLiteral("M3"));
        QTest::keyClick(focused(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(nav->caption(), QStringLiteral("Record 1 of 3"));
        QTest::keyClick(focused(), Qt::Key_PageDown);
        QCOMPARE(text(entry, "txtModelNumber"), QStringLiteral("M2"));
        QTest::keyClick(focused(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(text(entry, "txtModelNumber"), QStringLiteral("M3"));
        QTest::keyClick(focused(), Qt::Key_Home, Qt::ControlModifier);
        // A correction typed into the notes is written as the row is left by key.
        child(entry, "txtNotes")->setFocus();
        QTest::keyClicks(focused(), QStringLiteral("loose"));
        QTest::keyClick(focused(), Qt::Key_PageDown);
        QCOMPARE(text(entry, "txtModelNumber"), QStringLiteral("M2"));
        QCOMPARE(app.scalar(QStringLiteral("SELECT Notes FROM InspectionRecord WHERE ModelNumber = 'M1'")).toString(),
                 QStringLiteral("loose"));
        QTest::keyClick(focused(), Qt::Key_PageUp);
        QCOMPARE(text(entry, "txtModelNumber"), QStringLiteral("M1"));
        // Escape closes as the close box does (tst_recordsubmission): a
        // correction of a stored row is written.
        child(entry, "txtNotes")->setFocus();
        QTest::keyClick(focused(), Qt::Key_End);
        QTest::keyClicks(focused(), QStringLiteral(" nut"));
        QTest::keyClick(focused(), Qt::Key_Escape);
        QVERIFY(!forms().isLoaded(QStringLiteral("frmDataEntry")));
        QCOMPARE(app.scalar(QStringLiteral("SELECT Notes FROM InspectionRecord WHERE ModelNumber = 'M1'")).toString(),
                 QStringLiteral("loose nut"));

        // A record editor: the same keys, and Escape writes the pending edit as Close does.
        Form* editor = showForm(QStringLiteral("frmModel"));
        QVERIFY(editor);
        child(editor, "txtModelDescription")->setFocus();
        QTest::keyClick(focused(), Qt::Key_PageDown);
        QCOMPARE(text(editor, "txtModelNumber"), QStringLiteral("K2"));
        QTest::keyClicks(focused(), QStringLiteral(" x"));
        QTest::keyClick(focused(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(text(editor, "txtModelNumber"), QStringLiteral("K1"));
        QTest::keyClicks(focused(), QStringLiteral("!"));
        QTest::keyClick(focused(), Qt::Key_Escape);
        QVERIFY(!forms().isLoaded(QStringLiteral("frmModel")));
        QCOMPARE(app.rows(QStringLiteral("SELECT ModelDescription FROM Model ORDER BY ModelNumber")),
                 QStringList({"ONE!", "TWO X"}));
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join('|')));
    }

    // Alt+F4 on the background window asks first; No stays, Yes takes the way out.
    void altF4AsksBeforeExit() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        m_quits = 0;
        QVERIFY(Application::start().isOk());
        Form* background = forms().form(QStringLiteral("MDIBackground"));
        QVERIFY(QTest::qWaitForWindowActive(background));
        dialogs.answers << Dialogs::Answer::No;
        QTest::keyClick(focused() ? focused() : background, Qt::Key_F4, Qt::AltModifier);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Exit Varnex?")});
        QCOMPARE(dialogs.messages[0].buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(dialogs.messages[0].icon, Dialogs::Icon::Question);
        QVERIFY(forms().isLoaded(QStringLiteral("MDIBackground")));
        QCOMPARE(m_quits, 0);
        dialogs.answers << Dialogs::Answer::Yes;
        QTest::keyClick(focused() ? focused() : background, Qt::Key_F4, Qt::AltModifier);
        QCOMPARE(m_quits, 1);
        QVERIFY(forms().loadedForms().isEmpty());
    }

    // A box the user must retype gets the focus with its whole text selected:
    // a code not in its table, a date that is no real day, a duplicate code.
    void refusedBoxIsSelectedForRetyping() {
        TestAppFolder app;
        app.exec(QStringLiteral("INSERT INTO Model (ModelNumber, ModelDescription) VALUES ('K1', 'one')"));
        Dialogs::Scripted dialogs;
        Form* entry = showForm(QStringLiteral("frmDataEntry"));
        QVERIFY(entry);
        press(entry, "cmdAdd");
        for (const char* typed : {"a", "zz9", "s1", "e1", "02302026", "t1"}) {
            QTest::keyClicks(focused(), QLatin1String(typed));
            QTest::keyClick(focused(), Qt::Key_Tab);
        }
        press(entry, "cmdPass");
        dialogs.answers << Dialogs::Answer::No;  // store the unknown model anyway? No
        press(entry, "cmdSubmit");
        QCOMPARE(focused(), child(entry, "txtModelNumber"));
        QCOMPARE(child<QLineEdit>(entry, "txtModelNumber")->selectedText(), QStringLiteral("ZZ9"));
        // Typing replaces it.
        QTest::keyClicks(focused(), QStringLiteral("m"));
        QCOMPARE(text(entry, "txtModelNumber"), QStringLiteral("m"));
        dialogs.clear();
        dialogs.answers << Dialogs::Answer::Yes;  // store it anyway: the date is refused
        press(entry, "cmdSubmit");
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(focused(), child(entry, "MaskEdBox1"));
        QCOMPARE(child<QLineEdit>(entry, "MaskEdBox1")->selectedText(), QStringLiteral("02/30/2026"));

        Form* editor = showForm(QStringLiteral("frmModel"));
        QVERIFY(editor);
        press(editor, "cmdAdd");
        QTest::keyClicks(focused(), QStringLiteral("k1"));
        QTest::keyClick(focused(), Qt::Key_Tab);
        QTest::keyClicks(focused(), QStringLiteral("again"));
        dialogs.clear();
        press(editor, "cmdUpdate");
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Model number K1 is already in the Model table.")});
        QCOMPARE(focused(), child(editor, "txtModelNumber"));
        QCOMPARE(child<QLineEdit>(editor, "txtModelNumber")->selectedText(), QStringLiteral("K1"));
        unloadAllForms();  // while the scripted dialogs answer the editor's closing write
    }

    // Every form of the program, as it opens: no two of its access keys (the
    // background's menu bar's included, for a form inside it) are the same.
    void accessKeysNeverClash() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        auto* bar = forms().form(QStringLiteral("MDIBackground"))->findChild<QMenuBar*>();
        QVERIFY(bar);
        QStringList names = forms().registeredForms();
        names.sort();
        QStringList clashes;
        int checked = 0;
        for (const QString& name : names) {
            if (name == QLatin1String("MDIBackground") || name == QLatin1String("frmCompact"))
                continue;  // the window itself, and the compaction of the way out
            QVERIFY2(forms().show(name).isOk() && forms().isLoaded(name), qPrintable(name));
            Form* f = forms().form(name);
            const QStringList keys = accessKeys(f, f->kind() == Form::Kind::Child ? bar : nullptr);
            QStringList letters;
            for (const QString& k : keys)
                letters << k.section(QLatin1Char(' '), 0, 0);
            for (const QString& k : keys)
                if (letters.count(k.section(QLatin1Char(' '), 0, 0)) > 1)
                    clashes << name + QLatin1Char(':') + k;
            ++checked;
            if (name != QLatin1String("frmMain"))
                forms().unload(name);
        }
        QCOMPARE(checked, names.size() - 2);
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QStringLiteral(", "))));
    }

    // Escape closes About, the help window and a report preview; About has OK.
    void escapeClosesAboutHelpAndPreviews() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        Form* about = showForm(QStringLiteral("frmAbout"));
        QVERIFY(about);
        QCOMPARE(focused(), child(about, "cmdOK"));
        QTest::keyClick(focused(), Qt::Key_Escape);
        QVERIFY(!forms().isLoaded(QStringLiteral("frmAbout")));
        about = showForm(QStringLiteral("frmAbout"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QVERIFY(!forms().isLoaded(QStringLiteral("frmAbout")));

        QVERIFY(HelpViewer::showTopic(HelpViewer::helpFileName(), 90).isOk());
        QPointer<HelpViewer> help = HelpViewer::current();
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(focused() ? focused() : help.data(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!help);

        GridReport::preview(QStringLiteral("Rows"), {QStringLiteral("Code")}, {{QStringLiteral("A")}});
        QPointer<QWidget> preview;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<ReportPreview*>(w) && w->isVisible())
                preview = w;
        QVERIFY(preview && QTest::qWaitForWindowActive(preview));
        QTest::keyClick(focused() ? focused() : preview.data(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!preview);
    }

    // A closed form brings back the menu it was opened from; one opened
    // otherwise never raises the main menu over an open table or editor.
    void closingReturnsToItsMenu() {
        TestAppFolder app;
        insertUnits(app, {"M1"});
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        press(forms().form(QStringLiteral("frmMain")), "cmdTables");
        press(forms().form(QStringLiteral("frmTblMenu")), "cmdInspection");
        Form* table = forms().form(QStringLiteral("tblInspection"));
        QVERIFY(table && QTest::qWaitForWindowActive(table->window()));
        // The unit history of the current row, from the table; closing it leaves the table on its own.
        QVERIFY(forms().show(QStringLiteral("frmUnitHistory")).isOk());
        forms().form(QStringLiteral("frmUnitHistory"))->window_()->close();
        QVERIFY(!forms().isVisible(QStringLiteral("frmMain")));
        QVERIFY(forms().isVisible(QStringLiteral("tblInspection")));
        QTest::keyClick(table, Qt::Key_Escape);
        QVERIFY(!forms().isLoaded(QStringLiteral("tblInspection")));
        QVERIFY(forms().isVisible(QStringLiteral("frmTblMenu")));
        QVERIFY(!forms().isVisible(QStringLiteral("frmMain")));
        // An editor opened from the Data Entry menu returns there.
        press(forms().form(QStringLiteral("frmTblMenu")), "cmdExit");
        press(forms().form(QStringLiteral("frmMain")), "cmdDataEntry");
        press(forms().form(QStringLiteral("frmDataEntMenu")), "cmdEmployees");
        QVERIFY(forms().isVisible(QStringLiteral("frmEmployee")));
        press(forms().form(QStringLiteral("frmEmployee")), "cmdClose");
        QVERIFY(forms().isVisible(QStringLiteral("frmDataEntMenu")));
        QVERIFY(!forms().isVisible(QStringLiteral("frmMain")));
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
