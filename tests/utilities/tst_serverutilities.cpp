#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "database/Schema.h"
#include "database/ServerUri.h"
#include "database/postgres/PgSchema.h"
#include "datagen/DataGen.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/MousePointer.h"
#include "shell/Application.h"
#include "utilities/CompactRepair.h"
#include "utilities/DatabaseBackup.h"
#include "utilities/DatabaseExchange.h"

using namespace FileFacts;

// The file utilities while the program works on a server: they leave the file in the program's folder
// alone and say why; the windows name the server; on the test server, Backup writes a snapshot of the
// server, and varnex-server sets a server up.
namespace {
// Never reached: none of these needs the server itself.
const QString kServer = QStringLiteral("postgresql://station:secret@/inspect?host=/nonexistent/varnex");

FormRegistry& forms() { return FormRegistry::instance(); }
QString label(const QString& form, const char* name) {
    return forms().form(form)->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

struct Run {
    int code = -1;
    QString out, err;
};
Run serverTool(const QStringList& args) {
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-server"), args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
Status admin(const QString& sql) {
    Database db;
    const Status s = db.open(TestAppFolder::testServer());
    return s ? db.exec(sql) : s;
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
        // The server out of reach stands in for any other; the backup and varnex-server need the test server.
        const QByteArray name = QTest::currentTestFunction();
        const bool needsServer = name == "backupOfTheServer" || name == "serverToolSetsUpAServer";
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
        QCOMPARE(DatabaseExchange().run().error(), DatabaseExchange::serverRefusal());  // the tool's way in, too

        QCOMPARE(digest(app.livePath()), live);
        QCOMPARE(digest(app.file(QStringLiteral("DemoDb/kelid1.mdb"))), stored);
        QCOMPARE(entries(app.file(QStringLiteral("temp"))) + entries(app.file(QStringLiteral("temp2"))), QStringList());
    }

    // At start a server that cannot be reached opens the data entry screen
    // on the station's outbox (no box) and the program goes on; the file's
    // check is not made (a damaged file left in the folder is not the
    // database in use). The windows name the server, never its password.
    void startOnAServerOutOfReach() {
        TestAppFolder app(TestAppFolder::Data::Demo);
        QVERIFY(damage(app.livePath(), Damage::IndexPage));
        Dialogs::Scripted dialogs;
        QVERIFY(Application::start().isOk());
        QCOMPARE(dialogs.texts(), QStringList());
        QVERIFY(forms().isVisible(QStringLiteral("frmDataEntry")));
        QVERIFY(forms().isVisible(QStringLiteral("frmMain")));
        QCOMPARE(forms().form(QStringLiteral("MDIBackground"))->windowTitle(),
                 QStringLiteral("Varnex - inspect on server /nonexistent/varnex"));
        QVERIFY(forms().show(QStringLiteral("frmAbout")).isOk());
        QCOMPARE(label(QStringLiteral("frmAbout"), "lblDatabase"), QStringLiteral("Database: inspect on server /nonexistent/varnex"));
    }

    // A password typed on the command line, where ps shows it, is refused before anything is connected;
    // a mistyped URI is echoed without its password.
    void serverToolTakesNoPasswordAndShowsNone() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("export.mdb"));
        const QString refused = QStringLiteral("varnex-server: %1\n").arg(ServerUri::checkCommandLine(kServer).error());
        QVERIFY2(refused.contains(QStringLiteral("~/.pgpass")), qPrintable(refused));
        for (const QString& uri : {kServer, QStringLiteral("postgresql://station@/inspect?host=/nonexistent/varnex&password=secret")}) {
            const Run r = serverTool({QStringLiteral("export"), uri, file});
            QCOMPARE(r.code, 1);
            QCOMPARE(r.err, refused);
        }
        const Run r = serverTool({QStringLiteral("init"), QStringLiteral("postgresql//station:secret@dbhost/inspect")});
        QCOMPARE(r.err.left(r.err.indexOf(QLatin1Char(';'))), QStringLiteral("varnex-server: 'postgresql//station:****@dbhost/inspect' is not a server"));
        QVERIFY(!QFile::exists(file));
    }

