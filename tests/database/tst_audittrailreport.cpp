// The trail read back (the Audit Trail report, Unit History's changes) on both
// engines; a file's trail of the first form rewritten on open, hiding no break;
// a file's sealed trail through a server (import, then export).
#include <QCryptographicHash>
#include <QDateTime>
#include <QtTest>

#include "TestAppFolder.h"
#include "database/AuditTrail.h"
#include "database/DatabaseCopy.h"
#include "database/Schema.h"
#include "reports/ReportEngine.h"

namespace {

QStringList lines(const TestAppFolder& app, const char* file, const QStringList& params) {
    ReportResult r;
    [&] { QVERIFY(ReportEngine::produce(app.file(QLatin1String(file)), params, QString(), &r)); }();
    QStringList out;
    for (const ReportGroup& g : r.groups)
        for (const QVariantList& row : g.rows) {
            QStringList cells;
            for (int c = 0; c < row.size(); ++c)
                cells << r.format(c, row.at(c));
            out << cells.join(QLatin1Char('|'));
        }
    return out;
}

QStringList days(const QDate& from, const QDate& to, const QString& more = QString()) {
    return QStringList{QStringLiteral("BeginDate;%1;true").arg(ReportEngine::dateValue(from)),
                       QStringLiteral("EndDate;%1;true").arg(ReportEngine::dateValue(to)), more}.filter(QStringLiteral(";"));
}

// The first form: texts, each sealed entry's Hash the hex SHA-256 of the link before and its nine fields.
void writeFirstForm(Database& db, int fault) {
    QVERIFY(db.exec(QStringLiteral("DROP VIEW AuditEntries; DROP TABLE AuditTrail; DROP TABLE AuditWho; DROP TABLE AuditTables;"
                                   "CREATE TABLE AuditTrail (EntryID INTEGER PRIMARY KEY AUTOINCREMENT, At TEXT, Login TEXT, Station TEXT, "
                                   "Program TEXT, TableName TEXT, RowKey TEXT, Action TEXT, Changes TEXT, Hash TEXT) STRICT")));
    auto seal = [](const QVariantList& values) {
        QCryptographicHash h(QCryptographicHash::Sha256);
        for (const QVariant& v : values)
            h.addData(v.isNull() ? QByteArray("-;") : QByteArray::number(v.toString().toUtf8().size()) + ':' + v.toString().toUtf8() + ';');
        return QVariant(QString::fromLatin1(h.result().toHex()));
    };
    QVariant link;
    for (const char* e : {"1|2026-03-01T08:00:00.250Z|alice|LINE-1|Varnex|defects|D9|insert|",
                          "2|2026-03-01T09:00:00.000Z|alice|LINE-1|Varnex|defects|D9|update|{\"defectdescription\":[\"Dent\",\"Deep dent\"]}",
                          "3|2026-03-02T10:00:00.000Z|||outside Varnex|InspectionRecord|7|update|{\"Notes\":[null,\"x\"]}",
                          "4|2026-03-03T11:00:00.000Z|bob|LINE-2|Varnex|InspectionRecord|7|delete|{\"Notes\":\"x\"}"}) {
        QVariantList fields;
        for (const QString& f : QString::fromLatin1(e).split(QLatin1Char('|')))
            fields << (f.isEmpty() ? QVariant() : QVariant(f));
        const QVariant hash = fields[2].isNull() ? QVariant() : seal(QVariantList{link} + fields);
        link = hash.isNull() ? seal(QVariantList{QVariant()} + fields) : hash;
        SqlStatement st(db, QStringLiteral("INSERT INTO AuditTrail VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < 10; ++i)
            st.bind(i + 1, i < 9 ? fields[i] : hash);
        QVERIFY(st.run());
    }
    QVERIFY(db.exec(QStringList{"", "UPDATE AuditTrail SET Changes = '{}' WHERE EntryID = 2", "DELETE FROM AuditTrail WHERE EntryID = 4"}[fault]));
}

AuditTrail::Verdict verdictOf(const QString& path) {
    AuditTrail::Verdict v;
    [&] { QVERIFY(AuditTrail::verifyFile(path, &v)); }();
    return v;
}

}  // namespace

class TestAuditTrailReport : public QObject {
    Q_OBJECT
private slots:
    // Each changed field as old → new; only the entries of the days, table and login asked for.
    void reportListsChangesWithinItsCriteria() {
        TestAppFolder app;
        for (const char* sql : {"INSERT INTO Parts (partnum) VALUES ('P0')", "UPDATE AuditTrail SET At = 1583020800000",  // 2020-03-01
                                "INSERT INTO defects (defectcode, defectdescription) VALUES ('D9', 'Dent')",
                                "UPDATE defects SET defectdescription = 'Deep dent' WHERE defectcode = 'D9'",
                                "INSERT INTO InspectionRecord (ModelNumber, SerialNum, Station, Date) VALUES ('M1', 'S1', 'T1', '2026-03-04')",
                                "UPDATE InspectionRecord SET Notes = 'checked' WHERE SerialNum = 'S1'"})
            app.exec(QString::fromLatin1(sql));
        const QDate today = QDateTime::currentDateTimeUtc().date();
        const QStringList now = lines(app, "audit_trail.rpt", days(today.addDays(-1), today));
        QCOMPARE(now.size(), 4);
        QVERIFY2(now[1].endsWith(QStringLiteral("|defects|D9|update|") + now[1].section(QLatin1Char('|'), 4, 6) +
                                 QStringLiteral("|defectdescription: Dent \u2192 Deep dent")), qPrintable(now[1]));
        QCOMPARE(lines(app, "audit_trail.rpt", days(today.addDays(-1), today, QStringLiteral("Table;InspectionRecord;true"))).size(), 2);
        QCOMPARE(lines(app, "audit_trail.rpt", days(today.addDays(-1), today, QStringLiteral("Login;nobody;true"))).size(), 0);
        // Unit History: the change under the row it changed.
        const QStringList unit = lines(app, "unit_history.rpt", {QStringLiteral("Serial;S1;true")});
        QVERIFY2(unit.size() == 3 && unit[1].contains(QStringLiteral(" UTC by ")) &&
                     unit[1].contains(QStringLiteral("notes: (empty) \u2192 checked")), qPrintable(unit.join(QLatin1Char('\n'))));
    }

    // Every entry kept with who made it, sealed anew so a later change is found; a break before is found after.
    void firstFormIsRewrittenOnOpen() {
        TestAppFolder app;
        if (app.isServer())
            QSKIP("the file's trail");
        for (const int fault : {0, 1, 2}) {  // none, an entry altered, the last removed
            Database db;
            QVERIFY(db.open(app.livePath()));
            writeFirstForm(db, fault);
            db.close();
            QVERIFY(Schema::upgradeFile(app.livePath()));
            const AuditTrail::Verdict v = verdictOf(app.livePath());
            QCOMPARE(v.entries, qint64(fault == 2 ? 3 : 4));
            QCOMPARE(v.unsealed, qint64(1));
            QCOMPARE(v.firstBroken, qint64(QList<int>{0, 2, 4}.at(fault)));
        }
        QCOMPARE(app.rows(QStringLiteral("SELECT At, Login, Station, Program, TableName, RowKey, Action, Changes FROM AuditEntries "
                                         "WHERE EntryID IN (1, 3)")),
                 (QStringList{"1772352000250|alice|LINE-1|Varnex|defects|D9|insert|NULL",
                              "1772445600000|NULL|NULL|outside Varnex|InspectionRecord|7|update|{\"notes\":[null,\"x\"]}"}));
        app.exec(QStringLiteral("UPDATE AuditTrail SET KeyCode = 'D8' WHERE EntryID = 1"));
        QCOMPARE(verdictOf(app.livePath()).firstBroken, qint64(1));
    }

    // varnex-server import, then export: the file's entries come back with their seals, the chain whole.
    void sealsSurviveImportAndExport() {
        if (TestAppFolder::testServer().isEmpty())
            QSKIP("a server");
        TestAppFolder app;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.mdb")), back = dir.filePath(QStringLiteral("b.mdb"));
        Database from, server;
        QVERIFY(Schema::createFile(file) && from.open(file) && server.open(app.database()));
        QVERIFY(from.exec(QStringLiteral("INSERT INTO Model (ModelNumber) VALUES ('M1'); UPDATE Model SET ModelDescription = 'x'")));
        QVERIFY(DatabaseCopy::copy(from, server) && DatabaseCopy::toFile(server, back, false));
        const AuditTrail::Verdict before = verdictOf(file), after = verdictOf(back);
        QVERIFY(before.sealed >= 2 && after.sealed == before.sealed && after.entries == before.entries && after.firstBroken == 0);
    }
};

QTEST_MAIN(TestAuditTrailReport)
#include "tst_audittrailreport.moc"
