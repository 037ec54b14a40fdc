#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "TestAppFolder.h"
#include "database/DatabaseCopy.h"
#include "database/Schema.h"
#include "datagen/DataGen.h"

// The copy of every table from one database to another, which export, import
// and the backup of a server are made of. Under a test server the copies go
// through a server database: a desktop database imported and exported again.
class TestDatabaseCopy : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_demo;

    static QStringList dump(Database& db) {
        QStringList all;
        for (const char* sql : {"SELECT * FROM InspectionRecord ORDER BY InspectionID", "SELECT * FROM defects ORDER BY 1",
                                "SELECT * FROM Parts ORDER BY 1", "SELECT * FROM Model ORDER BY 1",
                                "SELECT * FROM location ORDER BY 1", "SELECT * FROM Station ORDER BY 1",
                                "SELECT * FROM Employees ORDER BY EmployeeID"}) {
            SqlStatement st(db, QString::fromLatin1(sql));
            while (st.next()) {
                QStringList cols;
                for (int i = 0; i < st.columnCount(); ++i)
                    cols << (st.value(i).isNull() ? QStringLiteral("NULL") : st.value(i).toString());
                all << cols.join(QLatin1Char('|'));
            }
            if (!st.status())
                all << st.status().error();
        }
        return all;
    }
    static qint64 number(Database& db, const QString& sql) {
        SqlStatement st(db, sql);
        return st.next() ? st.int64(0) : -1;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        m_demo = path(QStringLiteral("demo.mdb"));
        const Status s = DataGen::createDemo(m_demo);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
        // The last rows gone: their keys must not be handed out again.
        Database db;
        QVERIFY(db.open(m_demo).isOk());
        QVERIFY(db.exec(QStringLiteral("DELETE FROM InspectionRecord WHERE InspectionID > (SELECT max(InspectionID) - 3 FROM InspectionRecord)")).isOk());
        QVERIFY(db.exec(QStringLiteral("DELETE FROM Employees WHERE EmployeeID = (SELECT max(EmployeeID) FROM Employees)")).isOk());
    }

    // Every row with its key, in a file the program opens as its own; the
    // key counters go on where the source's stopped.
    void copyKeepsEveryRowAndKey() {
        Database source;
        QVERIFY(source.open(m_demo, Database::Mode::ReadOnly).isOk());
        const QString copy = path(QStringLiteral("copy.mdb"));
        DatabaseCopy::Counts counts;
        TestAppFolder app;  // a new database: the schema and the pass codes
        if (app.isServer()) {
            Database server;
            QVERIFY(server.open(app.database()).isOk());
            Status s = DatabaseCopy::copy(source, server, &counts);
            QVERIFY2(s.isOk(), qPrintable(s.error()));
            s = DatabaseCopy::toFile(server, copy, false);
            QVERIFY2(s.isOk(), qPrintable(s.error()));
        } else {
            const Status s = DatabaseCopy::toFile(source, copy, false, &counts);
            QVERIFY2(s.isOk(), qPrintable(s.error()));
        }
        Database target;
        QVERIFY(target.open(copy).isOk());
        QCOMPARE(dump(target), dump(source));
        QCOMPARE(counts.size(), size_t(7));
        for (const DatabaseCopy::TableRows& c : counts)
            QCOMPARE(c.rows, number(source, QStringLiteral("SELECT count(*) FROM %1").arg(c.table)));
        QCOMPARE(Schema::rowCount(target, QStringLiteral("InspectionRecord"), nullptr),
                 number(source, QStringLiteral("SELECT count(*) FROM InspectionRecord")));
        for (const char* table : {"InspectionRecord", "Employees"}) {
            const QString counter = QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = '%1'").arg(QLatin1String(table));
            QCOMPARE(number(target, counter), number(source, counter));
        }
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".copy.mdb")), QStringList());
    }

    // A target that holds rows of its own is refused and left as it was; one
    // that holds only the pass codes takes the source's.
    void refusesTargetThatHoldsRows_data() {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("inspection") << "INSERT INTO InspectionRecord (Facility) VALUES ('A')" << "InspectionRecord holds rows";
        QTest::newRow("model") << "INSERT INTO Model (ModelNumber) VALUES ('M1')" << "Model holds rows";
        QTest::newRow("defect beside the pass code") << "INSERT INTO defects (defectcode) VALUES ('9')" << "defects holds rows";
        QTest::newRow("only the pass codes") << "" << "";
    }
    void refusesTargetThatHoldsRows() {
        QFETCH(QString, row);
        QFETCH(QString, refusal);
        TestAppFolder app;
        Database source, target;
        QVERIFY(source.open(m_demo, Database::Mode::ReadOnly).isOk());
        QVERIFY(target.open(app.database()).isOk());
        if (!row.isEmpty())
            QVERIFY(target.exec(row).isOk());
        const QStringList before = dump(target);
        const Status s = DatabaseCopy::copy(source, target);
        if (refusal.isEmpty()) {
            QVERIFY2(s.isOk(), qPrintable(s.error()));
            QCOMPARE(dump(target), dump(source));
        } else {
            QVERIFY(s.error().contains(refusal));
            QCOMPARE(dump(target), before);
        }
    }

    // An existing file is kept unless it is to be replaced; a copy that fails
    // leaves no file of its own behind.
    void fileTargets() {
        Database source;
        QVERIFY(source.open(m_demo, Database::Mode::ReadOnly).isOk());
        const QString existing = path(QStringLiteral("existing.mdb"));
        QVERIFY(DataGen::createBlank(existing).isOk());
        QFile f(existing);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        f.close();
        QVERIFY(DatabaseCopy::toFile(source, existing, false).error().contains(QStringLiteral("File already exists")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        f.close();

        Database broken;
        const QString brokenFile = path(QStringLiteral("broken.mdb"));
        QVERIFY(DataGen::createBlank(brokenFile).isOk());
        QVERIFY(broken.open(brokenFile).isOk());
        QVERIFY(broken.exec(QStringLiteral("DROP TABLE Station")).isOk());
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(DatabaseCopy::toFile(broken, existing, true).error().contains(QStringLiteral("Station")));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), before);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        f.close();

        QVERIFY(DatabaseCopy::toFile(source, existing, true).isOk());
        Database replaced;
        QVERIFY(replaced.open(existing).isOk());
        QCOMPARE(dump(replaced), dump(source));
    }
};

QTEST_MAIN(TestDatabaseCopy)
#include "tst_databasecopy.moc"
