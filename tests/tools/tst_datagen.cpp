#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "database/Database.h"
#include "datagen/DataGen.h"
#include "datagen/PlantCatalogue.h"

using namespace DataGen;

// The demo database and the plant seed it comes from: a malformed seed is refused with a message naming
// its line, the demo counts rework numbers as the entry screen does and is the same on every run, and no
// existing file is ever overwritten.
class TestDataGen : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_demo;
    QString m_seed;  // data/seed/plant.seed as it stands in the source tree

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
        QFile f(QStringLiteral(VARNEX_SOURCE_DIR "/data/seed/plant.seed"));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.errorString()));
        m_seed = QString::fromUtf8(f.readAll());
        // The compiled-in seed reads without fault.
        QVERIFY2(PlantCatalogue::status().isOk(), qPrintable(PlantCatalogue::status().error()));
        m_demo = path(QStringLiteral("demo.mdb"));
        const Status s = DataGen::createDemo(m_demo);
        QVERIFY2(s.isOk(), qPrintable(s.error()));
    }

    void aMalformedSeedNamesItsLine_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");      // null: the entries from `from` to the end of its section go
        QTest::addColumn<QString>("marker");  // finds the faulty line
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* from, const char* to, const char* marker, const char* message) {
            QTest::newRow(name) << QString::fromUtf8(from) << QString::fromUtf8(to) << QString::fromUtf8(marker)
                                << QString::fromUtf8(message);
        };
        row("entry before a section", "[models]", "STRAY | LINE\n[models]", "STRAY", "before the first [section]");
        row("unknown section", "[routes]", "[routs]", "[routs]", "unknown section [routs]");
        row("negative share", "VX-210 | COMPACT CONTROLLER+  | 12", "VX-210 | COMPACT CONTROLLER+ | -1", "VX-210", "not '-1'");
        row("too few entries", "2  | FRONT", nullptr, "[locations]", "[locations] needs at least 2 entries, it has 1");
        row("unknown part", "LBL | MISSING LABEL        | 5  | EARLY | 116", "LBL | MISSING LABEL | 5 | EARLY | 116 999",
            "LBL |", "no part '999'");
        row("bad seed", "0x5641524E4558", "0xVARNEX", "0xVARNEX", "the seed must be a whole number");
        row("missing setting", "rows per unit        | 1.93\n", "", "[large]", "[large] has no 'rows per unit'");
    }

    void aMalformedSeedNamesItsLine() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, marker);
        QFETCH(QString, message);
        const int at = m_seed.indexOf(from);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("not in the seed: ") + from));
        const int length = to.isNull() ? m_seed.indexOf(QStringLiteral("\n\n"), at) - at : from.size();
        const QString text = QString(m_seed).replace(at, length, to);
        PlantCatalogue c;
        c.notes = {QStringLiteral("untouched")};
        const Status s = PlantCatalogue::parse(text, QStringLiteral("plant.seed"), c);
        const int line = text.left(text.indexOf(marker)).count(QLatin1Char('\n')) + 1;
        QVERIFY2(!s.isOk() && s.error().startsWith(QStringLiteral("plant.seed, line %1: ").arg(line)) && s.error().contains(message),
                 qPrintable(s.error()));
        // A refused seed leaves the catalogue as it was.
        QCOMPARE(c.notes, std::vector<QString>({QStringLiteral("untouched")}));
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
