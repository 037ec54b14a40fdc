#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "database/Database.h"
#include "datagen/DataGen.h"
#include "datagen/PlantCatalogue.h"

using namespace DataGen;

// The demo database: it counts rework numbers as the entry screen does and is the same on every run, and no
// existing file is ever overwritten.
class TestDataGen : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_demo;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static qint64 number(const QString& file, const QString& sql) {
        Database db;
        if (!db.open(file, Database::Mode::ReadOnly))
            return -1;
        SqlStatement st(db, sql);
        return st.next() ? st.int64(0) : -1;
    }
    static QByteArray bytes(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        // The compiled-in seed reads without fault.
        QVERIFY2(PlantCatalogue::status().isOk(), qPrintable(PlantCatalogue::status().error()));
        m_demo = path(QStringLiteral("demo.mdb"));
        const Status s = DataGen::createDemo(m_demo);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
    }

    // Each row's rework number counts the rows of its unit (model and serial
    // number) at its station up to and including it, over the whole demo;
    // and the rule is put to the test there. The demo is the same on every run.
    void demoObeysTheReworkRuleEveryTime() {
        QCOMPARE(number(m_demo, QStringLiteral(
            "SELECT count(*) FROM (SELECT ReworkNum, row_number() OVER (PARTITION BY ModelNumber, SerialNum, Station "
            "ORDER BY InspectionID) AS n FROM InspectionRecord) WHERE ReworkNum IS NOT n")), 0);
        QVERIFY(number(m_demo, QStringLiteral("SELECT count(*) FROM InspectionRecord WHERE DefectCode = '1' AND ReworkNum > 1")) >= 100);
        // A unit inspected at two stations counts each station from 1.
        QVERIFY(number(m_demo, QStringLiteral(
            "SELECT count(*) FROM (SELECT 1 FROM InspectionRecord WHERE ReworkNum = 1"
            " GROUP BY ModelNumber, SerialNum HAVING count(DISTINCT Station) = 2)")) >= 300);
        const QString again = path(QStringLiteral("demo-again.mdb"));
        QVERIFY(DataGen::createDemo(again).isOk());
        QCOMPARE(bytes(again), bytes(m_demo));
    }

    // Neither the generators nor the makedb tool the build runs (with or
    // without --if-missing) ever write over an existing file.
    void anExistingFileIsNeverOverwritten() {
        const QString existing = path(QStringLiteral("existing.mdb"));
        QVERIFY(DataGen::createBlank(existing).isOk());
        const QByteArray before = bytes(existing);
        for (const Status& s : {DataGen::createDemo(existing), DataGen::createBlank(existing), DataGen::createLarge(existing, 10)})
            QVERIFY2(!s.isOk() && s.error().contains(QStringLiteral("exists")), qPrintable(s.error()));
        for (const QStringList& args : {QStringList{QStringLiteral("--demo"), existing},
                                        QStringList{QStringLiteral("--demo"), existing, QStringLiteral("--if-missing")}}) {
            QProcess p;
            p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/makedb"), args);
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), args.size() == 2 ? 1 : 0);
        }
        QCOMPARE(bytes(existing), before);
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.partial*")}), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDataGen)
#include "tst_datagen.moc"
