#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "database/Database.h"
#include "datagen/DataGen.h"

// The generated databases: what the forms accept, the counting rule of rework
// numbers over every row, determinism, the blank and large databases, and
// files that must not be overwritten.
class TestDataGen : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_demo;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static QStringList rows(const QString& file, const QString& sql) {
        Database db;
        QStringList out;
        const Status s = db.open(file, Database::Mode::ReadOnly);
        if (!s) {
            qWarning("%s", qPrintable(s.error()));
            return out;
        }
        SqlStatement st(db, sql);
        while (st.next()) {
            QStringList cols;
            for (int i = 0; i < st.columnCount(); ++i)
                cols << (st.value(i).isNull() ? QStringLiteral("NULL") : st.value(i).toString());
            out << cols.join(QLatin1Char('|'));
        }
        if (!st.status())
            qWarning("%s: %s", qPrintable(sql), qPrintable(st.status().error()));
        return out;
    }
    static QVariant scalar(const QString& file, const QString& sql) {
        const QStringList r = rows(file, sql);
        return r.isEmpty() ? QVariant() : QVariant(r.first());
    }
    static qint64 number(const QString& file, const QString& sql) { return scalar(file, sql).toLongLong(); }

    // Rows whose rework number is not the count of the rows of the same model,
    // serial number and station up to and including it, in insertion order.
    static qint64 reworkRuleBreaches(const QString& file) {
        return number(file, QStringLiteral(
            "SELECT count(*) FROM (SELECT ReworkNum, row_number() OVER (PARTITION BY ModelNumber, SerialNum, Station "
            "ORDER BY InspectionID) AS n FROM InspectionRecord) WHERE ReworkNum IS NOT n"));
    }
    static QStringList everything(const QString& file) {
        QStringList all;
        for (const char* t : {"InspectionRecord ORDER BY InspectionID", "defects ORDER BY 1", "Parts ORDER BY 1",
                              "Model ORDER BY 1", "location ORDER BY 1", "Station ORDER BY 1",
                              "Employees ORDER BY EmployeeID"})
            all << rows(file, QStringLiteral("SELECT * FROM %1").arg(QLatin1String(t)));
        return all;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_demo = path(QStringLiteral("demo.mdb"));
        const Status s = DataGen::createDemo(m_demo);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
    }

    // What the entry forms would refuse never reaches the demo: codes and
    // names upper-case and within their boxes' lengths, every field the entry
    // screen fills filled, every code in its reference table.
    void demoHoldsOnlyWhatTheFormsAccept() {
        const QString checks = QStringLiteral(
            "SELECT (SELECT count(*) FROM Model WHERE ModelNumber <> upper(ModelNumber) OR length(ModelNumber) > 15 OR length(ModelDescription) NOT BETWEEN 1 AND 20)"
            " + (SELECT count(*) FROM Parts WHERE partdescription <> upper(partdescription) OR length(partdescription) NOT BETWEEN 1 AND 35)"
            " + (SELECT count(*) FROM defects WHERE defectcode <> upper(defectcode) OR length(defectdescription) NOT BETWEEN 1 AND 30)"
            " + (SELECT count(*) FROM location WHERE length([location description]) NOT BETWEEN 1 AND 35)"
            " + (SELECT count(*) FROM Station WHERE StationID <> upper(StationID) OR length(StationID) > 6 OR length([Station Description]) NOT BETWEEN 1 AND 35)"
            " + (SELECT count(*) FROM Employees WHERE FirstName <> upper(FirstName) OR LastName <> upper(LastName)"
            "    OR length(FirstName) NOT BETWEEN 1 AND 20 OR length(LastName) NOT BETWEEN 1 AND 20)");
        QCOMPARE(number(m_demo, checks), 0);
        QVERIFY(number(m_demo, QStringLiteral("SELECT count(*) FROM InspectionRecord")) > 1000);
        // Defects with notes, and escapes for the reports to show.
        QVERIFY(number(m_demo, QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE DefectCode <> '1' AND Notes IS NOT NULL")) > 0);
        QVERIFY(number(m_demo, QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE InspNum IS NOT NULL")) > 0);
        QCOMPARE(number(m_demo, QStringLiteral(
            "SELECT count(*) FROM InspectionRecord WHERE coalesce(Facility, '') = '' OR coalesce(ModelNumber, '') = ''"
            " OR coalesce(SerialNum, '') = '' OR coalesce(InspectorNum, '') = '' OR Date IS NULL OR coalesce(Station, '') = ''"
            " OR coalesce(PartNum, '') = '' OR coalesce(DefectCode, '') = '' OR coalesce(LocationCode, '') = '' OR ReworkNum IS NULL")), 0);
        QCOMPARE(number(m_demo, QStringLiteral(
            "SELECT count(*) FROM InspectionRecord r WHERE r.ModelNumber NOT IN (SELECT ModelNumber FROM Model)"
            " OR r.PartNum NOT IN (SELECT partnum FROM Parts) OR r.DefectCode NOT IN (SELECT defectcode FROM defects)"
            " OR r.LocationCode NOT IN (SELECT locationcode FROM location) OR r.Station NOT IN (SELECT StationID FROM Station)"
            " OR r.InspectorNum NOT IN (SELECT EmployeeNum FROM Employees)"
            " OR (r.InspNum IS NOT NULL AND r.InspNum NOT IN (SELECT EmployeeNum FROM Employees))"
            " OR (r.OperatorNum IS NOT NULL AND r.OperatorNum NOT IN (SELECT EmployeeNum FROM Employees))")), 0);
    }

    void demoObeysTheReworkRule() {
        QCOMPARE(reworkRuleBreaches(m_demo), 0);
        // The rule is put to the test: units with several defects and re-inspections exist.
        QVERIFY(number(m_demo, QStringLiteral("SELECT max(ReworkNum) FROM InspectionRecord")) >= 4);
        QVERIFY(number(m_demo, QStringLiteral(
            "SELECT count(*) FROM (SELECT 1 FROM InspectionRecord WHERE DefectCode <> '1'"
            " GROUP BY ModelNumber, SerialNum, Station, Date HAVING count(*) > 1)")) >= 20);
        QVERIFY(number(m_demo, QStringLiteral(
            "SELECT count(*) FROM InspectionRecord WHERE DefectCode = '1' AND ReworkNum > 1")) >= 100);
        // A unit inspected at two stations counts each station from 1.
        QVERIFY(number(m_demo, QStringLiteral(
            "SELECT count(*) FROM (SELECT 1 FROM InspectionRecord WHERE ReworkNum = 1"
            " GROUP BY ModelNumber, SerialNum HAVING count(DISTINCT Station) = 2)")) >= 300);
    }

    void demoIsTheSameOnEveryRun() {
        const QString again = path(QStringLiteral("demo-again.mdb"));
        QVERIFY(DataGen::createDemo(again).isOk());
        const QStringList first = everything(m_demo);
        QVERIFY(first.size() > 2000);
        QCOMPARE(everything(again), first);
    }

    void blankHasOnlyThePassCodes() {
        const QString blank = path(QStringLiteral("blank.mdb"));
        QVERIFY(DataGen::createBlank(blank).isOk());
        QCOMPARE(rows(blank, QStringLiteral("SELECT * FROM Parts")), QStringList(QStringLiteral("001|PASS - NO DEFECT")));
        QCOMPARE(rows(blank, QStringLiteral("SELECT * FROM defects")), QStringList(QStringLiteral("1|PASS - NO DEFECT")));
        QCOMPARE(rows(blank, QStringLiteral("SELECT * FROM location")), QStringList(QStringLiteral("1|PASS - NO DEFECT")));
        QCOMPARE(number(blank, QStringLiteral(
            "SELECT (SELECT count(*) FROM InspectionRecord) + (SELECT count(*) FROM Model)"
            " + (SELECT count(*) FROM Station) + (SELECT count(*) FROM Employees)")), 0);
    }

    void largeHasExactlyTheRowsAskedFor() {
        const QString large = path(QStringLiteral("large.mdb"));
        const Status s = DataGen::createLarge(large, 25000);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
        QCOMPARE(number(large, QStringLiteral("SELECT count(*) FROM InspectionRecord")), 25000);
        QCOMPARE(reworkRuleBreaches(large), 0);
        QVERIFY(number(large, QStringLiteral("SELECT max(ReworkNum) FROM InspectionRecord")) >= 3);
        const QString none = path(QStringLiteral("none.mdb"));
        QVERIFY(DataGen::createLarge(none, 0).isOk());
        QCOMPARE(number(none, QStringLiteral("SELECT count(*) FROM InspectionRecord")), 0);
        QVERIFY(!DataGen::createLarge(path(QStringLiteral("negative.mdb")), -5).isOk());
        QVERIFY(!QFile::exists(path(QStringLiteral("negative.mdb"))));
    }

    void anExistingFileIsNeverOverwritten() {
        const QString existing = path(QStringLiteral("existing.mdb"));
        QVERIFY(DataGen::createBlank(existing).isOk());
        QFile f(existing);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        for (const Status& s : {DataGen::createDemo(existing), DataGen::createBlank(existing), DataGen::createLarge(existing, 10)}) {
            QVERIFY(!s.isOk());
            QVERIFY2(s.error().contains(QStringLiteral("exists")), qPrintable(s.error()));
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    void aFailedBuildLeavesNoFile() {
        // A folder that does not exist: the engine's message, and nothing left behind.
        const QString target = path(QStringLiteral("missing-folder/demo.mdb"));
        const Status s = DataGen::createDemo(target);
        QVERIFY(!s.isOk());
        QVERIFY(!s.error().isEmpty());
        QVERIFY(!QFile::exists(target));
        // A leftover of an interrupted build is not mistaken for a database and
        // does not stop the next build.
        const QString target2 = path(QStringLiteral("interrupted.mdb"));
        QFile leftover(target2 + QStringLiteral(".partial"));
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.write("half a database");
        leftover.close();
        QVERIFY(DataGen::createDemo(target2).isOk());
        QVERIFY(!QFile::exists(target2 + QStringLiteral(".partial")));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.partial*")}), QStringList());
    }

    // The makedb tool as the build runs it: it makes its files, and an existing file is never overwritten, with or without --if-missing.
    void makedbMakesFilesAndNeverOverwrites() {
        const QString makedb = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/makedb");
        if (!QFileInfo::exists(makedb))
            QSKIP("makedb is not built beside the tests");
        const auto runMakedb = [&](const QStringList& args) {
            QProcess p;
            p.start(makedb, args);
            if (!p.waitForFinished(60000))
                return -1;
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        const QString blank = path(QStringLiteral("tool-blank.mdb"));
        QCOMPARE(runMakedb({QStringLiteral("--blank"), blank}), 0);
        QCOMPARE(rows(blank, QStringLiteral("SELECT partnum FROM Parts")), QStringList(QStringLiteral("001")));
        const QString large = path(QStringLiteral("tool-large.mdb"));
        QCOMPARE(runMakedb({QStringLiteral("--large"), large, QStringLiteral("--rows"), QStringLiteral("777")}), 0);
        QCOMPARE(number(large, QStringLiteral("SELECT count(*) FROM InspectionRecord")), 777);

        // The blank file stays blank whatever is asked of its name.
        QCOMPARE(runMakedb({QStringLiteral("--demo"), blank}), 1);
        QCOMPARE(runMakedb({QStringLiteral("--demo"), blank, QStringLiteral("--if-missing")}), 0);
        QCOMPARE(number(blank, QStringLiteral("SELECT count(*) FROM Model")), 0);

        // Bad arguments make no file.
        const QString bad = path(QStringLiteral("tool-bad.mdb"));
        QCOMPARE(runMakedb({QStringLiteral("--large"), bad, QStringLiteral("--rows"), QStringLiteral("many")}), 2);
        QCOMPARE(runMakedb({QStringLiteral("--large"), bad, QStringLiteral("--rows"), QStringLiteral("-3")}), 2);
        QCOMPARE(runMakedb({QStringLiteral("--demo")}), 2);
        QCOMPARE(runMakedb({}), 2);
        QVERIFY(!QFile::exists(bad));
    }
};

QTEST_GUILESS_MAIN(TestDataGen)
#include "tst_datagen.moc"
