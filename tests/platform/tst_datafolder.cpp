#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "TestAppFolder.h"
#include "database/Schema.h"
#include "datagen/DataGen.h"
#include "platform/AppPaths.h"
#include "platform/DataFolder.h"
#include "platform/HelpViewer.h"
#include "reports/ReportDefinition.h"
#include "reports/ReportEngine.h"
#include "reports/ReportPreview.h"
#include "reports/ReportResult.h"
#include "../utilities/FileFacts.h"

using namespace FileFacts;

// Where an installed program keeps its data and finds what it reads, and what
// every command answers before it starts.
class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void installedFolderMadeOnFirstStart();
    void namedFolder();
    void buildFolderUnchanged();
    void saveDialogsStartInDocuments();
    void commandsAnswerVersionAndHelp();

private:
    QString m_buildFolder;
    QTemporaryDir m_home;
};

void TestDataFolder::initTestCase() {
    m_buildFolder = AppPaths::folder();
    qputenv("HOME", m_home.path().toUtf8());
    qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
    qunsetenv("VARNEX_FOLDER");
}

void TestDataFolder::cleanup() {
    AppPaths::setFolder(m_buildFolder);
    AppPaths::setSharedFolder(QString());
    qunsetenv("VARNEX_FOLDER");
}

// An installed program's first start makes ~/.local/share/varnex from the
// shared folder; later starts never replace what is there. Report definitions
// and help come from the data folder first, then from the shared folder, and a
// shared definition reads the data folder's database.
void TestDataFolder::installedFolderMadeOnFirstStart() {
    QTemporaryDir shared;
    QVERIFY(QDir(shared.path()).mkpath(QStringLiteral("demo")) && QDir(shared.path()).mkpath(QStringLiteral("DemoDb")) &&
            QDir(shared.path()).mkpath(QStringLiteral("KEL")));
    QVERIFY(DataGen::createDemo(shared.filePath(QStringLiteral("demo/kelid.mdb"))).isOk());
    QVERIFY(DataGen::createBlank(shared.filePath(QStringLiteral("DemoDb/kelid1.mdb"))).isOk());
    const QString source = QStringLiteral(VARNEX_SOURCE_DIR "/data/");
    QVERIFY(QFile::copy(source + QStringLiteral("reports/pareto_of_defects.rpt"), shared.filePath(QStringLiteral("pareto_of_defects.rpt"))));
    QVERIFY(QFile::copy(source + QStringLiteral("help/VXHelp.hlp"), shared.filePath(QStringLiteral("KEL/VXHelp.hlp"))));
    AppPaths::setSharedFolder(shared.path());

    const QString data = m_home.filePath(QStringLiteral("data/varnex"));
    QCOMPARE(DataFolder::userFolder(), data);
    const Status s = DataFolder::select(QString());
    QVERIFY2(s.isOk(), qPrintable(s.error()));
    QCOMPARE(AppPaths::folder(), data);
    QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("DemoDb"), QStringLiteral("kelid.mdb"), QStringLiteral("temp"), QStringLiteral("temp2")}));
    QCOMPARE(digest(data + QStringLiteral("/kelid.mdb")), digest(shared.filePath(QStringLiteral("demo/kelid.mdb"))));
    QCOMPARE(digest(data + QStringLiteral("/DemoDb/kelid1.mdb")), digest(shared.filePath(QStringLiteral("DemoDb/kelid1.mdb"))));
    writeFile(data + QStringLiteral("/kelid.mdb"), "the user's rows");
    QVERIFY(DataFolder::select(QString()).isOk());
    QFile kept(data + QStringLiteral("/kelid.mdb"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("the user's rows"));
    kept.close();

    QVERIFY(QFile::remove(data + QStringLiteral("/kelid.mdb")));
    QVERIFY(DataFolder::select(QString()).isOk());
    QCOMPARE(AppPaths::readable(HelpViewer::helpFileName()), shared.filePath(QStringLiteral("KEL/VXHelp.hlp")));
    const QString report = AppPaths::folder() + QStringLiteral("\\pareto_of_defects.rpt");
    QCOMPARE(AppPaths::readable(report), shared.filePath(QStringLiteral("pareto_of_defects.rpt")));
    ReportDefinition def;
    QVERIFY(ReportDefinition::load(AppPaths::readable(report), &def).isOk());
    QCOMPARE(def.databasePath, data + QStringLiteral("/kelid.mdb"));
    ReportResult result;
    const QStringList params{QStringLiteral("BeginDate;Date (2026, 01, 01);true"), QStringLiteral("EndDate;Date (2026, 06, 30);true"),
                             QStringLiteral("Facility;A;true")};
    QVERIFY(ReportEngine::produce(report, params, QString(), &result).isOk());
    QVERIFY(result.rowCount > 0);
    // A plant's own definition in the data folder comes first.
    QVERIFY(QFile::copy(shared.filePath(QStringLiteral("pareto_of_defects.rpt")), data + QStringLiteral("/pareto_of_defects.rpt")));
    QCOMPARE(AppPaths::readable(report), data + QStringLiteral("/pareto_of_defects.rpt"));
}

