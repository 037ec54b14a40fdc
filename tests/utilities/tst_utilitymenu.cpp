#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "shell/FormCatalog.h"
#include "utilities/DatabaseExchange.h"

using namespace FileFacts;

namespace {
const QString kConfirm = QStringLiteral(
    "This utility eliminates the demo database and creates a new blank database for you to customize to your "
    "business. Do you want to continue?");
const QString kDone = QStringLiteral("The new database is setup. Click ok to continue");

// The utility menu opened from the main menu, as its Utility entry does.
Form* openUtilityMenu() {
    FormRegistry& forms = FormRegistry::instance();
    if (!forms.show(QStringLiteral("frmMain")).isOk() || !forms.open(QStringLiteral("frmUtility"), QStringLiteral("frmMain")))
        return nullptr;
    Form* menu = forms.form(QStringLiteral("frmUtility"));
    return QTest::qWaitForWindowActive(menu->window_()) ? menu : nullptr;
}

void click(Form* form, const char* button) {
    QTest::mouseClick(form->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}
}  // namespace

class TestUtilityMenu : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); MousePointer::arrow(); }

    void layout();
    void entriesOpenTheirForms_data();
    void entriesOpenTheirForms();
    void exitShowsMainMenu_data();
    void exitShowsMainMenu();

    void cancelChangesNothing();
    void exchangeStates();
    void exchangeTwiceSwapsBack();
    void exchangeFailures_data();
    void exchangeFailures();
};

void TestUtilityMenu::layout() {
    TestAppFolder f;
    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(!forms.isVisible(QStringLiteral("frmMain")));
    QCOMPARE(menu->window_()->windowTitle(), QString());
    QCOMPARE(menu->findChild<QLabel*>(QStringLiteral("lblHeader"))->text(), QStringLiteral("KEL Manufacturing Software"));
    QCOMPARE(menu->findChild<QLabel*>(QStringLiteral("lbltitle"))->text(), QStringLiteral("Varnex"));
    QVERIFY(menu->findChild<QLabel*>(QStringLiteral("lblTM")));
    auto* frame = menu->findChild<QGroupBox*>();
    QVERIFY(frame);
    QCOMPARE(frame->title(), QStringLiteral("Utility Menu"));
    const QStringList buttons{QStringLiteral("cmdCompactRepair"), QStringLiteral("Command2"), QStringLiteral("cmdNewDatabase"),
                              QStringLiteral("cmdExitUtility")};
    const QStringList texts{QStringLiteral("Compact and Repair Database"), QStringLiteral("Backup Database"),
                            QStringLiteral("Erase Demo - Create  New Database"), QStringLiteral("Exit Utility Menu")};
    int lastY = -1;
    for (int i = 0; i < buttons.size(); ++i) {
        auto* b = frame->findChild<QPushButton*>(buttons[i]);
        QVERIFY2(b, qPrintable(buttons[i]));
        QVERIFY(b->text().isEmpty());
        QVERIFY(b->y() > lastY);  // stacked top to bottom
        lastY = b->y();
        // The label to its right carries the entry's text.
        bool found = false;
        for (QLabel* l : frame->findChildren<QLabel*>())
            if (l->text() == texts[i] && qAbs(l->geometry().center().y() - b->geometry().center().y()) < b->height())
                found = found || l->x() > b->x();
        QVERIFY2(found, qPrintable(texts[i]));
    }
}

void TestUtilityMenu::entriesOpenTheirForms_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("target");
    QTest::newRow("compact and repair") << QStringLiteral("cmdCompactRepair") << QStringLiteral("frmRepair");
    QTest::newRow("backup") << QStringLiteral("Command2") << QStringLiteral("frmBackUp");
}

void TestUtilityMenu::entriesOpenTheirForms() {
    QFETCH(QString, button);
    QFETCH(QString, target);
    TestAppFolder f;
    Dialogs::Scripted dialogs;
    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    click(menu, button.toLatin1().constData());
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(forms.isVisible(target));
    QVERIFY(!forms.isVisible(QStringLiteral("frmUtility")));
    QVERIFY(forms.isLoaded(QStringLiteral("frmUtility")));
    // Leaving it goes back to the main menu; the utility menu stays hidden.
    forms.form(target)->window_()->close();
    QVERIFY(!forms.isLoaded(target));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
    QVERIFY(!forms.isVisible(QStringLiteral("frmUtility")));
    QVERIFY(dialogs.messages.isEmpty());
}

