// Eight stations submit rows of the same units at the same moment, each in a
// process of its own (varnex-test-station): every row lands, and every unit's
// rework numbers at every station run 1 to n in InspectionID order.
#include <memory>

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include "TestAppFolder.h"

class TestConcurrentSubmit : public QObject {
    Q_OBJECT
private slots:
    void stationsNumberSharedUnitsWithoutGapOrDuplicate();
};

void TestConcurrentSubmit::stationsNumberSharedUnitsWithoutGapOrDuplicate() {
    const int stations = 8;
    const int rows = 150;
    TestAppFolder app;
    const QString driver = QCoreApplication::applicationDirPath() + QStringLiteral("/varnex-test-station");
    QList<std::shared_ptr<QProcess>> procs;
    for (int i = 1; i <= stations; ++i) {
        procs << std::make_shared<QProcess>();
        procs.back()->start(driver, {app.path(), QStringLiteral("E%1").arg(i), QString::number(i), QString::number(rows)});
    }
    for (auto& p : procs) {
        while (!p->canReadLine() && p->waitForReadyRead(30000)) {
        }
        QCOMPARE(p->readLine().trimmed(), QByteArray("ready"));
    }
    for (auto& p : procs)
        p->write("go\n");
    QStringList expected;
    for (int i = 0; i < stations; ++i) {
        QProcess& p = *procs[i];
        QVERIFY2(p.waitForFinished(150000), "a station did not finish in time");
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        QVERIFY2(p.exitCode() == 0 && out.contains(QStringLiteral("submitted %1\n").arg(rows)), qPrintable(out));
        expected << QStringLiteral("E%1|%2").arg(i + 1).arg(rows);
    }
    QCOMPARE(app.rows(QStringLiteral("SELECT InspectorNum, count(*) FROM InspectionRecord GROUP BY InspectorNum "
                                     "ORDER BY InspectorNum")),
             expected);

    // Every unit at every station: 1, 2, ... n in InspectionID order, written by several stations.
    const QStringList stored = app.rows(QStringLiteral(
        "SELECT ModelNumber || '|' || SerialNum || '|' || Station, ReworkNum, InspectorNum FROM InspectionRecord "
        "ORDER BY ModelNumber, SerialNum, Station, InspectionID"));
    QHash<QString, int> last;
    QHash<QString, QSet<QString>> writers;
    for (const QString& row : stored) {
        const QStringList f = row.split(QLatin1Char('|'));
        const QString unit = f.mid(0, 3).join(QLatin1Char('|'));
        const int next = ++last[unit];
        QVERIFY2(f[3] == QString::number(next), qPrintable(unit + QStringLiteral(": rework number %1 where %2 belongs")
                                                                      .arg(f[3]).arg(next)));
        writers[unit] << f[4];
    }
    QCOMPARE(last.size(), 40);
    for (const QSet<QString>& w : writers)
        QVERIFY(w.size() > 2);
}

QTEST_MAIN(TestConcurrentSubmit)
#include "tst_concurrentsubmit.moc"
