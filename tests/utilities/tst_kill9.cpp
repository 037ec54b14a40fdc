#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

// Runs kill9.sh: a utility process killed with SIGKILL at moments spread over
// a compaction, an exchange and a backup must never lose or damage a database.
// The full figure (200,000 rows, 50 kills each) comes from running the script
// by hand; here a smaller database and fewer kills keep the test short.
class TestKill9 : public QObject {
    Q_OBJECT
private slots:
    void killedUtilitiesLoseNothing();
};

void TestKill9::killedUtilitiesLoseNothing() {
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-utility");
    const QString script = QStringLiteral(VARNEX_SOURCE_DIR "/tests/utilities/kill9.sh");
    QVERIFY2(QFileInfo(tool).isExecutable(), "build varnex-utility first (it is part of the full build)");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty(), "the sqlite3 command is needed");
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    const int runs = 12;
    p.start(QStringLiteral("bash"), {script, tool, QString::number(runs), QStringLiteral("20000")});
    QVERIFY(p.waitForStarted());
    const bool finished = p.waitForFinished(170000);
    const QString out = QString::fromLocal8Bit(p.readAll());
    if (!finished) {
        p.kill();
        p.waitForFinished();
    }
    qInfo().noquote() << out;
    QVERIFY2(finished, "kill9.sh did not finish in time");
    QCOMPARE(p.exitCode(), 0);
    for (const char* op : {"compact", "exchange", "backup"})
        QVERIFY2(out.contains(QStringLiteral("kill9: %1: %2/%2 passed").arg(QLatin1String(op)).arg(runs)), qPrintable(out));
}

QTEST_GUILESS_MAIN(TestKill9)
#include "tst_kill9.moc"
