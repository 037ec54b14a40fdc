// The audit trail: entries written by the database for every change, whoever
// makes it (this program, the sqlite3 tool, psql), their seal and its check,
// and the trail kept whole by compaction, backup, exchange and copies.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include "TestAppFolder.h"
#include "database/AuditTrail.h"
#include "database/DatabaseCopy.h"
#include "database/Maintenance.h"
#include "database/Schema.h"
#include "utilities/CompactRepair.h"
#include "utilities/DatabaseBackup.h"
#include "utilities/DatabaseExchange.h"

namespace {

// Runs a command-line tool; its exit code, and its output in *out.
int run(const QString& program, const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int sqlite3(const QString& file, const QString& sql) { return run(QStringLiteral("sqlite3"), {file, sql}); }

QString utility() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-utility"); }

// The last entry as "table|key|action|login|station|program|changes|sealed".
QString lastEntry(const TestAppFolder& app) {
    // The server writes its JSON with a blank after ':' and ','.
    return app.rows(QStringLiteral("SELECT TableName, RowKey, Action, Login, Station, Program, "
                                   "replace(replace(coalesce(Changes, ''), '\": ', '\":'), '\", \"', '\",\"'), "
                                   "CASE WHEN Hash IS NULL THEN 'unsealed' ELSE 'sealed' END FROM AuditEntries "
                                   "ORDER BY EntryID DESC LIMIT 1"))
        .value(0);
}

AuditTrail::Verdict verdictOf(const TestAppFolder& app) {
    AuditTrail::Verdict v;
    const Status s = AuditTrail::verifyFile(app.livePath(), &v);
    if (!s)
        qWarning() << s.error();
    return v;
}

}  // namespace

class TestAuditTrail : public QObject {
    Q_OBJECT
private slots:
    // Every change of this program's connections: who, where, what it said before.
    void changesAreRecordedWithWhoAndOldValues() {
        TestAppFolder app;
        if (!app.isServer()) {
            QFile conf(app.file(Schema::configFileName()));
            QVERIFY(conf.open(QIODevice::Append));
            conf.write("station = LINE-7\n");
        }
        const AuditTrail::Who who = AuditTrail::who();
        const QString me = app.isServer() ? app.scalar(QStringLiteral("SELECT session_user")).toString() : who.login;
        const QString station = app.isServer() ? who.station : QStringLiteral("LINE-7");
        const QString head = QStringLiteral("|%1|%2|%3|").arg(me, station, QCoreApplication::applicationName());
        app.exec(QStringLiteral("INSERT INTO defects (defectcode, defectdescription) VALUES ('D9', 'Dent')"));
        // The server's trail is kept by its grants, not sealed.
        const QString seal = app.isServer() ? QStringLiteral("unsealed") : QStringLiteral("sealed");
        QCOMPARE(lastEntry(app), QStringLiteral("defects|D9|insert") + head + QStringLiteral("|") + seal);
        app.exec(QStringLiteral("UPDATE defects SET defectdescription = 'Deep dent' WHERE defectcode = 'D9'"));
        QVERIFY(lastEntry(app).startsWith(QStringLiteral("defects|D9|update") + head));
        QVERIFY2(lastEntry(app).contains(QStringLiteral("\"defectdescription\":[\"Dent\",\"Deep dent\"]")), qPrintable(lastEntry(app)));
        // An update that changes nothing is no change.
        const qint64 before = app.scalar(QStringLiteral("SELECT count(*) FROM AuditTrail")).toLongLong();
        app.exec(QStringLiteral("UPDATE defects SET defectdescription = 'Deep dent' WHERE defectcode = 'D9'"));
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM AuditTrail")).toLongLong(), before);
        app.exec(QStringLiteral("DELETE FROM defects WHERE defectcode = 'D9'"));
        QVERIFY2(lastEntry(app).contains(QStringLiteral("defects|D9|delete") + head) &&
                     lastEntry(app).contains(QStringLiteral("\"defectdescription\":\"Deep dent\"")),
                 qPrintable(lastEntry(app)));
        if (!app.isServer()) {
            const AuditTrail::Verdict v = verdictOf(app);
            QCOMPARE(v.firstBroken, qint64(0));
            QCOMPARE(v.unsealed, qint64(0));
            QVERIFY(v.sealed >= 3);
        }
    }