void TestUtilityMenu::exitShowsMainMenu_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Exit Utility Menu") << false;
    QTest::newRow("close box") << true;
}

void TestUtilityMenu::exitShowsMainMenu() {
    QFETCH(bool, closeBox);
    TestAppFolder f;
    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    if (closeBox)
        menu->window_()->close();
    else
        click(menu, "cmdExitUtility");
    FormRegistry& forms = FormRegistry::instance();
    QVERIFY(!forms.isLoaded(QStringLiteral("frmUtility")));
    QVERIFY(forms.isVisible(QStringLiteral("frmMain")));
}

void TestUtilityMenu::cancelChangesNothing() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString stale = f.file(QStringLiteral("temp2/kelid1.mdb"));
    writeFile(stale, QByteArray("stale", 5));
    const QByteArray live = digest(f.livePath()), stored = digest(f.file(QStringLiteral("DemoDb/kelid1.mdb")));
    Dialogs::Scripted dialogs;
    dialogs.answers.enqueue(Dialogs::Answer::Cancel);
    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    click(menu, "cmdNewDatabase");
    QCOMPARE(dialogs.messages.size(), 1);
    const Dialogs::Message& m = dialogs.messages.first();
    QCOMPARE(m.text, kConfirm);
    QCOMPARE(m.buttons, Dialogs::Buttons::OkCancel);
    QCOMPARE(m.icon, Dialogs::Icon::None);
    QCOMPARE(m.title, QStringLiteral("Varnex"));
    QCOMPARE(digest(f.livePath()), live);
    QCOMPARE(digest(f.file(QStringLiteral("DemoDb/kelid1.mdb"))), stored);
    QCOMPARE(QFile(stale).size(), 5);
    QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmUtility")));
}

void TestUtilityMenu::exchangeStates() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString storedPath = f.file(QStringLiteral("DemoDb/kelid1.mdb"));
    const QString exchangePath = f.file(QStringLiteral("temp2/kelid1.mdb"));
    writeFile(exchangePath, QByteArray("stale copy of an interrupted run", 32));
    const QByteArray A = digest(f.livePath()), B = digest(storedPath);
    const QString rowsA = rows(f.livePath()), rowsB = rows(storedPath);
    QVERIFY(A != B);
    QVERIFY(rowsA != rowsB);

    // The states of the files after each step, as the states table gives them.
    DatabaseExchange exchange;
    QStringList seen;
    exchange.afterStep = [&](int step) {
        const QByteArray live = digest(f.livePath()), stored = digest(storedPath), copy = digest(exchangePath);
        switch (step) {
        case 3: QCOMPARE(live, A); QCOMPARE(stored, B); QCOMPARE(copy, A); break;
        case 4: QCOMPARE(live, B); QCOMPARE(stored, B); QCOMPARE(copy, A); break;
        case 5: QCOMPARE(live, B); QCOMPARE(stored, A); QCOMPARE(copy, A); break;
        case 6: QCOMPARE(live, B); QCOMPARE(stored, A); QVERIFY(copy.isEmpty()); break;
        }
        seen << QString::number(step);
    };
    const Status s = exchange.run();
    QVERIFY2(s.isOk(), qPrintable(s.error()));
    QCOMPARE(seen.join(QLatin1Char(',')), QStringLiteral("3,4,5,6"));
    QCOMPARE(rows(f.livePath()), rowsB);
    QCOMPARE(rows(storedPath), rowsA);
    QVERIFY(intact(f.livePath()) && intact(storedPath));
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList());
    QCOMPARE(entries(f.file(QStringLiteral("DemoDb"))), QStringList{QStringLiteral("kelid1.mdb")});
}

