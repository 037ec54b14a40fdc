#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include "ReportTestData.h"
#include "TestAppFolder.h"

// varnex-report, the command-line report tool, as a user runs it.
class TestReportTool : public QObject {
    Q_OBJECT
    QString tool() const { return QCoreApplication::applicationDirPath() + QStringLiteral("/../app/varnex-report"); }

    int run(const QStringList& args, QString* err = nullptr) {
        QProcess p;
        p.start(tool(), args);
        if (!p.waitForFinished(60000))
            return -1;
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
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
        const QStringList params{QStringLiteral("--param"), QStringLiteral("BeginDate;Date (2003, 12, 01);true"),
                                 QStringLiteral("--param"), QStringLiteral("EndDate;Date (2003, 12, 31);true"),
                                 QStringLiteral("--param"), QStringLiteral("Facility;A;true")};
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
    }
};

QTEST_MAIN(TestReportTool)
#include "tst_reporttool.moc"
