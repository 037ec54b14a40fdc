#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QPushButton>
#include <QTest>

#include "TestAppFolder.h"
#include "platform/Dialogs.h"
#include "platform/FormRegistry.h"
#include "platform/HelpViewer.h"
#include "shell/FormCatalog.h"

class TestPrintDataSheet : public QObject {
    Q_OBJECT

    Form* openSheet() {
        FormRegistry::instance().show(QStringLiteral("frmReports"));
        return showForm(QStringLiteral("frmPrintDataSheet"));
    }

private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() {
        if (HelpViewer* v = HelpViewer::current())
            v->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        unloadAllForms();
    }

    // Print shows the sheet (help topic 50) and closes the form; the Reports menu is where the user goes on.
    void printShowsTheSheetToFillIn() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        Form* f = openSheet();
        QVERIFY(f);
        QTest::mouseClick(f->findChild<QPushButton*>(QStringLiteral("cmdPrintSheet")), Qt::LeftButton);
        QVERIFY(dialogs.messages.isEmpty() && HelpViewer::current());
        QCOMPARE(HelpViewer::current()->topic(), 50);
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmPrintDataSheet")));
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmReports")));
        QVERIFY(!FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        // What the topic's Print sends to the printer, once the print dialog is answered.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = app.file(QStringLiteral("sheet.pdf"));
        printer.setOutputFileName(pdf);
        HelpViewer::current()->preparePrinter(&printer);
        QVERIFY(HelpViewer::current()->printTo(&printer).isOk());
        QProcess p;
        p.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(text.count(QLatin1Char('\f')), 1);  // one page
        // The columns an inspector fills in, headings broken between words only; no screen instructions on paper.
        QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Inspection Data Collection Sheet.*Model.*Serial.*Notes"),
                                                  QRegularExpression::DotMatchesEverythingOption)), qPrintable(text));
        QVERIFY2(!text.contains(QRegularExpression(QStringLiteral("\\bNumb\\b|\\bLocati\\b|Print button"))), qPrintable(text));
        // Landscape: wider than high.
        QProcess info;
        info.start(QStandardPaths::findExecutable(QStringLiteral("pdfinfo")), {pdf});
        QVERIFY(info.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(info.readAllStandardOutput()).contains(QRegularExpression(QStringLiteral("Page size:\\s+792 x 612"))));
    }

    // Without the help file Print says so and the form stays; Cancel closes it without the sheet.
    void noSheet_data() {
        QTest::addColumn<bool>("helpFile");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("said");
        QTest::newRow("no help file") << false << "cmdPrintSheet" << "VXHelp.hlp";
        QTest::newRow("cancel") << true << "CmdCancel" << "";
    }
    void noSheet() {
        QFETCH(bool, helpFile);
        QFETCH(QString, button);
        QFETCH(QString, said);
        TestAppFolder app;
        if (!helpFile)
            QVERIFY(QFile::remove(app.file(QStringLiteral("KEL/VXHelp.hlp"))));
        Dialogs::Scripted dialogs;
        Form* f = openSheet();
        QVERIFY(f);
        QTest::mouseClick(f->findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), said.isEmpty() ? 0 : 1);
        QVERIFY(said.isEmpty() || dialogs.messages.first().text.contains(said));
        QVERIFY(!HelpViewer::current());
        QCOMPARE(FormRegistry::instance().isVisible(QStringLiteral("frmPrintDataSheet")), !helpFile);
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmReports")));
    }
};

QTEST_MAIN(TestPrintDataSheet)
#include "tst_printdatasheet.moc"