// --folder DIR (or VARNEX_FOLDER) names a folder that must exist; one whose
// varnex.conf names a server gets no database file.
void TestDataFolder::namedFolder() {
    QStringList args{QStringLiteral("varnex"), QStringLiteral("--folder"), QStringLiteral("/a"), QStringLiteral("--server"),
                     QStringLiteral("postgresql://u@h/d")};
    QCOMPARE(DataFolder::named(&args), QStringLiteral("/a"));
    QCOMPARE(args, (QStringList{QStringLiteral("varnex"), QStringLiteral("--server"), QStringLiteral("postgresql://u@h/d")}));
    args = QStringList{QStringLiteral("varnex-report"), QStringLiteral("--folder=/b")};
    QCOMPARE(DataFolder::named(&args), QStringLiteral("/b"));
    QCOMPARE(args, QStringList{QStringLiteral("varnex-report")});
    qputenv("VARNEX_FOLDER", "/c");
    QCOMPARE(DataFolder::named(&args), QStringLiteral("/c"));

    QTemporaryDir station;
    const QString missing = station.filePath(QStringLiteral("NoSuchFolder"));
    const Status refused = DataFolder::select(missing);
    QCOMPARE(refused.error(), QStringLiteral("The folder '%1' does not exist. Create it first, or name another one.").arg(missing));
    QVERIFY(!QFileInfo::exists(missing));
    QCOMPARE(AppPaths::folder(), m_buildFolder);

    QTemporaryDir shared;
    QVERIFY(QDir(shared.path()).mkpath(QStringLiteral("DemoDb")));
    QVERIFY(DataGen::createBlank(shared.filePath(QStringLiteral("DemoDb/kelid1.mdb"))).isOk());
    AppPaths::setSharedFolder(shared.path());
    writeFile(station.filePath(Schema::configFileName()), "server = postgresql://varnex@dbhost/inspect\n");
    QVERIFY(DataFolder::select(station.path()).isOk());
    QCOMPARE(AppPaths::folder(), station.path());
    QCOMPARE(QDir(station.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("DemoDb"), QStringLiteral("temp"), QStringLiteral("temp2"), Schema::configFileName()}));
}

// Run from the build folder (no share/varnex beside the binary) nothing moves.
void TestDataFolder::buildFolderUnchanged() {
    qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("build-data")).toUtf8());
    QCOMPARE(AppPaths::sharedFolder(), QString());
    QVERIFY(DataFolder::select(QString()).isOk());
    QCOMPARE(AppPaths::folder(), m_buildFolder);
    QVERIFY(!QFileInfo::exists(DataFolder::userFolder()));
    QCOMPARE(AppPaths::readable(QStringLiteral("C:\\pareto_of_defects.rpt")), AppPaths::native(QStringLiteral("C:\\pareto_of_defects.rpt")));
}

void TestDataFolder::saveDialogsStartInDocuments() {
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("Documents")));
    ReportResult result;
    result.definition.title = QStringLiteral("Pareto of Defects");
    ReportPreview preview(result);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(documents, m_home.filePath(QStringLiteral("Documents")));
    QCOMPARE(preview.suggestedExportPath(QStringLiteral(".pdf")), documents + QStringLiteral("/Pareto of Defects.pdf"));
    QCOMPARE(preview.suggestedExportPath(QStringLiteral(".csv")), documents + QStringLiteral("/Pareto of Defects.csv"));
}

// Every command answers --version and --help at once, without a screen.
void TestDataFolder::commandsAnswerVersionAndHelp() {
    for (const char* name : {"varnex", "varnex-report", "varnex-utility", "varnex-server"}) {
        const QString command = QString::fromLatin1(name);
        for (const char* option : {"--version", "--help"}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            p.setProcessEnvironment(env);
            p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../app/") + command, {QString::fromLatin1(option)});
            QVERIFY(p.waitForFinished(30000));
            const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
            QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, qPrintable(command + p.readAllStandardError()));
            if (QByteArray(option) == "--version")
                QCOMPARE(out, command + QStringLiteral(" 1.0\n"));
            else
                QVERIFY2(out.startsWith(QStringLiteral("usage: ") + command + QLatin1Char(' ')) && out.count(QLatin1Char('\n')) > 3,
                         qPrintable(out));
        }
    }
}

QTEST_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