    // The sqlite3 tool has none of the program's connection: its change is
    // recorded as made outside Varnex, without a seal, and verify says so
    // without calling it a break; an entry it alters is the first broken one.
    void sqliteToolIsRecordedAndAlterationsFound() {
        TestAppFolder app;
        if (app.isServer())
            QSKIP("the file's tool");
        app.exec(QStringLiteral("INSERT INTO Model (ModelNumber, ModelDescription) VALUES ('KL-1', 'Kettle')"));
        QCOMPARE(sqlite3(app.livePath(), QStringLiteral("UPDATE Model SET ModelDescription = 'Toaster' WHERE ModelNumber = 'KL-1'")), 0);
        QCOMPARE(lastEntry(app), QStringLiteral("Model|KL-1|update|NULL|NULL|outside Varnex|{\"modeldescription\":[\"Kettle\",\"Toaster\"]}|unsealed"));
        const qint64 outside = app.scalar(QStringLiteral("SELECT max(EntryID) FROM AuditTrail")).toLongLong();
        app.exec(QStringLiteral("DELETE FROM Model WHERE ModelNumber = 'KL-1'"));
        AuditTrail::Verdict v = verdictOf(app);
        QCOMPARE(v.unsealed, qint64(1));
        QCOMPARE(v.firstUnsealed, outside);
        QCOMPARE(v.firstBroken, qint64(0));
        QString said;
        QCOMPARE(run(utility(), {QStringLiteral("verify"), app.path()}, &said), 0);
        QVERIFY2(said.contains(QStringLiteral("The chain is whole.")), qPrintable(said));

        // The entry made outside, changed afterwards: the program's next entry covers it.
        QCOMPARE(sqlite3(app.livePath(), QStringLiteral("UPDATE AuditTrail SET Changes = '{}' WHERE EntryID = %1").arg(outside)), 0);
        QCOMPARE(verdictOf(app).firstBroken, outside + 1);
        // An entry the program sealed, changed with the sqlite3 tool.
        QCOMPARE(sqlite3(app.livePath(), QStringLiteral("UPDATE AuditTrail SET At = At + 1 WHERE EntryID = %1").arg(outside - 1)), 0);
        QCOMPARE(verdictOf(app).firstBroken, outside - 1);
        QCOMPARE(run(utility(), {QStringLiteral("verify"), app.path()}, &said), 1);
        QVERIFY2(said.contains(QStringLiteral("broken at entry %1").arg(outside - 1)), qPrintable(said));
    }

    // Removed entries: from the middle, and from the end.
    void removedEntriesAreFound() {
        TestAppFolder app;
        if (app.isServer())
            QSKIP("the file's chain");
        for (const char* code : {"P1", "P2", "P3"})
            app.exec(QStringLiteral("INSERT INTO Parts (partnum) VALUES ('%1')").arg(QLatin1String(code)));
        const qint64 last = app.scalar(QStringLiteral("SELECT max(EntryID) FROM AuditTrail")).toLongLong();
        QCOMPARE(sqlite3(app.livePath(), QStringLiteral("DELETE FROM AuditTrail WHERE EntryID = %1").arg(last)), 0);
        QCOMPARE(verdictOf(app).firstBroken, last);
        QCOMPARE(sqlite3(app.livePath(), QStringLiteral("DELETE FROM AuditTrail WHERE EntryID = %1").arg(last - 2)), 0);
        QCOMPARE(verdictOf(app).firstBroken, last - 1);
    }

