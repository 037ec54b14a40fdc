#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QKeyEvent>
#include <QLocale>
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
        FormRegistry::instance().show(QStringLiteral("frmPrintDataSheet"));
        Form* f = FormRegistry::instance().form(QStringLiteral("frmPrintDataSheet"));
        if (f)
            QTest::qWaitForWindowActive(f);
        return f;
    }
    void closeHelp() {
        if (HelpViewer* v = HelpViewer::current())
            v->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void initTestCase() { initFormTests(); }
    void cleanup() {
        closeHelp();
        unloadAllForms();
    }

    void printRaisesTopic50AndCloses() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        Form* f = openSheet();
        QVERIFY(f);
        QVERIFY(f->isWindow());
        QCOMPARE(f->windowTitle(), QStringLiteral("Print Data Collection Sheet"));
        auto* print = f->findChild<QPushButton*>(QStringLiteral("cmdPrintSheet"));
        QCOMPARE(print->text(), QStringLiteral("Print Data Collection Sheet"));
        QCOMPARE(f->findChild<QPushButton*>(QStringLiteral("CmdCancel"))->text(), QStringLiteral("Cancel"));
        print->setFocus();
        QTest::mouseClick(print, Qt::LeftButton);
        QVERIFY(dialogs.messages.isEmpty());
        QVERIFY(HelpViewer::current());
        QCOMPARE(HelpViewer::current()->topic(), 50);
        // The sheet: the columns an inspector fills in.
        const QString html = HelpViewer::current()->html();
        for (const char* column : {"Model Number", "Serial Number", "Defect Code", "Location Code", "Operator No.", "Notes"})
            QVERIFY2(html.contains(QLatin1String(column)), column);
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmPrintDataSheet")));
        // No other form is shown: the Reports menu is where the user goes on.
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmReports")));
        QVERIFY(!FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
    }

    void theTopicPrintsAsASheetToFillIn() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        Form* f = openSheet();
        QVERIFY(f);
        QTest::mouseClick(f->findChild<QPushButton*>(QStringLiteral("cmdPrintSheet")), Qt::LeftButton);
        QVERIFY(HelpViewer::current());
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
        for (const char* word : {"KEL Manufacturing", "Inspection Data Collection Sheet", "Date:", "Facility:", "Inspector No.:",
                                 "Model", "Number", "Serial", "Location", "Entered", "Notes", "Inspector"})
            QVERIFY2(text.contains(QLatin1String(word)), qPrintable(QLatin1String(word) + QStringLiteral(" in:\n") + text));
        // Headings break between words only; no screen instructions on paper.
        for (const char* piece : {"\\bNumb\\b", "\\bLocati\\b", "\\bEntere\\b", "Print button", "above"})
            QVERIFY2(!text.contains(QRegularExpression(QLatin1String(piece))), piece);
        // Landscape: wider than high.
        QProcess info;
        info.start(QStandardPaths::findExecutable(QStringLiteral("pdfinfo")), {pdf});
        QVERIFY(info.waitForFinished(30000));
        const QString pages = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(pages.contains(QRegularExpression(QStringLiteral("Page size:\\s+792 x 612"))), qPrintable(pages));
    }

    void missingHelpFileKeepsTheFormOpen() {
        TestAppFolder app;
        QVERIFY(QFile::remove(app.file(QStringLiteral("KEL/VXHelp.hlp"))));
        Dialogs::Scripted dialogs;
        Form* f = openSheet();
        QVERIFY(f);
        QTest::mouseClick(f->findChild<QPushButton*>(QStringLiteral("cmdPrintSheet")), Qt::LeftButton);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.contains(QLatin1String("VXHelp.hlp")));
        QCOMPARE(dialogs.messages.first().buttons, Dialogs::Buttons::Ok);
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmPrintDataSheet")));
    }

    void cancelCloses() {
        TestAppFolder app;
        Dialogs::Scripted dialogs;
        Form* f = openSheet();
        QTest::mouseClick(f->findChild<QPushButton*>(QStringLiteral("CmdCancel")), Qt::LeftButton);
        QVERIFY(!FormRegistry::instance().isLoaded(QStringLiteral("frmPrintDataSheet")));
        QVERIFY(!HelpViewer::current());
        QVERIFY(FormRegistry::instance().isVisible(QStringLiteral("frmReports")));
        QVERIFY(!FormRegistry::instance().isVisible(QStringLiteral("frmMain")));
        QVERIFY(dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TestPrintDataSheet)
#include "tst_printdatasheet.moc"