void TestUtilityMenu::exchangeTwiceSwapsBack() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString storedPath = f.file(QStringLiteral("DemoDb/kelid1.mdb"));
    const QString demoRows = rows(f.livePath());
    Dialogs::Scripted dialogs;
    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    bool hourglass = false;
    dialogs.onMessage = [&](const Dialogs::Message& m) {
        if (m.text == kDone)
            hourglass = MousePointer::current() == MousePointer::Shape::Hourglass;
    };
    click(menu, "cmdNewDatabase");
    QCOMPARE(dialogs.texts(), (QStringList{kConfirm, kDone}));
    QCOMPARE(dialogs.messages.last().buttons, Dialogs::Buttons::Ok);
    QCOMPARE(dialogs.messages.last().icon, Dialogs::Icon::None);
    QCOMPARE(dialogs.messages.last().title, QStringLiteral("Varnex"));
    QVERIFY(!hourglass);
    QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmUtility")));
    QCOMPARE(rows(storedPath), demoRows);
    QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);

    // Data typed into the new database is kept when the demo comes back.
    f.exec(QStringLiteral("INSERT INTO Model (ModelNumber, ModelDescription) VALUES ('NEW1', 'ENTERED SINCE')"));
    const QString newRows = rows(f.livePath());
    dialogs.clear();
    click(menu, "cmdNewDatabase");
    QCOMPARE(dialogs.texts(), (QStringList{kConfirm, kDone}));
    QCOMPARE(rows(f.livePath()), demoRows);
    QCOMPARE(rows(storedPath), newRows);
    Database stored;
    QVERIFY(stored.open(storedPath, Database::Mode::ReadOnly).isOk());
    SqlStatement st(stored, QStringLiteral("SELECT ModelDescription FROM Model WHERE ModelNumber = 'NEW1'"));
    QVERIFY(st.next());
    QCOMPARE(st.value(0).toString(), QStringLiteral("ENTERED SINCE"));
}

void TestUtilityMenu::exchangeFailures_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("completed");
    QTest::newRow("stored database missing") << QStringLiteral("stored") << QStringLiteral("File not found") << 3;
    QTest::newRow("DemoDb missing") << QStringLiteral("DemoDb") << QStringLiteral("File not found") << 3;
    QTest::newRow("temp2 missing") << QStringLiteral("temp2") << QStringLiteral("Path not found") << 2;
    QTest::newRow("stored database held open") << QStringLiteral("held") << QStringLiteral("is open in another window") << 2;
}

void TestUtilityMenu::exchangeFailures() {
    QFETCH(QString, fault);
    QFETCH(QString, error);
    QFETCH(int, completed);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString storedPath = f.file(QStringLiteral("DemoDb/kelid1.mdb"));
    const QString exchangePath = f.file(QStringLiteral("temp2/kelid1.mdb"));
    const QByteArray A = digest(f.livePath()), B = digest(storedPath);
    const QString rowsA = rows(f.livePath()), rowsB = rows(storedPath);
    std::unique_ptr<Database> held;
    if (fault == QLatin1String("stored"))
        QVERIFY(QFile::remove(storedPath));
    else if (fault == QLatin1String("DemoDb"))
        QVERIFY(QDir(f.file(QStringLiteral("DemoDb"))).removeRecursively());
    else if (fault == QLatin1String("temp2"))
        QVERIFY(QDir(f.file(QStringLiteral("temp2"))).removeRecursively());
    else {
        held = std::make_unique<Database>();
        QVERIFY(held->open(storedPath).isOk());
    }

    Dialogs::Scripted dialogs;
    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    click(menu, "cmdNewDatabase");
    held.reset();
    QCOMPARE(dialogs.messages.size(), 2);
    const Dialogs::Message& m = dialogs.messages.last();
    QVERIFY2(m.text.contains(error), qPrintable(m.text));
    QCOMPARE(m.buttons, Dialogs::Buttons::Ok);
    QCOMPARE(m.icon, Dialogs::Icon::None);
    QCOMPARE(m.title, QStringLiteral("Varnex"));
    QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmUtility")));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);

    // The files stand as the last completed step left them; none is damaged.
    QCOMPARE(digest(f.livePath()), A);
    QCOMPARE(rows(f.livePath()), rowsA);
    QVERIFY(intact(f.livePath()));
    if (completed == 3) {
        QCOMPARE(digest(exchangePath), A);
        QCOMPARE(rows(exchangePath), rowsA);
    } else {
        QVERIFY(digest(exchangePath).isEmpty());
    }
    if (fault == QLatin1String("temp2") || fault == QLatin1String("held")) {
        QCOMPARE(digest(storedPath), B);
        QCOMPARE(rows(storedPath), rowsB);
    }
    QCOMPARE(entries(f.path()).filter(QStringLiteral("kelid")), QStringList{QStringLiteral("kelid.mdb")});
}

QTEST_MAIN(TestUtilityMenu)
#include "tst_utilitymenu.moc"
