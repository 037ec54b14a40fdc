#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "ReportTestData.h"
#include "TestAppFolder.h"

// varnex-report, the command-line report tool, as a user runs it.
class TestReportTool : public QObject {
    Q_OBJECT
    QString tool() const { return QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-report"); }

    int run(const QStringList& args, QString* err = nullptr, QString* out = nullptr) {
        QProcess p;
        p.start(tool(), args);
        if (!p.waitForFinished(60000))
            return -1;
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitCode();
    }

    static QStringList paretoParams() {
        return {QStringLiteral("--param"), QStringLiteral("BeginDate;Date (2003, 12, 01);true"),
                QStringLiteral("--param"), QStringLiteral("EndDate;Date (2003, 12, 31);true"),
                QStringLiteral("--param"), QStringLiteral("Facility;A;true")};
    }

    static QByteArray digest(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }

    // Runs the Pareto report into out as csv or pdf; the tool must fail with
    // the system's "No space left on device" and say nothing was written.
    void expectDiskFull(const TestAppFolder& app, const QString& out, const QString& format) {
        QString err, stdOut;
        const int code = run(QStringList{app.file(QStringLiteral("pareto_of_defects.rpt"))} + paretoParams() +
                                 QStringList{QStringLiteral("--") + format, out}, &err, &stdOut);
        QVERIFY2(code != 0, qPrintable(stdOut));
        QVERIFY2(err.contains(QStringLiteral("No space left on device")), qPrintable(err));
        QVERIFY2(!stdOut.contains(QStringLiteral("written")), qPrintable(stdOut));
    }

private slots:
    void initTestCase() {
        if (!QFileInfo(tool()).isExecutable())
            QSKIP("varnex-report is not built");
    }

    void runsAReportToCsvAndPdf() {
        TestAppFolder app;
        fillReportData(app);
        const QString rpt = app.file(QStringLiteral("pareto_of_defects.rpt"));
        const QStringList params = paretoParams();
        const QString csv = app.file(QStringLiteral("p.csv"));
        QCOMPARE(run(QStringList{rpt} + params + QStringList{QStringLiteral("--csv"), csv}), 0);
        QCOMPARE(readLines(csv).value(1), QStringLiteral("D1,Scratch,4,44.4,44.4"));  // 4 of the 9 defect rows
        const QString pdf = app.file(QStringLiteral("p.pdf"));
        QCOMPARE(run(QStringList{rpt} + params + QStringList{QStringLiteral("--pdf"), pdf}), 0);
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.read(4) == "%PDF");
        // Sorted list.
        QCOMPARE(run({app.file(QStringLiteral("Model_List.rpt")), QStringLiteral("--sort"), QStringLiteral("-{Model.ModelNumber}"),
                      QStringLiteral("--csv"), csv}), 0);
        QCOMPARE(readLines(csv).value(1), QStringLiteral("M200,Gadget"));
    }

    void failuresAreReported() {
        TestAppFolder app;
        fillReportData(app);
        QString err;
        QCOMPARE(run({}, &err), 2);
        QVERIFY(err.contains(QLatin1String("usage")));
        QCOMPARE(run({app.file(QStringLiteral("Model_List.rpt")), QStringLiteral("--csv"), QStringLiteral("a"), QStringLiteral("--pdf"), QStringLiteral("b")}), 2);
        const QString csv = app.file(QStringLiteral("bad.csv"));
        QCOMPARE(run({app.file(QStringLiteral("pareto_of_defects.rpt")), QStringLiteral("--param"), QStringLiteral("BeginDate;Date (, , );true"),
                      QStringLiteral("--csv"), csv}, &err), 1);
        QVERIFY2(err.contains(QLatin1String("not a valid date")), qPrintable(err));
        QVERIFY(!QFile::exists(csv));
        QCOMPARE(run({app.file(QStringLiteral("nothing.rpt")), QStringLiteral("--csv"), csv}, &err), 1);
        QVERIFY(err.contains(QLatin1String("nothing.rpt")));
        QCOMPARE(run({app.file(QStringLiteral("Model_List.rpt")), QStringLiteral("--timeout"), QStringLiteral("soon"),
                      QStringLiteral("--csv"), csv}), 2);
    }

    void aQueryThatNeverEndsIsStoppedAtTheTimeLimit() {
        TestAppFolder app;
        QString err;
        const QString csv = app.file(QStringLiteral("endless.csv"));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(run({writeEndlessReport(app), QStringLiteral("--timeout"), QStringLiteral("1"), QStringLiteral("--csv"), csv}, &err), 1);
        QVERIFY2(err.contains(QLatin1String("The report Endless reached its time limit of 1 s and was stopped.")), qPrintable(err));
        QVERIFY(clock.elapsed() < 30000);
        QVERIFY(!QFile::exists(csv));
    }

