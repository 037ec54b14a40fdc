#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"

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

void click(Form* form, const QString& button) { QTest::mouseClick(form->findChild<QPushButton*>(button), Qt::LeftButton); }

FormRegistry& forms() { return FormRegistry::instance(); }
}  // namespace

class TestUtilityMenu : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() { unloadAllForms(); MousePointer::arrow(); }

    void menuEntries_data();
    void menuEntries();
    void exchange_data();
    void exchange();
    void exchangeTakesTheLogAlong();
};

void TestUtilityMenu::menuEntries_data() {
    QTest::addColumn<QString>("button");  // empty: the close box
    QTest::addColumn<QString>("target");  // the form it opens; empty: back to the main menu
    QTest::newRow("compact and repair") << QStringLiteral("cmdCompactRepair") << QStringLiteral("frmRepair");
    QTest::newRow("backup") << QStringLiteral("Command2") << QStringLiteral("frmBackUp");
    QTest::newRow("Exit Utility Menu") << QStringLiteral("cmdExitUtility") << QString();
    QTest::newRow("close box") << QString() << QString();
}

void TestUtilityMenu::menuEntries() {
    QFETCH(QString, button);
    QFETCH(QString, target);
    TestAppFolder f;
    Dialogs::Scripted dialogs;
    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    QVERIFY(!forms().isVisible(QStringLiteral("frmMain")));
    if (button.isEmpty())
        menu->window_()->close();
    else
        click(menu, button);
    if (!target.isEmpty()) {
        QVERIFY(forms().isVisible(target));
        QVERIFY(forms().isLoaded(QStringLiteral("frmUtility")));
        QVERIFY(!forms().isVisible(QStringLiteral("frmUtility")));
        // Leaving it goes back to the utility menu, which opened it.
        forms().form(target)->window_()->close();
        QVERIFY(!forms().isLoaded(target));
        QVERIFY(forms().isVisible(QStringLiteral("frmUtility")));
        QVERIFY(!forms().isVisible(QStringLiteral("frmMain")));
    } else {
        QVERIFY(!forms().isVisible(QStringLiteral("frmUtility")));
        QVERIFY(!forms().isLoaded(QStringLiteral("frmUtility")));
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
    }
    QVERIFY(dialogs.messages.isEmpty());
}

void TestUtilityMenu::exchange_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");  // the message after the question
    QTest::addColumn<int>("completed");
    QTest::newRow("exchanged") << QString() << kDone << 6;
    QTest::newRow("cancel") << QStringLiteral("cancel") << kConfirm << 2;
    QTest::newRow("stored database missing") << QStringLiteral("stored") << QStringLiteral("File not found") << 3;
    QTest::newRow("temp2 missing") << QStringLiteral("temp2") << QStringLiteral("Path not found") << 2;
    QTest::newRow("stored database held open") << QStringLiteral("held") << QStringLiteral("is open in another window") << 2;
    // kelid.mdb a symbolic link: the file it leads to is exchanged, the link stays.
    QTest::newRow("live database a link") << QStringLiteral("link") << kDone << 6;
    QTest::newRow("live database hard-linked") << QStringLiteral("hard link") << QStringLiteral("(hard links)") << 2;
}

