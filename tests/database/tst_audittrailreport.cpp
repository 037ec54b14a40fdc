// The audit trail read back: the Audit Trail report and Unit History's
// changes, on both engines; a file's trail of the first form rewritten when
// the file is opened, hiding no break; and a file's sealed trail carried
// through a server (import, then export) with its seals.
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
    const Status s = ReportEngine::produce(app.file(QLatin1String(file)), params, QString(), &r);
    if (!s)
        qWarning() << s.error();
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

QStringList days(const QDate& from, const QDate& to) {
    return {QStringLiteral("BeginDate;%1;true").arg(ReportEngine::dateValue(from)),
            QStringLiteral("EndDate;%1;true").arg(ReportEngine::dateValue(to))};
}

// A trail of the first form: its time, who, table and action as text, each
// entry sealed with the hex SHA-256 of the seal before it and its nine texts.
void writeFirstForm(Database& db, int fault) {
    QVERIFY(db.exec(QStringLiteral("DROP VIEW AuditEntries; DROP TABLE AuditTrail; DROP TABLE AuditWho; DROP TABLE AuditTables;"
                                   "CREATE TABLE AuditTrail (EntryID INTEGER PRIMARY KEY AUTOINCREMENT, At TEXT NOT NULL, Login TEXT, "
                                   "Station TEXT, Program TEXT, TableName TEXT NOT NULL, RowKey TEXT, Action TEXT NOT NULL, "
                                   "Changes TEXT, Hash TEXT) STRICT")));
    const QList<QStringList> entries = {
        {"1", "2026-03-01T08:00:00.250Z", "alice", "LINE-1", "Varnex", "defects", "D9", "insert", ""},
        {"2", "2026-03-01T09:00:00.000Z", "alice", "LINE-1", "Varnex", "defects", "D9", "update", "{\"defectdescription\":[\"Dent\",\"Deep dent\"]}"},
        {"3", "2026-03-02T10:00:00.000Z", "", "", "outside Varnex", "InspectionRecord", "7", "update", "{\"Notes\":[null,\"x\"]}"},
        {"4", "2026-03-03T11:00:00.000Z", "bob", "LINE-2", "Varnex", "InspectionRecord", "7", "delete", "{\"Notes\":\"x\"}"}};
    QVariant link;
    for (const QStringList& e : entries) {
        QCryptographicHash h(QCryptographicHash::Sha256);
        QVariantList fields{link};
        for (const QString& f : e)
            fields << (f.isEmpty() ? QVariant() : QVariant(f));
        for (const QVariant& v : fields)
            h.addData(v.isNull() ? QByteArray("-;") : QByteArray::number(v.toString().toUtf8().size()) + ':' + v.toString().toUtf8() + ';');
        const bool sealed = !e[2].isEmpty();
        link = sealed ? QVariant(QString::fromLatin1(h.result().toHex())) : QVariant();
        SqlStatement st(db, QStringLiteral("INSERT INTO AuditTrail VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < 10; ++i)
            st.bind(i + 1, i < 9 ? fields[i + 1] : link);
        QVERIFY(st.run());
        if (!sealed) {  // the next entry links to its content alone
            h.reset();
            for (const QVariant& v : QVariantList{QVariant()} + fields.mid(1))
                h.addData(v.isNull() ? QByteArray("-;") : QByteArray::number(v.toString().toUtf8().size()) + ':' + v.toString().toUtf8() + ';');
            link = QString::fromLatin1(h.result().toHex());
        }
    }
    if (fault == 1)
        QVERIFY(db.exec(QStringLiteral("UPDATE AuditTrail SET Changes = '{}' WHERE EntryID = 2")));
    if (fault == 2)
        QVERIFY(db.exec(QStringLiteral("DELETE FROM AuditTrail WHERE EntryID = 4")));
}

AuditTrail::Verdict verdictOf(const QString& path) {
    AuditTrail::Verdict v;
    const Status s = AuditTrail::verifyFile(path, &v);
    if (!s)
        qWarning() << s.error();
    return v;
}

}  // namespace

class TestAuditTrailReport : public QObject {
    Q_OBJECT
private slots:
    // Each changed field as old → new, only the entries of the dates asked
    // for, of the table, login and station asked for.
    void reportListsChangesWithinItsCriteria() {
        TestAppFolder app;
        // The entries before, as if made on the first of March 2020.
        app.exec(QStringLiteral("INSERT INTO Parts (partnum) VALUES ('P0')"));
        app.exec(QStringLiteral("UPDATE AuditTrail SET At = 1583020800000"));
        app.exec(QStringLiteral("INSERT INTO defects (defectcode, defectdescription) VALUES ('D9', 'Dent')"));
        app.exec(QStringLiteral("UPDATE defects SET defectdescription = 'Deep dent' WHERE defectcode = 'D9'"));
        app.exec(QStringLiteral("INSERT INTO InspectionRecord (ModelNumber, SerialNum, Station, Date) VALUES ('M1', 'S1', 'T1', '2026-03-04')"));
        app.exec(QStringLiteral("UPDATE InspectionRecord SET Notes = 'checked' WHERE SerialNum = 'S1'"));
        const QDate today = QDateTime::currentDateTimeUtc().date();
        const QStringList now = lines(app, "audit_trail.rpt", days(today.addDays(-1), today));
        QCOMPARE(now.size(), 4);
        QVERIFY2(now.filter(QStringLiteral("|defects|D9|update|")).value(0).endsWith(QStringLiteral("|defectdescription: Dent \u2192 Deep dent")),
                 qPrintable(now.join(QLatin1Char('\n'))));
        const QStringList then = lines(app, "audit_trail.rpt", days(QDate(2020, 2, 29), QDate(2020, 3, 1)));
        QVERIFY2(!then.isEmpty() && then.filter(QStringLiteral("2020-03-01 00:00:00.000|")).size() == then.size() &&
                     then.last().contains(QStringLiteral("|Parts|P0|insert|")),
                 qPrintable(then.join(QLatin1Char('\n'))));
        QCOMPARE(lines(app, "audit_trail.rpt", days(today.addDays(-1), today) << QStringLiteral("Table;InspectionRecord;true")).size(), 2);
        QCOMPARE(lines(app, "audit_trail.rpt", days(today.addDays(-1), today) << QStringLiteral("Login;nobody;true")).size(), 0);
        // Unit History: the change under the row it changed.
        const QStringList unit = lines(app, "unit_history.rpt", {QStringLiteral("Serial;S1;true")});
        QVERIFY2(unit.size() == 3 && unit[1].contains(QStringLiteral(" UTC by ")) &&
                     unit[1].contains(QStringLiteral("notes: (empty) \u2192 checked")),
                 qPrintable(unit.join(QLatin1Char('\n'))));
    }

    // A file's first trail: every entry kept with who made it, sealed anew so
    // a later change is found; a break found before is found after.
    void firstFormIsRewrittenOnOpen() {
        TestAppFolder app;
        if (app.isServer())
            QSKIP("the file's trail");
        for (const int fault : {0, 1, 2}) {  // none, an entry altered, the last removed
            {
                Database db;
                QVERIFY(db.open(app.livePath()));
                writeFirstForm(db, fault);
            }
            const Status up = Schema::upgradeFile(app.livePath());
            QVERIFY2(up, qPrintable(up.error()));
            const AuditTrail::Verdict v = verdictOf(app.livePath());
            QCOMPARE(v.entries, qint64(fault == 2 ? 3 : 4));
            QCOMPARE(v.unsealed, qint64(1));
            QCOMPARE(v.firstBroken, qint64(QList<int>{0, 2, 4}.at(fault)));
            if (fault)
                continue;
            QCOMPARE(app.rows(QStringLiteral("SELECT At, Login, Station, Program, TableName, RowKey, Action, Changes FROM AuditEntries "
                                             "WHERE EntryID IN (1, 3)")),
                     (QStringList{"1772352000250|alice|LINE-1|Varnex|defects|D9|insert|NULL",
                                  "1772445600000|NULL|NULL|outside Varnex|InspectionRecord|7|update|{\"notes\":[null,\"x\"]}"}));
            app.exec(QStringLiteral("UPDATE AuditTrail SET KeyCode = 'D8' WHERE EntryID = 1"));
            QCOMPARE(verdictOf(app.livePath()).firstBroken, qint64(1));
        }
    }

    // varnex-server import, then export: the file's entries come back with their seals, the chain whole.
    void sealsSurviveImportAndExport() {
        TestAppFolder app;
        if (!app.isServer())
            QSKIP("a server");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.mdb")), back = dir.filePath(QStringLiteral("b.mdb"));
        QVERIFY(Schema::createFile(file));
        Database from, server;
        QVERIFY(from.open(file));
        QVERIFY(from.exec(QStringLiteral("INSERT INTO Model (ModelNumber) VALUES ('M1'); UPDATE Model SET ModelDescription = 'x'")));
        QVERIFY(server.open(app.database()));
        QVERIFY(DatabaseCopy::copy(from, server));
        QVERIFY(DatabaseCopy::toFile(server, back, false));
        const AuditTrail::Verdict before = verdictOf(file), after = verdictOf(back);
        QVERIFY(before.sealed >= 2);
        QCOMPARE(after.sealed, before.sealed);
        QCOMPARE(after.entries, before.entries);
        QCOMPARE(after.firstBroken, qint64(0));
    }
};

QTEST_MAIN(TestAuditTrailReport)
#include "tst_audittrailreport.moc"
