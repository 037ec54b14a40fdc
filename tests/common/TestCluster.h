#pragma once
#include <QProcess>
#include <QTemporaryDir>

// A PostgreSQL cluster of the test's own (tests/pg/cluster.sh), which it may
// stop and start under a running program without disturbing other tests.
class TestCluster {
public:
    TestCluster() { m_uri = run(QStringLiteral("start")).trimmed(); }
    ~TestCluster() { run(QStringLiteral("stop")); }
    QString uri() const { return m_uri; }
    bool pause() { return m_paused = run(QStringLiteral("pause")) != QLatin1String("!"); }
    bool resume() {
        if (m_paused)
            m_paused = run(QStringLiteral("resume")) == QLatin1String("!");
        return !m_paused;
    }

private:
    QString run(const QString& action) {
        QProcess p;
        p.start(QStringLiteral(VARNEX_SOURCE_DIR "/tests/pg/cluster.sh"), {action, m_dir.path()});
        if (!p.waitForFinished(90000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            qWarning("cluster.sh %s: %s", qPrintable(action), p.readAllStandardError().constData());
            return QStringLiteral("!");
        }
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QTemporaryDir m_dir;
    QString m_uri;
    bool m_paused = false;
};
