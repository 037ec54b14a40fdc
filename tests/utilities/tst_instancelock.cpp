#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <csignal>
#include <unistd.h>

#include "FileFacts.h"
#include "TestAppFolder.h"
#include "platform/DatabaseFileLock.h"
#include "platform/FileSystem.h"

using namespace FileFacts;

// The program and the database utility on one application folder, as two real
// processes: whichever holds the folder's lock, the other refuses and changes nothing.
class TestInstanceLock : public QObject {
    Q_OBJECT
    QString built(const char* name) const {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/../app/") + QLatin1String(name);
    }
    QString lockFile(const TestAppFolder& app) const { return app.file(QStringLiteral("varnex.lck")); }

    static bool waitFor(const std::function<bool()>& done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > ms)
                return false;
            QThread::usleep(500);
        }
        return true;
    }

    // The program itself, copied into the folder (it works on the folder it runs from).
    bool startProgram(const TestAppFolder& app, QProcess& program) {
        const QString copy = app.file(QStringLiteral("varnex"));
        if (!QFile::exists(copy) && !QFile::copy(built("varnex"), copy))
            return false;
        program.setProcessEnvironment([] {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            return env;
        }());
        program.start(copy, {});
        return program.waitForStarted();
    }

    static void stop(QProcess& p) {
        p.kill();
        p.waitForFinished(10000);
    }

    // What a process says on its error channel until it says `expected` or ends.
    static QString errorsUntil(QProcess& p, const QString& expected) {
        QString err;
        for (int i = 0; i < 400 && !err.contains(expected) && p.state() == QProcess::Running; ++i) {
            p.waitForReadyRead(50);
            err += QString::fromLocal8Bit(p.readAllStandardError());
        }
        return err + QString::fromLocal8Bit(p.readAllStandardError());
    }

    // The utility's exit code and error output.
    QString runUtility(const QStringList& args, int* exitCode) {
        QProcess utility;
        utility.start(built("varnex-utility"), args);
        utility.waitForFinished(30000);
        *exitCode = utility.exitCode();
        return QString::fromLocal8Bit(utility.readAllStandardError());
    }

