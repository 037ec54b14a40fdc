#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "TestAppFolder.h"
#include "database/Database.h"
#include "database/postgres/PgSchema.h"
#include "datagen/DataGen.h"

// varnex-server as a plant runs it, on the test server: init, import and
// export print the rows per table, refuse a target that is not empty and
// fail with the server's message.
class TestServerTool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_name, m_database;  // made afresh for each case
    int m_made = 0;

    struct Run {
        int code = -1;
        QString out, err;
    };
    static Run tool(const QStringList& args) {
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
    static void admin(const QString& sql) {
        Database db;
        Status s = db.open(TestAppFolder::testServer());
        if (s)
            s = db.exec(sql);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
    }
    static QString lines(std::initializer_list<std::pair<const char*, int>> rows) {
        QString text;
        for (const auto& [table, n] : rows)
            text += QStringLiteral("%1 %2\n").arg(QLatin1String(table), -16).arg(n);
        return text;
    }

private slots:
    void init() {
        if (TestAppFolder::testServer().isEmpty())
            QSKIP("needs the test server (VARNEX_TEST_SERVER)");
        m_name = QStringLiteral("vx_tool_%1_%2").arg(QCoreApplication::applicationPid()).arg(++m_made);
        admin(QStringLiteral("CREATE DATABASE %1").arg(m_name));
        m_database = PgSchema::withDatabase(TestAppFolder::testServer(), m_name);
    }
    void cleanup() {
        if (!m_name.isEmpty())
            admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
        m_name.clear();
    }

    // What a plant does: init, import its desktop database, and later export.
    void initImportExport() {
        const QString demo = m_dir.filePath(QStringLiteral("demo.mdb"));
        if (!QFile::exists(demo))
            QVERIFY(DataGen::createDemo(demo).isOk());
        Run r = tool({QStringLiteral("init"), m_database});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, lines({{"defects", 1}, {"Parts", 1}, {"Model", 0}, {"location", 1}, {"Station", 0},
                               {"Employees", 0}, {"InspectionRecord", 0}}));

        r = tool({QStringLiteral("import"), m_database, demo});
        QCOMPARE(r.code, 0);
        Database file;
        QVERIFY(file.open(demo, Database::Mode::ReadOnly).isOk());
        SqlStatement count(file, QStringLiteral("SELECT count(*) FROM InspectionRecord"));
        QVERIFY(count.next());
        QVERIFY2(r.out.contains(QStringLiteral("InspectionRecord %1\n").arg(count.int64(0))), qPrintable(r.out));
        const QString imported = r.out;
        {
            // Statistics gathered, so the first stations' plans use the indexes.
            Database server;
            QVERIFY(server.open(m_database).isOk());
            SqlStatement analysed(server, QStringLiteral("SELECT count(*) FROM pg_stat_user_tables "
                                                         "WHERE relname = 'inspectionrecord' AND last_analyze IS NOT NULL"));
            QVERIFY(analysed.next());
            QCOMPARE(analysed.int64(0), qint64(1));
        }

        // A database with rows is never written into again, nor an existing file.
        r = tool({QStringLiteral("import"), m_database, demo});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("not empty")), qPrintable(r.err));
        r = tool({QStringLiteral("init"), m_database});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("not empty")), qPrintable(r.err));
        r = tool({QStringLiteral("export"), m_database, demo});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("File already exists")), qPrintable(r.err));

        const QString exported = m_dir.filePath(QStringLiteral("export-%1.mdb").arg(m_made));
        const Run e = tool({QStringLiteral("export"), m_database, exported});
        QCOMPARE(e.code, 0);
        QCOMPARE(e.out, imported);
        Database back;
        QVERIFY(back.open(exported, Database::Mode::ReadOnly).isOk());
        SqlStatement again(back, QStringLiteral("SELECT count(*) FROM InspectionRecord"));
        QVERIFY(again.next());
        QCOMPARE(again.int64(0), count.int64(0));
    }

    // A failure is the server's own message, and a non-zero exit.
    void serverFailures() {
        const QString missing = PgSchema::withDatabase(TestAppFolder::testServer(), QStringLiteral("vx_no_such_database"));
        const Run r = tool({QStringLiteral("init"), missing});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("varnex-server: ")) &&
                     r.err.contains(QStringLiteral("database \"vx_no_such_database\" does not exist")),
                 qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }
};

QTEST_GUILESS_MAIN(TestServerTool)
#include "tst_servertool.moc"