    // A station killed while it submits: every stored row has its entry and
    // every entry its row (the row, its rework number and their entries are
    // one transaction), and the chain is whole.
    void killedSubmitLeavesRowAndEntryTogether() {
        TestAppFolder app;
        QProcess station;
        station.start(QCoreApplication::applicationDirPath() + QStringLiteral("/varnex-test-station"),
                      {app.path(), QStringLiteral("E1"), QStringLiteral("1"), QStringLiteral("100000")});
        while (!station.canReadLine() && station.waitForReadyRead(30000)) {
        }
        QCOMPARE(station.readLine().trimmed(), QByteArray("ready"));
        station.write("go\n");
        station.waitForBytesWritten(10000);
        // Killed once rows are landing, wherever its Submit then stands.
        for (int i = 0; i < 600 && app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toLongLong() < 30; ++i)
            QTest::qWait(100);
        station.kill();
        station.waitForFinished(10000);
        QVERIFY(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toLongLong() >= 30);
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord r WHERE NOT EXISTS (SELECT 1 FROM AuditEntries a "
                                           "WHERE a.TableName = 'InspectionRecord' AND a.Action = 'insert' "
                                           "AND a.RowKey = CAST(r.InspectionID AS TEXT))")).toLongLong(),
                 qint64(0));
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM AuditEntries a WHERE a.TableName = 'InspectionRecord' AND NOT EXISTS "
                                           "(SELECT 1 FROM InspectionRecord r WHERE CAST(r.InspectionID AS TEXT) = a.RowKey)")).toLongLong(),
                 qint64(0));
        if (!app.isServer())
            QCOMPARE(verdictOf(app).firstBroken, qint64(0));
    }

    // Compaction, backup, exchange and a copy to a new file keep every entry
    // as it was, with the chain whole; none of them adds entries of its own.
    void trailSurvivesCompactionBackupExchangeAndCopy() {
        TestAppFolder app(TestAppFolder::Data::Demo);
        if (app.isServer())
            QSKIP("the file's utilities (the copies run on both engines in the round trip below)");
        app.exec(QStringLiteral("UPDATE InspectionRecord SET Notes = 'checked' WHERE InspectionID = 5"));
        app.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE InspectionID = 6"));
        const QString all = QStringLiteral("SELECT * FROM AuditTrail ORDER BY EntryID");
        const QStringList trail = app.rows(all);
        QVERIFY(trail.size() > 1);

        QVERIFY(CompactRepair().run());
        QCOMPARE(app.rows(all), trail);
        QCOMPARE(verdictOf(app).firstBroken, qint64(0));

        QVERIFY(DatabaseBackup::run(app.file(QStringLiteral("temp"))));
        Database backup;
        QVERIFY(backup.open(app.file(QStringLiteral("temp/kelid.mdb")), Database::Mode::ReadOnly));
        AuditTrail::Verdict v;
        QVERIFY(AuditTrail::verify(backup, &v));
        QCOMPARE(v.entries, qint64(trail.size()));
        QCOMPARE(v.firstBroken, qint64(0));
        backup.close();

        const QString copy = app.file(QStringLiteral("temp2/copy.mdb"));
        {
            Database from;
            QVERIFY(from.open(app.livePath(), Database::Mode::ReadOnly));
            QVERIFY(DatabaseCopy::toFile(from, copy, false));
        }
        Database copied;
        QVERIFY(copied.open(copy));
        QVERIFY(AuditTrail::verify(copied, &v));
        QCOMPARE(v.entries, qint64(trail.size()));
        QCOMPARE(v.firstBroken, qint64(0));
        // The copy goes on sealing where the source stopped.
        QVERIFY(copied.exec(QStringLiteral("DELETE FROM Station")));
        QVERIFY(AuditTrail::verify(copied, &v));
        QVERIFY(v.entries > qint64(trail.size()));
        QCOMPARE(v.firstBroken, qint64(0));
        copied.close();

        // The exchange swaps whole files: the live trail goes with its database.
        QVERIFY(DatabaseExchange().run());
        QVERIFY(app.rows(all) != trail);
        QVERIFY(DatabaseExchange().run());
        QCOMPARE(app.rows(all), trail);
    }

    // A copy into the server and back (varnex-server import and export):
    // every entry with its seal; on the server, psql's change names its login,
    // and a login other than the owner may read the trail but not change it.
    void serverKeepsTrailAndGrants() {
        TestAppFolder app(TestAppFolder::Data::Demo);
        if (!app.isServer())
            QSKIP("a server's trail");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("export.mdb"));
        {
            Database server;
            QVERIFY(server.open(app.database()));
            QVERIFY(server.exec(QStringLiteral("UPDATE InspectionRecord SET Notes = 'x' WHERE InspectionID = 7")));
            QVERIFY(DatabaseCopy::toFile(server, file, false));
        }
        const QStringList trail = app.rows(QStringLiteral("SELECT EntryID, At, Action, RowKey, coalesce(Changes, '') FROM AuditEntries ORDER BY EntryID"));
        Database exported;
        QVERIFY(exported.open(file, Database::Mode::ReadOnly));
        SqlStatement st(exported, QStringLiteral("SELECT EntryID, At, Action, RowKey, coalesce(Changes, '') FROM AuditEntries ORDER BY EntryID"));
        QStringList read;
        while (st.next())
            read << QStringLiteral("%1|%2|%3|%4|%5").arg(st.value(0).toString(), st.value(1).toString(), st.value(2).toString(),
                                                       st.value(3).toString(), st.value(4).toString());
        QCOMPARE(read, trail);

        // psql, with its own login.
        QString out;
        QCOMPARE(run(QStringLiteral("psql"), {app.database(), QStringLiteral("-c"),
                                             QStringLiteral("UPDATE model SET modeldescription = 'by psql' WHERE modelnumber = "
                                                            "(SELECT min(modelnumber) FROM model)")}, &out), 0);
        const QString login = app.scalar(QStringLiteral("SELECT session_user")).toString();
        QVERIFY2(lastEntry(app).startsWith(QStringLiteral("Model|")) &&
                     lastEntry(app).contains(QStringLiteral("|update|%1|").arg(login)) && lastEntry(app).contains(QStringLiteral("|psql|")),
                 qPrintable(lastEntry(app)));

        const QString role = QStringLiteral("audit_reader_%1").arg(QCoreApplication::applicationPid());
        app.exec(QStringLiteral("CREATE ROLE %1 IN ROLE varnex_station").arg(role));
        for (const char* write : {"DELETE FROM audittrail", "UPDATE audittrail SET changes = 'x'", "TRUNCATE audittrail"}) {
            QCOMPARE(run(QStringLiteral("psql"), {app.database(), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                                 QStringLiteral("-c"), QStringLiteral("SET ROLE %1; %2").arg(role, QLatin1String(write))},
                         &out),
                     1);
            QVERIFY2(out.contains(QStringLiteral("permission denied")), qPrintable(out));
        }
        QCOMPARE(run(QStringLiteral("psql"), {app.database(), QStringLiteral("-c"),
                                             QStringLiteral("SET ROLE %1; SELECT count(*) FROM audittrail").arg(role)}, &out), 0);
        app.exec(QStringLiteral("DROP ROLE %1").arg(role));
    }
};

QTEST_MAIN(TestAuditTrail)
#include "tst_audittrail.moc"
