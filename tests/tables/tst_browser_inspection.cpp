// The inspection table browser: its order at load, the buttons it lacks or
// hides, what the grid does with dates and numbers typed into it, Find, and
// its rows printed and exported in the grid's order.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QScopeGuard>

#include "reports/ReportPreview.h"
#include "tables/GridFind.h"
#include "platform/DateText.h"
#include "tst_browser_support.h"

using namespace browsertest;

class TestInspectionBrowser : public QObject {
    Q_OBJECT
    std::unique_ptr<Fixture> fx;

private slots:
    void initTestCase() { initFormTests(); }
    void init() {
        fx = std::make_unique<Fixture>(QStringLiteral(
            "INSERT INTO InspectionRecord (Facility, ModelNumber, SerialNum, InspectorNum, Date, Station, ReworkNum) VALUES"
            " ('A', 'M2', 'S1', 'I1', '2024-03-05', 'ST2', 1), ('B', 'M1', 'S2', 'I2', '2024-01-10', 'ST1', 1),"
            " ('A', 'M1', 'S1', 'I1', '2024-02-20', 'ST3', 1), ('B', 'M1', 'S1', 'I1', '2024-02-21', 'ST1', 2)"));
    }
    void cleanup() { fx.reset(); }

    // Ordered by model, serial number and station; Add hidden until an
    // Update, and then it does nothing.
    void opensOrderedAndAddDoesNothing() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        QVERIFY(b);
        QCOMPARE(column(b, 0), (QStringList{"4", "3", "2", "1"}));
        QCOMPARE(shownButtons(b), (QStringList{"cmdEdit", "cmdDelete", "cmdRefresh", "cmdSort", "cmdClose", "cmdPrint", "cmdExport"}));
        QVERIFY(click(b, "cmdEdit"));
        QCOMPARE(shownButtons(b), (QStringList{"cmdUpdate", "cmdCancel", "cmdPrint", "cmdExport"}));
        QVERIFY(click(b, "cmdUpdate"));
        QVERIFY(click(b, "cmdAdd"));
        QCOMPARE(b->gridModel()->rowCount(), 4);
        QCOMPARE(b->recordSet()->editMode(), RecordSet::EditMode::None);
        QVERIFY(fx->dialogs.messages.isEmpty());
    }

    // Dates show and read in this computer's order (the locale's, or the one
    // varnex.conf names) and are stored as ISO; a date that is no date, and a
    // number that is no number, are refused by the database with its own
    // message, the change pending.
    void typedDatesAndNumbers_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("conf");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("typed");  // 2 January 2026
        QTest::newRow("en_US") << "en_US" << "" << QStringList{"02/21/2024", "02/20/2024", "01/10/2024", "03/05/2024"} << "1/2/2026";
        QTest::newRow("en_GB") << "en_GB" << "" << QStringList{"21/02/2024", "20/02/2024", "10/01/2024", "05/03/2024"} << "2/1/2026";
        QTest::newRow("de_DE") << "de_DE" << "" << QStringList{"21.02.2024", "20.02.2024", "10.01.2024", "05.03.2024"} << "2.1.2026";
        QTest::newRow("en_US, date order = dmy") << "en_US" << "date order = dmy"
                                                 << QStringList{"21/02/2024", "20/02/2024", "10/01/2024", "05/03/2024"} << "02/01/2026";
    }
    void typedDatesAndNumbers() {
        QFETCH(QString, locale);
        QFETCH(QString, conf);
        QFETCH(QStringList, shown);
        QFETCH(QString, typed);
        QLocale::setDefault(QLocale(locale));
        QFile settings(fx->folder.file(QStringLiteral("varnex.conf")));  // on a server it names the server too
        QVERIFY(settings.open(QIODevice::Append));
        settings.write(QStringLiteral("\n%1\n").arg(conf).toUtf8());
        settings.close();
        DateText::reload();
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        QCOMPARE(column(b, 5), shown);
        // Only the year retyped in the cell: day and month stay as they were.
        const QModelIndex date = b->gridModel()->index(0, 5);
        b->grid()->setCurrentIndex(date);
        b->grid()->edit(date);
        auto* editor = qobject_cast<QLineEdit*>(b->grid()->indexWidget(date));
        QVERIFY(editor);
        editor->end(false);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, QStringLiteral("2025"));
        QVERIFY(click(b, "cmdNext"));
        typeIntoCell(b, 5, typed);
        typeIntoCell(b, 14, QStringLiteral("3"));
        QVERIFY(click(b, "cmdNext"));
        QVERIFY(fx->dialogs.messages.isEmpty());
        QCOMPARE(fx->folder.rows(QStringLiteral("SELECT Date, ReworkNum, typeof(ReworkNum) FROM InspectionRecord WHERE InspectionID IN (3, 4) "
                                               "ORDER BY InspectionID")),
                 (QStringList{"2026-01-02|3|integer", "2025-02-21|2|integer"}));

        typeIntoCell(b, 5, QStringLiteral("13/45/2024"));
        QVERIFY(click(b, "cmdNext"));
        // A year of two or three digits is no year the cell takes: no century is guessed.
        for (const QString& shortYear : {QStringLiteral("1/2/03"), QStringLiteral("1/2/202")}) {
            typeIntoCell(b, 5, shortYear);
            QVERIFY(click(b, "cmdNext"));
        }
        const QString form = QStringLiteral(" is not a date in the form ") + DateText::pattern();
        QCOMPARE(fx->dialogs.texts(), (QStringList{"Date: 13/45/2024" + form, "Date: 1/2/03" + form, "Date: 1/2/202" + form}));
        QCOMPARE(status(b), QStringLiteral("Record 3 of 4"));
        typeIntoCell(b, 5, QStringLiteral("2/2/2024"));
        typeIntoCell(b, 14, QStringLiteral("two"));
        QVERIFY(click(b, "cmdNext"));
        QCOMPARE(fx->dialogs.texts().value(3), QStringLiteral("Rework number: two is not a whole number."));
        QCOMPARE(fx->folder.scalar(QStringLiteral("SELECT Date FROM InspectionRecord WHERE InspectionID = 2")).toString(),
                 QStringLiteral("2024-01-10"));
        // The identifier is the database's: the grid does not take typing there.
        QVERIFY(!(b->gridModel()->flags(b->gridModel()->index(0, 0)) & Qt::ItemIsEditable));
    }

    // Ctrl+F: a text in the current column or in all, Enter to the next line
    // holding it, Shift+Enter back, round the end; the record set follows.
    void findMovesToTheLinesHoldingTheText() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        QVERIFY(b);
        b->grid()->setFocus();
        b->grid()->setCurrentIndex(b->gridModel()->index(0, 6));  // Station of ID 4 (ST1)
        QTest::keyClick(b->grid(), Qt::Key_F, Qt::ControlModifier);
        auto* text = b->findChild<QLineEdit*>(QStringLiteral("txtFind"));
        QVERIFY(text && text->isVisible());
        QCOMPARE(QApplication::focusWidget(), text);
        QTest::keyClicks(text, QStringLiteral("st1"));
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(status(b), QStringLiteral("Record 3 of 4"));
        QCOMPARE(b->recordSet()->value(QStringLiteral("InspectionID")).toInt(), 2);
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(b->recordSet()->value(QStringLiteral("InspectionID")).toInt(), 4);  // round the end
        QTest::keyClick(text, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(b->recordSet()->value(QStringLiteral("InspectionID")).toInt(), 2);
        // Home and End are the text box's here, not the grid's.
        QTest::keyClick(text, Qt::Key_Home);
        QCOMPARE(b->recordSet()->value(QStringLiteral("InspectionID")).toInt(), 2);
        // In all columns: "i2" is an inspector number.
        b->findChild<QComboBox*>(QStringLiteral("cboFindIn"))->setCurrentIndex(1);
        text->selectAll();
        QTest::keyClicks(text, QStringLiteral("i2"));
        QTest::keyClick(text, Qt::Key_F3);
        QCOMPARE(b->recordSet()->value(QStringLiteral("InspectionID")).toInt(), 2);
        QCOMPARE(b->grid()->currentIndex().column(), 4);
        text->selectAll();
        QTest::keyClicks(text, QStringLiteral("nowhere"));
        QTest::keyClick(text, Qt::Key_Return);
        QCOMPARE(fx->dialogs.texts(), QStringList{QStringLiteral("\"nowhere\" is not in the table.")});
        // Escape closes the bar, not the table.
        QTest::keyClick(text, Qt::Key_Escape);
        QVERIFY(!text->isVisible());
        QVERIFY(FormRegistry::instance().isLoaded(QStringLiteral("tblInspection")));
        QCOMPARE(QApplication::focusWidget(), b->grid());
    }

    // Print and Export take the rows in the grid's order, typed as stored.
    void printAndExportInTheGridsOrder() {
        TableBrowser* b = open(QStringLiteral("tblInspection"));
        QVERIFY(b);
        const QString file = fx->folder.file(QStringLiteral("rows.csv"));
        QVERIFY(b->exportGrid(file).isOk());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[0].startsWith(QStringLiteral("InspectionID,Facility,ModelNumber,SerialNum,InspectorNum,Date,")));
        QCOMPARE(lines[1], QStringLiteral("4,B,M1,S1,I1,2024-02-21,ST1,,,,,,,,2,"));
        QCOMPARE(lines[4].section(QLatin1Char(','), 0, 0), QStringLiteral("1"));
        // A name ending in .xlsx gets a spreadsheet: the key a number, the date a date cell.
        const QString xlsx = fx->folder.file(QStringLiteral("rows.xlsx"));
        QVERIFY(b->exportGrid(xlsx).isOk());
        QProcess read;
        // Debian's python3, which has python3-openpyxl, before any other on the path.
        read.start(QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3"), {QStringLiteral("-c"),
                   QStringLiteral("import sys, openpyxl\nws = openpyxl.load_workbook(sys.argv[1]).active\n"
                                  "print(repr(ws['A1'].value), repr(ws['A2'].value), repr(ws['F2'].value))"), xlsx});
        QVERIFY2(read.waitForFinished(30000) && read.exitCode() == 0, read.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(read.readAllStandardOutput()).trimmed(),
                 QStringLiteral("'InspectionID' 4 datetime.datetime(2024, 2, 21, 0, 0)"));
        QVERIFY(click(b, "cmdPrint"));
        ReportPreview* preview = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<ReportPreview*>(w); p && p->isVisible())
                preview = p;
        QVERIFY(preview);
        QCOMPARE(preview->result().groups.value(0).rows.size(), 4);
        QCOMPARE(preview->result().groups[0].rows[0].value(0).toInt(), 4);
        QVERIFY(preview->pageCount() >= 1);
        preview->close();
    }
};

QTEST_MAIN(TestInspectionBrowser)
#include "tst_browser_inspection.moc"
