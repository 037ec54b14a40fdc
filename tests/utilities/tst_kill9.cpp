#include <QCoreApplication>
#include <QProcess>
#include <QTest>

// Runs kill9.sh: a utility process killed with SIGKILL at moments spread over a compaction, an exchange
// and a backup must never lose or damage a database. Run by hand for the full figure (200,000 rows,
// 50 kills each); here a smaller database and fewer kills keep the test short.
class TestKill9 : public QObject {
    Q_OBJECT
private slots:
    void killedUtilitiesLoseNothing() {
        const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-utility");
        const int runs = 12;
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("bash"), {QStringLiteral(VARNEX_SOURCE_DIR "/tests/utilities/kill9.sh"), tool, QString::number(runs),
                                         QStringLiteral("20000")});
        const bool finished = p.waitForFinished(170000);
        if (!finished)
            p.kill();
        p.waitForFinished();
        const QString out = QString::fromLocal8Bit(p.readAll());
        qInfo().noquote() << out;
        QVERIFY2(finished, "kill9.sh did not finish in time");
        QCOMPARE(p.exitCode(), 0);
        for (const char* op : {"compact", "exchange", "backup"})
            QVERIFY2(out.contains(QStringLiteral("kill9: %1: %2/%2 passed").arg(QLatin1String(op)).arg(runs)), qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(TestKill9)
#include "tst_kill9.moc"