    // A huge refused value is quoted by its first 80 characters only.
    void refusedValueIsCutInTheError_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("quoted");  // what the error quotes: the value itself, or the whole field
        QTest::newRow("date value") << QStringLiteral("--param") << QStringLiteral("BeginDate;") << QStringLiteral(";true") << QString();
        QTest::newRow("parameter name") << QStringLiteral("--param") << QString() << QStringLiteral(";x;true") << QString();
        QTest::newRow("sort field") << QStringLiteral("--sort") << QStringLiteral("+{") << QStringLiteral("}") << QStringLiteral("+{");
    }

    void refusedValueIsCutInTheError() {
        QFETCH(QString, option);
        QFETCH(QString, prefix);
        QFETCH(QString, suffix);
        QFETCH(QString, quoted);
        TestAppFolder app;
        fillReportData(app);
        QString value;
        for (int i = 0; value.size() < 120000; ++i)
            value += QString::number(i % 10);
        QString err;
        // The refused field comes first, before the good ones.
        QCOMPARE(run(QStringList{app.file(QStringLiteral("pareto_of_defects.rpt")), option, prefix + value + suffix} + paretoParams().mid(option == QLatin1String("--sort") ? 0 : 2) +
                         QStringList{QStringLiteral("--csv"), app.file(QStringLiteral("p.csv"))}, &err), 1);
        QVERIFY2(err.size() < 400, qPrintable(err.left(400)));
        QVERIFY2(err.contains((quoted + value).left(80) + QChar(0x2026)), qPrintable(err));
        QVERIFY2(!err.contains((quoted + value).left(81)), qPrintable(err));
    }

    // The output never replaces the database, another database or a report definition.
    void outputOntoItsInputsRefused_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("why");
        QTest::newRow("the live database through ..") << QStringLiteral("temp/../kelid.mdb") << QStringLiteral("the database the report reads");
        QTest::newRow("another database") << QStringLiteral("DemoDb/kelid1.mdb") << QStringLiteral("a database file");
        QTest::newRow("its own definition") << QStringLiteral("pareto_of_defects.rpt") << QStringLiteral("a report definition");
        QTest::newRow("another definition") << QStringLiteral("Model_List.rpt") << QStringLiteral("a report definition");
    }

    void outputOntoItsInputsRefused() {
        QFETCH(QString, target);
        QFETCH(QString, why);
        TestAppFolder app;
        fillReportData(app);
        const QString path = app.file(target);
        const QByteArray before = digest(path);
        for (const QString& format : {QStringLiteral("--csv"), QStringLiteral("--pdf")}) {
            QString err;
            QCOMPARE(run(QStringList{app.file(QStringLiteral("pareto_of_defects.rpt"))} + paretoParams() + QStringList{format, path}, &err), 1);
            QVERIFY2(err.contains(why), qPrintable(err));
            QCOMPARE(digest(path), before);
        }
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 20);
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".mdb.")), QStringList());
    }

    // The full device: every write fails. The real /dev/full, or as root a
    // private node of the same device (a program that replaced its target
    // by a rename would replace /dev/full itself for the whole machine).
    void fullDeviceReported_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("csv") << QStringLiteral("csv");
        QTest::newRow("pdf") << QStringLiteral("pdf");
    }

    void fullDeviceReported() {
        QFETCH(QString, format);
        TestAppFolder app;
        fillReportData(app);
        QString full = QStringLiteral("/dev/full");
        if (::geteuid() == 0) {
            full = app.file(QStringLiteral("full"));
            if (::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
                QSKIP("running as root where no device node can be made: /dev/full itself is not risked");
        }
        QVERIFY(QFileInfo::exists(full));
        expectDiskFull(app, full, format);
        QVERIFY2(!QFileInfo(full).isFile(), "the device was replaced by a file");
    }

    // A small file system that fills up: the earlier report stays as it was and no temporary file is left.
    void fullDiskKeepsTheEarlierFile() {
        TestAppFolder app;
        fillReportData(app);
        QTemporaryDir mountPoint;
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=256k"), QStringLiteral("tmpfs"), mountPoint.path()});
        if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0)
            QSKIP("a small tmpfs cannot be mounted here (needs root): the full disk is tested on the full device only");
        struct Unmount {
            QString path;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {path}); }
        } unmount{mountPoint.path()};
        const QString earlier = mountPoint.filePath(QStringLiteral("pareto.csv"));
        {
            QFile f(earlier);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.write("earlier report\r\n") > 0);
        }
        // Fill the disk to its last byte.
        {
            QFile filler(mountPoint.filePath(QStringLiteral("filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size()) {
            }
            const QByteArray byte(1, 'f');
            while (filler.write(byte) == 1) {
            }
        }
        for (const QString& format : {QStringLiteral("csv"), QStringLiteral("pdf")}) {
            expectDiskFull(app, earlier, format);
            QCOMPARE(readLines(earlier), QStringList{QStringLiteral("earlier report")});
            expectDiskFull(app, mountPoint.filePath(QStringLiteral("new.") + format), format);
            QCOMPARE(QDir(mountPoint.path()).entryList(QDir::Files | QDir::Hidden),
                     (QStringList{QStringLiteral("filler"), QStringLiteral("pareto.csv")}));
        }
    }
};

QTEST_MAIN(TestReportTool)
#include "tst_reporttool.moc"
