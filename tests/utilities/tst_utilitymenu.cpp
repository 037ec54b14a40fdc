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
    void exchangeTwiceSwapsBack();
    void exchangeFailures_data();
    void exchangeFailures();
};

void TestUtilityMenu::layout() {
    TestAppFolder f;
    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    QVERIFY(!FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
    QCOMPARE(menu->findChild<QGroupBox*>()->title(), QStringLiteral("Utility Menu"));
    // Each button is captioned by the label beside it.
    QStringList texts;
    for (const char* name : {"cmdCompactRepair", "Command2", "cmdNewDatabase", "cmdExitUtility"})
        for (QLabel* l : menu->findChildren<QLabel*>())
            if (l->buddy() == menu->findChild<QPushButton*>(QString::fromLatin1(name)))
                texts << l->text();
    QCOMPARE(texts, QStringList({"Compact and Repair Database", "Backup Database", "Erase Demo - Create  New Database",
                                 "Exit Utility Menu"}));
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
    QCOMPARE(dialogs.texts(), QStringList{kConfirm});
    QCOMPARE(dialogs.messages.first().buttons, Dialogs::Buttons::OkCancel);
    QCOMPARE(digest(f.livePath()), live);
    QCOMPARE(digest(f.file(QStringLiteral("DemoDb/kelid1.mdb"))), stored);
    QCOMPARE(QFile(stale).size(), 5);
    QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmUtility")));
}

void TestUtilityMenu::exchangeTwiceSwapsBack() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString storedPath = f.file(QStringLiteral("DemoDb/kelid1.mdb"));
    const QString demoRows = rows(f.livePath());
    writeFile(f.file(QStringLiteral("temp2/kelid1.mdb")), QByteArray("stale copy of an interrupted run", 32));
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
    QVERIFY(!hourglass);
    QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmUtility")));
    QCOMPARE(rows(storedPath), demoRows);
    QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 0);
    QVERIFY(intact(f.livePath()) && intact(storedPath));
    QCOMPARE(entries(f.file(QStringLiteral("temp2"))), QStringList());
    QCOMPARE(entries(f.file(QStringLiteral("DemoDb"))), QStringList{QStringLiteral("kelid1.mdb")});

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
    QVERIFY2(dialogs.messages.last().text.contains(error), qPrintable(dialogs.messages.last().text));
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