// The live and stored databases swap places through a copy in temp2; a step
// that fails leaves the files as the last completed step left them.
void TestUtilityMenu::exchange() {
    QFETCH(QString, fault);
    QFETCH(QString, error);
    QFETCH(int, completed);
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString storedPath = f.file(QStringLiteral("DemoDb/kelid1.mdb"));
    const QString exchangePath = f.file(QStringLiteral("temp2/kelid1.mdb"));
    const QByteArray A = digest(f.livePath()), B = digest(storedPath);
    Dialogs::Scripted dialogs;
    std::unique_ptr<Database> held;
    QTemporaryDir elsewhere;
    const QString real = elsewhere.filePath(QStringLiteral("plant.mdb"));
    if (fault == QLatin1String("link")) {
        QVERIFY(QFile::rename(f.livePath(), real) && QFile::link(real, f.livePath()));
    } else if (fault == QLatin1String("hard link")) {
        QVERIFY(::link(QFile::encodeName(f.livePath()).constData(), QFile::encodeName(real).constData()) == 0);
    } else if (fault.isEmpty() || fault == QLatin1String("cancel")) {
        writeFile(exchangePath, QByteArray("stale copy of an interrupted run", 32));
        if (!fault.isEmpty())
            dialogs.answers.enqueue(Dialogs::Answer::Cancel);
    } else if (fault == QLatin1String("stored")) {
        QVERIFY(QFile::remove(storedPath));
    } else if (fault == QLatin1String("temp2")) {
        QVERIFY(QDir(f.file(QStringLiteral("temp2"))).removeRecursively());
    } else {
        held = std::make_unique<Database>();
        QVERIFY(held->open(storedPath).isOk());
    }
    const QByteArray exchangeBefore = digest(exchangePath);
    bool hourglass = false;
    dialogs.onMessage = [&](const Dialogs::Message&) { hourglass = hourglass || MousePointer::current() == MousePointer::Shape::Hourglass; };

    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    click(menu, QStringLiteral("cmdNewDatabase"));
    held.reset();
    QCOMPARE(dialogs.messages.first().text, kConfirm);
    QCOMPARE(dialogs.messages.first().buttons, Dialogs::Buttons::OkCancel);
    QCOMPARE(dialogs.messages.size(), fault == QLatin1String("cancel") ? 1 : 2);
    QVERIFY2(dialogs.messages.last().text.contains(error), qPrintable(dialogs.messages.last().text));
    QVERIFY(!hourglass);
    QVERIFY(forms().isVisible(QStringLiteral("frmUtility")));
    QCOMPARE(MousePointer::current(), MousePointer::Shape::Default);

    // None of the files is damaged.
    QVERIFY(intact(f.livePath()));
    QCOMPARE(digest(f.livePath()), completed == 6 ? B : A);
    QCOMPARE(digest(exchangePath), completed == 6 ? QByteArray() : completed == 3 ? A : exchangeBefore);
    if (fault != QLatin1String("stored"))
        QCOMPARE(digest(storedPath), completed == 6 ? A : B);
    QCOMPARE(entries(f.file(QStringLiteral("DemoDb"))).size(), fault == QLatin1String("stored") ? 0 : 1);
    QCOMPARE(entries(f.path()).filter(QStringLiteral("kelid")), QStringList{QStringLiteral("kelid.mdb")});
    QCOMPARE(QFileInfo(f.livePath()).isSymLink(), fault == QLatin1String("link"));
    QCOMPARE(entries(elsewhere.path()), fault.contains(QLatin1String("link")) ? QStringList{QStringLiteral("plant.mdb")} : QStringList());
    QCOMPARE(FileSystem::sameFile(f.livePath(), real), fault.contains(QLatin1String("link")));
}

// A writer killed after it committed left its rows in the log beside the live
// file: the file stored by the exchange holds them alone, and no log is left
// beside the live file that replaced it.
void TestUtilityMenu::exchangeTakesTheLogAlong() {
    TestAppFolder f(TestAppFolder::Data::Demo);
    const QString storedPath = f.file(QStringLiteral("DemoDb/kelid1.mdb"));
    const QByteArray B = digest(storedPath);
    QVERIFY(killedAfter(f.livePath(), QStringLiteral("INSERT INTO location VALUES ('77', 'WRITTEN LAST')")));
    Dialogs::Scripted dialogs;
    Form* menu = openUtilityMenu();
    QVERIFY(menu);
    click(menu, QStringLiteral("cmdNewDatabase"));
    QCOMPARE(dialogs.texts().last(), kDone);
    QCOMPARE(entries(f.path()).filter(QStringLiteral("kelid")), QStringList{QStringLiteral("kelid.mdb")});
    QCOMPARE(entries(f.file(QStringLiteral("DemoDb"))), QStringList{QStringLiteral("kelid1.mdb")});
    QCOMPARE(digest(f.livePath()), B);
    QVERIFY(intact(storedPath));
    Database stored;
    QVERIFY(stored.open(storedPath, Database::Mode::ReadOnly).isOk());
    SqlStatement written(stored, QStringLiteral("SELECT 1 FROM location WHERE locationcode = '77'"));
    QVERIFY(written.next());
}

QTEST_MAIN(TestUtilityMenu)
#include "tst_utilitymenu.moc"
