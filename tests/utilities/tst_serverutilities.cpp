#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "database/Schema.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "shell/Application.h"
#include "utilities/CompactRepair.h"
#include "utilities/DatabaseExchange.h"

using namespace FileFacts;

// The file utilities while the program works on a server: they leave the
// file in the program's folder alone and say why; the windows name the server;
// Backup writes a snapshot of the server (on the test server only).
namespace {
// Never reached: none of these needs the server itself.
const QString kServer = QStringLiteral("postgresql://station:secret@/inspect?host=/nonexistent/varnex");

FormRegistry& forms() { return FormRegistry::instance(); }
QString label(const QString& form, const char* name) {
    return forms().form(form)->findChild<QLabel*>(QString::fromLatin1(name))->text();
}
}  // namespace

class TestServerUtilities : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        initFormTests();
        Application::setQuitHandler([] {});
    }
    void init() {
        // The server out of reach stands in for any server; the test server
        // itself is needed only by the backup.
        const bool needsServer = QByteArray(QTest::currentTestFunction()) == "backupOfTheServer";
        if (needsServer && TestAppFolder::testServer().isEmpty())
            QSKIP("needs the test server (VARNEX_TEST_SERVER)");
        if (!needsServer && !TestAppFolder::testServer().isEmpty())
            QSKIP("the same on every server");
        if (!needsServer)
            Schema::setServerOverride(kServer);
    }
    void cleanup() {
        unloadAllForms();
        MousePointer::arrow();
        Schema::setServerOverride(QString());
    }

    // Compaction on exit and on demand, and the exchange, touch no file.
    void fileUtilitiesLeaveFilesAlone() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        const QByteArray live = digest(app.livePath()), stored = digest(app.file(QStringLiteral("DemoDb/kelid1.mdb")));
        QVERIFY(forms().load(QStringLiteral("frmCompact")).isOk());
        QCOMPARE(label(QStringLiteral("frmCompact"), "lblmessage"), CompactRepair::serverNote());
        forms().unload(QStringLiteral("frmCompact"));

        QVERIFY(forms().show(QStringLiteral("frmRepair")).isOk());
        QCOMPARE(label(QStringLiteral("frmRepair"), "lblmessage"), CompactRepair::serverNote());
        QVERIFY(forms().form(QStringLiteral("frmRepair"))->findChild<QPushButton*>(QStringLiteral("cmdRepair"))->isHidden());
        forms().unload(QStringLiteral("frmRepair"));

        QVERIFY(forms().show(QStringLiteral("frmMain")).isOk());
        QVERIFY(forms().open(QStringLiteral("frmUtility"), QStringLiteral("frmMain")));
        QTest::mouseClick(forms().form(QStringLiteral("frmUtility"))->findChild<QPushButton*>(QStringLiteral("cmdNewDatabase")),
                          Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList{DatabaseExchange::serverRefusal()});
        QVERIFY(DatabaseExchange::serverRefusal().contains(QStringLiteral("inspect on server /nonexistent/varnex")));
        QVERIFY(DatabaseExchange().run().error() == DatabaseExchange::serverRefusal());

        QCOMPARE(digest(app.livePath()), live);
        QCOMPARE(digest(app.file(QStringLiteral("DemoDb/kelid1.mdb"))), stored);
        QCOMPARE(entries(app.file(QStringLiteral("temp"))) + entries(app.file(QStringLiteral("temp2"))), QStringList());
    }

    // At start the server that cannot be reached is named in its own words
    // and the program goes on; the file's check is not made (a damaged file
    // left in the folder is not the database in use). The windows name the
    // server, never its password.
    void startOnAServerOutOfReach() {
        TestAppFolder app(TestAppFolder::Data::Demo);
        QVERIFY(damage(app.livePath(), Damage::IndexPage));
        Database db;
        const QString unreachable = db.open(kServer).error();
        QVERIFY(!unreachable.isEmpty());
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        QCOMPARE(dialogs.texts(), QStringList{unreachable});
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
        QCOMPARE(forms().form(QStringLiteral("MDIBackground"))->windowTitle(),
                 QStringLiteral("Varnex - inspect on server /nonexistent/varnex"));
        QVERIFY(forms().show(QStringLiteral("frmAbout")).isOk());
        QCOMPARE(label(QStringLiteral("frmAbout"), "lblDatabase"), QStringLiteral("Database: inspect on server /nonexistent/varnex"));
    }

    // One state of the server's tables as a desktop database in the typed
    // folder, which the program opens as its own.
    void backupOfTheServer() {
        TestAppFolder app(TestAppFolder::Data::Demo);
        QTemporaryDir folder;
        Dialogs::Scripted dialogs;
        dialogs.inputAnswers.enqueue(folder.path());
        QVERIFY(forms().show(QStringLiteral("frmBackUp")).isOk());
        QTest::mouseClick(forms().form(QStringLiteral("frmBackUp"))->findChild<QPushButton*>(QStringLiteral("cmdBackup")),
                          Qt::LeftButton);
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Backup Complete")});
        const QString backup = folder.filePath(QStringLiteral("kelid.mdb"));
        QVERIFY(intact(backup));
        Database file, server;
        QVERIFY(file.open(backup, Database::Mode::ReadOnly).isOk());
        QVERIFY(server.open(app.database(), Database::Mode::ReadOnly).isOk());
        for (const char* sql : {"SELECT * FROM InspectionRecord ORDER BY InspectionID", "SELECT * FROM Employees ORDER BY EmployeeID",
                                "SELECT * FROM Model ORDER BY ModelNumber", "SELECT * FROM defects ORDER BY defectcode"}) {
            QStringList fromFile, fromServer;
            for (auto [db, out] : {std::pair{&file, &fromFile}, std::pair{&server, &fromServer}}) {
                SqlStatement st(*db, QString::fromLatin1(sql));
                while (st.next())
                    *out << st.value(0).toString() + QLatin1Char('|') + st.value(st.columnCount() - 1).toString();
            }
            QVERIFY(!fromServer.isEmpty());
            QCOMPARE(fromFile, fromServer);
        }
        QCOMPARE(Schema::rowCount(file, QStringLiteral("InspectionRecord"), nullptr),
                 Schema::rowCount(server, QStringLiteral("InspectionRecord"), nullptr));
    }
};

QTEST_MAIN(TestServerUtilities)
#include "tst_serverutilities.moc"