    // One state of the server's tables as a desktop database in the typed
    // folder, which the program opens as its own.
    void backupOfTheServer() {
        TestAppFolder app(TestAppFolder::Data::Demo);
        QTemporaryDir folder;
        Dialogs::Scripted dialogs;
        // The second backup keeps the first beside it.
        for (int i = 0; i < 2; ++i) {
            QVERIFY(forms().show(QStringLiteral("frmBackUp")).isOk());
            forms().form(QStringLiteral("frmBackUp"))->findChild<QLineEdit*>(QStringLiteral("txtFolder"))->setText(folder.path());
            QTest::mouseClick(forms().form(QStringLiteral("frmBackUp"))->findChild<QPushButton*>(QStringLiteral("cmdBackup")),
                              Qt::LeftButton);
        }
        QCOMPARE(dialogs.texts(), (QStringList{QStringLiteral("Backup Complete"), QStringLiteral("Backup Complete")}));
        QCOMPARE(DatabaseBackup::history(folder.path()).size(), 1);
        const QString backup = folder.filePath(QStringLiteral("kelid.mdb"));
        QVERIFY(intact(backup));
        Database file, server;
        QVERIFY(file.open(backup, Database::Mode::ReadOnly).isOk());
        QVERIFY(server.open(app.database(), Database::Mode::ReadOnly).isOk());
        QStringList fromFile, fromServer;
        for (auto [db, out] : {std::pair{&file, &fromFile}, std::pair{&server, &fromServer}}) {
            SqlStatement st(*db, QStringLiteral("SELECT InspectionID, SerialNum, Notes FROM InspectionRecord ORDER BY InspectionID"));
            while (st.next())
                *out << st.value(0).toString() + QLatin1Char('|') + st.value(1).toString() + QLatin1Char('|') + st.value(2).toString();
        }
        QVERIFY(!fromServer.isEmpty());
        QCOMPARE(fromFile, fromServer);
    }

    // What a plant does: init, import its desktop database, and later export;
    // each prints the rows per table. A database with rows is never imported
    // into again, nor an existing file; a failure is the server's own message.
    void serverToolSetsUpAServer() {
        const QString name = QStringLiteral("vx_tool_%1").arg(QCoreApplication::applicationPid());
        QVERIFY(admin(QStringLiteral("CREATE DATABASE %1").arg(name)).isOk());
        const QString database = PgSchema::withDatabase(TestAppFolder::testServer(), name);
        QTemporaryDir dir;
        const QString demo = dir.filePath(QStringLiteral("demo.mdb"));
        QVERIFY(DataGen::createDemo(demo).isOk());
        Run r = serverTool({QStringLiteral("init"), database});
        QVERIFY2(r.code == 0 && r.out.startsWith(QStringLiteral("defects          1\nParts            1\n")) &&
                     r.out.endsWith(QStringLiteral("InspectionRecord 0\nAuditTrail       0\nControlLimit     0\nAlarm            0\n")),
                 qPrintable(r.out + r.err));
        r = serverTool({QStringLiteral("import"), database, demo});
        Database file;
        QVERIFY(file.open(demo, Database::Mode::ReadOnly).isOk());
        const qint64 rows = Schema::rowCount(file, QStringLiteral("InspectionRecord"), nullptr);
        QVERIFY2(r.code == 0 && r.out.contains(QStringLiteral("InspectionRecord %1\n").arg(rows)), qPrintable(r.out + r.err));
        const QString imported = r.out;
        for (const QStringList& args : {QStringList{QStringLiteral("import"), database, demo},
                                        QStringList{QStringLiteral("export"), database, demo}}) {
            r = serverTool(args);
            QVERIFY2(r.code == 1 && r.err.contains(args[0] == QLatin1String("export") ? "File already exists" : "not empty"),
                     qPrintable(r.err));
        }
        r = serverTool({QStringLiteral("export"), database, dir.filePath(QStringLiteral("export.mdb"))});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, imported);  // the rows per table written into the file
        QVERIFY(admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)).isOk());

        r = serverTool({QStringLiteral("init"), PgSchema::withDatabase(TestAppFolder::testServer(), QStringLiteral("vx_no_such_database"))});
        QVERIFY2(r.code == 1 && r.out.isEmpty() && r.err.startsWith(QStringLiteral("varnex-server: ")) &&
                     r.err.contains(QStringLiteral("database \"vx_no_such_database\" does not exist")),
                 qPrintable(r.err));
    }
};

QTEST_MAIN(TestServerUtilities)
#include "tst_serverutilities.moc"
