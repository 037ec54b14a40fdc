#include <QFile>
#include <QLockFile>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "TestAppFolder.h"
#include "platform/AppPaths.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/HelpViewer.h"
#include "platform/InstanceLock.h"
#include "shell/Application.h"
#include "shell/FormCatalog.h"

namespace {
// Stands in for the compaction form: counts how often the exit sequence loads it.
int compactions = 0;
class CountingCompact : public Form {
public:
    CountingCompact() : Form(QStringLiteral("frmCompact"), Kind::TopLevel) {}
    void onLoad() override { ++compactions; }
};

FormRegistry& forms() { return FormRegistry::instance(); }
void click(const QString& form, const QString& button) {
    Form* f = forms().form(form);
    QVERIFY2(f, qPrintable(form));
    auto* b = f->findChild<QPushButton*>(button);
    QVERIFY2(b, qPrintable(button));
    b->click();
}
QAction* action(const QString& name) {
    return forms().form(QStringLiteral("MDIBackground"))->findChild<QAction*>(name);
}
}  // namespace

class TestShell : public QObject {
    Q_OBJECT
    int m_quits = 0;

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        registerAllForms();
        Application::setQuitHandler([this] { ++m_quits; });
    }
    void init() { m_quits = 0; compactions = 0; }
    void cleanup() { unloadAllForms(); }

    void startShowsTheMainMenuAndEveryMenuLeadsBackToIt() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        QCOMPARE(forms().form(QStringLiteral("MDIBackground"))->windowTitle(), QStringLiteral("Varnex - ") + app.livePath());
        Form* main = forms().form(QStringLiteral("frmMain"));
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
        // Return on a menu entry runs it, as a click does.
        QTest::keyClick(main->findChild<QPushButton*>(QStringLiteral("cmdDataEntry")), Qt::Key_Return);
        QVERIFY(forms().isVisible(QStringLiteral("frmDataEntMenu")));
        QVERIFY(!forms().isVisible(QStringLiteral("frmMain")));
        click(QStringLiteral("frmDataEntMenu"), QStringLiteral("cmdInspectionData"));
        QVERIFY(forms().isVisible(QStringLiteral("frmDataEntry")));
        QVERIFY(!forms().isVisible(QStringLiteral("frmDataEntMenu")));
        // Closing the working form shows the sub-menu it was opened from.
        forms().form(QStringLiteral("frmDataEntry"))->window_()->close();
        QVERIFY(!forms().isLoaded(QStringLiteral("frmDataEntry")));
        QVERIFY(forms().isVisible(QStringLiteral("frmDataEntMenu")));
        QVERIFY(!forms().isVisible(QStringLiteral("frmMain")));
        // Exit Data Entry, or a sub-menu's close box, unloads it and shows the main menu.
        click(QStringLiteral("frmDataEntMenu"), QStringLiteral("cmdExit"));
        QVERIFY(!forms().isLoaded(QStringLiteral("frmDataEntMenu")));
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
        click(QStringLiteral("frmMain"), QStringLiteral("cmdTables"));
        forms().form(QStringLiteral("frmTblMenu"))->window_()->close();
        QVERIFY(!forms().isLoaded(QStringLiteral("frmTblMenu")));
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
        QCOMPARE(dialogs.messages.size(), 0);
        // A form that cannot open is said, and the menu stays.
        QVERIFY(!forms().open(QStringLiteral("frmNotBuilt"), QStringLiteral("frmMain")));
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].text.contains(QStringLiteral("frmNotBuilt")));
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
        // The print entry leaves the reports menu up.
        click(QStringLiteral("frmMain"), QStringLiteral("cmdReports"));
        click(QStringLiteral("frmReports"), QStringLiteral("cmdprintform"));
        QVERIFY(forms().isLoaded(QStringLiteral("frmPrintDataSheet")));
        QVERIFY(forms().isVisible(QStringLiteral("frmReports")));
    }

    void helpAndAboutOpenOnceAndAMissingHelpFileIsSaid() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        QTest::keyClick(forms().form(QStringLiteral("frmMain"))->findChild<QPushButton*>(QStringLiteral("cmdTables")), Qt::Key_F1);
        QCOMPARE(HelpViewer::current()->topic(), 210);
        action(QStringLiteral("mnuHelpContents"))->trigger();
        QCOMPARE(HelpViewer::current()->topic(), 0);
        HelpViewer::current()->close();
        // About: one instance, not modal; without a topic of its own F1 opens the contents.
        action(QStringLiteral("mnuAbout"))->trigger();
        Form* about = forms().form(QStringLiteral("frmAbout"));
        QVERIFY(about && about->isVisible() && !about->isModal());
        action(QStringLiteral("mnuAbout"))->trigger();
        QCOMPARE(forms().form(QStringLiteral("frmAbout")), about);
        QTest::keyClick(about, Qt::Key_F1);
        QCOMPARE(HelpViewer::current()->topic(), 0);
        about->close();
        QVERIFY(!forms().isLoaded(QStringLiteral("frmAbout")));
        HelpViewer::current()->close();
        QFile::remove(app.file(QStringLiteral("KEL/VXHelp.hlp")));
        action(QStringLiteral("mnuHelpContents"))->trigger();
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Unable to open the help file c:\\kel\\VXhelp.hlp.")});
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
    }

    void formsOpenAtTheirOwnSizeAfterAMaximisedBrowser() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        QVERIFY(QTest::qWaitForWindowActive(forms().form(QStringLiteral("MDIBackground"))));
        click(QStringLiteral("frmMain"), QStringLiteral("cmdTables"));
        click(QStringLiteral("frmTblMenu"), QStringLiteral("cmdDefect"));
        QVERIFY(forms().form(QStringLiteral("tbldefects"))->window_()->isMaximized());
        // Its sort dialog belongs to the background window, so it stays above it.
        QVERIFY(forms().show(QStringLiteral("frmSortDefect")).isOk());
        QCOMPARE(forms().form(QStringLiteral("frmSortDefect"))->parentWidget(), forms().form(QStringLiteral("MDIBackground")));
        forms().unload(QStringLiteral("frmSortDefect"));
        forms().form(QStringLiteral("tbldefects"))->window_()->close();
        QVERIFY(forms().isVisible(QStringLiteral("frmTblMenu")));
        QVERIFY(!forms().form(QStringLiteral("frmTblMenu"))->window_()->isMaximized());
        click(QStringLiteral("frmTblMenu"), QStringLiteral("cmdExit"));
        QVERIFY(!forms().form(QStringLiteral("frmMain"))->window_()->isMaximized());
        click(QStringLiteral("frmMain"), QStringLiteral("cmdDataEntry"));
        QVERIFY(!forms().form(QStringLiteral("frmDataEntMenu"))->window_()->isMaximized());
        click(QStringLiteral("frmDataEntMenu"), QStringLiteral("cmdInspectionData"));
        QVERIFY(!forms().form(QStringLiteral("frmDataEntry"))->window_()->isMaximized());
    }

    void everyWayOutCompactsOnceAndEnds_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("Exit button") << 0;
        QTest::newRow("File / Exit") << 1;
        QTest::newRow("close box") << 2;
    }
    void everyWayOutCompactsOnceAndEnds() {
        QFETCH(int, way);
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        forms().registerForm(QStringLiteral("frmCompact"), [] { return new CountingCompact; });
        QVERIFY(Application::start().isOk());
        click(QStringLiteral("frmMain"), QStringLiteral("cmdDataEntry"));
        click(QStringLiteral("frmDataEntMenu"), QStringLiteral("cmdInspectionData"));
        if (way == 0) {
            click(QStringLiteral("frmDataEntry"), QStringLiteral("cmdDelete"));  // any action first
            forms().form(QStringLiteral("frmDataEntry"))->window_()->close();
            click(QStringLiteral("frmMain"), QStringLiteral("cmdExit"));
        } else if (way == 1) {
            action(QStringLiteral("mnuExit"))->trigger();
        } else {
            forms().form(QStringLiteral("MDIBackground"))->close();
        }
        QCOMPARE(compactions, 1);
        QCOMPARE(m_quits, 1);
        QVERIFY(forms().loadedForms().isEmpty());
        registerUtilityForms();  // the real compaction form again
    }

    // The exit compaction of a file it cannot use says so once, and the program still ends.
    void exitWithABadDatabaseReportsOnceAndEnds_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("words");
        QTest::newRow("missing") << QByteArray() << "Could not find file";
        QTest::newRow("not a database") << QByteArray(2048, 'x') << "file is not a database";
    }
    void exitWithABadDatabaseReportsOnceAndEnds() {
        QFETCH(QByteArray, content);
        QFETCH(QString, words);
        TestAppFolder app(TestAppFolder::Data::None);
        if (!content.isNull()) {
            QFile f(app.livePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        action(QStringLiteral("mnuExit"))->trigger();
        QCOMPARE(m_quits, 1);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages[0].text.contains(words), qPrintable(dialogs.messages[0].text));
    }

    // The running program holds the folder's lock until it ends; a second start on a held folder says so and leaves.
    void theRunningProgramHoldsTheFolderLock() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        Status whileRunning;
        // Until the event loop runs and ends (start-up may run events before it).
        QTimer ender;
        QObject::connect(&ender, &QTimer::timeout, [&] {
            whileRunning = InstanceLock().acquire(app.path());
            QCoreApplication::exit(0);
        });
        ender.start(10);
        QCOMPARE(Application::run(), 0);
        ender.stop();
        QVERIFY(whileRunning.error().contains(QStringLiteral("already running")));
        unloadAllForms();
        QLockFile first(AppPaths::join(QStringLiteral("\\varnex.lck")));
        QVERIFY(first.tryLock(0));
        dialogs.clear();
        QCOMPARE(Application::run(), 1);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Varnex is already running from this folder.")});
        QVERIFY(!forms().isLoaded(QStringLiteral("MDIBackground")));
    }

    // A password in a varnex.conf every user can read: the start says why and how to mend it, and stops.
    // Readable by its owner alone it is taken, and the start-up message (here libpq's, quoting the part of
    // the URI it could not read) does not show it.
    void aPasswordInVarnexConfIsKeptFromOthers() {
        TestAppFolder app(TestAppFolder::Data::None);
        QFile conf(app.file(QStringLiteral("varnex.conf")));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("server = postgresql://qa:S3cret%zzPW@/inspect?host=/nonexistent/varnex\n");
        conf.close();
        QVERIFY(conf.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        Dialogs::Scripted dialogs;
        QTimer ender;
        QObject::connect(&ender, &QTimer::timeout, [] { QCoreApplication::exit(0); });
        ender.start(10);
        QCOMPARE(Application::run(), 1);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages[0].text.contains(QStringLiteral("chmod 600")), qPrintable(dialogs.messages[0].text));
        QVERIFY(!forms().isLoaded(QStringLiteral("MDIBackground")));
        QVERIFY(conf.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        dialogs.clear();
        QCOMPARE(Application::run(), 0);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages[0].text.contains(QStringLiteral("percent-encoded token: \"****\"")), qPrintable(dialogs.messages[0].text));
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
