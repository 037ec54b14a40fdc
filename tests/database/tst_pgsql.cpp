#include <QTest>

#include "TestAppFolder.h"
#include "database/Refusal.h"
#include "database/Schema.h"
#include "database/postgres/PgSql.h"

// The server engine's translation of the program's statements, and (on the
// test server) what the engine gives back: values, keys and refusals in the
// words the file engine uses.
class TestPgSql : public QObject {
    Q_OBJECT
private slots:
    void translates_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("server");
        QTest::newRow("names, placeholders, literals, LIKE")
            << "SELECT [location description] FROM location WHERE locationcode = ? AND x = '?[a]' AND y = :n OR z = :n AND n LIKE ?"
            << "SELECT \"location description\" FROM location WHERE locationcode = $1 AND x = '?[a]' AND y = $2 OR z = $2 AND n ILIKE $3";
        QTest::newRow("quoted names fold, aliases keep their case, NULLs sort as in the file")
            << "SELECT CAST(? AS TEXT) AS Total, \"InspectionRecord\".Station AS [Defect Count] FROM \"InspectionRecord\" ORDER BY Total, coalesce(Date, 'x') DESC, rowid"
            << "SELECT CAST($1 AS TEXT) AS \"Total\", \"inspectionrecord\".Station AS \"Defect Count\" FROM \"inspectionrecord\" ORDER BY \"Total\" NULLS FIRST, coalesce(Date, 'x') DESC NULLS LAST, inspectionid";
        QTest::newRow("rowid of a code table, SELECT * without it")
            << "SELECT * FROM \"Parts\" WHERE rowid = ?" << "SELECT partnum, partdescription FROM \"parts\" WHERE rowid = $1";
        QTest::newRow("insert returns its key")
            << "INSERT INTO Employees (EmployeeNum) VALUES (?);"
            << "INSERT INTO Employees (EmployeeNum) VALUES ($1) RETURNING employeeid";
        QTest::newRow("several inserts: no key to return")
            << "INSERT INTO Parts (partnum) VALUES ('a'); INSERT INTO Parts (partnum) VALUES ('b');"
            << "INSERT INTO Parts (partnum) VALUES ('a'); INSERT INTO Parts (partnum) VALUES ('b');";
        QTest::newRow("materialized is no alias, a window frame ends its order")
            << "WITH u AS MATERIALIZED (SELECT 1) SELECT sum(x) OVER (ORDER BY d DESC ROWS UNBOUNDED PRECEDING) FROM u"
            << "WITH u AS MATERIALIZED (SELECT 1) SELECT sum(x) OVER (ORDER BY d DESC NULLS LAST ROWS UNBOUNDED PRECEDING) FROM u";
        QTest::newRow("transactions") << "BEGIN IMMEDIATE" << "BEGIN";
    }
    void translates() {
        QFETCH(QString, sql);
        QFETCH(QString, server);
        QCOMPARE(PgSql::translate(sql).sql, server);
    }

    void serverGivesValuesKeysAndRefusals() {
        if (TestAppFolder::testServer().isEmpty())
            QSKIP("runs on the test server only (tst_pgsql_pg)");
        TestAppFolder app;
        Database db;
        QVERIFY(db.open(app.database()).isOk());
        QVERIFY(db.isServer());

        // Kinds of value by column type; column names in the schema's case.
        SqlStatement st(db, QStringLiteral("SELECT ReworkNum, count(*) AS n, avg(ReworkNum) AS mean, Notes "
                                           "FROM InspectionRecord WHERE ReworkNum = ? GROUP BY ReworkNum, Notes"));
        QVERIFY2(st.status().isOk(), qPrintable(st.status().error()));
        QCOMPARE(st.columnName(0), QStringLiteral("ReworkNum"));
        QCOMPARE(st.columnName(1), QStringLiteral("n"));
        QVERIFY(db.exec(QStringLiteral("INSERT INTO InspectionRecord (ReworkNum, Date) VALUES (2, '2026-02-28')")).isOk());
        const qint64 first = db.lastInsertRowId();
        QVERIFY(db.exec(QStringLiteral("INSERT INTO InspectionRecord (ReworkNum) VALUES (2)")).isOk());
        QCOMPARE(db.lastInsertRowId(), first + 1);
        st.bind(1, 2);
        QVERIFY(st.next());
        QCOMPARE(st.value(0).typeId(), QMetaType::LongLong);
        QCOMPARE(st.value(1), QVariant(qint64(2)));
        QCOMPARE(st.value(2).typeId(), QMetaType::Double);
        QVERIFY(st.value(3).isNull());
        QCOMPARE(Schema::rowCount(db, QStringLiteral("inspectionrecord"), nullptr), 2);

        // Refusals read as the file engine's, so they are worded the same.
        const auto refusal = [&](const QString& sql, const QVariant& value) {
            SqlStatement w(db, sql);
            w.bind(1, value);
            const Status s = w.run();
            return s.isOk() ? QString() : Refusal::describe(s.error(), [&](const QString&) { return value; });
        };
        QCOMPARE(refusal(QStringLiteral("INSERT INTO Parts (partnum) VALUES (?)"), QStringLiteral("001")),
                 QStringLiteral("Part number 001 is already in the Parts table."));
        QCOMPARE(refusal(QStringLiteral("INSERT INTO InspectionRecord (Date) VALUES (?)"), QStringLiteral("2026-02-30")),
                 QStringLiteral("Date: 2026-02-30 is not a real date."));
        QCOMPARE(refusal(QStringLiteral("INSERT INTO Employees (EmployeeNum) VALUES (?)"), QVariant()),
                 QStringLiteral("Employee number must be filled in: every row of the Employees table has one."));
        QCOMPARE(refusal(QStringLiteral("UPDATE InspectionRecord SET ReworkNum = ? WHERE rowid = 1"), QStringLiteral("two")),
                 QStringLiteral("Rework number: two is not a whole number."));

        // A code retyped keeps its key; a failed transaction is not reported as committed.
        SqlStatement key(db, QStringLiteral("SELECT rowid FROM Parts WHERE partnum = '001'"));
        QVERIFY(key.next());
        const qint64 part = key.int64(0);
        key.next();
        QVERIFY(db.exec(QStringLiteral("UPDATE Parts SET partnum = '002' WHERE rowid = %1").arg(part)).isOk());
        QCOMPARE(app.scalar(QStringLiteral("SELECT partnum FROM Parts WHERE rowid = %1").arg(part)).toString(), QStringLiteral("002"));
        QVERIFY(db.beginWrite(QStringLiteral("M|S|ST")).isOk());
        QVERIFY(!db.exec(QStringLiteral("INSERT INTO InspectionRecord (Date) VALUES ('x')")).isOk());
        QVERIFY(!db.exec(QStringLiteral("COMMIT")).isOk());
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")), QVariant(qint64(2)));
    }

    void lostConnectionIsMadeAgainOutsideATransaction() {
        if (TestAppFolder::testServer().isEmpty())
            QSKIP("runs on the test server only (tst_pgsql_pg)");
        TestAppFolder app;
        Database db;
        QVERIFY(db.open(app.database()).isOk());
        SqlStatement count(db, QStringLiteral("SELECT count(*) FROM Parts"));
        const auto cut = [&] {
            SqlStatement pid(db, QStringLiteral("SELECT pg_backend_pid()"));
            QVERIFY(pid.next());
            app.exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid.int64(0)));
        };
        // Inside a transaction: the failing call and the next one say so, a
        // rollback has nothing left to do, and nothing was written.
        QVERIFY(db.beginWrite().isOk());
        QVERIFY(db.exec(QStringLiteral("INSERT INTO Parts (partnum) VALUES ('P9')")).isOk());
        cut();
        QVERIFY(!db.exec(QStringLiteral("INSERT INTO Parts (partnum) VALUES ('P8')")).isOk());
        QVERIFY(!db.exec(QStringLiteral("COMMIT")).isOk());
        QVERIFY(db.exec(QStringLiteral("ROLLBACK")).isOk());
        // Outside one: the next call connects again, and prepared statements prepare again.
        QVERIFY(count.next());
        QCOMPARE(count.int64(0), 1);
        count.reset();
        cut();
        QVERIFY(!count.next());
        QVERIFY(!count.status().isOk());
        count.reset();
        QVERIFY2(count.next(), qPrintable(count.status().error()));
        QCOMPARE(count.int64(0), 1);
    }
};

QTEST_MAIN(TestPgSql)
#include "tst_pgsql.moc"
