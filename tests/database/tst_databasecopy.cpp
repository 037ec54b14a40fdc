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

    // Every row of every table as text, and the file's key counters.
    static QStringList dump(Database& db, bool counters = false) {
        QStringList all;
        for (const QString& table : DatabaseCopy::tables()) {
            SqlStatement st(db, QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table));
            while (st.next()) {
                QStringList cols;
                for (int i = 0; i < st.columnCount(); ++i)
                    cols << (st.value(i).isNull() ? QStringLiteral("NULL") : st.value(i).toString());
                all << cols.join(QLatin1Char('|'));
            }
            all << st.status().error();
        }
        SqlStatement seq(db, QStringLiteral("SELECT name, seq FROM sqlite_sequence ORDER BY name"));
        while (counters && seq.next())
            all << seq.value(0).toString() + QLatin1Char('=') + seq.value(1).toString();
        return all;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() {
        m_demo = path(QStringLiteral("demo.mdb"));
        QVERIFY(DataGen::createDemo(m_demo).isOk());
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
        Database server, target;
        Status s = app.isServer() ? server.open(app.database()) : Status::ok();
        if (s && app.isServer())
            s = DatabaseCopy::copy(source, server, &counts);
        if (s)
            s = app.isServer() ? DatabaseCopy::toFile(server, copy, false) : DatabaseCopy::toFile(source, copy, false, &counts);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
        QVERIFY(target.open(copy).isOk());
        QCOMPARE(dump(target, true), dump(source, true));
        QCOMPARE(counts.size(), size_t(10));  // the six reference tables, the inspections, the audit trail, limits, alarms
        QCOMPARE(counts.back().rows, Schema::rowCount(source, counts.back().table, nullptr));
    }

    // A target that holds rows of its own is refused and left as it was; one
    // that holds only the pass codes takes the source's.
    void refusesTargetThatHoldsRows_data() {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("inspection") << "INSERT INTO InspectionRecord (Facility) VALUES ('A')" << "InspectionRecord holds rows";
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
        QVERIFY2(refusal.isEmpty() ? s.isOk() : s.error().contains(refusal), qPrintable(s.error()));
        QCOMPARE(dump(target), refusal.isEmpty() ? dump(source) : before);
    }

    // An existing file is kept unless it is to be replaced; a copy that fails
    // leaves no file of its own behind.
    void fileTargets() {
        Database source, broken;
        QVERIFY(source.open(m_demo, Database::Mode::ReadOnly).isOk());
        const QString existing = path(QStringLiteral("existing.mdb"));
        QVERIFY(DataGen::createBlank(existing).isOk());
        const auto bytes = [&] {
            QFile f(existing);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray before = bytes();
        QVERIFY(DatabaseCopy::toFile(source, existing, false).error().contains(QStringLiteral("File already exists")));
        const QString brokenFile = path(QStringLiteral("broken.mdb"));
        QVERIFY(DataGen::createBlank(brokenFile).isOk());
        QVERIFY(broken.open(brokenFile).isOk());
        QVERIFY(broken.exec(QStringLiteral("DROP TABLE Station")).isOk());
        const QStringList files = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(DatabaseCopy::toFile(broken, existing, true).error().contains(QStringLiteral("Station")));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), files);
        QCOMPARE(bytes(), before);

        QVERIFY(DatabaseCopy::toFile(source, existing, true).isOk());
        Database replaced;
        QVERIFY(replaced.open(existing).isOk());
        QCOMPARE(dump(replaced, true), dump(source, true));
    }
};

QTEST_MAIN(TestDatabaseCopy)
#include "tst_databasecopy.moc"