private slots:
    // A utility killed while it made the lock file left it empty: the next
    // one takes the folder over. While the program runs, a utility refuses
    // and changes nothing (the exchange stands for every utility).
    void utilityRefusedWhileTheProgramRuns() {
        TestAppFolder app(TestAppFolder::Data::Demo);
        writeFile(lockFile(app), QByteArray());
        QProcess utility;
        utility.start(built("varnex-utility"), {QStringLiteral("compact"), app.path()});
        QVERIFY(utility.waitForFinished(30000));
        QVERIFY2(utility.exitCode() == 0, utility.readAllStandardError().constData());
        QVERIFY(!QFile::exists(lockFile(app)));

        QProcess program;
        QVERIFY(startProgram(app, program));
        QVERIFY2(waitFor([&] { return QFile::exists(lockFile(app)); }, 20000), "the program took no lock");
        const QByteArray live = digest(app.livePath()), stored = digest(app.file(QStringLiteral("DemoDb/kelid1.mdb")));
        utility.start(built("varnex-utility"), {QStringLiteral("exchange"), app.path()});
        QVERIFY(utility.waitForFinished(30000));
        const QString err = QString::fromLocal8Bit(utility.readAllStandardError());
        QVERIFY2(utility.exitCode() == 1 && err.contains(QStringLiteral("Varnex is already running from this folder.")), qPrintable(err));
        QCOMPARE(program.state(), QProcess::Running);
        stop(program);
        QCOMPARE(digest(app.livePath()), live);
        QCOMPARE(digest(app.file(QStringLiteral("DemoDb/kelid1.mdb"))), stored);
        QCOMPARE(entries(app.file(QStringLiteral("temp2"))), QStringList());
    }

    void programRefusedWhileTheUtilityWorks() {
        TestAppFolder app(TestAppFolder::Data::None);
        // Big enough that the compaction is caught in the middle.
        QProcess utility;
        utility.start(built("varnex-utility"), {QStringLiteral("large"), app.livePath(), QStringLiteral("20000")});
        QVERIFY(utility.waitForFinished(120000));
        bool caught = false;
        for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
            utility.start(built("varnex-utility"), {QStringLiteral("compact"), app.path()});
            QVERIFY(utility.waitForStarted());
            // Its content (process and name) is written just after the file is made.
            QVERIFY(waitFor([&] { return QFileInfo(lockFile(app)).size() > 0 || utility.state() != QProcess::Running; }, 20000));
            ::kill(pid_t(utility.processId()), SIGSTOP);
            caught = utility.state() == QProcess::Running && QFileInfo(lockFile(app)).size() > 0;
            if (!caught) {
                ::kill(pid_t(utility.processId()), SIGCONT);
                QVERIFY(utility.waitForFinished(60000));
            }
        }
        QVERIFY2(caught, "the compaction finished before it could be stopped five times");
        const qint64 utilityPid = utility.processId();
        QProcess program;
        QVERIFY(startProgram(app, program));
        // The program says so (and waits for the message box to be answered).
        const QString err = errorsUntil(program, QStringLiteral("working on the database"));
        stop(program);
        ::kill(pid_t(utility.processId()), SIGCONT);
        QVERIFY(utility.waitForFinished(60000));
        QVERIFY2(err.contains(QStringLiteral("A database utility (varnex-utility, process %1) is working on the database in this "
                                             "folder.").arg(utilityPid)), qPrintable(err));
        QCOMPARE(utility.exitCode(), 0);
        QVERIFY(intact(app.livePath()));
    }

    // A second folder whose kelid.mdb is a symbolic link to the first one's
    // file is the same database: while the program runs from the first, the
    // utility and the program refuse it, naming the first folder. A file with
    // a second name (a hard link) is refused, and keeps both names.
    void oneDatabaseWhateverThePath() {
        TestAppFolder a(TestAppFolder::Data::Demo), linked(TestAppFolder::Data::None), hardLinked(TestAppFolder::Data::None);
        QVERIFY(QFile::link(a.livePath(), linked.livePath()));
        const QByteArray live = digest(a.livePath());
        QProcess program;
        QVERIFY(startProgram(a, program));
        const QString fileLock = DatabaseFileLock::lockFilePath(linked.livePath());
        QVERIFY2(waitFor([&] { return QFileInfo(fileLock).size() > 0; }, 20000), "the program took no lock of its database file");
        const QString holder = QStringLiteral("Varnex is already running on this database (%1) from the folder '%2'.")
                                   .arg(QFileInfo(a.livePath()).canonicalFilePath(), QFileInfo(a.path()).canonicalFilePath());
        int exitCode = 0;
        QString err = runUtility({QStringLiteral("exchange"), linked.path()}, &exitCode);
        QVERIFY2(exitCode == 1 && err.contains(holder), qPrintable(err));
        QProcess second;
        QVERIFY(startProgram(linked, second));
        err = errorsUntil(second, holder);
        stop(second);
        QVERIFY2(err.contains(holder), qPrintable(err));
        QCOMPARE(program.state(), QProcess::Running);
        stop(program);
        QVERIFY(QFileInfo(linked.livePath()).isSymLink());
        QCOMPARE(digest(a.livePath()), live);

        QVERIFY(::link(QFile::encodeName(a.livePath()).constData(), QFile::encodeName(hardLinked.livePath()).constData()) == 0);
        err = runUtility({QStringLiteral("compact"), hardLinked.path()}, &exitCode);
        QVERIFY2(exitCode == 1 && err.contains(QStringLiteral("has 2 names on this disk (hard links)")), qPrintable(err));
        QVERIFY(FileSystem::sameFile(a.livePath(), hardLinked.livePath()));
        QCOMPARE(digest(a.livePath()), live);
    }
};

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "tst_instancelock.moc"
