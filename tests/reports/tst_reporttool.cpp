#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "ReportTestData.h"
#include "TestAppFolder.h"

// varnex-report, the command-line report tool, as a user runs it: its exit codes and
// what it says. What it writes is the engine's (tst_reportengine, tst_reportcsv).
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

    // Runs the Pareto report of December at A into out as csv or pdf.
    int pareto(const TestAppFolder& app, const QString& format, const QString& out, QString* err, QString* stdOut = nullptr) {
        return run({app.file(QStringLiteral("pareto_of_defects.rpt")), QStringLiteral("--param"), QStringLiteral("BeginDate;Date (2003, 12, 01);true"),
                    QStringLiteral("--param"), QStringLiteral("EndDate;Date (2003, 12, 31);true"), QStringLiteral("--param"),
                    QStringLiteral("Facility;A;true"), QStringLiteral("--") + format, out},
                   err, stdOut);
    }

    // The tool must fail with the system's "No space left on device" and say nothing was written.
    void expectDiskFull(const TestAppFolder& app, const QString& out, const QString& format) {
        QString err, stdOut;
        QCOMPARE(pareto(app, format, out, &err, &stdOut), 1);
        QVERIFY2(err.contains(QStringLiteral("No space left on device")), qPrintable(err));
        QVERIFY2(!stdOut.contains(QStringLiteral("written")), qPrintable(stdOut));
    }

private slots:
    void initTestCase() {
        if (!QFileInfo(tool()).isExecutable())
            QSKIP("varnex-report is not built");
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("args");  // "@" stands for the application folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");  // on stderr
        QTest::newRow("nothing") << QStringList() << 2 << "usage";
        QTest::newRow("csv and pdf") << QStringList{"@/Model_List.rpt", "--csv", "a", "--pdf", "b"} << 2 << "usage";
        QTest::newRow("timeout not a number") << QStringList{"@/Model_List.rpt", "--timeout", "soon", "--csv", "@/out.csv"} << 2 << "usage";
        QTest::newRow("bad date") << QStringList{"@/pareto_of_defects.rpt", "--param", "BeginDate;Date (, , );true", "--csv", "@/out.csv"}
                                  << 1 << "not a valid date";
        QTest::newRow("no such report") << QStringList{"@/nothing.rpt", "--csv", "@/out.csv"} << 1 << "nothing.rpt";
        QTest::newRow("onto the database") << QStringList{"@/Model_List.rpt", "--csv", "@/kelid.mdb"} << 1 << "the database the report reads";
        QTest::newRow("time limit") << QStringList{"@/Endless.rpt", "--timeout", "1", "--csv", "@/out.csv"} << 1
                                    << "The report Endless reached its time limit of 1 s and was stopped.";
        QTest::newRow("sorted list") << QStringList{"@/Model_List.rpt", "--sort", "-{Model.ModelNumber}", "--csv", "@/out.csv"} << 0 << "";
    }
    void exitCodes() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        TestAppFolder app;
        fillReportData(app);
        writeEndlessReport(app);
        args.replaceInStrings(QRegularExpression(QStringLiteral("^@")), app.path());
        QString err, out;
        QCOMPARE(run(args, &err, &out), code);
        QVERIFY2(err.contains(said), qPrintable(err));
        const QString csv = app.file(QStringLiteral("out.csv"));
        QCOMPARE(QFile::exists(csv), code == 0);
        if (code == 0) {
            QCOMPARE(readLines(csv), (QStringList{QStringLiteral("Model Number,Model Description"), QStringLiteral("M200,Gadget"),
                                                  QStringLiteral("M100,Widget"), QStringLiteral("2 models,")}));
            QCOMPARE(out, QStringLiteral("Model List: 2 record(s) written to %1\n").arg(csv));
        }
    }

    void runsAReportToPdf() {
        TestAppFolder app;
        fillReportData(app);
        const QString pdf = app.file(QStringLiteral("p.pdf"));
        QString err;
        QCOMPARE(pareto(app, QStringLiteral("pdf"), pdf, &err), 0);
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("%PDF") && bytes.contains("/Image"));  // with its chart
    }

    // The full device: every write fails. The real /dev/full, or as root a
    // private node of the same device (a program that replaced its target
    // by a rename would replace /dev/full itself for the whole machine).
    void fullDeviceReported() {
        TestAppFolder app;
        fillReportData(app);
        QString full = QStringLiteral("/dev/full");
        if (::geteuid() == 0) {
            full = app.file(QStringLiteral("full"));
            if (::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
                QSKIP("running as root where no device node can be made: /dev/full itself is not risked");
        }
        for (const QString& format : {QStringLiteral("csv"), QStringLiteral("pdf")}) {
            expectDiskFull(app, full, format);
            QVERIFY2(!QFileInfo(full).isFile(), "the device was replaced by a file");
        }
    }

    // A small file system that fills up: the earlier report stays as it was and no temporary file is left.
    void fullDiskKeepsTheEarlierFile() {
        TestAppFolder app;
        fillReportData(app);
        QTemporaryDir mountPoint;
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                        QStringLiteral("size=256k"), QStringLiteral("tmpfs"), mountPoint.path()}) != 0)
            QSKIP("a small tmpfs cannot be mounted here (needs root): the full disk is tested on the full device only");
        struct Unmount {
            QString path;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {path}); }
        } unmount{mountPoint.path()};
        const QString earlier = mountPoint.filePath(QStringLiteral("pareto.csv"));
        QFile f(earlier);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write("earlier report\r\n") > 0);
        f.close();
        // Fill the disk to its last byte.
        QFile filler(mountPoint.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        for (const int size : {4096, 1}) {
            const QByteArray block(size, 'f');
            while (filler.write(block) == block.size()) {
            }
        }
        filler.close();
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
