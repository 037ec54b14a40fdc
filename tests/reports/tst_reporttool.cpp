#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
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

    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
        // The output never replaces the database, another database or a report definition.
        QTest::newRow("onto the database") << QStringList{"@/Model_List.rpt", "--pdf", "@/temp/../kelid.mdb"} << 1
                                           << "the database the report reads";
        QTest::newRow("onto another database") << QStringList{"@/Model_List.rpt", "--csv", "@/DemoDb/kelid1.mdb"} << 1 << "a database file";
        QTest::newRow("onto its definition") << QStringList{"@/Model_List.rpt", "--csv", "@/Model_List.rpt"} << 1 << "a report definition";
        QTest::newRow("onto another definition") << QStringList{"@/Model_List.rpt", "--pdf", "@/Part_List.rpt"} << 1 << "a report definition";
        QTest::newRow("time limit") << QStringList{"@/Endless.rpt", "--timeout", "1", "--csv", "@/out.csv"} << 1
                                    << "The report Endless reached its time limit of 1 s and was stopped.";
        QTest::newRow("sorted list") << QStringList{"@/Model_List.rpt", "--sort", "-{Model.ModelNumber}", "--csv", "@/out.csv"} << 0 << "";
        QTest::newRow("pdf") << QStringList{"@/pareto_of_defects.rpt", "--param", "BeginDate;Date (2003, 12, 01);true", "--param",
                                            "EndDate;Date (2003, 12, 31);true", "--param", "Facility;A;true", "--pdf", "@/out.pdf"}
                             << 0 << "";
    }
    void exitCodes() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        TestAppFolder app;
        fillReportData(app);
        writeEndlessReport(app);
        args.replaceInStrings(QRegularExpression(QStringLiteral("^@")), app.path());
        const QString written = args.value(args.size() - 1);
        const QByteArray before = readAll(written);
        QString err, out;
        QCOMPARE(run(args, &err, &out), code);
        QVERIFY2(err.contains(said), qPrintable(err));
        QCOMPARE(QFile::exists(written), code == 0 || !before.isEmpty());
        if (code != 0)
            QCOMPARE(readAll(written), before);
        QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 20);
        QCOMPARE(out.contains(QLatin1String("written to")), code == 0);
        if (code == 0 && written.endsWith(QLatin1String(".pdf")))
            QVERIFY(readAll(written).contains("/Image"));  // with its chart
        else if (code == 0)
            QCOMPARE(readLines(written), (QStringList{QStringLiteral("Model Number,Model Description"), QStringLiteral("M200,Gadget"),
                                                      QStringLiteral("M100,Widget"), QStringLiteral("2 models,")}));
    }

    // A printed report in this computer's conventions: the locale's paper (Letter in
    // the United States, A4 elsewhere) and date order, or those varnex.conf names,
    // with the plant's name it gives; a landscape report stays landscape.
    void printedInThisComputersConventions_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("conf");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("printed");
        QTest::newRow("en_US, landscape") << "en_US" << "" << "Inspection_Escapes.rpt" << "792 x 612"
                                          << QStringList{"Begin Date: 12/01/2003", "12/03/2003"};
        QTest::newRow("en_GB") << "en_GB" << "" << "1st_Pass_Yields.rpt" << "595 x 842"
                               << QStringList{"Begin Date: 01/12/2003", "End Date: 31/12/2003", "KEL Manufacturing Software"};
        QTest::newRow("de_DE, landscape") << "de_DE" << "" << "Inspection_Escapes.rpt" << "842 x 595"
                                          << QStringList{"Begin Date: 01.12.2003", "03.12.2003"};
        QTest::newRow("en_GB, paper = letter, date order = ymd, plant")
            << "en_GB" << "paper = Letter\ndate order = ymd\nplant = Northfield Assembly" << "1st_Pass_Yields.rpt" << "612 x 792"
            << QStringList{"Begin Date: 2003/12/01", "eld Assembly"};  // "fi" is one glyph in the PDF
    }
    void printedInThisComputersConventions() {
        QFETCH(QString, locale);
        QFETCH(QString, conf);
        QFETCH(QString, report);
        QFETCH(QString, page);
        QFETCH(QStringList, printed);
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
        if (pdftotext.isEmpty() || pdfinfo.isEmpty())
            QSKIP("poppler-utils are not installed");
        TestAppFolder app;
        fillReportData(app);
        QFile settings(app.file(QStringLiteral("varnex.conf")));  // on a server it names the server too
        QVERIFY(settings.open(QIODevice::Append));
        settings.write(QStringLiteral("\n%1\n").arg(conf).toUtf8());
        settings.close();
        const QString pdf = app.file(QStringLiteral("out.pdf"));
        QStringList args{app.file(report), QStringLiteral("--pdf"), pdf};
        for (const QString& p : december("BeginDate", "EndDate"))
            args << QStringLiteral("--param") << p;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), locale + QStringLiteral(".UTF-8"));
        p.setProcessEnvironment(env);
        // Run from the folder, as installed there, so that it reads the folder's varnex.conf.
        const QString local = app.file(QStringLiteral("varnex-report"));
        QVERIFY(QFile::copy(tool(), local));
        p.start(local, args);
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QProcess info, text;
        info.start(pdfinfo, {pdf});
        text.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(info.waitForFinished(30000) && text.waitForFinished(30000));
        const QString size = QString::fromUtf8(info.readAllStandardOutput()).section(QStringLiteral("Page size:"), 1).section(QLatin1Char('\n'), 0, 0);
        QCOMPARE(size.section(QStringLiteral(" pts"), 0, 0).trimmed(), page);
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString& shown : printed)
            QVERIFY2(words.contains(shown), qPrintable(shown + QStringLiteral(" not in:\n") + words));
    }

    // --xlsx: a real spreadsheet, read back by another program (openpyxl): the
    // headings, dates as date cells in this computer's order, numbers as numbers,
    // the totals lines. Written as safely as the CSV: never onto the database.
    void spreadsheetReadsBack() {
        const QString python = QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                    : QStandardPaths::findExecutable(QStringLiteral("python3"));
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
        if (python.isEmpty() || !probe.waitForFinished(30000) || probe.exitCode() != 0)
            QSKIP("python3-openpyxl is not installed");
        TestAppFolder app;
        fillReportData(app);
        const QString xlsx = app.file(QStringLiteral("escapes.xlsx"));
        QStringList args{app.file(QStringLiteral("Inspection_Escapes.rpt")), QStringLiteral("--xlsx"), xlsx};
        for (const QString& p : december("BeginDate", "EndDate"))
            args << QStringLiteral("--param") << p;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_GB.UTF-8"));
        p.setProcessEnvironment(env);
        p.start(tool(), args);
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QProcess read;
        read.start(python, {QStringLiteral("-c"), QStringLiteral(
            "import sys, datetime, openpyxl\n"
            "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
            "def cell(c):\n"
            "    v = c.value\n"
            "    if v is None: return ''\n"
            "    if isinstance(v, datetime.datetime): return 'D' + v.date().isoformat() + ' ' + c.number_format\n"
            "    if isinstance(v, (int, float)): return 'N' + str(v)\n"
            "    return v\n"
            "for row in ws.iter_rows(max_col=ws.max_column): print('|'.join(cell(c) for c in row))\n"), xlsx});
        QVERIFY(read.waitForFinished(30000));
        QVERIFY2(read.exitCode() == 0, read.readAllStandardError().constData());
        const QStringList lines = QString::fromUtf8(read.readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0).section(QLatin1Char('|'), 0, 2), QStringLiteral("Passed by inspector|Passed On|Found On"));
        QCOMPARE(lines.mid(1), (QStringList{"I9|D2003-12-03 dd/mm/yyyy|D2003-12-04 dd/mm/yyyy|M200|S10|ST2|001|1 PASS - NO DEFECT|L2|I2|||||",
                                            "I9|D2003-12-08 dd/mm/yyyy|D2003-12-10 dd/mm/yyyy|M200|S3|ST1|P2|D1 Scratch|L2|I1|||||",
                                            "I9|Total|||||||||N2|N0|||", "|Grand total|||||||||N2|N10|N20|N9|N22.2"}));
        // Onto the database the report reads: refused, the database whole.
        QString err;
        args.replace(2, app.file(QStringLiteral("temp/../kelid.mdb")));
        if (!app.isServer()) {
            QCOMPARE(run(args, &err), 1);
            QVERIFY2(err.contains(QLatin1String("it is the database the report reads")), qPrintable(err));
            QCOMPARE(app.scalar(QStringLiteral("SELECT count(*) FROM InspectionRecord")).toInt(), 20);
        }
    }

    // The full device, where every write fails: the tool says so. The real /dev/full, or as root a private
    // node of the same device (a program that replaced its target by a rename would replace /dev/full
    // itself for the whole machine).
    void fullDiskReported() {
        TestAppFolder app;
        fillReportData(app);
        QString full = QStringLiteral("/dev/full");
        if (::geteuid() == 0) {
            full = app.file(QStringLiteral("full"));
            QVERIFY(::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)) == 0);
        }
        for (const QString& format : {QStringLiteral("--csv"), QStringLiteral("--pdf")}) {
            QString err, out;
            QCOMPARE(run({app.file(QStringLiteral("Model_List.rpt")), format, full}, &err, &out), 1);
            QVERIFY2(err.contains(QStringLiteral("No space left on device")) && !out.contains(QLatin1String("written")), qPrintable(err));
            QVERIFY2(!QFileInfo(full).isFile(), "the device was replaced by a file");
        }
    }
};

QTEST_MAIN(TestReportTool)
#include "tst_reporttool.moc"
